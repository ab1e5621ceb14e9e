# Finds the parts of the main window on a screenshot by their pixels: the
# client area by its background, the frame by where the desktop shows again,
# the caption, its buttons and the menu bar item inside the frame.
from collections import namedtuple

from expected import BACKGROUND
from image import components

Rect = namedtuple("Rect", "x y w h")


def rect_str(r):
    return "%dx%d at %d,%d" % (r.w, r.h, r.x, r.y)


def centre(r):
    return r.x + r.w // 2, r.y + r.h // 2


class NotFound(Exception):
    pass


def find_client(shot):
    """The client area: the box around every pixel of the window's background.
    Its corners stay background for every picture the tests draw (the grid
    leaves x = 1 free in row 0 and the plot ends at row 500 and column 600)."""
    box = shot.bbox(BACKGROUND)
    if box is None:
        raise NotFound("no pixel of the background colour (0,128,0) on the screen")
    x0, y0, x1, y1 = box
    return Rect(x0, y0, x1 - x0, y1 - y0)


def _runs(values):
    """[(value, start, length)] of equal neighbours."""
    out = []
    for i, v in enumerate(values):
        if out and out[-1][0] == v:
            out[-1][2] += 1
        else:
            out.append([v, i, 1])
    return [tuple(r) for r in out]


def find_frame(shot, client, desktop):
    """The window's outer rectangle: from the client's middle outwards until
    the desktop colour shows."""
    cx, cy = centre(client)

    def walk(x, y, dx, dy):
        while 0 <= x < shot.width and 0 <= y < shot.height and shot.get(x, y) != desktop:
            x, y = x + dx, y + dy
        return x, y

    left = walk(client.x - 1, cy, -1, 0)[0] + 1
    right = walk(client.x + client.w, cy, 1, 0)[0]
    top = walk(cx, client.y - 1, 0, -1)[1] + 1
    bottom = walk(cx, client.y + client.h, 0, 1)[1]
    return Rect(left, top, right - left, bottom - top)


def find_caption(shot, frame, client):
    """The caption bar: the topmost band, at least 10 rows high, of one colour
    above the client area. Returns (rect, colour)."""
    x = client.x + client.w // 2
    column = [shot.get(x, y) for y in range(frame.y, client.y)]
    bands = [r for r in _runs(column) if r[2] >= 10]
    if len(bands) < 2:
        raise NotFound("no caption and menu bar above the client area")
    colour, start, length = bands[0]
    return Rect(frame.x, frame.y + start, frame.w, length), colour


def find_caption_buttons(shot, frame, client):
    """The caption's boxes from the right: [close, maximise, minimise] rects.
    They are of one width; adjacent boxes (minimise and maximise touch each
    other) show as one run of several widths and are split."""
    caption, colour = find_caption(shot, frame, client)
    y = caption.y + caption.h // 2
    row = [shot.get(x, y) for x in range(frame.x, frame.x + frame.w)]
    i = len(row) - 1
    while i >= 0 and row[i] != colour:   # past the frame to the caption colour
        i -= 1
    runs = []
    while i >= 0 and len(runs) < 2:
        while i >= 0 and row[i] == colour:
            i -= 1
        end = i
        while i >= 0 and row[i] != colour:
            i -= 1
        runs.append((frame.x + i + 1, end - i))
    if len(runs) < 2 or runs[0][1] < 8:
        raise NotFound("no close box on the caption")
    width = runs[0][1]
    boxes = [(runs[0][0], width)]
    x, w = runs[1]
    if abs(w - 2 * width) > 2:
        raise NotFound("the boxes left of the close box are %d pixels wide, not two of %d" % (w, width))
    boxes += [(x + w - width, width), (x, w - width)]
    out = []
    for bx, bw in boxes:
        mx = bx + bw // 2
        top = y
        while top > caption.y and shot.get(mx, top - 1) != colour:
            top -= 1
        bottom = y
        while bottom < caption.y + caption.h - 1 and shot.get(mx, bottom + 1) != colour:
            bottom += 1
        out.append(Rect(bx, top, bw, bottom - top + 1))
    return out


def find_menu_text(shot, frame, client):
    """The box around the dark text on the menu bar (its only item)."""
    caption, _ = find_caption(shot, frame, client)
    y0, y1 = caption.y + caption.h, client.y
    xs, ys = [], []
    for y in range(y0, y1):
        for x in range(client.x, client.x + client.w):
            if sum(components(shot.get(x, y))) < 200:
                xs.append(x)
                ys.append(y)
    if not xs:
        raise NotFound("no text on the menu bar")
    return Rect(min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)


def find_changed(before, after, within=None):
    """The box around the pixels that differ between two shots, or None."""
    x0, y0, w, h = within or (0, 0, before.width, before.height)
    xs0, xs1, ys = w, -1, []
    for y in range(y0, y0 + h):
        a, b = before.row(y, x0, x0 + w), after.row(y, x0, x0 + w)
        if a != b:
            d = [i for i in range(w) if a[i] != b[i]]
            xs0, xs1 = min(xs0, d[0]), max(xs1, d[-1])
            ys.append(y)
    if not ys:
        return None
    return Rect(x0 + xs0, ys[0], xs1 - xs0 + 1, ys[-1] - ys[0] + 1)
