// Writes a 0x00RRGGBB pixel buffer as an 8-bit RGB PNG without ever leaving
// a half-written image or damaging what the name stood for before.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

struct stat;

// The descriptor a name stands for, or -1: "-" and /dev/stdout are
// standard output; /dev/stdin, /dev/stderr, /dev/fd/N and /proc/self/fd/N
// are descriptors 0, 2 and N. Such a name is written to the descriptor,
// never replaced, whatever file it is open on.
int DescriptorNamed(const std::string &path);

// A PNG on its way to a name. A regular file, or a name not yet taken, gets
// the picture through a temporary file in the same folder, written by Write
// and renamed over it by Commit (through a symbolic link, the file it
// names); the file keeps its mode, or a new one takes the mode a new file
// gets. A character device, a named pipe or a descriptor's name is opened
// or checked by Write and written straight through by Commit, so that
// every other output can go first. Anything else is refused. Until Commit,
// SIGHUP, SIGINT, SIGPIPE, SIGQUIT and SIGTERM remove the temporary file
// before ending the program, and so does the destructor: only one
// PngOutput may be pending at a time. The pixels must outlive Commit.
class PngOutput {
public:
    PngOutput() = default;
    PngOutput(const PngOutput &) = delete;
    PngOutput &operator=(const PngOutput &) = delete;
    ~PngOutput() { Discard(); }

    bool Write(const std::string &path, const uint32_t *pixels, int width, int height, std::string &error);
    // The rename or the stream, last, once every other output has succeeded.
    bool Commit(std::string &error);
    void Discard();

private:
    bool Replace(const std::string &target, const struct stat *existing, const uint32_t *pixels, int width, int height,
                 std::string &error);

    std::string target_;   // where the temporary file goes
    bool pending_ = false;
    // A stream: its descriptor (closed by Commit or Discard when opened
    // here), its name for messages, and the picture it is to get.
    int streamFd_ = -1;
    bool ownsStream_ = false;
    std::string streamName_;
    const uint32_t *pixels_ = nullptr;
    int width_ = 0, height_ = 0;
};

// Write and Commit in one.
bool WritePngFile(const std::string &path, const uint32_t *pixels, int width, int height, std::string &error);

// Reads an 8-bit RGB or RGBA PNG into 0x00RRGGBB pixels (alpha dropped).
bool ReadPngFile(const std::string &path, std::vector<uint32_t> &pixels, int &width, int &height, std::string &error);
