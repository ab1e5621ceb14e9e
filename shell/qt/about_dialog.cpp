#include "shell/qt/about_dialog.h"

#include "shell/qt/classic_controls.h"
#include "shell/qt/icon.h"

#include <QCloseEvent>
#include <QKeyEvent>

// The dialog template of the Windows program (resources/brisqual.rc).
static const char Caption[] = "Acerca de...";
static const char FontFace[] = "MS Sans Serif";
static const int FontPoints = 7;
static const int TemplateX = 20, TemplateY = 20, TemplateWidth = 253, TemplateHeight = 157;

namespace {
enum ControlKind { DefaultButton, BlackFrame, LeftText, CentredText, IconControl, GroupBox };

struct TemplateControl {
    ControlKind kind;
    int x, y, width, height;   // dialog units
    const char *text;
};
}

static const TemplateControl Controls[] = {
    {DefaultButton, 8, 109, 54, 38, "LISTO CHE !!!!"},
    {BlackFrame, 5, 3, 171, 35, ""},
    {CentredText, 75, 112, 147, 34,
     "LA CURVA ROJA ES LA FUNCION, LA AMARILLA SU INTEGRAL Y LA VERDE SU VALOR MEDIO. "
     "ARRASTRELA CON EL BOTON IZQUIERDO.  ESC TERMINA."},
    {BlackFrame, 71, 106, 159, 43, ""},
    {IconControl, 193, 10, 20, 20, ""},
    {LeftText, 8, 7, 163, 28,
     "TEOREMA DEL VALOR MEDIO PARA INTEGRALES - PROGRAMA DIDACTICO BRISQUAL, v1.0     "},
    {GroupBox, 0, 41, 249, 60, ""},
    {LeftText, 5, 56, 235, 43,
     "   2-TOCANDO LA CURVA CON EL PUNTERO-CURSOR DEL MOUSE Y OPRIMIENDO EL BOTON IZQUIERDO, "
     "SE LA DEFORMA AD - LIBITUM.  CON LOS BOTONES RESPECTIVOS SE ELIGE EL TIPO DE DEFORMACION "
     "Y CON LA BARRA SE DESPLAZA HASTA LA PROPORCION CONVENIENTE."},
};

AboutDialog::AboutDialog(QWidget *owner)
    // A caption and nothing else: no close box, no system menu (as without
    // WS_SYSMENU), in a tool window's frame.
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), button_(nullptr)
{
    setWindowTitle(QString::fromLatin1(Caption));
    setModal(true);
    const QFont font = DialogFont(QString::fromLatin1(FontFace), FontPoints);
    setFont(font);
    base_ = BaseUnitsOf(font);

    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(SystemColour::ButtonFace));
    colours.setColor(QPalette::WindowText, QColor(SystemColour::ButtonText));
    setPalette(colours);
    setAutoFillBackground(true);
    setFixedSize(MulDiv(TemplateWidth, base_.x, 4), MulDiv(TemplateHeight, base_.y, 8));

    // The first control of a template is the topmost; Qt stacks later
    // siblings on top, so they are made last to first.
    const int count = (int)(sizeof Controls / sizeof Controls[0]);
    for (int i = count - 1; i >= 0; i--) {
        const TemplateControl &c = Controls[i];
        const QRect area = DialogRectToPixels(QRect(c.x, c.y, c.width, c.height), base_);
        const QString text = QString::fromLatin1(c.text);
        QWidget *control = nullptr;
        switch (c.kind) {
        case DefaultButton: {
            ClassicPushButton *button = new ClassicPushButton(text, this);
            button->setDefault(true);
            connect(button, &QPushButton::clicked, this, [this] { done(0); });
            button_ = button;
            control = button;
            break;
        }
        case BlackFrame:
            control = new ClassicStatic(ClassicStatic::SunkenBlackFrame, text, this);
            break;
        case LeftText:
            control = new ClassicStatic(ClassicStatic::LeftText, text, this);
            break;
        case CentredText:
            control = new ClassicStatic(ClassicStatic::CentredText, text, this);
            break;
        case IconControl:
            control = new ClassicStatic(ClassicStatic::SunkenIcon, text, this);
            break;
        case GroupBox:
            control = new ClassicGroupBox(this);
            break;
        }
        control->setGeometry(area);
        control->setProperty("dialogUnits", QRect(c.x, c.y, c.width, c.height));
        if (c.kind == IconControl)
            static_cast<ClassicStatic *>(control)->SetIcon(BrisqualIconImage());
    }
    button_->setFocus();   // the dialog procedure leaves the focus to the system
}

QPoint AboutDialog::TemplatePosition(DialogBaseUnits base)
{
    return DialogPointToPixels(TemplateX, TemplateY, base);
}

void AboutDialog::reject()
{
    // No cancel command is handled: Esc leaves the dialog open.
}

void AboutDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void AboutDialog::closeEvent(QCloseEvent *event)
{
    // A close request becomes a cancel command, which is not handled.
    event->ignore();
}

void OpenAboutDialog(QWidget *owner, QWidget *ownerClient)
{
    AboutDialog dialog(owner);
    dialog.move(ownerClient->mapToGlobal(QPoint(0, 0)) + AboutDialog::TemplatePosition(dialog.BaseUnits()));
    dialog.exec();   // the result is not used
}
