// Reading and writing whole buffers on descriptors that may be pipes,
// terminals or non-blocking, and file names made safe to show in messages.
#pragma once

#include <stddef.h>
#include <string>
#include <sys/types.h>

// At most this many bytes of a name or a bad line are shown, so that a huge
// one cannot flood the terminal.
const size_t MaxEchoedBytes = 80;

// TEXT as a message may show it: its first MaxEchoedBytes bytes, with bytes
// other than printable ASCII (and the backslash) as \xNN, so that nothing
// can send control sequences to the terminal, and "..." when cut short.
std::string Printable(const char *text, size_t size);
inline std::string Printable(const std::string &text)
{
    return Printable(text.data(), text.size());
}

// Writes all of DATA, waiting whenever the descriptor is non-blocking and
// full, and retrying after signals. False with errno set on failure.
bool WriteAll(int fd, const void *data, size_t size);

// Reads up to SIZE bytes, waiting whenever the descriptor is non-blocking
// and empty: the count read, 0 at the end, or -1 with errno set.
ssize_t ReadSome(int fd, void *buffer, size_t size);
