// Descriptor I/O that a non-blocking descriptor cannot break (EAGAIN waits
// for the descriptor in poll instead of failing), and names for messages.
#include "shell/replay/io.h"

#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <unistd.h>

std::string Printable(const char *text, size_t size)
{
    std::string out;
    for (size_t i = 0; i < size && i < MaxEchoedBytes; i++) {
        unsigned char c = (unsigned char)text[i];
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += (char)c;
        } else {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    if (size > MaxEchoedBytes)
        out += "...";
    return out;
}

// Waits until FD is ready for EVENTS; false (errno set) when poll fails.
static bool Await(int fd, short events)
{
    struct pollfd p = {fd, events, 0};
    for (;;) {
        int n = poll(&p, 1, -1);
        if (n >= 0)
            return true;   // ready, or an error the next call will report
        if (errno != EINTR)
            return false;
    }
}

static bool WouldBlock()
{
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

bool WriteAll(int fd, const void *data, size_t size)
{
    const char *at = (const char *)data;
    while (size > 0) {
        ssize_t n = write(fd, at, size);
        if (n > 0) {
            at += n;
            size -= (size_t)n;
        } else if (n == 0) {
            errno = EIO;
            return false;
        } else if (errno != EINTR && !(WouldBlock() && Await(fd, POLLOUT))) {
            return false;
        }
    }
    return true;
}

ssize_t ReadSome(int fd, void *buffer, size_t size)
{
    for (;;) {
        ssize_t n = read(fd, buffer, size);
        if (n >= 0 || (errno != EINTR && !(WouldBlock() && Await(fd, POLLIN))))
            return n;
    }
}
