// Writes a 0x00RRGGBB pixel buffer as an 8-bit RGB PNG, all or nothing: the
// image goes to a temporary file beside the target, renamed when complete.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

bool WritePngFile(const std::string &path, const uint32_t *pixels, int width, int height,
                  std::string &error);

// Reads an 8-bit RGB or RGBA PNG into 0x00RRGGBB pixels (alpha dropped).
bool ReadPngFile(const std::string &path, std::vector<uint32_t> &pixels, int &width, int &height,
                 std::string &error);
