// Dialog units to pixels, as the Windows dialog manager converts them: the
// base units come from the dialog font, and every coordinate is rounded by
// MulDiv.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QRect>

struct DialogBaseUnits {
    int x;   // average width of the 52 letters, rounded
    int y;   // font height
};

// The font a dialog template names, as Wine draws it at 96 dpi, without
// antialiasing or kerning. "MS Sans Serif" is Wine's own bitmap face (from
// fonts-wine) in the strike Wine picks for the size; without that face, or
// for other faces, the Arial substitute Wine itself falls back to.
QFont DialogFont(const QString &face, int points);

// The cell height of the MS Sans Serif strike that Wine selects for a
// LOGFONT height (negative: character height; positive: cell height).
int SansSerifStrikeHeight(int logicalHeight);

// Text extents as GDI measures them here: each character's unhinted advance
// rounded up (for a bitmap face, its advance; for the scalable substitute,
// which can be a pixel wider than the advance it is drawn with). Line
// breaks, centring and the base units all use this measure.
class TextMeasure {
public:
    explicit TextMeasure(const QFont &font);
    int Extent(const QString &text, int start = 0, int length = -1) const;

private:
    QFont unhinted_;
};

DialogBaseUnits BaseUnitsOf(const QFont &font);

// number * numerator / denominator rounded half away from zero, as Win32's
// MulDiv; -1 when the denominator is 0.
int MulDiv(int number, int numerator, int denominator);

// A rectangle (x, y, width, height) in dialog units to pixels.
QRect DialogRectToPixels(const QRect &units, DialogBaseUnits base);
QPoint DialogPointToPixels(int x, int y, DialogBaseUnits base);
