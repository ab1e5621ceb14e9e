// Draws one repaint of the plot: curve, mean line and running integral,
// then the dashed grid over them, at fixed client pixels.
#pragma once

#include "render/plot_surface.h"

#include <stdint.h>

int32_t ToScreenX(int k);
int32_t CurveY(double f);
int32_t IntegralY(double v);
int32_t MeanLineY(double lastIntegral);

void PaintPlot(PlotSurface &dc);
void PaintGrid(PlotSurface &dc);

// One repaint's content, as every front end draws it on an erased surface:
// the running integral of the current curve, then the plot, then the grid.
void PaintContent(PlotSurface &dc);
