// Dialog units and the dialog font as the Windows dialog manager under Wine
// measures them.
#include "shell/qt/dialog_units.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>

#include <math.h>
#include <stdint.h>

static const int LogicalDpi = 96;   // the Windows default, which the measured dialog used
static const char SansSerifFace[] = "MS Sans Serif";

namespace {
struct BitmapStrike {
    int height;            // cell height in pixels
    int internalLeading;   // the cell height less the character height
};
}

// The strikes of Wine's MS Sans Serif (sserife.fon): 8, 10 and 12 points.
static const BitmapStrike SansSerifStrikes[] = {{13, 2}, {16, 3}, {20, 4}};

int SansSerifStrikeHeight(int logicalHeight)
{
    // The largest strike that is not taller than asked, else the smallest;
    // a negative height asks for the character height, a positive one for
    // the cell height.
    const int asked = logicalHeight < 0 ? -logicalHeight : logicalHeight;
    int chosen = SansSerifStrikes[0].height;
    for (const BitmapStrike &strike : SansSerifStrikes) {
        const int size = logicalHeight < 0 ? strike.height - strike.internalLeading : strike.height;
        if (size <= asked)
            chosen = strike.height;
    }
    return chosen;
}

// Wine draws MS Sans Serif from sserife.fon, but FreeType gives a .fon file
// no Unicode character map, so Qt would find no glyph in it and draw
// another font. Wine's ms_sans_serif.ttf holds the same 13-pixel strike,
// every glyph and advance alike, under a Unicode map.
static bool WineSansSerifLoaded()
{
    static const bool loaded = [] {
        const int id = QFontDatabase::addApplicationFont(QStringLiteral(BRISQUAL_WINE_FONT_DIR "/ms_sans_serif.ttf"));
        return id >= 0 && QFontDatabase::applicationFontFamilies(id).contains(QLatin1String(SansSerifFace));
    }();
    return loaded;
}

QFont DialogFont(const QString &face, int points)
{
    const int logicalHeight = -MulDiv(points, LogicalDpi, 72);
    if (face.compare(QLatin1String(SansSerifFace), Qt::CaseInsensitive) == 0 && WineSansSerifLoaded()) {
        const int strike = SansSerifStrikeHeight(logicalHeight);
        QFont font(QString::fromLatin1(SansSerifFace));
        font.setPixelSize(strike);
        font.setStyleStrategy(QFont::NoAntialias);
        font.setKerning(false);
        // Qt offers only the smallest strike of the file: a size Wine draws
        // from a larger one takes the substitute below instead.
        if (QFontInfo(font).family() == QLatin1String(SansSerifFace) && QFontMetrics(font).height() == strike)
            return font;
    }

    // Without its own fonts Wine draws MS Sans Serif, a bitmap face with no
    // strike this small elsewhere, with its Arial substitute; the same faces
    // in the same order give the dialog as Wine then shows it.
    static const char *const fallbacks[] = {"Arial", "Liberation Sans", "DejaVu Sans"};
    QString family = face;
    if (!QFontDatabase::families().contains(face, Qt::CaseInsensitive) || !QFontDatabase::isSmoothlyScalable(face)) {
        family.clear();
        for (const char *candidate : fallbacks) {
            if (QFontDatabase::families().contains(QString::fromLatin1(candidate))) {
                family = QString::fromLatin1(candidate);
                break;
            }
        }
    }
    QFont font;
    if (!family.isEmpty())
        font.setFamily(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(-logicalHeight);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setKerning(false);
    return font;
}

TextMeasure::TextMeasure(const QFont &font) : unhinted_(font)
{
    unhinted_.setHintingPreference(QFont::PreferNoHinting);
}

int TextMeasure::Extent(const QString &text, int start, int length) const
{
    const QFontMetricsF metrics(unhinted_);
    const int end = length < 0 ? (int)text.size() : qMin((int)text.size(), start + length);
    int extent = 0;
    for (int i = start; i < end; i++)
        extent += (int)ceil(metrics.horizontalAdvance(text[i]));
    return extent;
}

DialogBaseUnits BaseUnitsOf(const QFont &font)
{
    // GdiGetCharDimensions: the extent of the 52 letters, averaged and rounded.
    const int extent = TextMeasure(font).Extent(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const QFontMetrics metrics(font);
    DialogBaseUnits base;
    base.x = (extent / 26 + 1) / 2;
    base.y = metrics.height();
    return base;
}

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    int64_t product = (int64_t)number * numerator;
    int64_t divisor = denominator;
    bool negative = (product < 0) != (divisor < 0);
    if (product < 0)
        product = -product;
    if (divisor < 0)
        divisor = -divisor;
    int64_t quotient = (product + divisor / 2) / divisor;
    if (quotient > INT32_MAX)
        return -1;   // as Win32: the result does not fit
    return (int)(negative ? -quotient : quotient);
}

QRect DialogRectToPixels(const QRect &units, DialogBaseUnits base)
{
    return QRect(MulDiv(units.x(), base.x, 4), MulDiv(units.y(), base.y, 8), MulDiv(units.width(), base.x, 4),
                 MulDiv(units.height(), base.y, 8));
}

QPoint DialogPointToPixels(int x, int y, DialogBaseUnits base)
{
    return QPoint(MulDiv(x, base.x, 4), MulDiv(y, base.y, 8));
}
