// The About dialog built from the resource script's template, closed only by
// its button or Enter.
#include "shell/qt/about_dialog.h"

#include "shell/qt/about_template.h"
#include "shell/qt/classic_controls.h"
#include "shell/qt/icon.h"

#include <QCloseEvent>
#include <QKeyEvent>

static QRect Units(const DialogUnitRect &r)
{
    return QRect(r.x, r.y, r.width, r.height);
}

AboutDialog::AboutDialog(QWidget *owner)
    // A caption and nothing else: no close box, no system menu (as without
    // WS_SYSMENU), in a tool window's frame.
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), button_(nullptr)
{
    const DialogTemplate &t = AboutTemplate;
    setWindowTitle(QString::fromLatin1(t.caption));
    setModal(true);
    const QFont font = DialogFont(QString::fromLatin1(t.face), t.points);
    setFont(font);
    base_ = BaseUnitsOf(font);

    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(SystemColour::ButtonFace));
    colours.setColor(QPalette::WindowText, QColor(SystemColour::ButtonText));
    setPalette(colours);
    setAutoFillBackground(true);
    setFixedSize(MulDiv(t.rect.width, base_.x, 4), MulDiv(t.rect.height, base_.y, 8));

    // The first control of a template is the topmost; Qt stacks later
    // siblings on top, so they are made last to first.
    for (int i = t.count - 1; i >= 0; i--) {
        const TemplateControl &c = t.controls[i];
        const QRect area = DialogRectToPixels(Units(c.rect), base_);
        const QString text = QString::fromLatin1(c.text);
        QWidget *control = nullptr;
        switch (c.kind) {
        case ControlKind::DefaultButton: {
            ClassicPushButton *button = new ClassicPushButton(text, this);
            button->setDefault(true);
            connect(button, &QPushButton::clicked, this, [this] { done(0); });
            button_ = button;
            control = button;
            break;
        }
        case ControlKind::BlackFrame:
            control = new ClassicStatic(ClassicStatic::SunkenBlackFrame, text, this);
            break;
        case ControlKind::LeftText:
            control = new ClassicStatic(ClassicStatic::LeftText, text, this);
            break;
        case ControlKind::CentredText:
            control = new ClassicStatic(ClassicStatic::CentredText, text, this);
            break;
        case ControlKind::IconControl:
            control = new ClassicStatic(ClassicStatic::SunkenIcon, text, this);
            break;
        case ControlKind::GroupBox:
            control = new ClassicGroupBox(this);
            break;
        }
        control->setGeometry(area);
        if (c.kind == ControlKind::IconControl)
            static_cast<ClassicStatic *>(control)->SetIcon(BrisqualIconImage());
    }
    button_->setFocus();   // the dialog procedure leaves the focus to the system
}

QPoint AboutDialog::TemplatePosition(DialogBaseUnits base)
{
    return DialogPointToPixels(AboutTemplate.rect.x, AboutTemplate.rect.y, base);
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
