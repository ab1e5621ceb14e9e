// The Windows program: registers the window class, creates the main window,
// runs the message loop, and routes each message to the model or painter.
#include "model/curve.h"
#include "model/drag.h"
#include "render/client_area.h"
#include "render/painter.h"
#include "resources/resource.h"
#include "shell/main_window_frame.h"
#include "shell/win32/about_dialog.h"
#include "shell/win32/gdi_surface.h"

#include <windows.h>

static HINSTANCE Instance;
static HBRUSH BackgroundBrush;   // the class background, kept for the whole run

static const char ClassName[] = "hobrin";
static const DWORD MainWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;   // 0x02CF0000

static void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    GdiSurface dc(paint.hdc);
    PaintContent(dc);
    EndPaint(window, &paint);
}

static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Pointer coordinates are unsigned 16-bit values; the pointer is never
    // captured, so only positions over the client area arrive.
    const uint16_t x = (uint16_t)(lParam & 0xFFFF);
    const uint16_t y = (uint16_t)((lParam >> 16) & 0xFFFF);

    switch (message) {
    case WM_CREATE:
        ResetCurve();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_CHAR:
        if (wParam == (WPARAM)EscapeCharacter)
            PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_ABOUT) {
            OpenAboutDialog(Instance, window);
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (ContinueDrag(y))
            InvalidateRect(window, NULL, TRUE);
        return 0;
    case WM_LBUTTONDOWN:
        BeginDrag(x, y);
        return 0;
    case WM_LBUTTONUP:
        EndDrag();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    Instance = instance;
    LOGBRUSH background;
    background.lbStyle = BS_SOLID;
    background.lbColor = BackgroundColour;
    background.lbHatch = 0;
    BackgroundBrush = CreateBrushIndirect(&background);

    WNDCLASSA windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_BRISQUAL));
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = BackgroundBrush;
    windowClass.lpszMenuName = ClassName;
    windowClass.lpszClassName = ClassName;
    RegisterClassA(&windowClass);

    HWND window = CreateWindowExA(0, ClassName, MainWindowCaption, MainWindowStyle, MainWindowX, MainWindowY,
                                  MainWindowWidth, MainWindowHeight, NULL, NULL, instance, NULL);
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
