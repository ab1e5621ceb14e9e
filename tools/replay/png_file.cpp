// PNG output through libpng, with a temporary file so that a failure never
// leaves a half-written image behind or damages an existing one.
#include "tools/replay/png_file.h"

#include <errno.h>
#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

static bool EncodePng(FILE *file, const uint32_t *pixels, int width, int height)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> row((size_t)width * 3);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : NULL);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; y++) {
        const uint32_t *src = pixels + (size_t)y * width;
        for (int x = 0; x < width; x++) {
            row[(size_t)x * 3 + 0] = (png_byte)(src[x] >> 16);
            row[(size_t)x * 3 + 1] = (png_byte)(src[x] >> 8);
            row[(size_t)x * 3 + 2] = (png_byte)src[x];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool WritePngFile(const std::string &path, const uint32_t *pixels, int width, int height,
                  std::string &error)
{
    std::string temp = path + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        error = "cannot create " + path + ": " + strerror(errno);
        return false;
    }
    fchmod(fd, 0644);
    FILE *file = fdopen(fd, "wb");
    bool ok = file && EncodePng(file, pixels, width, height);
    if (file) {
        ok = fflush(file) == 0 && ok;
        ok = fclose(file) == 0 && ok;
    } else {
        close(fd);
    }
    if (ok && rename(name.data(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + strerror(errno);
        unlink(name.data());
        return false;
    }
    if (!ok) {
        error = "cannot write " + path;
        unlink(name.data());
    }
    return ok;
}

bool ReadPngFile(const std::string &path, std::vector<uint32_t> &pixels, int &width, int &height,
                 std::string &error)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = path + ": " + image.message;
        return false;
    }
    image.format = PNG_FORMAT_BGRA;   // little-endian words of 0xAARRGGBB
    pixels.assign((size_t)image.width * image.height, 0);
    if (!png_image_finish_read(&image, NULL, pixels.data(), 0, NULL)) {
        error = path + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    for (uint32_t &p : pixels)
        p &= 0x00FFFFFF;
    width = (int)image.width;
    height = (int)image.height;
    return true;
}
