# Pixel images for the end-to-end tests of every front end: screenshots and
# reference pictures held as one 32-bit value a pixel, compared and written
# as PNG without any imaging library (ImageMagick reads the files, zlib
# writes them). As a command, compares two picture files:
#   python3 image.py ACTUAL EXPECTED OUT_DIR NAME
# prints how many pixels differ and, when any do, writes NAME-actual.png,
# NAME-expected.png and NAME-diff.png to OUT_DIR; exits 0 only when equal.
import os
import struct
import subprocess
import sys
import zlib
from array import array


def rgb(r, g, b):
    """The stored value of a colour: the bytes R, G, B, A in memory order."""
    return r | (g << 8) | (b << 16) | 0xFF000000


def components(value):
    return value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF


def _pixels(data):
    px = array("I")
    if px.itemsize != 4:
        raise RuntimeError("array('I') is not 32 bits on this platform")
    px.frombytes(data)
    if struct.pack("=I", 1) != struct.pack("<I", 1):
        px.byteswap()
    return px


class Image:
    def __init__(self, width, height, pixels=None, fill=0xFF000000):
        self.width = width
        self.height = height
        if pixels is None:
            pixels = array("I", [fill]) * (width * height)
        if len(pixels) != width * height:
            raise ValueError("pixel count does not match the size")
        self.px = pixels

    @classmethod
    def from_rgba(cls, width, height, data):
        if len(data) != width * height * 4:
            raise ValueError("expected %d bytes of RGBA, got %d" % (width * height * 4, len(data)))
        img = cls(width, height, _pixels(data))
        # Force opaque so that pictures with and without alpha compare alike.
        alpha = data[3::4]
        if alpha.count(255) != len(alpha):
            img.px = array("I", (p | 0xFF000000 for p in img.px))
        return img

    @classmethod
    def load(cls, path):
        size = subprocess.run(["identify", "-format", "%w %h", str(path)], check=True,
                              capture_output=True, text=True).stdout.split()
        data = subprocess.run(["convert", str(path), "-depth", "8", "rgba:-"], check=True,
                              capture_output=True).stdout
        return cls.from_rgba(int(size[0]), int(size[1]), data)

    def get(self, x, y):
        return self.px[y * self.width + x]

    def set(self, x, y, value):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y * self.width + x] = value

    def row(self, y, x0=0, x1=None):
        x1 = self.width if x1 is None else x1
        base = y * self.width
        return self.px[base + x0:base + x1]

    def column(self, x):
        return self.px[x::self.width]

    def crop(self, x, y, w, h):
        if x < 0 or y < 0 or x + w > self.width or y + h > self.height:
            raise ValueError("crop %dx%d+%d+%d outside %dx%d" % (w, h, x, y, self.width, self.height))
        out = array("I")
        for yy in range(y, y + h):
            out.extend(self.row(yy, x, x + w))
        return Image(w, h, out)

    def __eq__(self, other):
        return (isinstance(other, Image) and self.width == other.width
                and self.height == other.height and self.px == other.px)

    def bbox(self, value):
        """(x0, y0, x1, y1), exclusive ends, of the pixels of one colour, or None."""
        xs0, xs1, ys = self.width, -1, []
        for y in range(self.height):
            r = self.row(y)
            if value in r:
                ys.append(y)
                xs0 = min(xs0, r.index(value))
                xs1 = max(xs1, self.width - 1 - r[::-1].index(value))
        if not ys:
            return None
        return xs0, ys[0], xs1 + 1, ys[-1] + 1

    def save_png(self, path):
        raw = bytearray()
        data = array("I", self.px)
        if struct.pack("=I", 1) != struct.pack("<I", 1):
            data.byteswap()
        data = data.tobytes()
        stride = self.width * 4
        for y in range(self.height):
            raw.append(0)
            raw += data[y * stride:(y + 1) * stride]

        def chunk(kind, body):
            return (struct.pack(">I", len(body)) + kind + body
                    + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                    + chunk(b"IDAT", zlib.compress(bytes(raw), 6)) + chunk(b"IEND", b""))


def differing(a, b):
    """Coordinates where two images of the same size differ, row by row."""
    if (a.width, a.height) != (b.width, b.height):
        raise ValueError("sizes differ: %dx%d and %dx%d" % (a.width, a.height, b.width, b.height))
    out = []
    for y in range(a.height):
        ra, rb = a.row(y), b.row(y)
        if ra != rb:
            out.extend((x, y) for x in range(a.width) if ra[x] != rb[x])
    return out


def diff_image(actual, expected, points):
    """The actual picture dimmed to grey, with the differing pixels in magenta."""
    out = Image(actual.width, actual.height)
    for i, p in enumerate(actual.px):
        r, g, b = components(p)
        v = 64 + (r + g + b) // 6
        out.px[i] = rgb(v, v, v)
    for x, y in points:
        out.set(x, y, rgb(255, 0, 255))
    return out


def compare(actual, expected, out_dir, name):
    """The coordinates where two pictures differ (None when their sizes do);
    on any difference writes the actual, expected and diff images."""
    if (actual.width, actual.height) != (expected.width, expected.height):
        points = None
    else:
        points = differing(actual, expected)
    if points != []:
        os.makedirs(out_dir, exist_ok=True)
        actual.save_png(os.path.join(out_dir, name + "-actual.png"))
        expected.save_png(os.path.join(out_dir, name + "-expected.png"))
        if points:
            diff_image(actual, expected, points).save_png(os.path.join(out_dir, name + "-diff.png"))
    return points


def main(argv):
    if len(argv) != 5:
        sys.stderr.write("usage: image.py ACTUAL EXPECTED OUT_DIR NAME\n")
        return 2
    actual, expected = Image.load(argv[1]), Image.load(argv[2])
    points = compare(actual, expected, argv[3], argv[4])
    if points is None:
        print("sizes differ: %dx%d, expected %dx%d" % (actual.width, actual.height, expected.width, expected.height))
        return 1
    print("%d pixels differ" % len(points))
    return 0 if not points else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
