// brisqual-qt: the program on Linux, in a Qt window. Like the Windows
// program it takes no arguments of its own and ends with status 0.
#include "shell/qt/main_window.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    return RunBrisqual();
}
