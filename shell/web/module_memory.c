/* The module's memcpy and memset: the C library's are unrolled for speed,
 * 1.7 KB of a page that must stay small, for copies and fills of a few
 * kilobytes. Built without builtins, so that the loops are not turned back
 * into calls to themselves. */
#include <stddef.h>

void *memcpy(void *restrict to, const void *restrict from, size_t n)
{
    unsigned char *t = to;
    const unsigned char *f = from;
    while (n--)
        *t++ = *f++;
    return to;
}

void *memset(void *to, int c, size_t n)
{
    unsigned char *t = to;
    while (n--)
        *t++ = (unsigned char)c;
    return to;
}
