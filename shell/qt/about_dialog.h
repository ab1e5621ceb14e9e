// The modal About dialog: the Windows dialog template's controls, placed by
// dialog units. Only its button (or Enter) ends it; Esc and close requests
// do nothing, as the Windows dialog procedure handles neither.
#pragma once

#include "shell/qt/dialog_units.h"

#include <QDialog>

class QPushButton;

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *owner);

    DialogBaseUnits BaseUnits() const { return base_; }
    QPushButton *Button() const { return button_; }

    // Where the template puts the dialog: its position in dialog units from
    // the owner's client area.
    static QPoint TemplatePosition(DialogBaseUnits base);

public slots:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    DialogBaseUnits base_;
    QPushButton *button_;
};

// Opens the dialog over the main window's client area and waits until it ends.
void OpenAboutDialog(QWidget *owner, QWidget *ownerClient);
