#!/usr/bin/python3
"""The classroom view with a real screen reader: Orca, in its default
settings, on a private Xvfb and session bus, with headful Chromium (or
Firefox ESR) showing the page;
Orca's speech is read as text from its debug file.

usage: screen_reader_test.py --list
       screen_reader_test.py CASE --page HTML --replay BRISQUAL_REPLAY --data DIR --out DIR
                             [--browser chromium|firefox]

Keys are real X key presses (xdotool), so that they reach Orca first, as a
student's would. Everything a case starts keeps its files under
--out/BROWSER/CASE (home, settings, X server, logs), but for its sockets' and
temporary files' folder, which is removed at the end; every process it
starts is ended by its process id when the case ends. Orca starts through
orca_alone.py, so that no other Orca on the machine is ended or in the way.
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import driver  # noqa: E402
import lesson_cases  # noqa: E402
from driver import mean_text, page_link, replay_state, script_link, theorem_state, two_decimals  # noqa: E402

# Line-buffers the debug file that Orca writes, which it would otherwise
# hold back until it ends, so that speech can be read as it is spoken.
SITECUSTOMIZE = '''import builtins
_open = builtins.open
def _line_buffered(file, mode="r", buffering=-1, *args, **kwargs):
    if isinstance(file, str) and file.endswith(".out") and ("w" in mode or "a" in mode) and "b" not in mode:
        buffering = 1
    return _open(file, mode, buffering, *args, **kwargs)
builtins.open = _line_buffered
'''


# What the browsers take of the session: its display and buses, and its
# folders, so that nothing they write (profiles, caches; Mesa's shader cache,
# which looks past HOME to the user's own folder) lands outside it.
BROWSER_ENVIRONMENT = ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "HOME", "TMPDIR", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME",
                       "XDG_CACHE_HOME", "XDG_DATA_HOME", "GNOME_ACCESSIBILITY", "BRISQUAL_SCREEN_READER_RUN")


class Session:
    """X server, session bus, accessibility bus, Orca and Chromium, all
    under one folder; every process started carries a marker in its
    environment, so that none outlives the case."""

    def __init__(self, folder):
        self.folder = folder
        shutil.rmtree(folder, ignore_errors=True)
        self.env = dict(os.environ)
        for name in ("home", "config", "data", "cache", "python", "x"):
            os.makedirs(os.path.join(folder, name), mode=0o700)
        # The sockets (speech-dispatcher's, Chromium's) go where their paths
        # stay within the 107 bytes a socket's path may have: a fresh folder
        # of the system's, removed at the end.
        self.short = tempfile.mkdtemp(prefix="brisqual-sr.")
        for name in ("run", "tmp"):
            os.makedirs(os.path.join(self.short, name), mode=0o700)
        self.env.update({
            "HOME": os.path.join(folder, "home"), "XDG_RUNTIME_DIR": os.path.join(self.short, "run"),
            "XDG_CONFIG_HOME": os.path.join(folder, "config"), "XDG_DATA_HOME": os.path.join(folder, "data"),
            "XDG_CACHE_HOME": os.path.join(folder, "cache"), "TMPDIR": os.path.join(self.short, "tmp"),
            "GNOME_ACCESSIBILITY": "1",
            "NO_AT_BRIDGE": "0", "LANG": "C.UTF-8", "LANGUAGE": "en", "BRISQUAL_SCREEN_READER_RUN": folder,
        })
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        # No sound card: speech goes to ALSA's null device.
        with open(os.path.join(folder, "home", ".asoundrc"), "w") as f:
            f.write("pcm.!default { type null }\nctl.!default { type hw card 0 }\n")
        # speech-dispatcher's own settings with ALSA for its audio: it would
        # try PulseAudio first, and Orca waits on a voice that never starts.
        speechd = os.path.join(folder, "config", "speech-dispatcher")
        os.makedirs(speechd)
        with open("/etc/speech-dispatcher/speechd.conf") as f:
            conf = f.read()
        with open(os.path.join(speechd, "speechd.conf"), "w") as f:
            f.write(conf + '\nAudioOutputMethod "alsa"\n')
        with open(os.path.join(folder, "python", "sitecustomize.py"), "w") as f:
            f.write(SITECUSTOMIZE)
        self.speech = os.path.join(folder, "orca-debug.out")
        self.browser = None
        self.processes = []

    def start(self, page_url):
        x = os.path.join(self.folder, "x")
        display = subprocess.run([os.path.join(HERE, "..", "harness", "xvfb.sh"), "start", x], env=self.env,
                                 capture_output=True, text=True)
        if display.returncode != 0:
            raise SystemExit("Xvfb did not start: %s" % display.stderr.strip())
        self.env["DISPLAY"] = display.stdout.strip()
        bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             env=self.env, capture_output=True, text=True, check=True).stdout.split()
        self.env["DBUS_SESSION_BUS_ADDRESS"], self.bus_pid = bus[0], int(bus[1])
        self.spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], "at-spi-bus")
        self.wait_for(lambda: subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"], env=self.env, capture_output=True).returncode == 0, 10,
            "the accessibility bus did not start")
        orca_env = dict(self.env, PYTHONPATH=os.path.join(self.folder, "python"))
        # Orca alone: /usr/bin/orca would end or refuse other Orcas of the user.
        self.spawn([sys.executable, os.path.join(HERE, "orca_alone.py"), "--debug-file", self.speech], "orca",
                   orca_env)
        self.wait_for(lambda: self.spoken(), 30, "Orca said nothing on starting")
        self.quiet()
        if driver.ARGS.browser == "firefox":
            self.start_firefox(page_url)
        elif driver.ARGS.browser == "webkit":
            os.environ.update({k: self.env[k] for k in BROWSER_ENVIRONMENT})
            self.browse(page_url, driver.WebKit)
        else:
            self.start_chromium(page_url)

    def spawn(self, command, name, env=None):
        log = open(os.path.join(self.folder, name + ".log"), "w")
        self.processes.append(subprocess.Popen(command, env=env or self.env, stdout=log, stderr=subprocess.STDOUT,
                                               start_new_session=True))

    def start_chromium(self, url):
        os.environ.update({k: self.env[k] for k in BROWSER_ENVIRONMENT})
        # No "controlled by automated test software" bar for Orca to read.
        self.browse(url, lambda: driver.Chromium(
            flags=("--force-renderer-accessibility", "--window-position=0,0", "--window-size=1200,1000",
                   "--force-device-scale-factor=1", "--lang=en-US", "--no-first-run", "--disable-gpu"),
            headless=False, profile=os.path.join(self.folder, "chromium"),
            log_path=os.path.join(self.folder, "chromedriver.log"), automation_bar=False))

    def start_firefox(self, url):
        os.environ.update({k: self.env[k] for k in BROWSER_ENVIRONMENT})
        os.environ["BRISQUAL_FIREFOX_HEADFUL"] = "1"
        self.browse(url, driver.Firefox)

    def browse(self, url, start):
        self.browser = driver.BROWSER = start()
        self.browser.goto(url)
        self.evaluate = self.browser.evaluate
        self.wait_ready()

    def wait_ready(self):
        self.wait_for(lambda: self.evaluate("return !!(window.brisqual && brisqual.ready)"), 10,
                      "the page did not start")
        # Orca reads out the page once loaded; keys sent before it has would
        # be taken by its reading.
        if driver.ARGS.browser != "webkit":   # Orca's WebKitGTK script says nothing of the load
            self.wait_for(lambda: any(s.startswith("Finished loading") for s in self.spoken()), 30,
                          "Orca never said the page had loaded")
        self.quiet()

    def spoken(self):
        """Everything Orca has said so far, one utterance an item."""
        try:
            with open(self.speech, errors="replace") as f:
                text = f.read()
        except OSError:
            return []
        return re.findall(r"SPEECH OUTPUT: '(.*)'(?:\{[^\n]*\})?[ \t]*$", text, re.M)

    def quiet(self, silence=1.5, limit=15):
        """Waits until Orca has said nothing new for SILENCE seconds."""
        count, since, start = len(self.spoken()), time.monotonic(), time.monotonic()
        while time.monotonic() - since < silence and time.monotonic() - start < limit:
            time.sleep(0.1)
            now = len(self.spoken())
            if now != count:
                count, since = now, time.monotonic()

    def said_after(self, action, silence=1.5):
        """What Orca says from ACTION until it falls silent."""
        before = len(self.spoken())
        action()
        self.quiet(silence)
        return self.spoken()[before:]

    @staticmethod
    def wait_for(condition, seconds, failure):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if condition():
                return
            time.sleep(0.2)
        raise AssertionError(failure)

    def key(self, name):
        subprocess.run(["xdotool", "key", name], env=self.env, check=True)

    def click_screen(self, x, y):
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], env=self.env, check=True)

    def stop(self):
        try:
            self.browser and self.browser.quit()
        except Exception:  # a browser that has gone already
            pass
        # Orca ignores SIGINT; SIGTERM ends it and flushes its file.
        for p in reversed(self.processes):
            if p.poll() is None:
                p.terminate()
        for p in self.processes:
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                p.kill()
        pid_dir = os.path.join(self.short, "run", "speech-dispatcher", "pid")
        for name in os.listdir(pid_dir) if os.path.isdir(pid_dir) else []:
            self.end(int(open(os.path.join(pid_dir, name)).read().split()[0]))
        if getattr(self, "bus_pid", None):
            self.end(self.bus_pid)
        # What the buses started on their own (the registry, speech modules).
        for pid in self.started_here():
            self.end(pid)
        subprocess.run([os.path.join(HERE, "..", "harness", "xvfb.sh"), "stop", os.path.join(self.folder, "x")])
        logs = os.path.join(self.short, "run", "speech-dispatcher", "log")
        if os.path.isdir(logs):
            shutil.copytree(logs, os.path.join(self.folder, "speech-dispatcher-log"), dirs_exist_ok=True)
        shutil.rmtree(self.short, ignore_errors=True)

    def started_here(self):
        marker = ("BRISQUAL_SCREEN_READER_RUN=" + self.folder).encode()
        pids = []
        for entry in os.listdir("/proc"):
            if entry.isdigit() and int(entry) != os.getpid():
                try:
                    with open("/proc/%s/environ" % entry, "rb") as f:
                        if marker in f.read().split(b"\0"):
                            pids.append(int(entry))
                except OSError:
                    pass
        return pids

    @staticmethod
    def end(pid):
        try:
            os.kill(pid, signal.SIGTERM)
        except (ProcessLookupError, PermissionError):
            return
        for _ in range(30):
            try:
                os.kill(pid, 0)
            except ProcessLookupError:
                return
            time.sleep(0.1)
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


# The page's side, through Chromium's driver.

def plot_focused(session):
    """Focus is on the plot: the canvas, or the control that holds it."""
    return session.evaluate("""const a = document.activeElement, p = document.getElementById('plot');
        return !!a && !!p && (a === p || a.contains(p) || (a.getAttribute('aria-controls') || '').split(' ').includes('plot'));""")


def plot_name(session):
    return session.evaluate("""const a = document.activeElement;
        const by = (a.getAttribute('aria-labelledby') || '').split(' ').filter(Boolean)
            .map(id => document.getElementById(id)).filter(Boolean).map(e => e.textContent.trim()).join(' ');
        return by || a.getAttribute('aria-label') || a.getAttribute('title') || '';""")


def tab_onto_plot(session):
    """From a click on the page's heading, Tab until the plot has focus;
    what Orca said on the last Tab."""
    x, y = session.evaluate("""const b = document.querySelector('h1').getBoundingClientRect();
        // Firefox knows where its viewport is on the screen; for Chromium,
        // the window's borders are taken to be at its sides and top.
        const left = 'mozInnerScreenX' in window ? mozInnerScreenX : screenX + (outerWidth - innerWidth) / 2;
        const top = 'mozInnerScreenY' in window ? mozInnerScreenY : screenY + outerHeight - innerHeight;
        return [Math.round(left + b.left + 5), Math.round(top + b.top + b.height / 2)];""")
    session.click_screen(x, y)
    session.quiet(1.0)
    for _ in range(20):
        session.said_after(lambda: session.key("Tab"), 1.2)
        if plot_focused(session):
            break
    else:
        raise AssertionError("20 presses of Tab never reached the plot")
    # On to the next control and back: Orca's reading of the page as it
    # loads may have left its own position on the plot already, and then it
    # says nothing when the focus comes; a student who tabs past and back
    # hears what a focus change says.
    session.said_after(lambda: session.key("Tab"), 1.2)
    said = session.said_after(lambda: session.key("shift+Tab"), 1.5)
    if not plot_focused(session):
        raise AssertionError("Shift+Tab from the control after the plot did not come back to it")
    return said


def spoken_text(said):
    return " | ".join(said)


def expect_moved(session, key):
    before = page_link()
    said = session.said_after(lambda: session.key(key), 2.5)
    after = page_link()
    if after == before:
        raise AssertionError("%s did not reach the page (the curve did not move); Orca said: %s"
                             % (key, spoken_text(said)))
    return after, said


def name_on_focus(session):
    """On Tab: the plot's name, its role and the selected sample, whose
    abscissa and value are the replay tool's."""
    said = tab_onto_plot(session)
    name = plot_name(session)
    if not name:
        raise AssertionError("the plot has no name")
    role = session.evaluate("return document.activeElement.getAttribute('aria-roledescription') || ''")
    state = replay_state(page_link())
    sample = "sample 150: x = %s, f = %s" % (two_decimals(150 * state["step_width"]),
                                             two_decimals(state["curve"][150]))
    for what, text in (("its name", name), ("its role", role), ("the selected sample", sample)):
        if not text or not any(text.lower() in s.lower() for s in said):
            raise AssertionError("on Tab onto the plot Orca said %r, not %s %r" % (spoken_text(said), what, text))


def key_moves_the_curve(session):
    tab_onto_plot(session)
    expect_moved(session, "Up")


def mean_after_a_change(session):
    tab_onto_plot(session)
    link, said = expect_moved(session, "Up")
    want = "mean value " + mean_text(link)
    told = [s for s in said if want in s.lower()]
    if not told:
        raise AssertionError("after the change Orca said %r, not %r" % (spoken_text(said), want))
    if len(told) > 1:
        raise AssertionError("after the change Orca said the mean %d times: %r" % (len(told), spoken_text(said)))
    # With it, every point c where the curve meets its mean.
    points = [two_decimals(c) for c in theorem_state(link)[0]["c"]]
    if not points or not all(c in told[0] for c in points):
        raise AssertionError("after the change Orca said %r, not the points c %s" % (told[0], ", ".join(points)))


def ups_speak_each_value(session):
    """Three ↑ in a row: after each, Orca says the new height at the sample,
    the replay tool's f at sample 150 of the page's link."""
    tab_onto_plot(session)
    for n in range(3):
        link, said = expect_moved(session, "Up")
        want = "f = " + two_decimals(replay_state(link)["curve"][150])
        if not any(want in s for s in said):
            raise AssertionError("after ↑ number %d Orca said %r, not %r" % (n + 1, spoken_text(said), want))


def the_mean_once_each_change(session):
    """Two ↑ that leave the rounded mean as it was: the short response (the
    mean, then the c's; no "∫" or "≈") is said once after each."""
    tab_onto_plot(session)
    for n in range(2):
        link, said = expect_moved(session, "Up")
        want = "mean value " + mean_text(link)
        told = [s for s in said if want in s.lower()]
        if len(told) != 1 or any(sign in s for s in said for sign in "∫≈"):
            raise AssertionError("after ↑ number %d Orca said %r: not %r once" % (n + 1, spoken_text(said), want))


def next_c_key(session):
    """C takes the plot to the sample nearest the first c after it, which
    Orca names with the sample's value."""
    tab_onto_plot(session)
    session.said_after(lambda: session.key("Home"), 1.5)
    said = session.said_after(lambda: session.key("c"), 2.5)
    theorem, step = theorem_state(page_link())
    first = round(theorem["c"][0] / step)
    want = "sample %d:" % first
    if not any(want in s and ("c₁" in s or "c1" in s or "c subscript" in s.lower()) for s in said):
        raise AssertionError("after C Orca said %r, not %r with c₁" % (spoken_text(said), want))


def handles_after_help_and_language(session):
    """Help opened and closed, then the language switched: each handle is
    spoken as it takes the focus, and the arrow keys still move it (Orca
    leaves them to the page); the closing help says no theorem."""
    tab_onto_plot(session)
    def press(element, key):
        # Focus first, and the key once Orca has said where it is, as a
        # student's Tab and then the key.
        said = session.said_after(lambda: session.evaluate("document.getElementById(args[0]).focus()", element), 1.2)
        return said, session.said_after(lambda: session.key(key), 1.5)
    press("help", "Return")
    said = press("help-close", "Return")[1]
    if any("mean value" in s.lower() for s in said):
        raise AssertionError("as the help closed Orca said %r" % spoken_text(said))
    press("language", "Return")
    for handle, key, name in (("handle-a", "Right", "a = "), ("handle-b", "Left", "b = ")):
        before = page_link()
        said = press(handle, key)[0]
        if not any(name in s for s in said):
            raise AssertionError("after help and the language, Orca said %r on %s's focus" % (spoken_text(said), handle))
        if page_link() == before:
            raise AssertionError("after help and the language, %s on %s moved nothing" % (key, handle))


def reveal_once(session):
    """Check on a prediction: Orca says the true mean, with the feedback
    that names the guess's mistake, once."""
    session.evaluate("document.getElementById('check').focus()")
    session.quiet(1.5)
    said = session.said_after(lambda: session.key("Return"), 2.5)
    want = "the mean value is " + mean_text(PREDICTION)
    told = [s for s in said if want in s]
    if len(told) != 1 or "average of f(a) and f(b)" not in told[0]:
        raise AssertionError("after Check Orca said %r: not %r once, with its feedback" % (spoken_text(said), want))


# A prediction lesson on its first curve, the guess at the ends' average.
PREDICTION = lesson_cases.PREDICT[0]
STARTS = {"the-reveal-is-spoken-once": "?view=classroom&lesson=predict&guess=200#" + PREDICTION}


CASES = {
    "the-reveal-is-spoken-once": reveal_once,
    "name-on-focus": name_on_focus,
    "a-key-moves-the-curve": key_moves_the_curve,
    "the-mean-is-spoken-after-a-change": mean_after_a_change,
    "three-ups-each-speak-the-value": ups_speak_each_value,
    "the-short-response-once-after-each-change": the_mean_once_each_change,
    "the-next-c-key": next_c_key,
    "the-handles-after-help-and-a-language-switch": handles_after_help_and_language,
}


def main():
    if sys.argv[1:] == ["--list"]:
        print("\n".join(CASES))
        return 0
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    for option in ("--page", "--replay", "--data", "--out"):
        parser.add_argument(option, required=True)
    parser.add_argument("--browser", choices=("chromium", "firefox", "webkit"), default="chromium")
    ARGS = driver.ARGS = parser.parse_args()
    for tool in ("orca", "xdotool", "dbus-daemon", "/usr/libexec/at-spi-bus-launcher"):
        if not shutil.which(tool):
            raise SystemExit("%s is missing: scripts/test installs the screen reader's packages" % tool)
    link = script_link(os.path.join(ARGS.data, "events", "steep.events"))
    session = Session(os.path.abspath(os.path.join(ARGS.out, ARGS.browser, ARGS.case)))
    try:
        session.start("file://" + os.path.abspath(ARGS.page) + STARTS.get(ARGS.case, "?view=classroom#" + link))
        CASES[ARGS.case](session)
    except Exception as e:  # the driver's errors come in many classes
        print("FAILED  %s: %s" % (ARGS.case, str(e).strip().splitlines()[0]))
        return 1
    finally:
        with open(os.path.join(session.folder, "speech.txt"), "w") as f:
            f.write("\n".join(session.spoken()) + "\n")
        session.stop()
    print("ok      %s" % ARGS.case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
