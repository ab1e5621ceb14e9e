# Reporting for the end-to-end tests: PASS/FAIL lines with their reasons,
# the counts, and on a picture mismatch the actual, expected and diff images.
from collections import Counter
from pathlib import Path

from expected import colour_name
from image import compare


class Suite:
    def __init__(self, out_dir):
        self.out = Path(out_dir)
        self.passed = 0
        self.failed = 0
        self.group = "suite"

    def check(self, name, ok, reason):
        print("%s %s: %s" % ("PASS" if ok else "FAIL", name, reason), flush=True)
        if ok:
            self.passed += 1
        else:
            self.failed += 1
        return ok

    def info(self, name, text):
        print("INFO %s: %s" % (name, text), flush=True)

    def save(self, name, image):
        path = self.out / self.group / (name + ".png")
        path.parent.mkdir(parents=True, exist_ok=True)
        image.save_png(path)
        return path

    def compare(self, name, actual, expected, what="pixels"):
        """Checks that two pictures are equal; on a difference writes the
        actual, expected and diff images."""
        points = compare(actual, expected, self.out / self.group, name)
        if points is None:
            return self.check(name, False, "sizes differ: %dx%d on screen, %dx%d expected" % (
                actual.width, actual.height, expected.width, expected.height))
        if not points:
            return self.check(name, True, "all %d %s match" % (actual.width * actual.height, what))
        return self.check(name, False, "%d %s differ: %s; images in %s" % (
            len(points), what, describe(points, actual, expected), self.out / self.group))


def describe(points, actual, expected, limit=6):
    """Differing pixels grouped by what was expected and what was found."""
    groups = {}
    for x, y in points:
        key = (colour_name(expected.get(x, y)), colour_name(actual.get(x, y)))
        g = groups.setdefault(key, [0, x, y, x, y])
        g[0] += 1
        g[1], g[2] = min(g[1], x), min(g[2], y)
        g[3], g[4] = max(g[3], x), max(g[4], y)
    parts = []
    for (want, got), (n, x0, y0, x1, y1) in sorted(groups.items(), key=lambda kv: -kv[1][0])[:limit]:
        parts.append("%d expected %s, found %s (x %d..%d, y %d..%d)" % (n, want, got, x0, x1, y0, y1))
    if len(groups) > limit:
        parts.append("%d more kinds" % (len(groups) - limit))
    return "; ".join(parts)


def rows_summary(points, limit=12):
    """The rows with the most differing pixels, as 'y=ROW: COUNT'."""
    rows = Counter(y for _, y in points)
    top = sorted(rows.items(), key=lambda kv: (-kv[1], kv[0]))[:limit]
    text = ", ".join("y=%d: %d" % (y, n) for y, n in sorted(top))
    return text + (" (%d rows in all)" % len(rows) if len(rows) > limit else "")
