#!/usr/bin/env python3
"""The curve model written again from its description, without the
program's code, to check brisqual-replay on event files: the curve, its
integral and mean level, and the drag (with its pulse) that --state prints,
to the bit; the fragment that --link prints; and that fragment read back
with --from-link giving the same state. Python's floats are IEEE doubles,
and every operation here is done in the order the description gives.

usage: pulse_model.py BRISQUAL-REPLAY EVENTS...   (exit 1 on a difference)
"""
import json
import struct
import subprocess
import sys

N = 300                                                  # intervals: N + 1 samples
GAIN = struct.unpack("<f", struct.pack("<f", 0.01))[0]   # 0.01 in single precision
STEP_WIDTH = 6.283184 / N
RECIPROCAL = 0.15915497620314795                         # of the interval, 2 pi
DEFAULT_PULSE = (0, 19)                                  # plateau, width 19


class Model:
    def __init__(self):
        self.curve = [0.0] * (N + 1)
        self.active, self.anchor, self.last_y = 0, 0, 0
        self.pulse = self.next_pulse = DEFAULT_PULSE

    def press(self, x, y):
        # Sample i sits at column (i / N) * 600; a press within 1.5 pixels
        # of one grabs the leftmost such sample.
        self.last_press_grabbed = False
        for i in range(N + 1):
            if abs((i / float(N)) * 600.0 - float(x)) < 450.0 / N:
                self.active, self.anchor, self.pulse = 1, i, self.next_pulse
                self.last_press_grabbed = True
                break
        self.last_y = y

    def move(self, y):
        if not self.active:
            return
        step = float(y - self.last_y) * GAIN
        self.last_y = y
        shape, width = self.pulse
        reach = 2.66 * float(width)
        f = self.curve
        for i in range(N + 1):
            d = i - self.anchor
            if shape == 3:
                f[i] = f[i] - step
            elif abs(float(d)) < reach:
                t = float(d) / reach
                if shape == 0:
                    f[i] = f[i] - step
                elif shape == 1:
                    u = 1.0 - t * t
                    f[i] = f[i] - step * (u * u)
                else:
                    f[i] = f[i] - step * (1.0 - abs(t))

    def state(self):
        integral, total = [0.0, 0.0], 0.0
        for k in range(2, N + 1):
            total = total + STEP_WIDTH * self.curve[k - 2]
            integral.append(total)
        return {"step_width": STEP_WIDTH, "curve": self.curve, "integral": integral,
                "mean": integral[N] * RECIPROCAL,
                "drag": {"active": self.active, "anchor": self.anchor, "last_y": self.last_y,
                         "pulse_shape": self.pulse[0], "pulse_width": self.pulse[1],
                         "next_pulse_shape": self.next_pulse[0], "next_pulse_width": self.next_pulse[1]}}


def events_of(path):
    for line in open(path):
        fields = line.split("#")[0].split()
        if fields:
            yield fields[0], fields[1:]


def replay(path):
    """The state after the file's events, and the link the page would hold:
    moves that change nothing left out, a pulse written before the press
    that takes it (one that grabs a sample) when it differs from the link's
    last, and at the end one chosen after the last press."""
    model, link, written = Model(), "#", DEFAULT_PULSE
    for word, args in events_of(path):
        if word == "key":
            if args == ["esc"]:
                break
            continue
        a, b = int(args[0]), int(args[1])
        if word == "pulse":
            model.next_pulse = (a, b)
        elif word == "down":
            model.press(a, b)
            if model.last_press_grabbed and model.next_pulse != written:
                written = model.next_pulse
                link += "p%d.%d" % written
            link += "d%d.%d" % (a, b)
        elif word == "move":
            if model.active and b != model.last_y:
                link += "m%d.%d" % (a, b)
                model.move(b)
        elif word == "up":
            link += "u%d.%d" % (a, b)
            model.active = 0
    if model.next_pulse != written:
        link += "p%d.%d" % model.next_pulse
    return model.state(), link


def tool(replay_tool, args, data=None):
    return subprocess.run([replay_tool] + args, input=data, stdout=subprocess.PIPE, check=True).stdout


def main():
    replay_tool, failed = sys.argv[1], False
    for path in sys.argv[2:]:
        state, link = replay(path)
        got = json.loads(tool(replay_tool, ["--state", path]))
        for key in state:
            if got.get(key) != state[key]:
                print("%s: --state's %s differs from the model's" % (path, key))
                failed = True
        got_link = tool(replay_tool, ["--link", path]).decode().rstrip("\n")
        if got_link != link:
            print("%s: --link gives %s, the model %s" % (path, got_link[:200], link[:200]))
            failed = True
        back = json.loads(tool(replay_tool, ["--from-link", "--state"], got_link.encode()))
        if not state["drag"]["active"] and back != got:
            print("%s: its link read back gives another state" % path)
            failed = True
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
