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

SCREEN = (1280, 1024)
FIRST_DISPLAY = 70
RESERVED_DISPLAYS = {61, 65, 77, 80}   # in use by other work on this machine


class SessionError(Exception):
    pass


def _display_taken(n):
    return (os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n))


class XServer:
    """An Xvfb on the first free display from :70 on, owned by this run."""

    def __init__(self, log_dir):
        self.proc = None
        self.display = None
        self.log_dir = Path(log_dir)

    def start(self):
        for n in range(FIRST_DISPLAY, FIRST_DISPLAY + 30):
            if n in RESERVED_DISPLAYS or _display_taken(n):
                continue
            log = open(self.log_dir / "xvfb.log", "wb")
            proc = subprocess.Popen(
                ["Xvfb", ":%d" % n, "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp",
                 "-noreset"], stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline:
                if proc.poll() is not None:
                    break   # lost a race for the display: try the next one
                if subprocess.run(["xdpyinfo", "-display", ":%d" % n], capture_output=True).returncode == 0:
                    self.proc, self.display = proc, ":%d" % n
                    return self.display
                time.sleep(0.1)
            if proc.poll() is None:
                _end(proc)
        raise SessionError("no free X display from :%d on" % FIRST_DISPLAY)

    def stop(self):
        if self.proc is not None:
            _end(self.proc)
            self.proc = None


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


class Wine:
    """A private prefix with the virtual desktop, made once and then reused."""

    def __init__(self, prefix, display, repo):
        self.prefix = str(prefix)
        self.repo = Path(repo)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all", DISPLAY=display,
                        WINEDLLOVERRIDES="mscoree,mshtml=")

    def prepare(self):
        env = dict(self.env, BRISQUAL_WINEPREFIX=self.prefix)
        r = subprocess.run([str(self.repo / "tests" / "wine" / "wine-prefix.sh")], env=env,
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
        self.proc = subprocess.Popen(["wine", str(exe)], env=wine.env, stdin=subprocess.DEVNULL,
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
