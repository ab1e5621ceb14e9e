// The About dialog: a template from the resources and a procedure that only
// ends it on its button (or Enter). Esc is not handled, so it stays open.
#include "shell/win32/about_dialog.h"

static INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;   // the system puts the focus on the button
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void OpenAboutDialog(HINSTANCE instance, HWND owner)
{
    DialogBoxParamA(instance, "AboutBox", owner, AboutDialogProc, 0);
}
