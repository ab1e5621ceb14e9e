# The start-up picture worked out here from the plot's coordinates and the
# way GDI draws its lines, independently of the program's own painter, so a
# screenshot can be checked pixel for pixel against it.
import math
from fractions import Fraction

from image import Image, rgb

BACKGROUND = rgb(0, 128, 0)
RED = rgb(255, 0, 0)
GREEN = rgb(0, 255, 0)
YELLOW = rgb(255, 255, 0)
VERTICAL_GRID = rgb(200, 190, 20)
HORIZONTAL_GRID = rgb(230, 190, 0)
WHITE = rgb(255, 255, 255)

NAMES = {BACKGROUND: "background", RED: "red", GREEN: "green", YELLOW: "yellow",
         VERTICAL_GRID: "vertical grid", HORIZONTAL_GRID: "horizontal grid", WHITE: "white"}

SAMPLES = 300
ZERO_ROW = 250
DASH_ON, DASH_PERIOD = 18, 24


def colour_name(value):
    return NAMES.get(value, "(%d,%d,%d)" % (value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF))


def screen_x(k):
    # Division first, then the product, each rounded to double, then truncation.
    return math.trunc((k / SAMPLES) * 600.0)


def wide_horizontal(img, x0, x1, y, colour):
    """A width-2 segment along a row: band and round caps cover x0-1 .. x1 in rows y-1 and y."""
    for yy in (y - 1, y):
        for x in range(min(x0, x1) - 1, max(x0, x1) + 1):
            img.set(x, yy, colour)


def thin_line(img, x0, y0, x1, y1, colour, dashed):
    """A width-1 line, end point left out; dashes count along the major axis and
    the gaps are painted white (opaque background mode, white background)."""
    dx, dy = x1 - x0, y1 - y0
    steps = max(abs(dx), abs(dy))
    for j in range(steps):
        on = not dashed or j % DASH_PERIOD < DASH_ON
        if abs(dx) > abs(dy):
            x = x0 + (j if dx > 0 else -j)
            y = math.ceil(y0 + Fraction(dy * (x - x0), dx) - Fraction(1, 2))
        else:
            y = y0 + (j if dy > 0 else -j)
            x = math.ceil(x0 + Fraction(dx * (y - y0), dy) - Fraction(1, 2))
        img.set(x, y, colour if on else WHITE)


def grid(img):
    thin_line(img, 0, 0, 1, 500, VERTICAL_GRID, True)
    for x in (200, 400, 600):
        thin_line(img, x, 0, x, 500, VERTICAL_GRID, True)
    for y in (50, 250, 450):
        thin_line(img, 0, y, 600, y, HORIZONTAL_GRID, True)


def startup_picture(width, height):
    """The flat curve: curve, mean line and integral all on the zero row, grid over them."""
    img = Image(width, height, fill=BACKGROUND)
    for i in range(SAMPLES):
        wide_horizontal(img, screen_x(i), screen_x(i + 1), ZERO_ROW, RED)
    wide_horizontal(img, 0, 600, ZERO_ROW, GREEN)
    for i in range(SAMPLES):
        wide_horizontal(img, screen_x(i - 1), screen_x(i), ZERO_ROW, YELLOW)
    grid(img)
    return img
