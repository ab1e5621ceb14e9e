// The program as a whole: its main window and icon, and how it ends. The
// endings run in a child process (this test program started again) that
// goes through the program's own event loop and reports its exit status.
#include "render/client_area.h"
#include "shell/qt/about_dialog.h"
#include "shell/qt/icon.h"
#include "shell/qt/main_window.h"
#include "shell/qt/plot_widget.h"
#include "tests/qt/qt_test_support.h"

#include <QMenuBar>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <stdio.h>
#include <string.h>

static MainWindow *TheMainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (MainWindow *main = qobject_cast<MainWindow *>(w))
            return main;
    }
    return nullptr;
}

static void Say(const char *what)
{
    fputs(what, stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

// Runs the program with a scripted session; exit status 3 if it never ends.
static int RunChild(const QString &scenario)
{
    int argc = 1;
    char name[] = "brisqual-qt";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QTimer::singleShot(15000, [] {
        Say("still running");
        QCoreApplication::exit(3);
    });
    QTimer::singleShot(0, [scenario] {
        MainWindow *main = TheMainWindow();
        if (!main) {
            Say("no main window");
            QCoreApplication::exit(4);
            return;
        }
        QWindow *window = main->windowHandle();
        const QPoint client = main->Plot()->mapTo(main, QPoint(0, 0));
        if (scenario == QLatin1String("esc")) {
            // During a drag, after other keys that must not end it.
            QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, client + QPoint(200, 300));
            QTest::mouseMove(window, client + QPoint(200, 320));
            for (Qt::Key key : {Qt::Key_A, Qt::Key_Return, Qt::Key_Space, Qt::Key_Q, Qt::Key_F10})
                QTest::keyClick(window, key);
            QTest::keyClick(window, Qt::Key_F4, Qt::AltModifier);
            QTimer::singleShot(100, [window] {
                Say("alive after other keys");
                QTest::keyClick(window, Qt::Key_Escape);
            });
        } else if (scenario == QLatin1String("close")) {
            main->close();
        } else if (scenario == QLatin1String("esc-in-dialog")) {
            // Esc to the open About dialog ends neither it nor the program.
            QTimer *poll = new QTimer(main);
            QObject::connect(poll, &QTimer::timeout, [poll, window] {
                AboutDialog *dialog = qobject_cast<AboutDialog *>(QApplication::activeModalWidget());
                if (!dialog || !dialog->isVisible())
                    return;
                poll->stop();
                QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape);
                QTimer::singleShot(100, [dialog, window] {
                    if (dialog->isVisible())
                        Say("dialog open after Esc");
                    QTest::keyClick(dialog->windowHandle(), Qt::Key_Return);
                    QTimer::singleShot(100, [window] { QTest::keyClick(window, Qt::Key_Escape); });
                });
            });
            poll->start(10);
            main->AboutCommand()->trigger();
        } else {
            Say("unknown scenario");
            QCoreApplication::exit(5);
        }
    });
    return RunBrisqual();
}

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    void mainWindowHasTheWindowsProgramsCaptionAndClientArea()
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("BRISQUAL"));
        QCOMPARE(window.Plot()->size(), QSize(ClientWidth, ClientHeight));
        // The client area is what lies under the menu bar.
        QCOMPARE(window.Plot()->mapTo(&window, QPoint(0, 0)), QPoint(0, window.menuBar()->height()));
        QVERIFY(window.Plot()->hasMouseTracking());
    }

    // The pixels are read from resources/icon.txt at build time.
    void windowIconIsTheTextPicture()
    {
        MainWindow window;
        const QImage icon = window.windowIcon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(icon.size(), QSize(BrisqualIconSize, BrisqualIconSize));
        for (int y = 0; y < BrisqualIconSize; y++) {
            for (int x = 0; x < BrisqualIconSize; x++) {
                const QRgb wanted = 0xFF000000u | BrisqualIconPixels[y * BrisqualIconSize + x];
                if (icon.pixel(x, y) != wanted)
                    QFAIL(qPrintable(QStringLiteral("icon pixel (%1, %2) is %3, the picture has %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(icon.pixel(x, y) & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                                         .arg(wanted & 0xFFFFFF, 6, 16, QLatin1Char('0'))));
            }
        }
    }

    void programEndsWithStatusZero_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("said");
        QTest::newRow("Esc during a drag, not other keys")
            << QStringLiteral("esc") << QStringLiteral("alive after other keys");
        QTest::newRow("closing the window") << QStringLiteral("close") << QString();
        QTest::newRow("Esc once the About dialog is closed")
            << QStringLiteral("esc-in-dialog") << QStringLiteral("dialog open after Esc");
    }
    void programEndsWithStatusZero()
    {
        QFETCH(QString, scenario);
        QFETCH(QString, said);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--run-program"), scenario});
        QVERIFY2(child.waitForStarted(10000), qPrintable(child.errorString()));
        QVERIFY2(child.waitForFinished(30000), "the program did not end");
        const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QVERIFY2(child.exitCode() == 0,
                 qPrintable(QStringLiteral("exit status %1; it said: %2").arg(child.exitCode()).arg(output)));
        if (!said.isEmpty())
            QVERIFY2(output.contains(said), qPrintable(QStringLiteral("it said: ") + output));
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && strcmp(argv[1], "--run-program") == 0)
        return RunChild(QString::fromLocal8Bit(argv[2]));
    QApplication app(argc, argv);
    ProgramTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "program_test.moc"
