#!/usr/bin/env python3
# Writes the kept event files beside this file. The end-to-end suite plays
# them on the Windows program and compares with the replay tool; the raster
# surface's unit tests draw them against golden images taken from Wine.
# Each comes from a fixed seed, so running this again gives the same files;
# they are kept in the repository so that a change shows up in review.
# Every script stays inside the 602 x 504 client area and releases the
# button inside it, so the window sees exactly the events written here.
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
WIDTH, HEIGHT = 602, 504


def drag(x, ys):
    out = ["down %d %d" % (x, ys[0])]
    out += ["move %d %d" % (x, y) for y in ys[1:]]
    out.append("up %d %d" % (x, ys[-1]))
    return out


def walk(rng, start, steps, low, high, step):
    ys = [start]
    for _ in range(steps):
        ys.append(min(high, max(low, ys[-1] + rng.randint(-step, step))))
    return ys


def event_files():
    s = {}
    s["flat"] = ("The flat curve, no events.", [])
    s["steep-ends"] = ("Sample 4 far up, sample 295 down, then a drag left held.",
                       drag(8, [250, 140]) + drag(590, [250, 330, 350]) + drag(301, [10, 5])[:-1])
    s["drag-example"] = ("Sample 100 grabbed, ten pixels down.", drag(200, [300, 310]))

    rng = random.Random(4101)
    lines = []
    for x in range(0, 22):                      # anchors 0..10
        lines += drag(x, walk(rng, rng.randint(150, 350), 3, 40, 460, 25))
    s["left-end"] = ("Drags on anchors 0 to 10, where the pulse is cut off.", lines)

    rng = random.Random(4102)
    lines = []
    for x in range(580, 602):                   # anchors 290..300
        lines += drag(x, walk(rng, rng.randint(150, 350), 3, 40, 460, 25))
    s["right-end"] = ("Drags on anchors 290 to 300, and the last column.", lines)

    rng = random.Random(4103)
    lines = []
    for _ in range(6):
        x = rng.randint(40, 560)
        y = rng.randint(200, 300)
        lines += drag(x, [y, max(0, y - rng.randint(100, 200)), min(503, y + rng.randint(50, 150))])
    s["steep"] = ("Large steps: plateaus with tall edges.", lines)

    rng = random.Random(4104)
    lines = []
    for _ in range(8):
        x = rng.randint(20, 580)
        y = rng.randint(240, 260)
        lines += drag(x, [y] + [y + d for d in (1, 2, 1, 0, -1, 1)])
    s["shallow"] = ("One-pixel steps: plateaus a pixel or two high.", lines)

    lines = []
    for _ in range(5):                          # 5 units up each time: far off the top
        lines += drag(300, [503, 400, 250, 100, 0])
    for _ in range(5):                          # and all the way back
        lines += drag(300, [0, 100, 250, 400, 503])
    s["off-the-top-and-back"] = ("The plateau 25 units above the window, then back.", lines)

    lines = []
    for _ in range(5):
        lines += drag(160, [0, 120, 300, 503])
    for _ in range(2):
        lines += drag(160, [503, 250, 0])
    s["off-the-bottom"] = ("The plateau far below the window, partly brought back.", lines)

    rng = random.Random(4105)
    lines = []
    for _ in range(40):
        x = rng.randint(0, 601)
        lines += drag(x, walk(rng, rng.randint(100, 400), rng.randint(1, 3), 0, 503, 6))
    s["many-small"] = ("Forty short drags anywhere on the plot.", lines)
    return s


def main():
    folder = HERE
    for name, (about, lines) in event_files().items():
        for line in lines:
            _, x, y = line.split()
            assert 0 <= int(x) < WIDTH and 0 <= int(y) < HEIGHT, line
        with open(os.path.join(folder, name + ".events"), "w") as f:
            f.write("# %s\n" % about)
            f.write("".join(line + "\n" for line in lines))


if __name__ == "__main__":
    main()
