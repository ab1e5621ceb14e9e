#!/usr/bin/env python3
"""The theorem of the curve as drawn, worked out in exact rational arithmetic
from the samples of a `brisqual-replay --state` and compared with the
"theorem" object it printed: the integral by trapezoids, the mean, every c
where the straight segments meet the mean, the stretches along it, and the
areas above and below it; and what students mistake for the mean (the
average of f(a) and f(b), of the extremes, f at the middle, the secant's
slope) with the tolerances a guess is judged by; and which of the lesson's
challenges the curve meets. A sample within 1e-9 of the largest |F| over the
interval counts as on the mean, and a and b within 1/4096 of it, as the
program documents.

usage: theorem_exact.py STATE.json [A B]   (A B: the interval expected)"""
import json
import sys
from fractions import Fraction as Q


def exact(state, a, b):
    f = [Q(v) for v in state["curve"]]
    step = Q(state["step_width"])
    heights = sum((f[k] + f[k + 1]) / 2 for k in range(a, b))
    mean = heights / (b - a)
    scale = max(abs(v) for v in f[a:b + 1])
    on = [abs(v - mean) <= scale * (Q(1, 4096) if k in (a, b) else Q(1, 10**9)) for k, v in enumerate(f)]
    points, stretches = [], []
    k = a
    while k <= b:
        if on[k]:
            end = k
            while end < b and on[end + 1]:
                end += 1
            if end == k:
                points.append(k * step)
            else:
                stretches.append([k * step, end * step])
            k = end
        if k < b and not on[k] and not on[k + 1] and (f[k] > mean) != (f[k + 1] > mean):
            d0, d1 = f[k] - mean, f[k + 1] - mean
            points.append((k + d0 / (d0 - d1)) * step)
        k += 1
    above = below = Q(0)
    for k in range(a, b):
        d0, d1 = f[k] - mean, f[k + 1] - mean
        if d0 * d1 < 0:
            parts = (d0 * d0 / abs(d0 - d1) / 2 * step, d1 * d1 / abs(d0 - d1) / 2 * step)
            above += parts[0] if d0 > 0 else parts[1]
            below += parts[1] if d0 > 0 else parts[0]
        elif d0 + d1 > 0:
            above += (d0 + d1) / 2 * step
        else:
            below -= (d0 + d1) / 2 * step
    values = f[a:b + 1]
    middle = f[(a + b) // 2] if (a + b) % 2 == 0 else (f[(a + b) // 2] + f[(a + b) // 2 + 1]) / 2
    mistakes = {"ends_average": (f[a] + f[b]) / 2, "extremes_average": (max(values) + min(values)) / 2,
                "middle_value": middle, "secant_slope": (f[b] - f[a]) / ((b - a) * step),
                "tolerance": max((max(values) - min(values)) / 20, Q(5, 1000)),
                "point_tolerance": (b - a) * step / 30}
    # The challenges: a mean of 0.5 to two decimals; three c and no stretch;
    # a mean of 0 on a curve that is not flat; a c or a stretch in the first
    # third of [a, b]; both areas at least 1.
    leftmost = [x / step for x in points + [pair[0] for pair in stretches]]
    met = [abs(mean - Q(1, 2)) < Q(5, 1000), len(points) == 3 and not stretches,
           abs(mean) < Q(5, 1000) and len(set(values)) > 1, any(x <= a + Q(b - a, 3) for x in leftmost),
           above >= 1 and below >= 1]
    return {"integral": heights * step, "mean": mean, "c": points, "stretches": stretches,
            "area_above": above, "area_below": below, "mistaken_means": mistakes,
            "challenges_met": [n + 1 for n in range(5) if met[n]]}


def main():
    state = json.load(open(sys.argv[1]))
    got = state["theorem"]
    problems = []
    if sorted(got) != ["area_above", "area_below", "c", "challenges_met", "integral", "interval", "mean",
                       "mistaken_means", "stretches"]:
        problems.append("keys %s" % sorted(got))
    a, b = got["interval"]
    if len(sys.argv) > 3 and [a, b] != [int(sys.argv[2]), int(sys.argv[3])]:
        problems.append("interval %s, expected [%s, %s]" % (got["interval"], sys.argv[2], sys.argv[3]))
    want = exact(state, a, b)
    scale = max(1.0, max(abs(v) for v in state["curve"]))
    close = lambda x, y: abs(Q(x) - y) <= Q(1e-12) * Q(scale)
    for key in ("integral", "mean", "area_above", "area_below"):
        if not close(got[key], want[key]):
            problems.append("%s %r, exactly %r" % (key, got[key], float(want[key])))
    for key in ("c", "stretches"):
        flat = lambda xs: [x for pair in xs for x in pair] if key == "stretches" else xs
        if len(got[key]) != len(want[key]) or not all(close(x, y) for x, y in zip(flat(got[key]), flat(want[key]))):
            problems.append("%s %r, exactly %r" % (key, got[key], [float(x) for x in flat(want[key])]))
    for key, value in want["mistaken_means"].items():
        if not abs(Q(got["mistaken_means"][key]) - value) <= Q(1e-12) * Q(scale) * max(1, abs(value)):
            problems.append("%s %r, exactly %r" % (key, got["mistaken_means"][key], float(value)))
    if got["challenges_met"] != want["challenges_met"]:
        problems.append("challenges met %r, exactly %r" % (got["challenges_met"], want["challenges_met"]))
    c = got["c"]
    if any(x >= y for x, y in zip(c, c[1:])):
        problems.append("c not strictly increasing: %r" % c)
    for problem in problems:
        print("%s: %s" % (sys.argv[1], problem))
    sys.exit(1 if problems else 0)


main()
