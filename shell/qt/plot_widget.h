// The main window's client area: shows the raster surface's picture of the
// curve and turns mouse input into calls of the curve model, as the Windows
// window procedure does.
#pragma once

#include "render/raster_surface.h"

#include <QImage>
#include <QWidget>

#include <memory>
#include <stdint.h>

class PlotWidget : public QWidget {
    Q_OBJECT
public:
    explicit PlotWidget(QWidget *parent = nullptr);
    ~PlotWidget() override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool ClientPoint(const QMouseEvent *event, uint16_t &x, uint16_t &y) const;
    void EnsureSurface();

    std::unique_ptr<RasterSurface> surface_;
    QImage image_;   // a view of surface_'s pixels, no copy
};
