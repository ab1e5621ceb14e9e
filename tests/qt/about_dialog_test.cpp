// The menu command and the About dialog: the dialog's controls, texts and
// layout against the Windows resource script and against a capture of the
// Windows program's dialog under Wine; how it opens and what closes it.
#include "shell/qt/about_dialog.h"
#include "shell/qt/about_template.h"
#include "shell/qt/classic_controls.h"
#include "shell/qt/main_window.h"
#include "tests/qt/qt_test_support.h"

#include <QFontInfo>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

namespace {
// Wine's own bitmap face, which the Windows program's dialog is drawn with;
// without fonts-wine the dialog takes a substitute and cannot match.
bool DialogFontIsWinesSansSerif(const QFont &font)
{
    return QFontInfo(font).family() == QLatin1String("MS Sans Serif");
}
const char NoWineFont[] = "Wine's MS Sans Serif (fonts-wine) is not installed";

QStringList LinesOf(const ClassicStatic *control)
{
    QStringList lines;
    const TextMeasure measure(control->font());
    for (const TextLine &line :
         BreakLines(control->text(), measure, control->width(), control->kind() == ClassicStatic::CentredText))
        lines << control->text().mid(line.start, line.length);
    return lines;
}

ClassicStatic *StaticWithText(const AboutDialog &dialog, const QString &start)
{
    for (ClassicStatic *s : dialog.findChildren<ClassicStatic *>()) {
        if (s->text().startsWith(start))
            return s;
    }
    return nullptr;
}
}

class AboutDialogTest : public QObject {
    Q_OBJECT

private slots:
    void menuCommandSitsDirectlyOnTheBarWithItsExactText()
    {
        MainWindow window;
        const QList<QAction *> actions = window.menuBar()->actions();
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions[0]->text(), QStringLiteral("   QUIEN  ..Y COMO ...."));
        QVERIFY(actions[0]->menu() == nullptr);   // a command, not a pop-up
        QVERIFY(actions[0]->isEnabled());
        QVERIFY(!actions[0]->isCheckable());
    }

    void menuCommandOpensTheModalDialogThatOnlyItsButtonCloses_data()
    {
        QTest::addColumn<QString>("closeBy");
        QTest::newRow("Enter") << QStringLiteral("return");
        QTest::newRow("Enter on the keypad") << QStringLiteral("enter");
        QTest::newRow("the button") << QStringLiteral("button");
    }
    void menuCommandOpensTheModalDialogThatOnlyItsButtonCloses()
    {
        QFETCH(QString, closeBy);
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // The dialog runs its own loop, so it is examined from a timer.
        QString failure;
        bool examined = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            AboutDialog *dialog = qobject_cast<AboutDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            poll.stop();
            examined = true;
            if (dialog->windowTitle() != QLatin1String("Acerca de..."))
                failure += QStringLiteral("title is '%1'; ").arg(dialog->windowTitle());
            if (dialog->parentWidget() != &window)
                failure += QStringLiteral("not owned by the main window; ");
            QTest::keyClick(dialog, Qt::Key_Escape);
            QTest::qWait(20);
            if (!dialog->isVisible())
                failure += QStringLiteral("Esc closed it; ");
            if (dialog->close() || !dialog->isVisible())
                failure += QStringLiteral("a close request closed it; ");
            if (closeBy == QLatin1String("return"))
                QTest::keyClick(dialog, Qt::Key_Return);
            else if (closeBy == QLatin1String("enter"))
                QTest::keyClick(dialog, Qt::Key_Enter);
            else
                QTest::mouseClick(dialog->Button(), Qt::LeftButton);
            QTest::qWait(20);
            if (dialog->isVisible()) {
                failure += QStringLiteral("%1 did not close it; ").arg(closeBy);
                dialog->done(0);   // so that the test can go on
            }
        });
        poll.start(10);

        QMenuBar *bar = window.menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(window.AboutCommand()).center());
        QTRY_VERIFY2(examined, "the menu command opened no modal About dialog");
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void dialogHasACaptionButNoCloseBox()
    {
        AboutDialog dialog(nullptr);
        const Qt::WindowFlags flags = dialog.windowFlags();
        QVERIFY(flags & Qt::WindowTitleHint);
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(!(flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowSystemMenuHint));
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(dialog.isModal());
    }

    // The template is read from the resource script at build time.
    void controlsFollowTheResourceScript()
    {
        const DialogTemplate &t = AboutTemplate;
        AboutDialog dialog(nullptr);
        const DialogBaseUnits base = dialog.BaseUnits();
        const DialogBaseUnits fromTemplateFont = BaseUnitsOf(DialogFont(QString::fromLatin1(t.face), t.points));
        QCOMPARE(base.x, fromTemplateFont.x);
        QCOMPARE(base.y, fromTemplateFont.y);
        QCOMPARE(dialog.windowTitle(), QString::fromLatin1(t.caption));

        const QList<QWidget *> widgets = dialog.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(widgets.size(), t.count);
        for (int i = 0; i < t.count; i++) {
            const TemplateControl &c = t.controls[i];
            const QString where = QStringLiteral("control %1 at %2,%3").arg(i).arg(c.rect.x).arg(c.rect.y);
            // Later controls are made first, so that the first is on top.
            QWidget *widget = widgets[t.count - 1 - i];
            ClassicStatic *control = qobject_cast<ClassicStatic *>(widget);
            if (c.kind == ControlKind::IconControl) {
                QVERIFY2(control && control->kind() == ClassicStatic::SunkenIcon, qPrintable(where));
                continue;
            }
            QCOMPARE(widget->property("text").toString(), QString::fromLatin1(c.text));
            switch (c.kind) {
            case ControlKind::DefaultButton: {
                QPushButton *button = qobject_cast<QPushButton *>(widget);
                QVERIFY2(button && button->isDefault() && button == dialog.Button(), qPrintable(where));
                break;
            }
            case ControlKind::GroupBox:
                QVERIFY2(qobject_cast<ClassicGroupBox *>(widget), qPrintable(where));
                break;
            case ControlKind::BlackFrame:
                QVERIFY2(control && control->kind() == ClassicStatic::SunkenBlackFrame, qPrintable(where));
                break;
            case ControlKind::CentredText:
                QVERIFY2(control && control->kind() == ClassicStatic::CentredText, qPrintable(where));
                break;
            default:
                QVERIFY2(control && control->kind() == ClassicStatic::LeftText, qPrintable(where));
            }
        }
    }

    // Where Wine's dialog manager puts the Windows program's dialog and its
    // controls, in template order: GetWindowRect of each, in the dialog's
    // client pixels, with the base units of Wine's MS Sans Serif.
    void controlsSitWhereTheWindowsDialogPutsThem()
    {
        AboutDialog dialog(nullptr);
        if (!DialogFontIsWinesSansSerif(dialog.font()))
            QSKIP(NoWineFont);
        const QRect measured[] = {{12, 177, 81, 62}, {8, 5, 257, 57},   {113, 182, 221, 55}, {107, 172, 239, 70},
                                  {290, 16, 32, 32}, {12, 11, 245, 46}, {0, 67, 374, 98},    {8, 91, 353, 70}};
        const QList<QWidget *> widgets = dialog.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(widgets.size(), 8);
        for (int i = 0; i < 8; i++)
            QCOMPARE(widgets[7 - i]->geometry(), measured[i]);
        // The client area's corner from the owner's (20, 20 in dialog units).
        QCOMPARE(AboutDialog::TemplatePosition(dialog.BaseUnits()), QPoint(30, 33));
    }

    // Win32's MulDiv rounds half away from zero; the dialog units meet
    // halves (20 * 13 / 8 = 32.5, 249 * 6 / 4 = 373.5).
    void mulDivRoundsAsWin32Does()
    {
        const struct {
            int number, numerator, denominator, result;
        } cases[] = {{20, 13, 8, 33}, {-20, 13, 8, -33}, {20, -13, 8, -33}, {249, 6, 4, 374}, {109, 13, 8, 177},
                     {38, 13, 8, 62}, {7, 96, 72, 9},    {5, 3, 0, -1},     {-7, 3, -2, 11},  {0x7FFFFFFF, 2, 1, -1}};
        for (const auto &c : cases)
            QCOMPARE(MulDiv(c.number, c.numerator, c.denominator), c.result);
    }

    // Wine draws "MS Sans Serif" 7 pt from the face's smallest strike, 13
    // pixels high: base units 6 x 13 (MapDialogRect), client 380 x 255.
    void dialogFontGivesTheWindowsProgramsBaseUnits()
    {
        AboutDialog dialog(nullptr);
        if (!DialogFontIsWinesSansSerif(dialog.font()))
            QSKIP(NoWineFont);
        QCOMPARE(dialog.BaseUnits().x, 6);
        QCOMPARE(dialog.BaseUnits().y, 13);
        QCOMPARE(dialog.size(), QSize(380, 255));
        // GetTextMetrics and GetTextExtentPoint32 of the dialog font under Wine.
        const QFontMetrics metrics(dialog.font());
        QCOMPARE(metrics.height(), 13);
        QCOMPARE(metrics.ascent(), 11);
        const TextMeasure measure(dialog.font());
        QCOMPARE(measure.Extent(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")), 323);
        QCOMPARE(measure.Extent(QStringLiteral("LISTO CHE !!!!")), 71);
    }

    // The strike Wine's GDI selects for each LOGFONT height from -25 to 25,
    // as measured (GetTextMetrics of CreateFont "MS Sans Serif").
    void strikeIsTheOneWinePicksForEachHeight()
    {
        static const struct {
            int from, to, strike;
        } measured[] = {{-25, -16, 20}, {-15, -13, 16}, {-12, 15, 13}, {16, 19, 16}, {20, 25, 20}};
        for (const auto &range : measured) {
            for (int height = range.from; height <= range.to; height++) {
                QVERIFY2(SansSerifStrikeHeight(height) == range.strike,
                         qPrintable(QStringLiteral("height %1 gives the %2-pixel strike, Wine the %3-pixel one")
                                        .arg(height)
                                        .arg(SansSerifStrikeHeight(height))
                                        .arg(range.strike)));
            }
        }
        // A size is never drawn from another strike: Qt reaches only the
        // smallest, so a larger one takes the substitute.
        const QFont large = DialogFont(QStringLiteral("MS Sans Serif"), 10);
        if (DialogFontIsWinesSansSerif(large))
            QCOMPARE(QFontMetrics(large).height(), 16);
        QCOMPARE(QFontInfo(DialogFont(QStringLiteral("ms sans serif"), 7)).family(),
                 QFontInfo(DialogFont(QStringLiteral("MS Sans Serif"), 7)).family());
    }

    void textsBreakIntoTheWindowsDialogsLines()
    {
        AboutDialog dialog(nullptr);
        if (!DialogFontIsWinesSansSerif(dialog.font()))
            QSKIP(NoWineFont);
        // As the Windows program shows them (a word goes on a line only with
        // the space after it).
        const ClassicStatic *usage = StaticWithText(dialog, QStringLiteral("   2-TOCANDO"));
        QVERIFY(usage);
        QCOMPARE(LinesOf(usage),
                 QStringList({QStringLiteral("   2-TOCANDO LA CURVA CON EL PUNTERO-CURSOR DEL MOUSE Y "),
                              QStringLiteral("OPRIMIENDO EL BOTON IZQUIERDO, SE LA DEFORMA AD - "),
                              QStringLiteral("LIBITUM.  CON LOS BOTONES RESPECTIVOS SE ELIGE EL TIPO DE "),
                              QStringLiteral("DEFORMACION Y CON LA BARRA SE DESPLAZA HASTA LA "),
                              QStringLiteral("PROPORCION CONVENIENTE.")}));
        const ClassicStatic *credit = StaticWithText(dialog, QStringLiteral("TEOREMA"));
        QVERIFY(credit);
        QCOMPARE(
            LinesOf(credit),
            QStringList({QStringLiteral("TEOREMA DEL VALOR MEDIO PARA "),
                         QStringLiteral("INTEGRALES - PROGRAMA DIDACTICO "), QStringLiteral("BRISQUAL, v1.0     ")}));
        const ClassicStatic *notice = StaticWithText(dialog, QStringLiteral("LA CURVA ROJA"));
        QVERIFY(notice);
        const QStringList noticeLines = LinesOf(notice);
        QCOMPARE(noticeLines,
                 QStringList({QStringLiteral("LA CURVA ROJA ES LA FUNCION, LA"),
                              QStringLiteral("AMARILLA SU INTEGRAL Y LA VERDE SU"),
                              QStringLiteral("VALOR MEDIO. ARRASTRELA CON EL"),
                              QStringLiteral("BOTON IZQUIERDO.  ESC TERMINA.")}));
        // Where the Windows program starts each centred line.
        const TextMeasure measure(notice->font());
        QList<int> starts;
        for (const QString &line : noticeLines)
            starts << CentredX(0, notice->width(), measure.Extent(line));
        QCOMPARE(starts, QList<int>({17, 4, 13, 17}));
    }

    // Under Wine the focus rectangle's dots fall on the pixels whose x + y is
    // odd in the dialog, wherever the button sits: at an odd offset in the
    // dialog as it is now, at an even one in its smaller, substitute-font form.
    void focusRectangleKeepsTheDialogsCheckerboard_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::newRow("odd offset") << QPoint(12, 177);
        QTest::newRow("even offset") << QPoint(10, 136);
    }
    void focusRectangleKeepsTheDialogsCheckerboard()
    {
        QFETCH(QPoint, at);
        QWidget dialog;
        dialog.resize(120, 260);
        QPalette colours = dialog.palette();
        colours.setColor(QPalette::Window, QColor(SystemColour::ButtonFace));
        dialog.setPalette(colours);
        dialog.setAutoFillBackground(true);
        ClassicPushButton *button = new ClassicPushButton(QStringLiteral("OK"), &dialog);
        button->setDefault(true);
        button->setGeometry(QRect(at, QSize(81, 62)));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        button->setFocus();
        QTRY_VERIFY(button->hasFocus());
        const QImage shown = dialog.grab().toImage();
        // Inside the default frame and the two-pixel edge, on the button face.
        const QRect focus = button->geometry().adjusted(3, 3, -3, -3);
        const QRgb dot = SystemColour::ButtonFace ^ 0xFFFFFF;
        QString wrong;
        for (int x = focus.left(); x <= focus.right(); x++) {
            for (int y = focus.top(); y <= focus.bottom(); y++) {
                const bool edge = x == focus.left() || x == focus.right() || y == focus.top() || y == focus.bottom();
                if (!edge)
                    continue;
                const bool dotted = (shown.pixel(x, y) & 0xFFFFFF) == (dot & 0xFFFFFF);
                if (dotted != (((x + y) & 1) == 1) && wrong.isEmpty())
                    wrong = QStringLiteral("(%1, %2) is %3").arg(x).arg(y).arg(dotted ? "dotted" : "not dotted");
            }
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    // Rules of DrawText's word breaking, as Wine's DrawText measured them.
    void wordBreaksFollowDrawText()
    {
        const TextMeasure measure(DialogFont(QStringLiteral("MS Sans Serif"), 7));
        auto lines = [&](const QString &text, int width, bool centred) {
            QStringList out;
            for (const TextLine &line : BreakLines(text, measure, width, centred))
                out << text.mid(line.start, line.length);
            return out;
        };
        // Words of one width, so that the widths below fall alike for every
        // line whatever the font's advances.
        const QString text = QStringLiteral("AB AB AB AB");
        const int word = measure.Extent(QStringLiteral("AB AB"));
        const int withSpace = measure.Extent(QStringLiteral("AB AB "));
        QCOMPARE(lines(text, word, false), QStringList({"AB ", "AB ", "AB AB"}));
        QCOMPARE(lines(text, withSpace - 1, false), QStringList({"AB ", "AB ", "AB AB"}));
        QCOMPARE(lines(text, withSpace, false), QStringList({"AB AB ", "AB AB"}));
        QCOMPARE(lines(text, withSpace, true), QStringList({"AB AB", "AB AB"}));
        QCOMPARE(lines(text, 10000, true), QStringList({text}));
        // A word wider than the line stays whole; so does one with no room at all.
        QCOMPARE(lines(QStringLiteral("ABCDEFGHIJ KL"), 20, false), QStringList({"ABCDEFGHIJ", "KL"}));
        QCOMPARE(lines(QStringLiteral("AB CDEFGHIJKLMNOP QR"), 30, false),
                 QStringList({"AB ", "CDEFGHIJKLMNOP", "QR"}));
        QCOMPARE(lines(QStringLiteral("AB"), 0, false), QStringList({"AB"}));
        // A left-aligned line keeps the space it breaks at and drops the next;
        // any further space starts the next line (three lines, as in Wine).
        QCOMPARE(lines(QStringLiteral("AB  CD  EF"), measure.Extent(QStringLiteral("AB ")), false),
                 QStringList({"AB ", "CD", " EF"}));
    }

    void dialogLooksLikeTheWindowsProgramsDialog()
    {
        AboutDialog dialog(nullptr);
        if (!DialogFontIsWinesSansSerif(dialog.font()))
            QSKIP(NoWineFont);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTRY_VERIFY(dialog.Button()->hasFocus());   // the Windows dialog shows its focus rectangle
        const QImage shown = dialog.grab().toImage();
        const QImage windows(QStringLiteral(BRISQUAL_SOURCE_DIR "/tests/data/golden/about-dialog-wine.png"));
        QVERIFY(!windows.isNull());
        const QString difference = DescribeDifference(windows, shown);
        if (!difference.isEmpty())
            shown.save(QDir::temp().filePath(QStringLiteral("brisqual-qt-about.png")));
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("not the Windows dialog: ") + difference));
    }
};

QTEST_MAIN(AboutDialogTest)
#include "about_dialog_test.moc"
