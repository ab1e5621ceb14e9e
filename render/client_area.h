// The main window's client area under the default frame, menu bar and
// caption (602x504 for the 610x550 window), and its background: every front
// end and the replay tool draw this same area.
#pragma once

#include "render/plot_surface.h"

const int ClientWidth = 602;
const int ClientHeight = 504;
const PlotColour BackgroundColour = 0x00008000;   // the class brush, dark green
