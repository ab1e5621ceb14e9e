// The program's 32 x 32 icon (window icon and About dialog), drawn from
// resources/icon.txt at build time.
#pragma once

#include <QImage>

QImage BrisqualIconImage();
