# The event storm: thousands of random X input events from a fixed seed sent
# to the real program, everything sent logged, and the script of the events
# the window itself received worked out from where the pointer was and what
# covered the client at the time. The window must show exactly what
# brisqual-replay draws for that script, at checkpoints and at the end, and
# must still answer.
#
# Only presses, releases and moves over the visible, enabled client reach the
# window: the pointer is never captured, so a release outside is not seen and
# a press outside starts no drag. Moves that Wine merges give the same curve
# as the separate moves, since every drag step is a whole number of pixels
# times the single-precision gain and so every sum of steps is exact; what
# must not be lost is a press, a release, or where the pointer was at them.
import random
import time
from collections import Counter

from cases import desktop
from expected import BACKGROUND, startup_picture
from image import compare, differing
from locate import (NotFound, Rect, centre, find_caption, find_caption_buttons, find_changed,
                    find_client, find_frame, find_menu_text, rect_str)
from report import rows_summary
from session import SessionError

SEED = 20240611   # fixed so that a failure can be run again event for event

# Client sizes a resize may pick: small enough that the frame stays clear of
# the minimised window's bar at the desktop's bottom, large enough that the
# menu bar keeps one line.
MIN_CLIENT, MAX_CLIENT = (360, 260), (860, 640)
BOTTOM_KEEP_CLEAR = 40   # rows at the desktop's bottom where minimised windows sit

# Keys that must do nothing. Alt and F10 are left out (they enter the menu,
# and Enter would then open the dialog), and so is Esc, which ends the program.
QUIET_KEYS = (["a", "q", "z", "M", "7", "0", "space", "Return", "BackSpace", "Tab", "Left",
               "Right", "Up", "Down", "Home", "End", "Delete", "Insert", "Prior", "Next",
               "F1", "F2", "F5", "F9", "F12", "shift+a", "ctrl+c", "ctrl+z", "plus", "minus"])
DIALOG_KEYS = ["a", "x", "7", "Tab"]   # none of them closes the dialog
# Enter restores a minimised window (default processing), so not while minimised.
MINIMISED_KEYS = [k for k in QUIET_KEYS if k != "Return"]

GAIN = 10737418 * 2.0 ** -30   # the single-precision 0.01, exactly

# The program and Wine's desktop each read their own X input, so input sent
# to one can overtake input just sent to the other (a release over the
# client was seen to arrive after a press on the desktop that followed it,
# and was lost). When the input passes from one to the other, the storm
# waits this long for the first to read what it was sent.
HANDOVER_PAUSE = 0.05


def inside(r, p, margin=0):
    return r.x + margin <= p[0] < r.x + r.w - margin and r.y + margin <= p[1] < r.y + r.h - margin


def grown(r, m):
    return Rect(r.x - m, r.y - m, r.w + 2 * m, r.h + 2 * m)


class StormAbort(Exception):
    """The window is no longer where the derivation thinks it is."""


class Mirror:
    """A copy of the curve only to keep the storm's drags on the plot, so
    that the pictures compared show the curve; what the picture must be
    comes from brisqual-replay."""

    def __init__(self):
        self.f = [0.0] * 301
        self.active = False
        self.anchor = 0
        self.last_y = 0

    def feed(self, kind, x, y):
        if kind == "down":
            if x <= 601:
                self.active, self.anchor = True, x // 2
            self.last_y = y
        elif kind == "move" and self.active:
            step = (y - self.last_y) * GAIN
            self.last_y = y
            for i in range(max(0, self.anchor - 50), min(300, self.anchor + 50) + 1):
                self.f[i] -= step
        elif kind == "up":
            self.active = False

    def allowed_steps(self):
        """The pointer steps (in rows) that keep every sample the drag moves
        between rows 20 and 480 of the plot, or None if none can."""
        rows = [250 - v * 150 for v in self.f[max(0, self.anchor - 50):self.anchor + 51]]
        lo, hi = (20 - min(rows)) / 1.5, (480 - max(rows)) / 1.5
        if lo > hi:
            return None, (250 - (min(rows) + max(rows)) / 2) / 1.5
        return (lo, hi), None


class Storm:
    def __init__(self, ctx, app, events, seed):
        self.ctx, self.app, self.s = ctx, app, ctx.screen
        self.rng = random.Random(seed)
        self.target = events
        self.seed = seed
        self.sent = []            # the log of everything sent
        self.kinds = Counter()    # events sent, by kind
        self.script = []          # what the window received
        self.batch = []
        self.button = False
        self.held = set()         # buttons down, for the X server's implicit grab
        self.grab = None          # who gets the pointer's input while one is down
        self.last_reader = None
        self.handovers = 0
        self.state = "normal"     # or "sizing", "minimised", "dialog"
        self.dialog = None
        self.bar = None
        self.last_press = None
        self.mirror = Mirror()
        self.checkpoints = []     # (label, events sent, script lines, differing pixels)
        self.window_faults = []
        self.window_actions = Counter()
        self.drag_through = Counter()   # window actions taken while a drag was on
        self.first_mismatch_saved = False
        self._measure()
        self.ptr = self._pointer()

    # Geometry

    def _measure(self):
        shot = self.app.settle()
        self.client = self.home = self.app.client
        self.desk, colour = desktop(self.ctx)
        self.frame = find_frame(shot, self.client, colour)
        caption, _ = find_caption(shot, self.frame, self.client)
        self.caption_rows = (caption.y - self.frame.y, caption.h)
        item = find_menu_text(shot, self.frame, self.client)
        self.menu_item = Rect(item.x - self.frame.x, item.y - self.frame.y, item.w, item.h)
        boxes = find_caption_buttons(shot, self.frame, self.client)
        # Caption boxes sit a fixed distance from the frame's right edge.
        self.boxes = [Rect(b.x - (self.frame.x + self.frame.w), b.y - self.frame.y, b.w, b.h) for b in boxes]
        self.borders = (self.client.x - self.frame.x, self.client.y - self.frame.y,
                        self.frame.x + self.frame.w - self.client.x - self.client.w,
                        self.frame.y + self.frame.h - self.client.y - self.client.h)

    def _box(self, i):
        b = self.boxes[i]
        return Rect(self.frame.x + self.frame.w + b.x, self.frame.y + b.y, b.w, b.h)

    def _pointer(self):
        out = self.s.xdotool("getmouselocation", "--shell")
        pos = dict(line.split("=", 1) for line in out.split())
        return int(pos["X"]), int(pos["Y"])

    # What the pointer is over

    def where(self, p):
        if self.state == "minimised":
            return "desktop"
        if self.dialog is not None and inside(self.dialog, p):
            return "dialog"
        if inside(self.client, p):
            return "client" if self.state == "normal" else "unreachable client"
        if inside(self.frame, p):
            top = self.frame.y + self.caption_rows[0]
            if inside(Rect(self.frame.x, top, self.frame.w, self.caption_rows[1]), p):
                return "caption"
            if top + self.caption_rows[1] <= p[1] < self.client.y:
                return "menu bar"
            return "frame"
        if inside(self.desk, p):
            return "desktop"
        return "off the desktop"

    def delivered(self, p):
        return self.state == "normal" and self.dialog is None and inside(self.client, p)

    def reader(self, p):
        """Which process reads X input at p: the program (its window, dialog
        or minimised bar) or Wine's desktop."""
        if self.state == "minimised":
            return "program" if self.bar is not None and inside(self.bar, p) else "desktop"
        if inside(self.frame, p) or (self.dialog is not None and inside(self.dialog, p)):
            return "program"
        return "desktop"

    def _route(self, p):
        who = self.grab or self.reader(p)
        if self.last_reader is not None and who != self.last_reader:
            self.pause(HANDOVER_PAUSE)
            self.handovers += 1
        self.last_reader = who

    def _down(self, button):
        self._route(self.ptr)
        if not self.held:
            self.grab = self.reader(self.ptr)
        self.held.add(button)

    def _up(self, button):
        self._route(self.ptr)
        self.held.discard(button)
        if not self.held:
            self.grab = None

    # Sending, logging and deriving

    def _note(self, kind, text, line=None):
        self.kinds[kind] += 1
        n = sum(self.kinds.values())
        self.sent.append("%5d %-8s %-22s %-18s %s" % (n, kind, text, self.where(self.ptr),
                                                       "-> " + line if line else ""))

    def _deliver(self, kind):
        if not self.delivered(self.ptr):
            return None
        x, y = self.ptr[0] - self.client.x, self.ptr[1] - self.client.y
        line = "%s %d %d" % (kind, x, y)
        self.script.append(line)
        self.mirror.feed(kind, x, y)
        return line

    def steer(self, p):
        """A move that would carry the dragged samples off the plot is
        changed to one that keeps them on it (or brings them back)."""
        c = self.client
        span, back = self.mirror.allowed_steps()
        if span is None:
            y = self.mirror.last_y + back
        elif span[0] <= p[1] - c.y - self.mirror.last_y <= span[1]:
            return p
        else:
            y = self.mirror.last_y + self.rng.uniform(*span)
        return p[0], min(max(int(y) + c.y, c.y + 3), c.y + c.h - 4)

    def move(self, p):
        p = (int(p[0]), int(p[1]))
        if self.mirror.active and self.delivered(p):
            p = self.steer(p)
        if p == self.ptr:
            return
        if self.mirror.active and self.delivered(self.ptr) and not self.delivered(p):
            # Wine drops a pointer motion that is followed by another one it
            # has not read yet, so the last position over the client could
            # be lost when the pointer leaves at once; a middle click there
            # (default processing) reports the position for certain.
            self.click_other(2)
        self._route(p)
        self.batch += ["mousemove", p[0], p[1]]
        self.ptr = p
        self._note("move", "%d,%d" % p, self._deliver("move"))

    def press(self):
        if self.button:
            raise RuntimeError("left button pressed twice")
        self._down(1)
        self.batch += ["mousedown", 1]
        self.button = True
        self.last_press = self.ptr
        self._note("press", "left", self._deliver("down"))

    def release(self):
        if not self.button:
            raise RuntimeError("left button released while up")
        self._up(1)
        self.batch += ["mouseup", 1]
        self.button = False
        self._note("release", "left", self._deliver("up"))

    def click_other(self, button):
        # Right and middle buttons and the wheel go to default processing.
        self._down(button)
        self._up(button)
        self.batch += ["click", button]
        names = {2: "middle", 3: "right", 4: "wheel up", 5: "wheel down", 6: "wheel left", 7: "wheel right"}
        self._note("wheel" if button >= 4 else "button", names[button])

    def other_down(self, button):
        self._down(button)
        self.batch += ["mousedown", button]
        self._note("button", "right down" if button == 3 else "middle down")

    def other_up(self, button):
        self._up(button)
        self.batch += ["mouseup", button]
        self._note("button", "right up" if button == 3 else "middle up")

    def key(self, name):
        self.batch += ["key", name]
        self._note("key", name)

    def pause(self, seconds):
        self.batch += ["sleep", "%.3f" % seconds]

    def flush(self):
        if self.batch:
            self.s.xdotool(*self.batch)
            self.batch = []

    def sent_count(self):
        return sum(self.kinds.values())

    # Points to go to

    def client_point(self, avoid=None):
        c = self.client
        while True:
            p = (self.rng.randint(c.x + 3, c.x + c.w - 4), self.rng.randint(c.y + 3, c.y + c.h - 4))
            if avoid is None or not inside(avoid, p):
                return p

    def drag_point(self):
        """Mostly small steps, now and then a jump anywhere in the client."""
        c = self.client
        if self.rng.random() < 0.1:
            return self.client_point()
        x = self.ptr[0] + self.rng.randint(-12, 12)
        y = self.ptr[1] + self.rng.randint(-30, 30)
        return (min(max(x, c.x + 3), c.x + c.w - 4), min(max(y, c.y + 3), c.y + c.h - 4))

    def desktop_point(self):
        d, keep = self.desk, grown(self.frame, 6)
        while True:
            p = (self.rng.randint(d.x + 3, d.x + d.w - 4), self.rng.randint(d.y + 3, d.y + d.h - BOTTOM_KEEP_CLEAR))
            if not inside(keep, p) and (self.dialog is None or not inside(grown(self.dialog, 6), p)):
                return p

    def caption_point(self):
        f, (top, h) = self.frame, self.caption_rows
        # Clear of the system-menu icon on the left and the boxes on the right.
        right = self._box(2).x - 10
        return (self.rng.randint(f.x + 40, right), self.rng.randint(f.y + top + 4, f.y + top + h - 5))

    def border_point(self):
        f, r = self.frame, self.rng
        side = r.choice("ltrb")
        if side == "l":
            return (f.x + r.randint(1, self.borders[0] - 2), r.randint(f.y + 60, f.y + f.h - 40))
        if side == "r":
            return (f.x + f.w - 1 - r.randint(1, self.borders[2] - 2), r.randint(f.y + 60, f.y + f.h - 40))
        if side == "t":
            return (r.randint(f.x + 40, f.x + f.w - 40), f.y + 1)
        return (r.randint(f.x + 40, f.x + f.w - 40), f.y + f.h - 1 - r.randint(1, self.borders[3] - 2))

    def menu_bar_point(self):
        """A point on the menu bar clear of its one item, or None if there is no room."""
        f, item = self.frame, self.menu_item
        x0, x1 = f.x + item.x + item.w + 25, f.x + f.w - 15
        if x1 <= x0:
            return None
        top = f.y + self.caption_rows[0] + self.caption_rows[1]
        return (self.rng.randint(x0, x1), self.rng.randint(top + 4, self.client.y - 5))

    def outside_point(self, for_release=False):
        r = self.rng.random()
        if r < 0.55:
            return self.desktop_point()
        if r < 0.75:
            return self.caption_point()
        if r < 0.92 or for_release:
            return self.border_point()
        return self.menu_bar_point() or self.desktop_point()

    def far_from_last_press(self, pick):
        # Two non-client presses within a few pixels would make a double
        # click there, which maximises the window from its caption.
        while True:
            p = pick()
            if self.last_press is None or max(abs(p[0] - self.last_press[0]), abs(p[1] - self.last_press[1])) > 8:
                return p

    def maybe_pause(self):
        if self.rng.random() < 0.08:
            self.pause(self.rng.uniform(0.001, 0.01))

    # Episodes of ordinary input

    def ep_drag(self):
        self.move(self.client_point())
        self.press()
        for _ in range(self.rng.randint(3, 40)):
            r = self.rng.random()
            if r < 0.80:
                self.move(self.drag_point())
            elif r < 0.90:
                self.move(self.outside_point())
            elif r < 0.94 and self.where(self.ptr) == "client":
                # Right and middle clicks only over the client: on the
                # caption the right button opens the system menu.
                self.click_other(self.rng.choice([2, 3]))
            elif r < 0.97:
                self.click_other(self.rng.choice([4, 5, 6, 7]))
            else:
                self.key(self.rng.choice(QUIET_KEYS))
            self.maybe_pause()
        if self.rng.random() < 0.3:
            self.move(self.outside_point(for_release=True))   # a release the window never sees
        elif self.where(self.ptr) != "client":
            self.move(self.drag_point())
        self.release()

    def ep_wander(self):
        for _ in range(self.rng.randint(3, 20)):
            self.move(self.drag_point() if self.rng.random() < 0.6 else self.outside_point())
            self.maybe_pause()

    def ep_double_click(self):
        self.move(self.client_point())
        self.press()
        self.release()
        self.pause(0.08)
        self.press()
        self.release()
        for _ in range(self.rng.randint(0, 4)):
            self.move(self.drag_point())

    def ep_outside_press(self):
        if self.rng.random() < 0.5:
            # Pressed on the desktop: no drag starts, but moves over the
            # client still reach the window and a drag already on goes on.
            self.move(self.far_from_last_press(self.desktop_point))
            self.press()
            for _ in range(self.rng.randint(1, 12)):
                self.move(self.drag_point() if self.rng.random() < 0.6 else self.desktop_point())
            if self.rng.random() < 0.5:
                self.move(self.desktop_point())
            elif self.where(self.ptr) != "client":
                self.move(self.drag_point())
            self.release()
        else:
            # A click on the caption, a sizing border or the empty menu bar,
            # released where it was pressed so that nothing moves or resizes.
            pick = self.rng.choice([self.caption_point, self.border_point,
                                    lambda: self.menu_bar_point() or self.caption_point()])
            self.move(self.far_from_last_press(pick))
            self.press()
            self.release()
            self.pause(0.02)

    def ep_other_buttons(self):
        self.move(self.client_point())
        if self.rng.random() < 0.5:
            button = self.rng.choice([2, 3])
            self.other_down(button)
            for _ in range(self.rng.randint(1, 8)):
                self.move(self.drag_point())
            self.other_up(button)
        else:
            for _ in range(self.rng.randint(1, 6)):
                self.click_other(self.rng.choice([2, 3, 4, 5, 6, 7]))

    def ep_keys(self):
        for _ in range(self.rng.randint(1, 6)):
            self.key(self.rng.choice(QUIET_KEYS))

    # Window actions: the storm waits for each to take effect, since what
    # reaches the window afterwards depends on it.

    def _fault(self, text):
        self.window_faults.append("after %d events: %s" % (self.sent_count(), text))

    def _changed(self, before, what):
        """The settled picture once a window action has changed it."""
        try:
            return self.app.settle(differs_from=before)
        except SessionError as e:
            self._fault("%s: %s" % (what, e))
            raise StormAbort(self.window_faults[-1])

    def _drag_on(self):
        return self.mirror.active

    def ep_resize(self, size=None):
        self.flush()
        if size is None:
            size = (self.rng.randint(MIN_CLIENT[0], MAX_CLIENT[0]), self.rng.randint(MIN_CLIENT[1], MAX_CLIENT[1]))
        self.window_actions["resize"] += 1
        self.drag_through["resize"] += self._drag_on()
        before = self.app.settle()
        f = self.frame
        corner = (f.x + f.w - 2, f.y + f.h - 2)
        dx, dy = size[0] - self.client.w, size[1] - self.client.h
        self.move(corner)
        self.press()
        self.state = "sizing"   # the system's sizing loop has the pointer
        self.move((corner[0] + dx // 2, corner[1] + dy // 2))
        self.move((corner[0] + dx, corner[1] + dy))
        self.pause(0.2)
        self.release()
        self._note("window", "resize to %dx%d" % size)
        self.flush()
        shot = self._changed(before, "resize by the corner") if (dx, dy) != (0, 0) else self.app.settle()
        self.state = "normal"
        want = Rect(self.client.x, self.client.y, size[0], size[1])
        got = find_client(shot)
        if got != want:
            self._fault("resize by the corner gave client %s, not %s" % (rect_str(got), rect_str(want)))
            raise StormAbort(self.window_faults[-1])
        self.client = self.app.client = got
        b = self.borders
        self.frame = Rect(got.x - b[0], got.y - b[1], got.w + b[0] + b[2], got.h + b[1] + b[3])

    def ep_minimise(self):
        self.flush()
        self.window_actions["minimise"] += 1
        self.drag_through["minimise"] += self._drag_on()
        before = self.app.settle()
        self.move(centre(self._box(2)))
        self.press()
        self.release()
        self._note("window", "minimise box")
        self.flush()
        small = self._changed(before, "the minimise box")
        f = self.frame
        bar = find_changed(before, small, within=(self.desk.x, f.y + f.h, self.desk.w,
                                                  self.desk.y + self.desk.h - f.y - f.h))
        if small.bbox(BACKGROUND) is not None or bar is None:
            self._fault("the minimise box left the client %s and %s minimised bar" % (
                "shown" if small.bbox(BACKGROUND) is not None else "hidden", "a" if bar else "no"))
            raise StormAbort(self.window_faults[-1])
        self.state = "minimised"
        self.bar = bar
        # Nothing reaches the window now, wherever the pointer goes.
        for _ in range(self.rng.randint(5, 25)):
            r = self.rng.random()
            if r < 0.6:
                self.move(self.client_point() if self.rng.random() < 0.5 else self.desktop_point())
            elif r < 0.75 and not self.button:
                self.move(self.far_from_last_press(self.desktop_point))
                self.press()
            elif r < 0.9 and self.button:
                self.release()
            elif r < 0.95:
                self.click_other(self.rng.choice([4, 5]))
            else:
                self.key(self.rng.choice(MINIMISED_KEYS))
        if self.button:
            self.release()
        self.flush()
        if self.app.settle(quiet=0.3).bbox(BACKGROUND) is not None:
            self._fault("the window came back before the restore click")
            raise StormAbort(self.window_faults[-1])
        self.move((bar.x + bar.w // 3, bar.y + bar.h // 2))
        self.press()
        self.release()
        self.pause(0.08)
        self.press()
        self.release()
        self._note("window", "restore by double click on %s" % rect_str(bar))
        self.flush()
        back = self._changed(small, "the double click on the minimised bar")
        self.state = "normal"
        self.bar = None
        try:
            got = find_client(back)
        except NotFound:
            got = None
        if got != self.client:
            self._fault("restoring gave client %s, not %s" % (rect_str(got) if got else "none", rect_str(self.client)))
            raise StormAbort(self.window_faults[-1])
        self.last_press = None   # far from anything the next press picks

    def ep_dialog(self):
        # A drag left on would go on with whatever move Wine sends when the
        # dialog goes away; a click in the client first ends it.
        self.move(self.client_point())
        self.press()
        self.release()
        self.flush()
        self.window_actions["dialog"] += 1
        before = self.app.settle()
        f, item = self.frame, self.menu_item
        self.move(centre(Rect(f.x + item.x, f.y + item.y, item.w, item.h)))
        self.press()
        self.release()
        self._note("window", "menu item")
        self.flush()
        if not self.s.wait_window("^Acerca de", timeout=5):
            self._fault("the menu item opened no dialog")
            raise StormAbort(self.window_faults[-1])
        shot = self._changed(before, "the menu item")
        # Below the caption, which only changes to its inactive colour.
        d = self.desk
        box = find_changed(before, shot, within=(d.x, self.client.y, d.w, d.y + d.h - self.client.y))
        if box is None:
            self._fault("the dialog is not to be seen")
            raise StormAbort(self.window_faults[-1])
        self.dialog = grown(box, 8)
        self.state = "dialog"
        for _ in range(self.rng.randint(4, 20)):
            r = self.rng.random()
            if r < 0.55:
                self.move(self.client_point() if self.rng.random() < 0.7 else self.dialog_point())
            elif r < 0.8:
                # Presses on the disabled client (not on the dialog, whose
                # button would close it); desktop clicks would take the
                # keyboard from the dialog.
                self.move(self.far_from_last_press(lambda: self.client_point(avoid=self.dialog)))
                self.press()
                if self.rng.random() < 0.5:
                    self.move(self.client_point(avoid=self.dialog))
                self.release()
            elif r < 0.9:
                self.click_other(self.rng.choice([4, 5]))
            else:
                self.key(self.rng.choice(DIALOG_KEYS))
        self.flush()
        self.app.settle(quiet=0.3)
        if not self.s.find_windows("^Acerca de"):
            self._fault("the dialog closed before Enter")
            raise StormAbort(self.window_faults[-1])
        self.key("Return")
        self._note("window", "Enter closes the dialog")
        self.flush()
        if not self.s.wait_window("^Acerca de", present=False, timeout=5):
            self._fault("Enter did not close the dialog")
            raise StormAbort(self.window_faults[-1])
        self.dialog = None
        self.state = "normal"
        self.app.settle()

    def dialog_point(self):
        d = self.dialog
        return (self.rng.randint(d.x + 10, d.x + d.w - 11), self.rng.randint(d.y + 10, d.y + d.h - 11))

    # Checking

    def checkpoint(self, label):
        self.flush()
        if not self.app.program.running():
            raise StormAbort("brisqual.exe ended after %d events (code %s)" % (
                self.sent_count(), self.app.program.proc.returncode))
        if self.s.find_windows("^Program Error$"):
            # Wine's crash dialog keeps the process alive until it is closed.
            raise StormAbort("brisqual.exe ended: it crashed within the %d events so far "
                             "(Wine's Program Error dialog is up)" % self.sent_count())
        shot = self.app.settle(quiet=0.4)
        got = find_client(shot)
        if got != self.client:
            self._fault("client found at %s, expected %s" % (rect_str(got), rect_str(self.client)))
            raise StormAbort(self.window_faults[-1])
        pic = shot.crop(*self.client)
        size = None if (self.client.w, self.client.h) == (self.home.w, self.home.h) else (self.client.w, self.client.h)
        expected = self.ctx.run_replay("".join(e + "\n" for e in self.script), "storm-checkpoint", size=size)
        points = differing(pic, expected)
        self.checkpoints.append((label, self.sent_count(), len(self.script), len(points)))
        if points and not self.first_mismatch_saved:
            self.first_mismatch_saved = True
            suite = self.ctx.suite
            compare(pic, expected, suite.out / suite.group, "storm-first-mismatch")
            (suite.out / suite.group / "storm-first-mismatch.txt").write_text(
                "".join(e + "\n" for e in self.script))
            suite.info("storm_first_mismatch", "%s after %d events: %d pixels differ; %s" % (
                label, self.sent_count(), len(points), rows_summary(points)))
        return pic, expected, points

    # The whole storm

    EPISODES = [("drag", 40), ("wander", 12), ("double_click", 6), ("outside_press", 12),
                ("other_buttons", 8), ("keys", 5), ("resize", 2.2), ("minimise", 1.4), ("dialog", 1.8)]

    def run(self):
        names = [n for n, _ in self.EPISODES]
        weights = [w for _, w in self.EPISODES]
        every = max(200, self.target // 8)
        next_check = every
        while self.sent_count() < self.target:
            name = self.rng.choices(names, weights)[0]
            getattr(self, "ep_" + name)()
            if name in ("resize", "minimise", "dialog"):
                self.checkpoint("after %s %d" % (name, self.window_actions[name]))
            elif self.sent_count() >= next_check:
                self.checkpoint("after %d events" % self.sent_count())
                next_check += every
            elif len(self.batch) > 600:
                self.flush()
        if self.button:
            self.release()
        if (self.client.w, self.client.h) != (self.home.w, self.home.h):
            self.ep_resize((self.home.w, self.home.h))
        # A last click in the client makes the window active for Esc.
        self.move(self.client_point())
        self.press()
        self.release()
        return self.checkpoint("final")


def event_storm_matches_the_model(ctx, app):
    suite = ctx.suite
    events = ctx.storm_events
    started = time.monotonic()
    storm = Storm(ctx, app, events, ctx.storm_seed)
    final = None
    aborted = None
    try:
        final = storm.run()
    except (StormAbort, SessionError, NotFound) as e:
        aborted = "%s: %s" % (type(e).__name__, e) if not isinstance(e, StormAbort) else str(e)
    finally:
        storm.flush()
        folder = suite.out / suite.group
        folder.mkdir(parents=True, exist_ok=True)
        (folder / "storm-sent.log").write_text("# seed %d: n kind detail pointer-over -> delivered\n" % storm.seed
                                               + "".join(line + "\n" for line in storm.sent))
        (folder / "storm-delivered.txt").write_text("".join(e + "\n" for e in storm.script))
    seconds = time.monotonic() - started
    sent = storm.sent_count()
    delivered = Counter(e.split()[0] for e in storm.script)
    suite.info("storm_events", "%d sent in %.1f s from seed %d (%s); window actions: %s; "
               "a drag was on through %s; %d pauses where input passed between the program and the desktop; "
               "delivered %d presses, %d releases, %d moves; log in %s" % (
                   sent, seconds, storm.seed, ", ".join("%d %s" % (n, k) for k, n in sorted(storm.kinds.items())),
                   ", ".join("%d %s" % (n, k) for k, n in sorted(storm.window_actions.items())) or "none",
                   ", ".join("%d %s" % (n, k) for k, n in sorted(storm.drag_through.items())) or "nothing",
                   storm.handovers,
                   delivered["down"], delivered["up"], delivered["move"], suite.out / suite.group / "storm-sent.log"))
    ctx.measured["storm"] = (sent, seconds, len(final[2]) if final else None)

    suite.check("storm_window_actions_take_effect_where_expected", not storm.window_faults,
                "%d resizes, %d minimise-restores, %d dialogs, each as expected" % (
                    storm.window_actions["resize"], storm.window_actions["minimise"],
                    storm.window_actions["dialog"]) if not storm.window_faults else "; ".join(storm.window_faults))
    bad = [c for c in storm.checkpoints if c[3]]
    if bad:
        text = "; ".join("%s (%d events, %d delivered): %d pixels differ" % c for c in bad[:5])
    elif aborted:
        text = "%d checkpoints matched, then the storm stopped: %s" % (len(storm.checkpoints), aborted)
    else:
        text = "%d checkpoints, 0 differing pixels at each" % len(storm.checkpoints)
    suite.check("storm_picture_matches_the_model_at_every_checkpoint",
                bool(storm.checkpoints) and not bad and not aborted, text)
    if final is None:
        suite.check("storm_final_picture_equals_the_replay_of_what_the_window_received", False,
                    "the storm stopped early: %s" % aborted)
    else:
        pic, expected, points = final
        flat = expected == startup_picture(expected.width, expected.height)
        if points:
            suite.compare("storm_final_picture_equals_the_replay_of_what_the_window_received", pic, expected)
        else:
            suite.check("storm_final_picture_equals_the_replay_of_what_the_window_received", not flat,
                        "0 of %d pixels differ after %d events, %d of them delivered" % (
                            pic.width * pic.height, sent, len(storm.script)) if not flat else
                        "the pictures agree but show the flat curve: no drag reached the window")
    ctx.screen.key("Escape")
    code = app.wait_exit(10)
    died = aborted is not None and "brisqual.exe ended" in aborted
    suite.check("storm_leaves_the_program_running_and_esc_ends_it_with_code_0", code == 0 and not died,
                "exit code %s after the storm" % ("none within 10 s" if code is None else code)
                if code == 0 else "%s; exit code %s" % (aborted or "still running after the storm",
                                                         "none within 10 s" if code is None else code))
