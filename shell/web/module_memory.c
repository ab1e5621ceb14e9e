/* The module's memcpy: the C library's is unrolled for speed, over a
 * kilobyte of a page that must stay small, and the module copies only
 * structures of a few kilobytes. Built without builtins, so that the loop
 * is not turned back into a call to memcpy. */
#include <stddef.h>

void *memcpy(void *restrict to, const void *restrict from, size_t n)
{
    unsigned char *t = to;
    const unsigned char *f = from;
    while (n--)
        *t++ = *f++;
    return to;
}
