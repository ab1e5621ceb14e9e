#include "shell/qt/icon.h"

#include <stdint.h>

extern const int BrisqualIconSize;
extern const uint32_t BrisqualIconPixels[];

QImage BrisqualIconImage()
{
    const int size = BrisqualIconSize;
    QImage image(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; y++) {
        uint32_t *row = reinterpret_cast<uint32_t *>(image.scanLine(y));
        for (int x = 0; x < size; x++)
            row[x] = 0xFF000000u | BrisqualIconPixels[y * size + x];
    }
    return image;
}
