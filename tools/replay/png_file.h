// Writes a 0x00RRGGBB pixel buffer as an 8-bit RGB PNG without ever leaving
// a half-written image or damaging what the name stood for before.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

struct stat;

// A PNG on its way to a name. A regular file, or a name not yet taken, gets
// the picture through a temporary file in the same folder, renamed over it
// by Commit (through a symbolic link, the file it names); the file keeps
// its mode, or a new one takes the mode a new file gets. A character
// device, a named pipe or "-" (standard output) is written straight
// through. Anything else is refused. Until Commit, SIGHUP, SIGINT, SIGPIPE
// and SIGTERM remove the temporary file before ending the program, and so
// does the destructor: only one PngOutput may be pending at a time.
class PngOutput {
public:
    PngOutput() = default;
    PngOutput(const PngOutput &) = delete;
    PngOutput &operator=(const PngOutput &) = delete;
    ~PngOutput() { Discard(); }

    bool Write(const std::string &path, const uint32_t *pixels, int width, int height, std::string &error);
    // The rename, last, once every other output has succeeded.
    bool Commit(std::string &error);
    void Discard();

private:
    bool Replace(const std::string &target, const struct stat *existing, const uint32_t *pixels, int width, int height,
                 std::string &error);

    std::string target_;   // where the temporary file goes
    bool pending_ = false;
};

// Write and Commit in one.
bool WritePngFile(const std::string &path, const uint32_t *pixels, int width, int height, std::string &error);

// Reads an 8-bit RGB or RGBA PNG into 0x00RRGGBB pixels (alpha dropped).
bool ReadPngFile(const std::string &path, std::vector<uint32_t> &pixels, int &width, int &height, std::string &error);
