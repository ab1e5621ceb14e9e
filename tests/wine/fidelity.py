# The pixel-comparison suite: each kept event script (tests/data/events/*.events) is
# played on brisqual.exe under Wine with real X input, and the client area
# must equal brisqual-replay's picture for the same script, pixel for pixel.
import subprocess
import time
from pathlib import Path

from app import App
from locate import NotFound
from session import SessionError

SCRIPTS = Path(__file__).resolve().parents[1] / "data" / "events"
PACE = 0.08   # seconds given to a move whose repaint shows nothing new


def read_script(path):
    events = []
    for line in path.read_text().splitlines():
        line = line.split("#", 1)[0].split()
        if line:
            events.append((line[0], int(line[1]), int(line[2])))
    return events


def replay_png(ctx, lines):
    """The replay tool's PNG for the events so far, as bytes: equal bytes
    mean an equal picture, since the encoder is deterministic."""
    tmp = ctx.suite.out / ctx.suite.group / "step.png"
    tmp.parent.mkdir(parents=True, exist_ok=True)
    r = subprocess.run([str(ctx.replay), "--png", str(tmp)], input="".join(l + "\n" for l in lines).encode(),
                       capture_output=True, timeout=60)
    if r.returncode != 0:
        raise SessionError("brisqual-replay failed: %s" % r.stderr.decode().strip())
    return tmp.read_bytes()


def play(ctx, app, events):
    """Sends the events; after each move that should change the picture,
    waits until the screen shows a change, so no move is lost to the
    system's merging of pointer moves."""
    screen = ctx.screen
    done = []
    picture = replay_png(ctx, done)
    pointer = None
    for kind, x, y in events:
        line = "%s %d %d" % (kind, x, y)
        if (x, y) != pointer:
            # Positioning the pointer while no button is held is a move the
            # program sees with no drag on: it changes nothing.
            screen.move(*app.to_screen(x, y))
            pointer = (x, y)
        if kind == "down":
            screen.xdotool("mousedown", 1)
            app.pressed = True   # a script may end with the button held; stop() lets go
        elif kind == "up":
            screen.xdotool("mouseup", 1)
            app.pressed = False
        done.append(line)
        if kind != "move":
            continue
        before = app.shot
        following = replay_png(ctx, done)
        if following != picture:
            app.settle(differs_from=before, region=app.client, timeout=10, quiet=0.1)
        else:
            time.sleep(PACE)
        picture = following
    return app.settle()


def cases():
    """The kept scripts by case name, fidelity-NAME. A script without events
    is left out: the start's picture is checked by the main session against
    a picture drawn without the replay tool."""
    return {"fidelity-" + path.stem: path for path in sorted(SCRIPTS.glob("*.events")) if read_script(path)}


def run(ctx, name, path):
    """Plays one kept script on a fresh run of the program and compares the
    client area with the replay tool's picture."""
    suite = ctx.suite
    check = name.replace("-", "_") + "_matches_the_replay"
    suite.group = name
    events = read_script(path)
    try:
        app = App(ctx)
    except (SessionError, NotFound) as e:
        suite.check(check, False, "the program did not start: %s" % e)
        return
    try:
        started = time.monotonic()
        shot = play(ctx, app, events)
        pic = app.picture(shot)
        suite.save("wine", pic)   # the candidates for the raster tests' golden images
        replay = ctx.run_replay(path.read_text(), path.stem)
        suite.compare(check, pic, replay)
        ctx.measured["fidelity_pixels"] = ctx.measured.get("fidelity_pixels", 0) + pic.width * pic.height
        suite.info(check, "%d events in %.1f s" % (len(events), time.monotonic() - started))
    except (SessionError, NotFound) as e:
        suite.check(check, False, "error: %s" % e)
    finally:
        app.stop()
