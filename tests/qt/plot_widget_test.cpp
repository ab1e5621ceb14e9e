// The Qt client area against the replay tool: the same mouse events must
// leave the curve and drag exactly as the replay tool leaves them and paint
// the same pixels, and input the Windows program never sees (other buttons,
// keys, a release or moves away from the client area) must change nothing.
#include "shell/qt/plot_widget.h"
#include "tests/harness/fresh_model.h"
#include "tests/qt/qt_test_support.h"

#include <QEvent>
#include <QTest>

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            paints++;
        return false;
    }
};

class PlotWidgetTest : public QObject {
    Q_OBJECT

private:
    // A fresh client area of the Windows program's size, shown (offscreen).
    bool Open(PlotWidget &plot, int width = ClientWidth, int height = ClientHeight)
    {
        StartFresh();
        plot.resize(width, height);
        plot.show();
        return QTest::qWaitForWindowExposed(&plot);
    }

    void CompareStateWithReplay(const QString &events, const QByteArray &script)
    {
        PlotWidget plot;
        QVERIFY(Open(plot));
        QString error;
        QVERIFY2(PlayEvents(plot.windowHandle(), events, &error), qPrintable(error));
        QByteArray json;
        QVERIFY2(RunReplay({QStringLiteral("--state")}, script, &json, &error), qPrintable(error));
        ModelSnapshot expected;
        QVERIFY2(SnapshotFromJson(json, &expected, &error), qPrintable(error));
        const QString difference = DescribeDifference(expected, SnapshotOfModel());
        ReleaseHeldButtons(plot.windowHandle());
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    void ComparePictureWithReplay(const QString &events, const QByteArray &script, QSize size)
    {
        PlotWidget plot;
        QVERIFY(Open(plot, size.width(), size.height()));
        QString error;
        QVERIFY2(PlayEvents(plot.windowHandle(), events, &error), qPrintable(error));
        const QImage shown = plot.grab().toImage();
        ReleaseHeldButtons(plot.windowHandle());

        QTemporaryDir directory;
        QVERIFY(directory.isValid());
        const QString png = directory.filePath(QStringLiteral("replay.png"));
        const QString sizeArgument = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        QVERIFY2(
            RunReplay({QStringLiteral("--png"), png, QStringLiteral("--size"), sizeArgument}, script, nullptr, &error),
            qPrintable(error));
        const QImage expected(png);
        QVERIFY2(!expected.isNull(), "the replay tool's PNG cannot be read");
        const QString difference = DescribeDifference(expected, shown);
        if (!difference.isEmpty())
            shown.save(QDir::temp().filePath(QStringLiteral("brisqual-qt-%1.png").arg(QTest::currentDataTag())));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }

    // Events the Windows program receives in the same way; the replay
    // script is the same text. The start's picture is checked on a real
    // display by the end-to-end run.
    static void SharedScripts()
    {
        QTest::addColumn<QString>("events");
        QTest::newRow("drag (200,300) to (200,310)") << QStringLiteral("down 200 300\nmove 200 310\nup 200 310");
        QTest::newRow("drag at the left end") << QStringLiteral("down 0 250\nmove 0 200\nmove 1 180\nup 1 180");
        QTest::newRow("drag at the right end, x 601") << QStringLiteral("down 601 250\nmove 601 330\nup 601 330");
        QTest::newRow("press at x 1 grabs sample 0") << QStringLiteral("down 1 300\nmove 1 320");
        QTest::newRow("plateau far off the top") << QStringLiteral(
            "down 300 500\nmove 300 0\nup 300 0\ndown 300 503\nmove 300 0\nup 300 0\n"
            "down 300 503\nmove 300 0\nup 300 0");
        QTest::newRow("moves without a press") << QStringLiteral("move 100 100\nmove 200 300\nmove 250 10");
    }

private slots:
    void dragsLeaveTheModelAsTheReplayToolDoes_data() { SharedScripts(); }
    void dragsLeaveTheModelAsTheReplayToolDoes()
    {
        QFETCH(QString, events);
        CompareStateWithReplay(events, events.toLatin1());
    }

    void dragsPaintTheReplayToolsPicture_data() { SharedScripts(); }
    void dragsPaintTheReplayToolsPicture()
    {
        QFETCH(QString, events);
        ComparePictureWithReplay(events, events.toLatin1(), QSize(ClientWidth, ClientHeight));
    }

    // Qt delivers these; the Windows program does not see them, or ignores
    // them, so the replay script leaves them out.
    void inputTheWindowsProgramDoesNotSeeIsIgnored_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("script");
        QTest::newRow("right-button drag") << QStringLiteral("rdown 200 300\nmove 200 340\nrup 200 340") << QString();
        QTest::newRow("middle button") << QStringLiteral("mdown 150 250\nmove 150 200\nmup 150 200") << QString();
        QTest::newRow("right button during a drag")
            << QStringLiteral("down 200 300\nrdown 200 300\nmove 200 330\nrup 200 330\nmove 200 340\nup 200 340")
            << QStringLiteral("down 200 300\nmove 200 330\nmove 200 340\nup 200 340");
        QTest::newRow("keys other than Esc")
            << QStringLiteral(
                   "down 200 300\nmove 200 310\nkey A\nkey Return\nkey Space\nkey F1\nkey Ctrl+Q\nmove 200 320")
            << QStringLiteral("down 200 300\nmove 200 310\nmove 200 320");
        // Qt grabs the pointer on a press; the Windows program does not.
        QTest::newRow("release outside is not seen")
            << QStringLiteral("down 200 300\nmove 200 310\nup 700 310\nmove 200 330\nmove 210 320")
            << QStringLiteral("down 200 300\nmove 200 310\nmove 200 330\nmove 210 320");
        QTest::newRow("moves outside with the button held are not seen")
            << QStringLiteral("down 200 300\nmove 200 310\nmove 200 600\nmove 200 -20\nmove -5 250")
            << QStringLiteral("down 200 300\nmove 200 310");
        // A second press with no release seen re-anchors the drag; the pointer's
        // way back in to the press is a move that still steps the old drag.
        QTest::newRow("press after a release outside re-anchors")
            << QStringLiteral("down 200 300\nmove 200 310\nup 650 310\ndown 400 300\nmove 400 260\nup 400 260")
            << QStringLiteral("down 200 300\nmove 200 310\nmove 400 300\ndown 400 300\nmove 400 260\nup 400 260");
        QTest::newRow("double click ends released, as two clicks do")
            << QStringLiteral("dclick 100 200\nmove 100 240")
            << QStringLiteral("down 100 200\nup 100 200\ndown 100 200\nup 100 200");
    }
    void inputTheWindowsProgramDoesNotSeeIsIgnored()
    {
        QFETCH(QString, events);
        QFETCH(QString, script);
        CompareStateWithReplay(events, script.toLatin1());
    }

    void pictureStaysAtFixedPixelsWhenResized_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("larger") << QSize(760, 640);
        QTest::newRow("smaller") << QSize(300, 200);
    }
    void pictureStaysAtFixedPixelsWhenResized()
    {
        QFETCH(QSize, size);
        const QString events = QStringLiteral("down 200 300\nmove 200 280\nup 200 280");
        ComparePictureWithReplay(events, events.toLatin1(), size);
    }

    void repaintsAfterEachDragStepAndOnlyThen()
    {
        PlotWidget plot;
        QVERIFY(Open(plot));
        PaintCounter counter;
        plot.installEventFilter(&counter);
        QString error;

        QVERIFY2(PlayEvents(plot.windowHandle(), QStringLiteral("move 100 100\nmove 120 140"), &error),
                 qPrintable(error));
        QTest::qWait(50);
        QCOMPARE(counter.paints, 0);   // no drag: nothing to repaint

        QVERIFY2(PlayEvents(plot.windowHandle(), QStringLiteral("down 200 300\nmove 200 310"), &error),
                 qPrintable(error));
        QTRY_COMPARE(counter.paints, 1);
        QVERIFY2(PlayEvents(plot.windowHandle(), QStringLiteral("move 200 320"), &error), qPrintable(error));
        QTRY_COMPARE(counter.paints, 2);
        QVERIFY2(PlayEvents(plot.windowHandle(), QStringLiteral("up 200 320"), &error), qPrintable(error));
        QTest::qWait(50);
        QCOMPARE(counter.paints, 2);   // a release changes nothing on screen
    }
};

QTEST_MAIN(PlotWidgetTest)
#include "plot_widget_test.moc"
