#!/usr/bin/env python3
"""Builds the program's icon from its text picture (resources/icon.txt): the
one reader of that picture.

usage: make_icon.py [--size N] ICON_TXT OUTPUT.ico|.cpp|.js|.png|.svg

An .ico for the Windows program's resources, or pixel data (0x00RRGGBB, top
row first) for the front ends that draw it themselves: C++ for the Qt
window, a JavaScript statement for the browser page; or, for the Linux
desktop's icon theme, a PNG of N x N pixels (32 by default, at least 32;
each pixel of the picture enlarged to a block, never smoothed: squares for
a multiple of 32, and at other sizes blocks whose sides differ by one
pixel at most) or a scalable SVG of the same squares.

The text holds a legend (letter, palette index, RRGGBB colour) and a 32 x 32
grid of letters, top row first. The .ico gets one 32 x 32 image at 4 bits per
pixel in the standard Windows 16-colour palette, with an all-zero AND mask
(fully opaque). Keeping the picture as text makes its pixels reviewable.
"""
import os
import re
import struct
import sys
import zlib

SIZE = 32

# The standard Windows 16-colour palette, as RRGGBB.
STANDARD_PALETTE = [
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
]

LEGEND_LINE = re.compile(r"^(\S)\s+(\d+)\s+([0-9A-Fa-f]{6})(\s.*)?$")


class IconTextError(Exception):
    pass


def parse_icon_text(text):
    """Returns the picture as 32 rows of 32 palette indices, top row first."""
    legend = {}
    rows = []
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.rstrip()
        if not line or line.startswith("#"):
            continue
        where = "line %d" % number
        match = LEGEND_LINE.match(line)
        if match:
            if rows:
                raise IconTextError("%s: legend entry after the pixel rows" % where)
            letter, index, colour = match.group(1), int(match.group(2)), int(match.group(3), 16)
            if letter in legend:
                raise IconTextError("%s: letter %r defined twice" % (where, letter))
            if index >= len(STANDARD_PALETTE):
                raise IconTextError("%s: palette index %d is not 0..15" % (where, index))
            if colour != STANDARD_PALETTE[index]:
                raise IconTextError("%s: index %d is %06X in the standard palette, not %06X"
                                    % (where, index, STANDARD_PALETTE[index], colour))
            legend[letter] = index
            continue
        if len(line) != SIZE or " " in line:
            raise IconTextError("%s: a pixel row must be %d letters, got %r" % (where, SIZE, line))
        unknown = sorted(set(line) - set(legend))
        if unknown:
            raise IconTextError("%s: letters not in the legend: %s" % (where, " ".join(unknown)))
        rows.append([legend[c] for c in line])
    if len(rows) != SIZE:
        raise IconTextError("%d pixel rows, expected %d" % (len(rows), SIZE))
    return rows


def encode_ico(rows):
    """The .ico file: one directory entry and a bottom-up 4-bit DIB."""
    xor_stride = SIZE // 2          # two pixels per byte, already a multiple of 4
    and_stride = SIZE // 8          # one bit per pixel, already a multiple of 4
    xor = bytearray()
    for row in reversed(rows):      # DIB rows run bottom-up
        for x in range(0, SIZE, 2):
            xor.append(row[x] << 4 | row[x + 1])
    assert len(xor) == xor_stride * SIZE
    and_mask = bytes(and_stride * SIZE)     # all zero: every pixel opaque
    palette = b"".join(struct.pack("<BBBB", c & 0xFF, c >> 8 & 0xFF, c >> 16, 0)
                       for c in STANDARD_PALETTE)
    # Height counts the XOR and AND bitmaps together, as icons require.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + palette + bytes(xor) + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def cpp_source(rows):
    """The pixels as C++ data for shell/qt/icon.cpp."""
    lines = ["// Made from resources/icon.txt by tools/make_icon.py.",
             "#include <stdint.h>",
             "",
             "extern const int BrisqualIconSize = %d;" % len(rows),
             "extern const uint32_t BrisqualIconPixels[%d] = {" % (len(rows) * len(rows))]
    for row in rows:
        lines.append("    " + ", ".join("0x%06X" % STANDARD_PALETTE[i] for i in row) + ",")
    lines.append("};")
    return ("\n".join(lines) + "\n").encode("ascii")


def js_source(rows):
    """The picture as one JavaScript statement for the browser page: the
    standard palette (0xRRGGBB) and a palette index a pixel, one hex digit
    each, top row first."""
    palette = ",".join("0x%06X" % c for c in STANDARD_PALETTE)
    indices = "".join("%X" % i for row in rows for i in row)
    return ("// Made from resources/icon.txt by tools/make_icon.py.\n"
            "const BrisqualIcon = {size: %d, palette: [%s], indices: \"%s\"};\n"
            % (len(rows), palette, indices)).encode("ascii")


def png_file(rows, size):
    """A size x size PNG: 8-bit palette, each output pixel taking the
    picture pixel it falls in (nearest neighbour). No time or text chunks,
    so the bytes depend on the picture alone and the package is
    reproducible."""
    source = [x * SIZE // size for x in range(size)]
    raw = bytearray()
    for y in range(size):
        row = rows[source[y]]
        raw += b"\0" + bytes(row[source[x]] for x in range(size))  # filter type 0

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    palette = b"".join(struct.pack(">I", c)[1:] for c in STANDARD_PALETTE)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0))
            + chunk(b"PLTE", palette)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def svg_file(rows):
    """The picture as a 32 x 32 SVG that scales without smoothing: one path
    a colour, a rectangle for each run of equal pixels in a row."""
    runs = {}
    for y, row in enumerate(rows):
        x = 0
        while x < SIZE:
            end = x
            while end < SIZE and row[end] == row[x]:
                end += 1
            runs.setdefault(row[x], []).append("M%d %dh%dv1h-%dz" % (x, y, end - x, end - x))
            x = end
    paths = "".join('<path fill="#%06X" d="%s"/>\n' % (STANDARD_PALETTE[i], "".join(runs[i]))
                    for i in sorted(runs))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            "<!-- Made from resources/icon.txt by tools/make_icon.py. -->\n"
            '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d" '
            'shape-rendering="crispEdges">\n%s</svg>\n' % (SIZE, SIZE, SIZE, SIZE, paths)).encode("ascii")


OUTPUTS = {".ico": encode_ico, ".cpp": cpp_source, ".js": js_source, ".png": png_file, ".svg": svg_file}
USAGE = "usage: make_icon.py [--size N] ICON_TXT OUTPUT.ico|.cpp|.js|.png|.svg\n"


def main(argv):
    args = argv[1:]
    size = SIZE
    if len(args) >= 2 and args[0] == "--size":
        if not args[1].isdigit() or not SIZE <= int(args[1]) <= 1024:
            sys.stderr.write("make_icon.py: --size takes %d to 1024 pixels, not %r\n" % (SIZE, args[1]))
            return 2
        size = int(args[1])
        args = args[2:]
    if len(args) != 2 or not args[1].endswith(tuple(OUTPUTS)) or (size != SIZE and not args[1].endswith(".png")):
        sys.stderr.write(USAGE)
        return 2
    source, target = args
    try:
        with open(source, encoding="ascii") as f:
            rows = parse_icon_text(f.read())
    except (OSError, UnicodeDecodeError) as e:
        sys.stderr.write("make_icon.py: cannot read %s: %s\n" % (source, e))
        return 1
    except IconTextError as e:
        sys.stderr.write("make_icon.py: %s: %s\n" % (source, e))
        return 1
    # Written whole to a temporary name first, so that a failed run never
    # leaves a truncated file for the compilers.
    temporary = target + ".tmp"
    with open(temporary, "wb") as f:
        kind = os.path.splitext(target)[1]
        f.write(png_file(rows, size) if kind == ".png" else OUTPUTS[kind](rows))
    os.replace(temporary, target)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
