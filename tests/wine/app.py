# One running program as the tests see it: its client area found on the
# screen, input given in client pixels, and every left-button event recorded
# as a replay script so the same session can be drawn by brisqual-replay.
import time

from locate import NotFound, find_client
from session import Program, SessionError

START_TIMEOUT = 30.0


class App:
    def __init__(self, ctx, exe=None):
        self.ctx = ctx
        self.screen = ctx.screen
        self.program = Program(ctx.wine, exe or ctx.exe)
        self.events = []
        self.pressed = False
        self.pointer = None
        try:
            self.shot = self._wait_for_window()
            self.client = find_client(self.shot)
        except BaseException:
            self.program.stop()
            raise

    def _wait_for_window(self):
        deadline = time.monotonic() + START_TIMEOUT
        while True:
            if not self.program.running():
                raise SessionError("brisqual.exe ended at start-up with code %s" % self.program.proc.returncode)
            if self.screen.find_windows("^BRISQUAL$"):
                shot = self.screen.settled(timeout=10)
                try:
                    find_client(shot)
                    return shot
                except NotFound:
                    pass
            if time.monotonic() > deadline:
                raise SessionError("no BRISQUAL window with its background within %.0f s" % START_TIMEOUT)
            time.sleep(0.1)

    # Pictures

    def settle(self, **kw):
        self.shot = self.screen.settled(**kw)
        return self.shot

    def picture(self, shot=None):
        return (shot or self.shot).crop(*self.client)

    def to_screen(self, x, y):
        return self.client.x + x, self.client.y + y

    # Left-button drags, recorded

    def _pointer(self):
        """Where the pointer really is, in client pixels (other input moves it too)."""
        out = self.screen.xdotool("getmouselocation", "--shell")
        pos = dict(line.split("=", 1) for line in out.split())
        return int(pos["X"]) - self.client.x, int(pos["Y"]) - self.client.y

    def _go(self, x, y):
        self.pointer = self._pointer()
        if self.pointer != (x, y):
            self.screen.move(*self.to_screen(x, y))
            self.pointer = (x, y)
            self.events.append("move %d %d" % (x, y))

    def press(self, x, y):
        self._go(x, y)
        self.screen.xdotool("mousedown", 1)
        self.pressed = True
        self.events.append("down %d %d" % (x, y))

    def move(self, x, y, timeout=5.0, dragging=None):
        """A pointer move; during a drag that moves the curve, waits until the
        window shows it, so every step is known to have been delivered.
        `dragging` says whether the program has a drag on when the button is
        not the whole story (a release it never saw)."""
        before = self.shot
        dy = y - self._pointer()[1]
        self._go(x, y)
        if (self.pressed if dragging is None else dragging) and dy != 0:
            self.settle(differs_from=before, region=self.client, timeout=timeout, quiet=0.12)

    def release(self):
        self.screen.xdotool("mouseup", 1)
        self.pressed = False
        self.events.append("up %d %d" % self.pointer)

    def drag(self, x, ys):
        self.press(x, ys[0])
        for y in ys[1:]:
            self.move(x, y)
        self.release()
        return self.settle()

    def script(self):
        return "".join(e + "\n" for e in self.events)

    # Ending

    def wait_exit(self, timeout=10.0):
        return self.program.wait_exit(timeout)

    def stop(self):
        if self.pressed:
            self.screen.xdotool("mouseup", 1, check=False)
            self.pressed = False
        self.program.stop()
