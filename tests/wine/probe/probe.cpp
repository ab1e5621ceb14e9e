// Linked into brisqual-probe.exe beside the program's own, unchanged sources.
// Before WinMain runs it points the program's imports of CreatePen and
// DeleteObject at counting wrappers, and subclasses the main window as it is
// created so that it answers the soak test's private message.
#include "tests/wine/probe/probe.h"

#include <psapi.h>
#include <stdio.h>
#include <string.h>

typedef HPEN(WINAPI *CreatePenCall)(int, int, COLORREF);
typedef BOOL(WINAPI *DeleteObjectCall)(HGDIOBJ);

static CreatePenCall RealCreatePen;
static DeleteObjectCall RealDeleteObject;
static long LivePens;      // pens created and not deleted
static long PensCreated;   // all pens ever created
static WNDPROC ProgramWindowProc;
static HHOOK CreationHook;

static HPEN WINAPI CountingCreatePen(int style, int width, COLORREF colour)
{
    HPEN pen = RealCreatePen(style, width, colour);
    if (pen) {
        LivePens++;
        PensCreated++;
    }
    return pen;
}

static BOOL WINAPI CountingDeleteObject(HGDIOBJ object)
{
    const bool pen = GetObjectType(object) == OBJ_PEN;
    BOOL deleted = RealDeleteObject(object);
    if (deleted && pen)
        LivePens--;
    return deleted;
}

// Points the program's import of FUNCTION from DLL at REPLACEMENT and
// returns what the slot held, or NULL when the program does not import it.
static void *PatchImport(const char *dll, const char *function, void *replacement)
{
    BYTE *base = (BYTE *)GetModuleHandleA(NULL);
    const IMAGE_NT_HEADERS *nt = (const IMAGE_NT_HEADERS *)(base + ((const IMAGE_DOS_HEADER *)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (const IMAGE_IMPORT_DESCRIPTOR *entry = (const IMAGE_IMPORT_DESCRIPTOR *)(base + imports.VirtualAddress);
         entry->Name; entry++) {
        if (lstrcmpiA((const char *)(base + entry->Name), dll) != 0 || !entry->OriginalFirstThunk)
            continue;
        const IMAGE_THUNK_DATA *names = (const IMAGE_THUNK_DATA *)(base + entry->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + entry->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const IMAGE_IMPORT_BY_NAME *byName = (const IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            if (strcmp((const char *)byName->Name, function) != 0)
                continue;
            DWORD protection;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            void *original = (void *)slots->u1.Function;
            slots->u1.Function = (ULONG_PTR)replacement;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return original;
        }
    }
    return NULL;
}

static LRESULT AnswerProbe(WPARAM query)
{
    switch (query) {
    case ProbeLivePens:
        return LivePens;
    case ProbePensCreated:
        return PensCreated;
    case ProbePrivateKiB: {
        PROCESS_MEMORY_COUNTERS counters;
        counters.cb = sizeof counters;
        if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
            return -1;
        return (LRESULT)(counters.PagefileUsage / 1024);
    }
    case ProbeGdiObjects:
        return (LRESULT)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    }
    return -1;
}

static LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == ProbeMessage)
        return AnswerProbe(wParam);
    return CallWindowProcA(ProgramWindowProc, window, message, wParam, lParam);
}

static LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && !ProgramWindowProc) {
        HWND window = (HWND)wParam;
        char name[16];
        if (GetClassNameA(window, name, sizeof name) && strcmp(name, "hobrin") == 0)
            ProgramWindowProc = (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)ProbeWindowProc);
    }
    return CallNextHookEx(CreationHook, code, wParam, lParam);
}

static bool InstallProbe()
{
    RealCreatePen = (CreatePenCall)PatchImport("gdi32.dll", "CreatePen", (void *)CountingCreatePen);
    RealDeleteObject = (DeleteObjectCall)PatchImport("gdi32.dll", "DeleteObject", (void *)CountingDeleteObject);
    CreationHook = SetWindowsHookExA(WH_CBT, WatchCreation, NULL, GetCurrentThreadId());
    if (!RealCreatePen || !RealDeleteObject || !CreationHook) {
        fprintf(stderr, "brisqual-probe: cannot install the probe\n");
        ExitProcess(3);
    }
    return true;
}

static const bool ProbeInstalled = InstallProbe();
