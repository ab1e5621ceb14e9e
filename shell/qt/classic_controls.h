// The About dialog's controls drawn as the Windows program's dialog shows
// them under Wine's default colours: static texts wrapped as DrawText wraps
// them, sunken frames, an etched group box, and the classic push button.
#pragma once

#include "shell/qt/dialog_units.h"
#include "shell/system_colours.h"

#include <QImage>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <vector>

struct TextLine {
    int start;
    int length;   // characters drawn, without a space the line was broken at
};

// Breaks text into lines no wider than `width` the way DrawText does with
// DT_WORDBREAK here: a word goes on the line only if the space after it
// fits too; a word wider than the line stays whole. One space is dropped at
// each break; a left-aligned line keeps the space it breaks at, a centred
// one leaves it out.
std::vector<TextLine> BreakLines(const QString &text, const TextMeasure &measure, int width, bool centred);

// x of a line centred as DrawText centres it between left and right (exclusive).
int CentredX(int left, int right, int extent);

// For each of `to` pixels, the one of `from` pixels that a nearest-pixel
// stretch keeps, counted along the bitmap's memory order.
std::vector<int> StretchIndices(int to, int from);

// A static control: text (SS_LEFT or SS_CENTER), a black frame with a
// sunken edge (SS_BLACKFRAME | SS_SUNKEN), or an icon with a sunken border
// (SS_ICON | SS_SUNKEN | WS_BORDER).
class ClassicStatic : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text)
public:
    enum Kind { LeftText, CentredText, SunkenBlackFrame, SunkenIcon };

    ClassicStatic(Kind kind, const QString &text, QWidget *parent);
    void SetIcon(const QImage &icon);   // SunkenIcon: the control takes the icon's size

    Kind kind() const { return kind_; }
    QString text() const { return text_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Kind kind_;
    QString text_;
    QImage iconScaled_;   // the icon stretched to the client area, made once
};

// BS_GROUPBOX with an empty caption: an etched frame, nothing filled.
class ClassicGroupBox : public QWidget {
    Q_OBJECT
public:
    explicit ClassicGroupBox(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// BS_PUSHBUTTON / BS_DEFPUSHBUTTON, with the default button's frame, the
// dotted focus rectangle and the centred, unclipped label.
class ClassicPushButton : public QPushButton {
    Q_OBJECT
public:
    ClassicPushButton(const QString &text, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
