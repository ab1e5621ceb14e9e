"""The browser page's tests and benchmark drive a browser through this module:
it starts Chromium, Firefox ESR or WebKitGTK, opens the page, sends trusted
input, reads the plot, and asks the native replay tool what the page must show.
run_cases() makes each case a ctest test of its own, run alone or in a case server.
"""
import argparse
import base64
import decimal
import json
import math
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from urllib.parse import unquote

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "harness"))
import image  # noqa: E402

ARGS = None      # the case's command line: --page, --replay, --data, --out and the suite's own
BROWSER = None   # the engine the case drives: goto(url), evaluate(body, *args), ...


# The engines. Each runs `evaluate` on the body of a function of `args`,
# awaiting a promise it returns, and takes pointer steps (kind, x, y) in
# viewport CSS pixels and key chords such as 'Shift+Up'.

class Selenium:
    def goto(self, url):
        self.driver.switch_to.default_content()
        self.driver.get(url)

    def evaluate(self, body, *args):
        answer = self.driver.execute_async_script("""
            const body = arguments[0], args = arguments[1], done = arguments[2];
            Promise.resolve().then(() => new Function('args', body)(args))
                .then(v => done({value: v === undefined ? null : v}), e => done({error: String(e)}));""",
                                                  body, list(args))
        if "error" in answer:
            raise AssertionError("%s: %s" % (type(self).__name__, answer["error"]))
        return answer["value"]

    def pointer(self, steps):
        from selenium.webdriver.common.action_chains import ActionBuilder
        from selenium.webdriver.common.actions.mouse_button import MouseButton
        builder = ActionBuilder(self.driver, duration=0)
        for kind, x, y in steps:
            builder.pointer_action.move_to_location(int(x), int(y))
            if kind == "down":
                builder.pointer_action.pointer_down(MouseButton.LEFT)
            elif kind == "up":
                builder.pointer_action.pointer_up(MouseButton.LEFT)
        builder.perform()

    def keys(self, chords):
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.keys import Keys
        names = {"Up": Keys.ARROW_UP, "Down": Keys.ARROW_DOWN, "Left": Keys.ARROW_LEFT, "Right": Keys.ARROW_RIGHT,
                 "PageUp": Keys.PAGE_UP, "PageDown": Keys.PAGE_DOWN, "Home": Keys.HOME, "End": Keys.END,
                 "Tab": Keys.TAB, "Enter": Keys.ENTER, "Ctrl": Keys.CONTROL, "Shift": Keys.SHIFT}
        for chord in chords:
            *mods, last = chord.split("+")
            chain = ActionChains(self.driver, duration=0)
            for m in mods:
                chain.key_down(names[m])
            key = names.get(last, last.lower())
            chain.key_down(key).key_up(key)
            for m in reversed(mods):
                chain.key_up(names[m])
            chain.perform()

    def enter_frame(self, frame_id):
        self.driver.switch_to.frame(self.driver.find_element("id", frame_id))

    def screenshot(self, path):
        self.driver.save_screenshot(path)


class Chromium(Selenium):
    """Debian's Chromium through chromedriver. Its profile is PROFILE, or a
    folder of its own under FOLDER that quit() removes, so that nothing is
    left in /tmp or the home folder (where Chromium keeps its crash reports
    and dconf its cache, whatever the profile)."""

    def __init__(self, folder=None, flags=(), headless=True, profile=None, log_path=None, automation_bar=True,
                 capabilities=None):
        try:
            from selenium import webdriver
            from selenium.webdriver.chrome.options import Options
            from selenium.webdriver.chrome.service import Service
        except ImportError as e:
            raise SystemExit("python3-selenium is not installed (%s)" % e)
        options = Options()
        self.scratch = None
        if profile is None:
            profile = self.scratch = tempfile.mkdtemp(prefix="chromium-profile-", dir=os.path.abspath(folder))
            os.environ.update(XDG_CONFIG_HOME=os.path.join(profile, "config"),
                              XDG_CACHE_HOME=os.path.join(profile, "cache"))
        for flag in (("--headless=new",) if headless else ()) + ("--no-sandbox",) + tuple(flags):
            options.add_argument(flag)
        options.add_argument("--user-data-dir=" + profile)
        for name, value in (capabilities or {}).items():
            options.set_capability(name, value)
        if not automation_bar:
            options.add_experimental_option("excludeSwitches", ["enable-automation"])
        try:
            self.driver = webdriver.Chrome(options=options, **({"service": Service(log_path=log_path)}
                                                               if log_path else {}))
        except Exception as e:  # the driver's errors come in many classes
            self.remove_profile()
            raise SystemExit("Chromium cannot be started (%s)" % str(e).strip())

    def cdp(self, command, **params):
        return self.driver.execute_cdp_cmd(command, params)

    def key(self, name, code, modifiers=0):
        """A trusted key press through DevTools: NAME as KeyboardEvent.key,
        CODE its Windows key code; modifiers 2 for Ctrl, 8 for Shift."""
        for kind in ("rawKeyDown", "keyUp"):
            self.cdp("Input.dispatchKeyEvent", type=kind, key=name,
                     code=name if len(name) > 1 else "Key" + name.upper(), windowsVirtualKeyCode=code,
                     modifiers=modifiers)

    def quit(self):
        try:
            self.driver.quit()
        finally:
            self.remove_profile()

    def remove_profile(self):
        if self.scratch:
            shutil.rmtree(self.scratch, ignore_errors=True)


class WebKit(Selenium):
    """MiniBrowser through WebKitWebDriver (Selenium 4.8 takes no service=)."""

    # MiniBrowser's web process can end under load ("WebProcess CRASHED"),
    # and WebKitWebDriver then never answers: each command is given half a
    # minute, far beyond what any takes, and a case whose browser stopped
    # answering runs once more in a new one (run_alone).
    restartable = True

    def __init__(self):
        from selenium import webdriver
        from selenium.webdriver.remote.remote_connection import RemoteConnection
        from selenium.webdriver.webkitgtk.options import Options
        RemoteConnection.set_timeout(30)
        options = Options()
        options.binary_location = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
        options.add_argument("--automation")
        self.driver = webdriver.WebKitGTK(options=options, executable_path="/usr/bin/WebKitWebDriver")
        # The MiniBrowser WebKitWebDriver started, to be ended by its id if
        # it outlives the driver, as one whose web process ended does.
        service = self.driver.service.process.pid
        self.started = []
        for task in os.listdir("/proc/%d/task" % service):
            with open("/proc/%d/task/%s/children" % (service, task)) as f:
                self.started += [int(pid) for pid in f.read().split()]

    def resize(self, width, height, scale):
        """The window whose viewport is WIDTH x HEIGHT CSS pixels; False when
        MiniBrowser's window cannot be made that small or that dense."""
        if scale != 1:
            return False
        for _ in range(3):
            inner = self.evaluate("return [innerWidth, innerHeight]")
            rect = self.driver.get_window_rect()
            if inner == [width, height]:
                return True
            self.driver.set_window_rect(width=rect["width"] + width - inner[0],
                                        height=rect["height"] + height - inner[1])
            time.sleep(0.2)
        return False

    def quit(self):
        try:
            self.driver.quit()
        finally:
            for pid in self.started:
                try:
                    with open("/proc/%d/cmdline" % pid) as f:
                        if "MiniBrowser" in f.read():
                            os.kill(pid, signal.SIGKILL)
                except (OSError, ProcessLookupError):
                    pass   # ended with the driver


class Firefox:
    """Debian's Firefox ESR through firefox_bridge.js (puppeteer-core over
    WebDriver BiDi): one JSON command a line each way. Headful on $DISPLAY
    when BRISQUAL_FIREFOX_HEADFUL is set."""

    def __init__(self):
        self.process = subprocess.Popen(["node", os.path.join(HERE, "firefox_bridge.js")], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True, bufsize=1)
        self.call("version")

    def call(self, cmd, *args):
        self.process.stdin.write(json.dumps({"cmd": cmd, "args": list(args)}) + "\n")
        answer = self.process.stdout.readline()
        if not answer:
            raise SystemExit("Firefox ESR could not be started or ended (see the lines above)")
        answer = json.loads(answer)
        if "error" in answer:
            raise AssertionError("Firefox: %s: %s" % (cmd, answer["error"]))
        return answer.get("value")

    def goto(self, url):
        self.call("goto", url)

    def evaluate(self, body, *args):
        return self.call("evaluate", body, list(args))

    def resize(self, width, height, scale):
        self.call("viewport", width, height, scale)
        return True

    def pointer(self, steps):
        self.call("pointer", steps)

    def keys(self, chords):
        self.call("keys", chords)

    def screenshot(self, path):
        self.call("screenshot", path)

    def quit(self):
        try:
            self.process.stdin.close()
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()


def keep_browsers_home(folder):
    """The engines' own files (profiles, caches, downloads, settings) go
    into FOLDER in the build tree, not the user's home; they get no session
    bus, so that none is started for them, nor the accessibility bridge that
    would need one: the screen-reader cases start their own."""
    shutil.rmtree(folder, ignore_errors=True)
    for name in ("config", "cache", "data"):
        os.makedirs(os.path.join(folder, name))
    os.environ.update({"HOME": folder, "XDG_CONFIG_HOME": os.path.join(folder, "config"),
                       "XDG_CACHE_HOME": os.path.join(folder, "cache"), "XDG_DATA_HOME": os.path.join(folder, "data"),
                       "DBUS_SESSION_BUS_ADDRESS": "disabled:", "NO_AT_BRIDGE": "1"})


# The page, in whichever engine BROWSER is.

def page_url(query=""):
    return "file://" + os.path.abspath(ARGS.page) + query


def open_page(query=""):
    BROWSER.goto("about:blank")
    BROWSER.goto(page_url(query))
    wait_ready()


def wait_ready(flag="ready"):
    """Until the page says it has started (window.brisqual[FLAG]) or why
    it has not."""
    ready = BROWSER.evaluate("""return new Promise(done => {
        const start = performance.now();
        (function wait() {
            if (window.brisqual && (brisqual[args[0]] || brisqual.message)) done(!!brisqual[args[0]]);
            else if (performance.now() - start > 5000) done(false);
            else setTimeout(wait, 5);
        })(); });""", flag)
    if not ready:
        raise AssertionError("the page did not start: %r" % BROWSER.evaluate("return window.brisqual && brisqual.message"))


def settle(ms):
    BROWSER.evaluate("return new Promise(done => setTimeout(done, args[0]))", ms)


def page_link():
    """The curve's link in the address bar, without the '#'."""
    return unquote(BROWSER.evaluate("return location.hash").lstrip("#"))


def settled_url():
    """The address once it has stopped changing: the page may write it
    after the last step has been drawn."""
    last, since = BROWSER.evaluate("return location.href"), time.monotonic()
    while time.monotonic() - since < 0.3:
        time.sleep(0.05)
        url = BROWSER.evaluate("return location.href")
        if url != last:
            last, since = url, time.monotonic()
    return last


def plot_box():
    return BROWSER.evaluate("""
        const c = document.getElementById('plot'), b = c.getBoundingClientRect();
        return {left: b.left, top: b.top, width: b.width, height: b.height, backing: [c.width, c.height],
                ratio: devicePixelRatio, viewport: [innerWidth, innerHeight],
                scroll: document.documentElement.scrollWidth};""")


def canvas_pixels(name):
    """The canvas's own pixels, whatever the screen's density, as a PNG
    written to --out."""
    data = BROWSER.evaluate("return document.getElementById('plot').toDataURL('image/png')")
    path = os.path.join(ARGS.out, name + ".canvas.png")
    with open(path, "wb") as f:
        f.write(base64.b64decode(data.split(",", 1)[1]))
    return image.Image.load(path)


def click(element_id):
    """A trusted click at the middle of the element."""
    x, y = BROWSER.evaluate("const b = document.getElementById(args[0]).getBoundingClientRect();"
                            "return [Math.round(b.left + b.width / 2), Math.round(b.top + b.height / 2)]", element_id)
    BROWSER.pointer([("down", x, y), ("up", x, y)])


def handed_on(y0, y1):
    """The row the classroom view hands the model for a pointer at row y1
    of a drag pressed at row y0: the pointer's rows divided by the model's
    gain of 1.5 rows of the curve a row, so that the curve follows it."""
    return y0 + math.floor((y1 - y0) / 1.5 + 0.5)


def client_pixel(box, css_x, css_y):
    return (int((css_x - box["left"]) * 602 // box["width"]), int((css_y - box["top"]) * 504 // box["height"]))


def css_point(box, x, y, frame):
    """A whole CSS pixel near client pixel (x, y), well inside one client
    pixel, in the top-level viewport."""
    def near(origin, size, full, v):
        first = math.floor(origin + (v + 0.5) * size / full)
        for c in range(first, first + 8):
            if 0.2 <= ((c - origin) * full / size) % 1 <= 0.8:
                return c
        return first   # a whole number of CSS pixels per client pixel
    return near(box["left"], box["width"], 602, x) + frame[0], near(box["top"], box["height"], 504, y) + frame[1]


def expect_same(actual, expected, label, what):
    """Two pictures equal pixel for pixel; where they differ, the pictures
    and their difference are written to --out by tests/harness/image.py."""
    points = image.compare(actual, expected, ARGS.out, label)
    if points is None:
        raise AssertionError("%s: the canvas is %dx%d, %s %dx%d" % (label, actual.width, actual.height, what,
                                                                     expected.width, expected.height))
    if points:
        raise AssertionError("%s: %d pixels differ from %s (see %s-*.png)" % (label, len(points), what, label))


# The replay tool: what the page must show.

def kept_event_files():
    folder = os.path.join(ARGS.data, "events")
    return sorted(os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".events"))


def script_lines(path):
    with open(path) as f:
        return [line.strip() for line in f if line.strip() and not line.lstrip().startswith("#")]


def script_link(path):
    """The kept event file's link, without the '#'."""
    return subprocess.run([ARGS.replay, "--link", path], check=True, capture_output=True,
                          text=True).stdout.strip()[1:]


def replay(link, *options):
    """brisqual-replay run on a link."""
    return subprocess.run([ARGS.replay, "--from-link"] + list(options) + ["-"], input="#" + link + "\n",
                          check=True, capture_output=True, text=True).stdout


def replay_picture(lines, label):
    """The replay tool's picture of event LINES."""
    path = os.path.join(ARGS.out, label + ".expected.png")
    subprocess.run([ARGS.replay, "--png", path, "-"], input="".join(line + "\n" for line in lines),
                   text=True, check=True)
    return image.Image.load(path)


def replay_png(text, label, *options):
    """The replay tool's picture of TEXT: event lines, or with --from-link
    an address."""
    path = os.path.join(ARGS.out, label + ".png")
    run = subprocess.run([ARGS.replay, *options, "--png", path, "-"], input=text, text=True,
                         capture_output=True)
    if run.returncode != 0:
        raise AssertionError("the replay tool refused %r: %s" % (text[-160:], run.stderr.strip()))
    return image.Image.load(path)


def replay_state(link):
    return json.loads(replay(link, "--state"))


def theorem_state(link):
    state = replay_state(link)
    return state["theorem"], state["step_width"]


def two_decimals(value, lang="en"):
    """A value to two decimals, half away from zero, as the page writes it:
    with a true minus sign."""
    text = str(decimal.Decimal(value).quantize(decimal.Decimal("0.01"), decimal.ROUND_HALF_UP))
    text = "0.00" if text == "-0.00" else text.replace("-", "\u2212")
    return text.replace(".", ",") if lang == "es" else text


def mean_text(link, lang="en"):
    """The classroom view's mean value, the theorem's over its interval,
    from the replay tool's state: what the page must show."""
    return two_decimals(theorem_state(link)[0]["mean"], lang)


# Tables that more than one suite plays.

# Name, viewport CSS width and height, device scale, touch, in a course page's frame.
DEVICES = [
    ("phone", 360, 740, 3, True, False),
    ("tablet", 768, 1024, 2, False, False),
    ("laptop", 1366, 768, 1.25, False, False),
    ("frame", 1280, 800, 1, False, True),
]

# axe-core's rule sets that the page must pass without a single violation,
# and each view with the button that opens its panel, and the panel.
AXE_TAGS = ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa", "best-practice"]
# Rows: a name, the view's query, the control that opens a panel, the panel.
AXE_PANELS = [("classroom", "classroom", "help", "help-dialog"), ("classic", "classic", "menu", "dialog"),
              ("lesson", "classroom&lesson=predict&guess=200&c=100&checked&answer=x", "share", "shows")]

# Rows: what the keys do, the kept event file whose link the page opens on, and
# the keys pressed once Tab has reached the plot.
KEYBOARD_ROWS = [
    ("first-focus-selects-the-middle", "drag-example.events", ["Up", "Down", "Up"]),
    ("arrows-move-the-selection", "steep.events",
     ["Right", "Up", "Shift+Left", "Shift+Left", "PageDown", "Left", "Shift+Up"]),
    ("home-and-end-stop-at-the-ends", "left-end.events",
     ["Home", "Left", "Shift+Left", "Shift+Up", "End", "Right", "Shift+Right", "PageUp", "Shift+Down"]),
    ("undo-and-redo-whole-steps", "many-small.events",
     ["Up", "Right", "PageUp", "Down", "Ctrl+Z", "Ctrl+Z", "Ctrl+Y", "Shift+Right", "Down", "Ctrl+Y",
      "Ctrl+Z", "Ctrl+Shift+Z"]),
]


def drags_for(keys):
    """The event lines that KEYS stand for, by the keyboard's
    documented mapping: the selection starts at sample 150 and stays within
    0 ... 300; a step up is the drag down X 250, move X 249, up X 249 at the
    column X = 2 x sample that grabs it (one pixel, or ten with Shift or
    PageUp/PageDown); undo and redo take back or bring back whole steps."""
    selected, done, undone = 150, [], []
    moves = {"Left": -1, "Right": 1, "Shift+Left": -10, "Shift+Right": 10}
    steps = {"Up": -1, "Down": 1, "Shift+Up": -10, "Shift+Down": 10, "PageUp": -10, "PageDown": 10}
    for key in keys:
        if key in moves:
            selected = min(300, max(0, selected + moves[key]))
        elif key in ("Home", "End"):
            selected = 0 if key == "Home" else 300
        elif key in steps:
            x, y = 2 * selected, 250 + steps[key]
            done.append(["down %d 250" % x, "move %d %d" % (x, y), "up %d %d" % (x, y)])
            undone = []
        elif key == "Ctrl+Z" and done:
            undone.append(done.pop())
        elif key in ("Ctrl+Y", "Ctrl+Shift+Z") and undone:
            done.append(undone.pop())
    return [line for drag in done for line in drag]


# One case a ctest test. A case runs in a browser of its own, or in the case
# server's: one process that keeps one browser for a suite's cases, started
# and stopped by ctest fixtures, so that a case does not pay for a browser's
# start. Its socket lies in a folder of the build tree that only the user can
# enter; it runs one case at a time, and starts the browser afresh after a
# case that failed.

SERVER_IDLE = 120   # seconds without a case after which the server ends by itself


def run_cases(cases, start, options=("--page", "--replay", "--data", "--out"), extra=None, suffix=None):
    """`SCRIPT --list` names the CASES (a dict of name: function), one a
    line; `SCRIPT CASE OPTIONS... [--server DIR]` runs one, in the server
    listening in DIR if there is one: START() gives the engine, and the case
    passes or fails (exit 1). `SCRIPT --serve DIR OPTIONS...` starts a server
    and returns once it listens; `SCRIPT --stop DIR` ends it. EXTRA(parser)
    adds a suite's own options; SUFFIX(ARGS) is said after the case's name."""
    global ARGS
    if sys.argv[1:] == ["--list"]:
        print("\n".join(cases))
        return 0
    if sys.argv[1:2] == ["--stop"] and len(sys.argv) == 3:
        return stop_server(sys.argv[2])
    serving = sys.argv[1:2] == ["--serve"]
    parser = argparse.ArgumentParser()
    if serving:
        parser.add_argument("--serve", required=True)
    else:
        parser.add_argument("case", choices=sorted(cases))
        parser.add_argument("--server", help="the folder of a case server (--serve)")
    for option in options:
        parser.add_argument(option, required=True)
    if extra:
        extra(parser)
    ARGS = parser.parse_args()
    for name in ("page", "replay", "data", "out", "axe"):
        if getattr(ARGS, name, None):
            setattr(ARGS, name, os.path.abspath(getattr(ARGS, name)))
    os.makedirs(ARGS.out, exist_ok=True)
    if serving:
        return serve(os.path.abspath(ARGS.serve), cases, start, suffix)
    if ARGS.server:
        answer = ask_server(ARGS.server, ARGS.case)
        if answer is not None:
            return answer
    return run_alone(cases, start, suffix)


def browser_lost(e):
    """An error of the browser's driver or its connection, not of the page."""
    from selenium.common.exceptions import WebDriverException
    from urllib3.exceptions import HTTPError
    return isinstance(e, (WebDriverException, HTTPError, TimeoutError, ConnectionError))


LOST = "lost"


def run_case(cases, suffix, restart=False):
    """The case's exit status; LOST, having said nothing, where RESTART and
    the browser stopped answering."""
    name = ARGS.case + (suffix(ARGS) if suffix else "")
    try:
        cases[ARGS.case]()
    except Exception as e:  # the driver's errors come in many classes
        if restart and browser_lost(e):
            return LOST
        print("FAILED  %s: %s" % (name, (str(e).strip().splitlines() or [type(e).__name__])[0]))
        if os.environ.get("BROWSER_TEST_TRACE"):
            import traceback
            traceback.print_exc(file=sys.stdout)
        return 1
    print("ok      %s" % name)
    return 0


def start_browser(start):
    global BROWSER
    try:
        BROWSER = start()
    except Exception as e:  # the drivers' errors come in many classes
        BROWSER = None
        print("FAILED  %s: the browser cannot be started: %s" % (ARGS.case, str(e).strip()))
    return BROWSER


def run_alone(cases, start, suffix):
    for restart in (True, False):
        if not start_browser(start):
            return 1
        try:
            status = run_case(cases, suffix, restart and getattr(BROWSER, "restartable", False))
        finally:
            try:
                BROWSER.quit()
            except Exception as e:  # a browser that stopped answering
                if not browser_lost(e):
                    raise
        if status != LOST:
            return status
        print("the browser stopped answering; the case runs again in a new one")
    return 1


def ask_server(folder, case):
    """The case run by the server in FOLDER, its output printed: its exit
    status, or None where no server listens."""
    import socket
    connection = socket.socket(socket.AF_UNIX)
    here = os.getcwd()
    try:
        os.chdir(folder)   # a relative name: a socket's path may have 107 bytes only
        connection.connect("socket")
    except OSError:
        connection.close()
        return None
    finally:
        os.chdir(here)
    with connection:
        connection.sendall((case + "\n").encode())
        reply = connection.makefile(encoding="utf-8").read()
    if not reply:
        print("FAILED  %s: the case server ended during the case" % case)
        return 1
    reply = json.loads(reply)
    print(reply["output"], end="")
    return reply["status"]


def serve(folder, cases, start, suffix):
    """Forks the server, which listens in FOLDER; returns once it does."""
    import signal
    import socket
    os.makedirs(folder, mode=0o700, exist_ok=True)
    os.chmod(folder, 0o700)
    for name in ("socket", "ready"):
        if os.path.exists(os.path.join(folder, name)):
            os.unlink(os.path.join(folder, name))
    os.chdir(folder)
    listener = socket.socket(socket.AF_UNIX)
    listener.bind("socket")
    listener.listen(8)
    sys.stdout.flush()
    pid = os.fork()
    if pid:
        listener.close()
        with open("pid", "w") as f:
            f.write("%d\n" % pid)
        print("the case server listens in %s (process %d)" % (folder, pid))
        return 0
    os.setsid()
    log = os.open("server.log", os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    for fd in (1, 2):
        os.dup2(log, fd)
    os.dup2(os.open(os.devnull, os.O_RDONLY), 0)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))   # so that the browser is ended too
    status = 0
    try:
        serve_here(listener, cases, start, suffix)
    except BaseException:
        import traceback
        traceback.print_exc()
        status = 1
    finally:
        if BROWSER:
            BROWSER.quit()
        listener.close()
        if os.path.exists("socket"):
            os.unlink("socket")
        sys.stdout.flush()
    os._exit(status)


def serve_here(listener, cases, start, suffix):
    import socket
    listener.settimeout(SERVER_IDLE)
    while True:
        try:
            connection, _ = listener.accept()
        except socket.timeout:
            return
        try:
            if not serve_one(connection, cases, start, suffix):
                return
        except OSError as e:   # a client gone: the next one is served
            print("a case's client: %s" % e, flush=True)


def serve_one(connection, cases, start, suffix):
    """Runs the case a client names; False when it asks the server to end."""
    import contextlib
    import io
    global BROWSER
    with connection:
        connection.settimeout(None)
        case = connection.makefile(encoding="utf-8").readline().strip()
        if case == "quit":
            connection.sendall(b"{}")
            return False
        ARGS.case = case
        output = io.StringIO()
        with contextlib.redirect_stdout(output):
            if case not in cases:
                print("FAILED  %s: no such case" % case)
                status = 1
            elif not (BROWSER or start_browser(start)):
                status = 1
            else:
                status = run_case(cases, suffix)
            if status and BROWSER:
                # What a failed case left behind is no other case's start.
                try:
                    BROWSER.quit()
                finally:
                    BROWSER = None
        print(output.getvalue(), end="", flush=True)
        connection.sendall(json.dumps({"status": status, "output": output.getvalue()}).encode())
    return True


def stop_server(folder):
    """Ends the server in FOLDER, if one runs: it is asked to, and its own
    process id is ended should it not."""
    import signal
    import socket
    try:
        with open(os.path.join(folder, "pid")) as f:
            pid = int(f.read())
    except (OSError, ValueError):
        return 0
    connection = socket.socket(socket.AF_UNIX)
    here = os.getcwd()
    try:
        os.chdir(folder)
        connection.connect("socket")
        connection.sendall(b"quit\n")
        connection.makefile().read()
    except OSError:
        pass
    finally:
        connection.close()
        os.chdir(here)
    for _ in range(200):
        if not is_server(pid, folder):
            break
        time.sleep(0.1)
    else:
        os.kill(pid, signal.SIGTERM)
    os.unlink(os.path.join(folder, "pid"))
    return 0


def is_server(pid, folder):
    """Process PID is still the server of FOLDER, not one that took its id."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            serving = b"--serve" in f.read().split(b"\0")
        return serving and os.path.samefile("/proc/%d/cwd" % pid, folder)
    except OSError:
        return False
