// The program's 32 x 32 icon (window icon and About dialog), drawn from
// resources/icon.txt at build time.
#pragma once

#include <QImage>

#include <stdint.h>

extern const int BrisqualIconSize;
extern const uint32_t BrisqualIconPixels[];   // 0x00RRGGBB, top row first

QImage BrisqualIconImage();
