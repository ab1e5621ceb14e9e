// The modal About dialog opened from the menu bar.
#pragma once

#include <windows.h>

void OpenAboutDialog(HINSTANCE instance, HWND owner);
