# The processes of an end-to-end run: a private Xvfb display, a private Wine
# prefix and the program under Wine, driven by xdotool and watched through
# screenshots. Every process is started here, remembered by PID and ended
# by PID; nothing is ended by name.
import os
import signal
import subprocess
import time
from pathlib import Path

from image import Image

SCREEN = (1280, 1024)   # as tests/harness/xvfb.sh makes it
HARNESS = Path(__file__).resolve().parents[1] / "harness"


class SessionError(Exception):
    pass


class XServer:
    """The X display of a run: the one named in DISPLAY_FILE when given (a
    fixture owns it), else a private Xvfb that this run starts and ends."""

    def __init__(self, state_dir, display_file=None):
        self.state_dir = Path(state_dir)
        self.display_file = display_file
        self.owned = False

    def start(self):
        if self.display_file:
            try:
                return Path(self.display_file).read_text().strip()
            except OSError as e:
                raise SessionError("no X display: %s" % e)
        r = subprocess.run([str(HARNESS / "xvfb.sh"), "start", str(self.state_dir)],
                           capture_output=True, text=True, timeout=30)
        if r.returncode != 0:
            raise SessionError("cannot start Xvfb: " + r.stderr.strip())
        self.owned = True
        return r.stdout.strip()

    def stop(self):
        if self.owned:
            subprocess.run([str(HARNESS / "xvfb.sh"), "stop", str(self.state_dir)], capture_output=True, timeout=30)
            self.owned = False


def _end(proc, grace=3.0):
    """Ends one process that this run started, by its PID."""
    if proc.poll() is not None:
        return proc.returncode
    try:
        os.kill(proc.pid, signal.SIGTERM)
        return proc.wait(grace)
    except subprocess.TimeoutExpired:
        os.kill(proc.pid, signal.SIGKILL)
        return proc.wait()
    except ProcessLookupError:
        return proc.wait()


def windows_arch(exe):
    """win32 or win64, from the machine field of a program's PE header."""
    with open(exe, "rb") as f:
        head = f.read(4096)
    at = int.from_bytes(head[0x3C:0x40], "little")
    if head[:2] != b"MZ" or head[at:at + 4] != b"PE\0\0":
        raise SessionError("%s is not a Windows program" % exe)
    machine = int.from_bytes(head[at + 4:at + 6], "little")
    return {0x14C: "win32", 0x8664: "win64"}.get(machine) or "machine 0x%X" % machine


class Wine:
    """A private prefix with the virtual desktop, made once and then reused,
    and the loader for its kind of program (32-bit or 64-bit)."""

    def __init__(self, prefix, display, repo, arch):
        self.prefix = str(prefix)
        self.repo = Path(repo)
        self.arch = arch
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all", DISPLAY=display,
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        if len(self.prefix) <= 59:   # the same TMPDIR as wine-prefix.sh gives the prefix's wineserver
            self.env["TMPDIR"] = os.path.join(self.prefix, ".tmp")
        # No session bus: on X, D-Bus would start one for Wine and note it in the home folder.
        self.env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + os.path.join(self.prefix, ".no-bus")
        self.loader = "wine"
        if arch == "win64":   # the plain wine command would pick the 32-bit loader
            self.loader = self.env["WINELOADER"] = "/usr/lib/wine/wine64"

    def prepare(self):
        env = dict(self.env, BRISQUAL_WINEPREFIX=self.prefix)
        r = subprocess.run([str(self.repo / "tests" / "wine" / "wine-prefix.sh"), self.arch], env=env,
                           capture_output=True, text=True, timeout=180)
        if r.returncode != 0:
            raise SessionError("wine prefix setup failed: " + r.stderr.strip())

    def kill_server(self):
        # wineserver -k ends only the processes of this prefix.
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=30)


class Program:
    """One run of brisqual.exe; wine is started directly so its exit code is the program's."""

    def __init__(self, wine, exe):
        self.wine = wine
        self.proc = subprocess.Popen([wine.loader, str(exe)], env=wine.env, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    @property
    def pid(self):
        return self.proc.pid

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        if self.proc.poll() is None:
            os.kill(self.proc.pid, signal.SIGKILL)
            self.proc.wait()


class Screen:
    """Screenshots and input on one X display."""

    def __init__(self, display):
        self.display = display
        self.env = dict(os.environ, DISPLAY=display)

    def shot(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "rgba:-"], env=self.env,
                              check=True, capture_output=True).stdout
        return Image.from_rgba(SCREEN[0], SCREEN[1], data)

    def settled(self, timeout=5.0, interval=0.06, quiet=0.25, differs_from=None, region=None):
        """The picture once it stops changing: equal shots over `quiet` seconds.
        With `differs_from`, first wait until the picture (or `region` of it)
        has changed from that one. Raises SessionError on timeout."""
        def view(img):
            return img.crop(*region) if region else img

        deadline = time.monotonic() + timeout
        last = self.shot()
        if differs_from is not None:
            while view(last) == view(differs_from):
                if time.monotonic() > deadline:
                    raise SessionError("the picture did not change within %.1f s" % timeout)
                time.sleep(interval)
                last = self.shot()
        since = time.monotonic()
        while True:
            time.sleep(interval)
            now = self.shot()
            if now != last:
                last, since = now, time.monotonic()
            elif time.monotonic() - since >= quiet:
                return now
            if time.monotonic() > deadline:
                raise SessionError("the picture kept changing for %.1f s" % timeout)

    def xdotool(self, *args, check=True):
        r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                           capture_output=True, text=True, timeout=30)
        if check and r.returncode != 0:
            raise SessionError("xdotool %s: %s" % (" ".join(map(str, args)), r.stderr.strip()))
        return r.stdout

    def find_windows(self, name):
        r = subprocess.run(["xdotool", "search", "--name", name], env=self.env,
                           capture_output=True, text=True, timeout=30)
        return [int(w) for w in r.stdout.split()]

    def wait_window(self, name, present=True, timeout=5.0):
        deadline = time.monotonic() + timeout
        while True:
            found = bool(self.find_windows(name))
            if found == present:
                return True
            if time.monotonic() > deadline:
                return False
            time.sleep(0.05)

    def move(self, x, y):
        self.xdotool("mousemove", x, y)

    def click(self, x, y, button=1, repeat=1):
        self.xdotool("mousemove", x, y, "click", "--repeat", repeat, "--delay", 80, button)

    def key(self, *names):
        self.xdotool("key", "--delay", 30, *names)

    def drag(self, points, button=1, step_delay=0.02):
        """Press at the first point, move through the others, do not release."""
        args = ["mousemove", points[0][0], points[0][1], "mousedown", button]
        for x, y in points[1:]:
            args += ["sleep", step_delay, "mousemove", x, y]
        self.xdotool(*args)

    def release(self, button=1):
        self.xdotool("mouseup", button)
