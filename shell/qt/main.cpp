// brisqual-qt: the program on Linux, in a Qt window. Like the Windows
// program it takes no arguments of its own and ends with status 0; --help
// and --version answer as command-line programs do, with or without a
// display.
#include "shell/qt/main_window.h"

#include <QApplication>
#include <errno.h>
#include <stdio.h>
#include <string.h>

static const char Usage[] =
    "usage: brisqual-qt [QT-OPTIONS]\n"
    "       brisqual-qt --help | --version\n"
    "\n"
    "Opens the Brisqual window: drag the red curve up or down with the left\n"
    "mouse button and watch its running integral (yellow) and mean level\n"
    "(green) follow. Esc ends the program.\n"
    "\n"
    "  -h, --help   print this and exit\n"
    "  --version    print the version and exit\n"
    "\n"
    "Qt's own options, such as -platform NAME, are accepted.\n";

static int Print(const char *text)
{
    if (fputs(text, stdout) >= 0 && fflush(stdout) == 0)
        return 0;
    fprintf(stderr, "brisqual-qt: cannot write standard output: %s\n", strerror(errno));
    return 1;
}

int main(int argc, char **argv)
{
    // Answered before QApplication, which needs a display to start at all.
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0)
            return Print(Usage);
        if (strcmp(argv[i], "--version") == 0)
            return Print("brisqual-qt " BRISQUAL_VERSION "\n");
    }
    // The window's class on X11 (StartupWMClass in the desktop entry) and
    // its application id on Wayland, so that the desktop ties the window
    // to its menu entry and icon.
    QApplication::setApplicationName(QStringLiteral("brisqual-qt"));
    QApplication::setApplicationVersion(QStringLiteral(BRISQUAL_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(BRISQUAL_APP_ID));
    QApplication app(argc, argv);
    return RunBrisqual();
}
