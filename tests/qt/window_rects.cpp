// Reports where Wine puts a top-level window of brisqual.exe, for
// capture-wine-dialog.sh: its client area and, for a window with a menu,
// the menu bar's line just above it, in screen pixels. Built and run under Wine by that script only.
#include <windows.h>
#include <stdio.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: window_rects.exe TITLE\n");
        return 2;
    }
    HWND window = FindWindowA(NULL, argv[1]);
    if (!window || !IsWindowVisible(window)) {
        fprintf(stderr, "window_rects: no visible window titled '%s'\n", argv[1]);
        return 1;
    }
    POINT origin = {0, 0};
    RECT client;
    ClientToScreen(window, &origin);
    GetClientRect(window, &client);
    printf("client %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);
    // Menu handles do not cross processes under Wine, so the bar is told by
    // its height alone.
    if (GetMenu(window)) {
        const int bar = GetSystemMetrics(SM_CYMENU);
        printf("menubar %ld %ld %ld %d\n", origin.x, origin.y - bar, client.right, bar);
    }
    fflush(stdout);
    return 0;
}
