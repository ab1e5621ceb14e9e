// The main window: the plot as its client area, the one-command menu bar,
// and Esc, which ends the program.
#include "shell/qt/main_window.h"

#include "render/client_area.h"
#include "shell/main_window_frame.h"
#include "shell/qt/about_dialog.h"
#include "shell/qt/about_template.h"
#include "shell/qt/icon.h"
#include "shell/qt/plot_widget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPixmap>

MainWindow::MainWindow()
{
    setWindowTitle(QString::fromLatin1(MainWindowCaption));
    setWindowIcon(QIcon(QPixmap::fromImage(BrisqualIconImage())));

    plot_ = new PlotWidget(this);
    setCentralWidget(plot_);
    // A command directly on the bar, no pop-up. It runs once the menu bar
    // has finished with the click, as WM_COMMAND arrives after the menu loop.
    menuBar()->setNativeMenuBar(false);   // a global menu would take the bar out of the window
    about_ = menuBar()->addAction(QString::fromLatin1(AboutCommandText));
    connect(about_, &QAction::triggered, this, &MainWindow::OpenAbout, Qt::QueuedConnection);

    move(MainWindowX, MainWindowY);
    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    plot_->setFocus();
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    // Esc, whatever else is held (the character 27, which Ctrl+[ also gives),
    // ends the program at once without closing the window first; a drag in
    // progress is simply dropped. Other keys do nothing.
    if (event->key() == Qt::Key_Escape || event->text() == QString(QChar(EscapeCharacter)))
        QCoreApplication::exit(0);
    event->accept();
}

void MainWindow::OpenAbout()
{
    OpenAboutDialog(this, plot_);
}

int RunBrisqual()
{
    MainWindow window;
    window.show();
    return QApplication::exec();
}
