// The program's icon as a QImage, from the pixels made at build time.
#include "shell/qt/icon.h"

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
