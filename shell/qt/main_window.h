// The main window: caption "BRISQUAL", the one-command menu bar and the plot
// as its client area, sized as the Windows program's client area.
#pragma once

#include <QMainWindow>

class PlotWidget;
class QAction;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow();

    PlotWidget *Plot() const { return plot_; }
    QAction *AboutCommand() const { return about_; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void OpenAbout();

private:
    PlotWidget *plot_;
    QAction *about_;
};

// Shows the main window and runs the event loop: the program's exit status.
int RunBrisqual();
