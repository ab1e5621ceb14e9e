// Push button, static controls and group box drawn the classic Windows way,
// and the line breaking of the static text controls.
#include "shell/qt/classic_controls.h"

#include <QFontMetrics>
#include <QPainter>

#include <stdint.h>

std::vector<TextLine> BreakLines(const QString &text, const TextMeasure &measure, int width, bool centred)
{
    std::vector<TextLine> lines;
    const int size = (int)text.size();
    int start = 0;
    while (start < size) {
        int end = (int)text.indexOf(QLatin1Char('\n'), start);
        const bool hardBreak = end >= 0;
        if (!hardBreak)
            end = size;
        const int available = end - start;

        int fit = 0;   // the most characters whose extent is within the width
        for (int extent = 0; fit < available; fit++) {
            extent += measure.Extent(text, start + fit, 1);
            if (extent > width)
                break;
        }

        int length = available;
        int used = available + (hardBreak ? 1 : 0);
        if (fit < available) {
            // A break at the last space before the first character that does
            // not fit; a word that fits only without the space after it does
            // not count as fitting.
            int p = start + fit;
            while (p > start && text[--p] != QLatin1Char(' ')) {}
            if (p != start || text[p] == QLatin1Char(' ')) {
                if (!centred)
                    p++;   // a left-aligned line keeps the space it breaks at
                length = p - start;
                used = length + (p < end && text[p] == QLatin1Char(' ') ? 1 : 0);
            } else {
                // No space to break at: the first word stays whole and overflows.
                int space = (int)text.indexOf(QLatin1Char(' '), start);
                if (space < 0 || space > end)
                    space = end;
                length = space - start;
                used = length + (space < end ? 1 : 0);
            }
        }
        lines.push_back(TextLine{start, length});
        start += used;
    }
    return lines;
}

int CentredX(int left, int right, int extent)
{
    return (left + right - extent) / 2;   // truncated toward zero, as C does
}

std::vector<int> StretchIndices(int to, int from)
{
    // Output pixel d takes input pixel (2*d*from + 2*from - to) / (2*to): the
    // pixels the icon keeps when Wine shrinks it, as measured.
    std::vector<int> map(to > 0 ? (size_t)to : 0, 0);
    if (to <= 0 || from <= 0)
        return map;
    for (int d = 0; d < to; d++) {
        int64_t s = ((int64_t)2 * d * from + 2 * (int64_t)from - to) / (2 * (int64_t)to);
        map[(size_t)d] = (int)(s < 0 ? 0 : s >= from ? from - 1 : s);
    }
    return map;
}

// One layer of DrawEdge: top and left in one colour, bottom and right (which
// own the corners they share with them) in the other.
static void DrawEdgeLayer(QPainter &painter, const QRect &r, QRgb topLeft, QRgb bottomRight)
{
    painter.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), QColor(topLeft));
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), QColor(topLeft));
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), QColor(bottomRight));
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), QColor(bottomRight));
}

static void FrameRect(QPainter &painter, const QRect &r, QRgb colour)
{
    DrawEdgeLayer(painter, r, colour, colour);
}

ClassicStatic::ClassicStatic(Kind kind, const QString &text, QWidget *parent)
    : QWidget(parent), kind_(kind), text_(text)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ClassicStatic::SetIcon(const QImage &icon)
{
    // The control takes the icon's size, border included, so the icon is
    // stretched into what the border leaves. Icon bitmaps run bottom-up, so
    // rows are picked counting from the bottom.
    resize(icon.size());
    const QRect client = rect().adjusted(3, 3, -3, -3);
    if (client.isEmpty() || icon.isNull()) {
        iconScaled_ = QImage();
        return;
    }
    const QImage source = icon.convertToFormat(QImage::Format_RGB32);
    const std::vector<int> columns = StretchIndices(client.width(), source.width());
    const std::vector<int> rows = StretchIndices(client.height(), source.height());
    iconScaled_ = QImage(client.size(), QImage::Format_RGB32);
    for (int y = 0; y < client.height(); y++) {
        const int sy = source.height() - 1 - rows[(size_t)(client.height() - 1 - y)];
        const QRgb *from = reinterpret_cast<const QRgb *>(source.constScanLine(sy));
        QRgb *to = reinterpret_cast<QRgb *>(iconScaled_.scanLine(y));
        for (int x = 0; x < client.width(); x++)
            to[x] = from[columns[(size_t)x]];
    }
}

void ClassicStatic::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect r = rect();
    switch (kind_) {
    case LeftText:
    case CentredText: {
        painter.fillRect(r, QColor(SystemColour::ButtonFace));
        painter.setPen(QColor(SystemColour::ButtonText));
        const QFontMetrics metrics(font());
        const TextMeasure measure(font());
        const bool centred = kind_ == CentredText;
        int top = 0;
        for (const TextLine &line : BreakLines(text_, measure, r.width(), centred)) {
            const QString part = text_.mid(line.start, line.length);
            const int x = centred ? CentredX(0, r.width(), measure.Extent(part)) : 0;
            painter.drawText(x, top + metrics.ascent(), part);
            top += metrics.height();
        }
        break;
    }
    case SunkenBlackFrame:
        DrawEdgeLayer(painter, r, SystemColour::ButtonShadow, SystemColour::ButtonHighlight);
        FrameRect(painter, r.adjusted(1, 1, -1, -1), SystemColour::ButtonDarkShadow);
        break;
    case SunkenIcon:
        DrawEdgeLayer(painter, r, SystemColour::ButtonShadow, SystemColour::ButtonHighlight);
        DrawEdgeLayer(painter, r.adjusted(1, 1, -1, -1), SystemColour::ButtonShadow, SystemColour::ButtonHighlight);
        DrawEdgeLayer(painter, r.adjusted(2, 2, -2, -2), SystemColour::ButtonDarkShadow, SystemColour::ButtonLight);
        painter.fillRect(r.adjusted(3, 3, -3, -3), QColor(SystemColour::ButtonFace));
        if (!iconScaled_.isNull())
            painter.drawImage(3, 3, iconScaled_);
        break;
    }
}

ClassicGroupBox::ClassicGroupBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ClassicGroupBox::paintEvent(QPaintEvent *)
{
    // The frame runs through the middle of the (empty) caption's line.
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const QRect frame = rect().adjusted(0, metrics.height() / 2 - 1, 0, 0);
    DrawEdgeLayer(painter, frame, SystemColour::ButtonShadow, SystemColour::ButtonHighlight);
    DrawEdgeLayer(painter, frame.adjusted(1, 1, -1, -1), SystemColour::ButtonHighlight, SystemColour::ButtonShadow);
}

ClassicPushButton::ClassicPushButton(const QString &text, QWidget *parent) : QPushButton(text, parent) {}

void ClassicPushButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QRect r = rect();
    painter.fillRect(r, QColor(SystemColour::ButtonFace));
    if (isDefault()) {
        FrameRect(painter, r, SystemColour::WindowFrame);
        r.adjust(1, 1, -1, -1);
    }
    const bool pushed = isDown();
    if (pushed && isDefault()) {
        FrameRect(painter, r, SystemColour::ButtonShadow);   // the default button goes flat
    } else if (pushed) {
        DrawEdgeLayer(painter, r, SystemColour::ButtonShadow, SystemColour::ButtonHighlight);
        DrawEdgeLayer(painter, r.adjusted(1, 1, -1, -1), SystemColour::ButtonDarkShadow, SystemColour::ButtonLight);
    } else {
        DrawEdgeLayer(painter, r, SystemColour::ButtonHighlight, SystemColour::ButtonDarkShadow);
        DrawEdgeLayer(painter, r.adjusted(1, 1, -1, -1), SystemColour::ButtonLight, SystemColour::ButtonShadow);
    }

    // The label is centred in the area inside the edges; a label wider than
    // that is not clipped to it, only to the button.
    QRect label = r.adjusted(2, 2, -2, -2);
    if (pushed)
        label.translate(1, 1);
    const QFontMetrics metrics(font());
    const int x = CentredX(label.left(), label.left() + label.width(), TextMeasure(font()).Extent(text()));
    const int y = label.top() + (label.height() - metrics.height()) / 2;
    painter.setPen(QColor(SystemColour::ButtonText));
    painter.drawText(x, y + metrics.ascent(), text());

    if (hasFocus()) {
        // DrawFocusRect: every other pixel inverted, in a checkerboard laid
        // over the whole dialog rather than the button (under Wine it stays
        // put when the button sits an odd number of pixels further on, and
        // when the dialog moves on the screen).
        const QRect focus = r.adjusted(2, 2, -2, -2);
        const QPoint origin = mapTo(window(), QPoint(0, 0));
        const int phase = (origin.x() + origin.y()) & 1;
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QColor(255, 255, 255));
        for (int px = focus.left(); px <= focus.right(); px++) {
            for (int py : {focus.top(), focus.bottom()}) {
                if (((px + py) & 1) != phase)
                    painter.drawPoint(px, py);
            }
        }
        for (int py = focus.top() + 1; py < focus.bottom(); py++) {
            for (int px : {focus.left(), focus.right()}) {
                if (((px + py) & 1) != phase)
                    painter.drawPoint(px, py);
            }
        }
    }
}
