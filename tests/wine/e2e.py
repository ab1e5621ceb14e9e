#!/usr/bin/env python3
# Runs the end-to-end cases of the Windows program: brisqual.exe under Wine
# on a private Xvfb display, driven by real X input and checked from
# screenshots. A case is one run of the program: a session of steps, or one
# kept event script compared with the replay tool. Prints PASS/FAIL a check
# and ends with "N passed, N failed".
#   python3 tests/wine/e2e.py [CASE] --exe build/windows/brisqual.exe \
#       --replay build/native/brisqual-replay [--out DIR] [--prefix DIR]
# runs one case, or all of them; --list prints the cases' names. --storm
# EVENTS and --soak MOVES run the event storm and the soak test instead of
# the ordinary cases (add --cases to run those too).
import argparse
import os
import signal
import subprocess
import sys
import time
import traceback
from pathlib import Path

sys.dont_write_bytecode = True   # keep the source tree free of caches
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))

import cases  # noqa: E402
import fidelity  # noqa: E402
import soak  # noqa: E402
import storm  # noqa: E402
from image import Image  # noqa: E402
from report import Suite  # noqa: E402
from session import Screen, SessionError, Wine, XServer, windows_arch  # noqa: E402

REPO = Path(__file__).resolve().parents[2]


class Context:
    def __init__(self, args, suite, screen, wine):
        self.exe = Path(args.exe).resolve()
        self.replay = Path(args.replay).resolve()
        self.suite = suite
        self.screen = screen
        self.wine = wine
        self.measured = {}
        self.storm_events = args.storm
        self.storm_seed = args.storm_seed
        self.soak_moves = args.soak
        self.soak_pace = args.soak_pace
        self.probe_exe = Path(args.probe_exe).resolve()
        self.probe_query = Path(args.probe_query).resolve()

    def run_replay(self, script, name, size=None):
        """Draws a script with brisqual-replay; returns the picture."""
        folder = self.suite.out / self.suite.group
        folder.mkdir(parents=True, exist_ok=True)
        script_path = folder / (name + ".events")
        script_path.write_text(script)
        png = folder / (name + "-replay.png")
        cmd = [str(self.replay), "--png", str(png)]
        if size:
            cmd += ["--size", "%dx%d" % size]
        r = subprocess.run(cmd + [str(script_path)], capture_output=True, text=True, timeout=60)
        if r.returncode != 0:
            raise SessionError("brisqual-replay failed (%d): %s" % (r.returncode, r.stderr.strip()))
        return Image.load(png)


def case_names():
    return [session[0] for session in cases.SESSIONS] + list(fidelity.cases())


def run_cases(ctx, only):
    """The sessions and the kept scripts, or only the case named."""
    for session in cases.SESSIONS:
        if only in (None, session[0]):
            cases.run_all(ctx, sessions=[session])
    for name, path in fidelity.cases().items():
        if only in (None, name):
            fidelity.run(ctx, name, path)


def _on_signal(number, frame):
    # Unwinds through every finally, so the processes started so far are ended.
    raise SystemExit(128 + number)


def main():
    parser = argparse.ArgumentParser(
        description="End-to-end tests of brisqual.exe under Wine on a private Xvfb display.")
    parser.add_argument("case", nargs="?", help="the one case to run (default: all)")
    parser.add_argument("--list", action="store_true", help="print the cases' names and exit")
    parser.add_argument("--exe", help="the cross-built brisqual.exe")
    parser.add_argument("--replay", help="the native brisqual-replay")
    parser.add_argument("--out", help="folder for screenshots (default: e2e-screenshots beside the exe)")
    parser.add_argument("--prefix", help="Wine prefix, made once and reused "
                        "(default: wine-prefix beside the exe)")
    parser.add_argument("--display-file", help="a file naming the X display to use (from tests/harness/xvfb.sh); "
                        "by default the run starts a private Xvfb of its own")
    parser.add_argument("--storm", type=int, default=0, metavar="EVENTS",
                        help="run the event storm of this many random events")
    parser.add_argument("--storm-seed", type=int, help="seed of the storm (default: the one kept in storm.py)")
    parser.add_argument("--soak", type=int, default=0, metavar="MOVES",
                        help="run the soak test: one drag of this many moves on the probe build")
    parser.add_argument("--soak-pace", type=float, default=0.002, metavar="SECONDS",
                        help="pause after each soak move, so that repaints keep up (default 0.002)")
    parser.add_argument("--probe-exe", help="brisqual-probe.exe for the soak (default: beside --exe)")
    parser.add_argument("--probe-query", help="probe_query.exe for the soak (default: beside --exe)")
    parser.add_argument("--cases", action="store_true",
                        help="run the ordinary cases as well as --storm or --soak")
    args = parser.parse_args()
    if args.list:
        print("\n".join(case_names()))
        return 0
    if not args.exe or not args.replay:
        parser.error("--exe and --replay are needed")
    if args.case is not None and args.case not in case_names():
        parser.error("no case %r; --list names them" % args.case)
    if args.storm < 0 or args.soak < 0 or (args.soak and args.soak < 20) or args.soak_pace < 0:
        parser.error("--storm must be 0 or more, --soak 0 or at least 20, --soak-pace 0 or more")
    beside = Path(args.exe).resolve().parent
    args.probe_exe = args.probe_exe or str(beside / "brisqual-probe.exe")
    args.probe_query = args.probe_query or str(beside / "probe_query.exe")

    for tool in ("Xvfb", "xdpyinfo", "xdotool", "import", "convert", "identify", "wineserver"):
        if subprocess.run(["sh", "-c", "command -v " + tool], capture_output=True).returncode != 0:
            print("FAIL setup: %s is not installed" % tool)
            print("0 passed, 1 failed")
            return 1
    for path in [args.exe, args.replay] + ([args.probe_exe, args.probe_query] if args.soak else []):
        if not os.path.isfile(path):
            print("FAIL setup: %s does not exist" % path)
            print("0 passed, 1 failed")
            return 1

    out = Path(args.out or Path(args.exe).resolve().parent / "e2e-screenshots")
    out.mkdir(parents=True, exist_ok=True)
    try:
        arch = windows_arch(args.exe)
    except (OSError, SessionError) as e:
        print("FAIL setup: %s" % e)
        print("0 passed, 1 failed")
        return 1
    # The build tree's own prefix, as ctest's end-to-end tests use, so that none is left elsewhere.
    prefix = args.prefix or os.path.join(os.path.dirname(os.path.abspath(args.exe)), "wine-prefix")

    for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(s, _on_signal)

    suite = Suite(out)
    started = time.monotonic()
    xserver = XServer(out / "xserver", args.display_file)
    wine = None
    interrupted = None
    try:
        display = xserver.start()
        screen = Screen(display)
        wine = Wine(prefix, display, REPO, arch)
        wine.kill_server()   # a server left by an interrupted run would keep an old desktop
        wine.prepare()
        print("Display %s, %s Wine prefix %s, screenshots in %s" % (display, arch, prefix, out), flush=True)
        ctx = Context(args, suite, screen, wine)
        if args.cases or args.case or not (args.storm or args.soak):
            run_cases(ctx, args.case)
        if args.storm:
            if args.storm_seed is None:
                ctx.storm_seed = storm.SEED
            cases.run_all(ctx, sessions=[("storm", [storm.event_storm_matches_the_model])])
        if args.soak:
            cases.run_all(ctx, sessions=[("soak", [soak.long_drag_leaks_nothing], ctx.probe_exe)])
        measured = ctx.measured
        if "client" in measured:
            c, f = measured["client"], measured["frame"]
            print("Measured: client %dx%d at screen %d,%d; window frame %dx%d at %d,%d"
                  % (c.w, c.h, c.x, c.y, f.w, f.h, f.x, f.y))
        if measured.get("fidelity_pixels"):
            print("Measured: the kept scripts compared %d pixels with the replay"
                  % measured["fidelity_pixels"])
        if measured.get("storm"):
            n, seconds, diff = measured["storm"]
            print("Measured: storm of %d events in %.1f s, %s" % (
                n, seconds, "final picture not taken" if diff is None else "%d pixels differ at the end" % diff))
        if measured.get("soak"):
            n, seconds, first, last, diff, repaints = measured["soak"]
            print("Measured: soak of %d moves in %.1f s, %.0f repaints; pens live %d -> %d, created %d -> %d; "
                  "private memory %d -> %d KiB; %d pixels differ at the end" % (
                      n, seconds, repaints, first["live_pens"], last["live_pens"], first["pens_created"],
                      last["pens_created"], first["private_kib"], last["private_kib"], diff))
    except SystemExit as e:
        suite.check("run", False, "interrupted by signal %d" % (e.code - 128))
        interrupted = e.code
    except SessionError as e:
        suite.check("setup", False, str(e))
    except Exception:
        suite.check("harness", False, traceback.format_exc().strip().replace("\n", " | "))
    finally:
        for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(s, signal.SIG_IGN)   # let the clean-up finish
        if wine is not None:
            wine.kill_server()
        xserver.stop()
    print("Runtime %.1f s" % (time.monotonic() - started))
    print("%d passed, %d failed" % (suite.passed, suite.failed))
    if interrupted:
        return interrupted
    return 0 if suite.failed == 0 and suite.passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
