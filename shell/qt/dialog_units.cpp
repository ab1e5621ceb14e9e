#include "dialog_units.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

#include <math.h>
#include <stdint.h>

static const int LogicalDpi = 96;   // the Windows default, which the measured dialog used

QFont DialogFont(const QString &face, int points)
{
    // On Linux "MS Sans Serif" is at most a bitmap font without a strike this
    // small. Wine then draws the dialog with its Arial substitute, so the same
    // faces in the same order give the Windows program's dialog as seen here.
    static const char *const fallbacks[] = {"Arial", "Liberation Sans", "DejaVu Sans"};
    QString family = face;
    if (!QFontDatabase::families().contains(face, Qt::CaseInsensitive) ||
        !QFontDatabase::isSmoothlyScalable(face)) {
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
    font.setPixelSize(MulDiv(points, LogicalDpi, 72));   // lfHeight = -MulDiv(points, dpi, 72)
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
    const int end = length < 0 ? text.size() : qMin(text.size(), start + length);
    int extent = 0;
    for (int i = start; i < end; i++)
        extent += (int)ceil(metrics.horizontalAdvance(text[i]));
    return extent;
}

DialogBaseUnits BaseUnitsOf(const QFont &font)
{
    // GdiGetCharDimensions: the extent of the 52 letters, averaged and rounded.
    const int extent =
        TextMeasure(font).Extent(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
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
    return QRect(MulDiv(units.x(), base.x, 4), MulDiv(units.y(), base.y, 8),
                 MulDiv(units.width(), base.x, 4), MulDiv(units.height(), base.y, 8));
}

QPoint DialogPointToPixels(int x, int y, DialogBaseUnits base)
{
    return QPoint(MulDiv(x, base.x, 4), MulDiv(y, base.y, 8));
}
