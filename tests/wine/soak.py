# The soak test: one long drag of many moves up and down over the client of
# the probe build, watched from outside through probe_query.exe. No pen may
# outlive its repaint, repaints must really happen all along, private memory
# must not grow, and the picture at the end must be the model's for the same
# moves.
import random
import subprocess
import time

from image import differing
from session import SessionError

SEED = 1077
MEMORY_TOLERANCE_KIB = 64   # heap and driver caches may settle by a page or so
WARM_UP = 0.05              # share of the moves before the memory baseline
CHUNK = 100                 # moves a single xdotool call sends
BAND = (120, 380)           # client rows the pointer keeps to


def probe(ctx):
    """The program's own counts: live_pens, pens_created, private_kib, gdi_objects."""
    r = subprocess.run([ctx.wine.loader, str(ctx.probe_query)], env=ctx.wine.env, capture_output=True,
                       text=True, timeout=60)
    if r.returncode != 0:
        raise SessionError("probe_query failed (%d): %s" % (r.returncode, r.stderr.strip()))
    values = {}
    for line in r.stdout.split():
        name, _, value = line.partition("=")
        values[name] = int(value)
    for name in ("live_pens", "pens_created", "private_kib", "gdi_objects"):
        if name not in values:
            raise SessionError("probe_query printed no %s: %r" % (name, r.stdout))
    return values


def moves(count, seed):
    """Client points of a drag that sweeps up and down the band in uneven steps."""
    rng = random.Random(seed)
    x, y, direction = 300, 250, 1
    out = []
    for _ in range(count):
        y += direction * rng.randint(1, 6)
        if not BAND[0] <= y <= BAND[1]:
            y = min(max(y, BAND[0]), BAND[1])
            direction = -direction
        x = min(max(x + rng.randint(-3, 3), 200), 400)   # x plays no part once the drag is on
        out.append((x, y))
    return out


def long_drag_leaks_nothing(ctx, app):
    suite = ctx.suite
    count = ctx.soak_moves
    path = moves(count, SEED)
    samples = []

    def sample(label, done):
        values = probe(ctx)
        samples.append((label, done, values))
        suite.info("soak_sample", "%s (%d moves): %s" % (
            label, done, " ".join("%s=%d" % kv for kv in sorted(values.items()))))

    started = time.monotonic()
    sample("start", 0)
    marks = sorted(m for m in {max(1, int(count * WARM_UP))} | {count * k // 4 for k in (1, 2, 3)}
                   if 0 < m < count)
    script = ["down 300 250"]
    app.screen.xdotool("mousemove", *app.to_screen(300, 250), "mousedown", 1)
    app.pressed = True
    done = 0
    while done < count:
        end = min(count, done + CHUNK)
        for mark in marks:
            if done < mark <= end:
                end = mark
        args = []
        for x, y in path[done:end]:
            args += ["mousemove", app.client.x + x, app.client.y + y, "sleep", "%.3f" % ctx.soak_pace]
            script.append("move %d %d" % (x, y))
        app.screen.xdotool(*args)
        done = end
        if done in marks:
            app.settle(quiet=0.2)
            sample("warm" if done == marks[0] else "%d%%" % (100 * done // count), done)
    app.screen.xdotool("mouseup", 1)
    app.pressed = False
    script.append("up %d %d" % path[-1])
    shot = app.settle()
    sample("end", count)
    seconds = time.monotonic() - started

    bad = [(label, v["live_pens"]) for label, _, v in samples if v["live_pens"] != 0]
    suite.check("soak_leaves_no_pen_alive_between_repaints", not bad,
                "live_pens=0 at all %d samples" % len(samples) if not bad else
                ", ".join("%s: live_pens=%d" % b for b in bad))

    created = [v["pens_created"] for _, _, v in samples]
    steady = all(b > a for a, b in zip(created, created[1:]))
    repaints = (created[-1] - created[0]) / 5.0
    suite.check("soak_repaints_all_through_the_drag", steady,
                "pens_created %s: %.0f repaints for %d moves" % (" -> ".join(map(str, created)), repaints, count))

    warm = next((v for label, _, v in samples if label == "warm"), samples[0][2])
    end = samples[-1][2]
    growth = end["private_kib"] - warm["private_kib"]
    gdi_grew = warm["gdi_objects"] and end["gdi_objects"] > warm["gdi_objects"]
    suite.check("soak_private_memory_does_not_grow", growth <= MEMORY_TOLERANCE_KIB and not gdi_grew,
                "private memory %d KiB at start, %d KiB after warm-up, %d KiB at the end (%+d KiB, "
                "%d allowed); GDI objects %d -> %d%s" % (
                    samples[0][2]["private_kib"], warm["private_kib"], end["private_kib"], growth,
                    MEMORY_TOLERANCE_KIB, warm["gdi_objects"], end["gdi_objects"],
                    " (not counted here)" if not warm["gdi_objects"] else ""))

    pic = app.picture(shot)
    expected = ctx.run_replay("".join(line + "\n" for line in script), "soak")
    points = differing(pic, expected)
    ctx.measured["soak"] = (count, seconds, samples[0][2], end, len(points), repaints)
    suite.compare("soak_final_picture_equals_the_replay_of_the_same_moves", pic, expected)
    suite.info("soak_run", "%d moves in %.1f s" % (count, seconds))

    ctx.screen.key("Escape")
    code = app.wait_exit(10)
    suite.check("soak_leaves_the_program_answering_and_esc_ends_it_with_code_0", code == 0,
                "exit code %s" % ("none within 10 s" if code is None else code))
