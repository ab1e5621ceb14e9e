// The plot widget: mouse input to the drag, and each repaint through the
// raster surface, shown at fixed pixels.
#include "shell/qt/plot_widget.h"

#include "model/curve.h"
#include "model/drag.h"
#include "render/painter.h"

#include <QMouseEvent>
#include <QPainter>

#include <math.h>

PlotWidget::PlotWidget(QWidget *parent) : QWidget(parent)
{
    ResetCurve();   // as at window creation: a flat curve
    // Moves with no button held still step a drag whose release was missed.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);   // every pixel is painted
    setAttribute(Qt::WA_NoSystemBackground);
}

PlotWidget::~PlotWidget() = default;

void PlotWidget::EnsureSurface()
{
    // The plot's pixels do not scale: a new size only shows more or less
    // background, so the buffer is remade on a resize and at no other time.
    if (surface_ && surface_->Width() == width() && surface_->Height() == height())
        return;
    image_ = QImage();
    surface_ = std::make_unique<RasterSurface>(width(), height());
    if (surface_->Width() > 0 && surface_->Height() > 0) {
        // 0x00RRGGBB rows top-down are QImage's RGB32, which ignores the top byte.
        image_ = QImage(reinterpret_cast<const uchar *>(surface_->Pixels()), surface_->Width(), surface_->Height(),
                        surface_->Width() * 4, QImage::Format_RGB32);
    }
}

void PlotWidget::resizeEvent(QResizeEvent *)
{
    EnsureSurface();
}

void PlotWidget::paintEvent(QPaintEvent *)
{
    EnsureSurface();
    surface_->Clear();
    PaintContent(*surface_);
    if (image_.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

bool PlotWidget::ClientPoint(const QMouseEvent *event, uint16_t &x, uint16_t &y) const
{
    // Qt keeps sending a pressed button's moves and its release to this widget
    // wherever the pointer goes; the Windows program never captures the
    // pointer and sees only what happens over its client area.
    const QPointF where = event->position();
    const double px = floor(where.x()), py = floor(where.y());
    if (px < 0.0 || py < 0.0 || px >= width() || py >= height())
        return false;
    x = (uint16_t)(unsigned)px;
    y = (uint16_t)(unsigned)py;
    return true;
}

void PlotWidget::mousePressEvent(QMouseEvent *event)
{
    uint16_t x, y;
    if (event->button() == Qt::LeftButton && ClientPoint(event, x, y))
        BeginDrag(x, y);
    event->accept();
}

void PlotWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Qt 6 has already delivered the second press as a press, which is all
    // the Windows program sees of a double click.
    event->accept();
}

void PlotWidget::mouseMoveEvent(QMouseEvent *event)
{
    uint16_t x, y;
    if (ClientPoint(event, x, y) && ContinueDrag(y))
        update();
    event->accept();
}

void PlotWidget::mouseReleaseEvent(QMouseEvent *event)
{
    uint16_t x, y;
    if (event->button() == Qt::LeftButton && ClientPoint(event, x, y))
        EndDrag();
    event->accept();
}
