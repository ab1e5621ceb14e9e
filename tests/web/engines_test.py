#!/usr/bin/python3
"""The browser suite's core cases in Firefox ESR and WebKitGTK (Safari's
engine), with trusted input; the native replay tool is the oracle.

usage: engines_test.py --list
       engines_test.py CASE --engine firefox|webkit --page HTML --replay BRISQUAL_REPLAY --data DIR
                       --axe AXE_MIN_JS --out DIR [--display-file FILE]

Firefox ESR is Debian's, driven by the npm puppeteer-core over WebDriver
BiDi (firefox_bridge.js); WebKitGTK is MiniBrowser through its WebDriver,
on the X display named in --display-file (tests/harness/xvfb.sh's) or $DISPLAY. The tables of kept event files, windows, key
sequences and audited panels are the Chromium suite's own.
"""
import argparse
import base64
import json
import math
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "harness"))
sys.path.insert(0, HERE)
import image  # noqa: E402
import accessibility_test as a11y  # noqa: E402
import browser_test as chromium_suite  # noqa: E402

ARGS = None
ENGINE = None


class Firefox:
    """firefox_bridge.js: one JSON command a line each way."""

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


class WebKit:
    """MiniBrowser through WebKitWebDriver (Selenium 4.8 takes no service=)."""

    def __init__(self):
        from selenium import webdriver
        from selenium.webdriver.webkitgtk.options import Options
        options = Options()
        options.binary_location = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
        options.add_argument("--automation")
        self.driver = webdriver.WebKitGTK(options=options, executable_path="/usr/bin/WebKitWebDriver")

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
            raise AssertionError("WebKit: %s" % answer["error"])
        return answer["value"]

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

    def quit(self):
        self.driver.quit()


def page_url(query):
    return "file://" + os.path.abspath(ARGS.page) + query


def open_page(query):
    ENGINE.goto("about:blank")
    ENGINE.goto(page_url(query))
    wait_ready()


def wait_ready():
    ready = ENGINE.evaluate("""return new Promise(done => {
        const start = performance.now();
        (function wait() {
            if (window.brisqual && (brisqual.ready || brisqual.message)) done(!!brisqual.ready);
            else if (performance.now() - start > 5000) done(false);
            else setTimeout(wait, 5);
        })(); });""")
    if not ready:
        raise AssertionError("the page did not start: %r" % ENGINE.evaluate("return window.brisqual && brisqual.message"))


def settle(ms):
    ENGINE.evaluate("return new Promise(done => setTimeout(done, args[0]))", ms)


def plot_box():
    return ENGINE.evaluate("""
        const c = document.getElementById('plot'), b = c.getBoundingClientRect();
        return {left: b.left, top: b.top, width: b.width, height: b.height, backing: [c.width, c.height],
                ratio: devicePixelRatio, viewport: [innerWidth, innerHeight],
                scroll: document.documentElement.scrollWidth};""")


def canvas_pixels(name):
    """The canvas's own pixels, as a PNG written to --out."""
    data = ENGINE.evaluate("return document.getElementById('plot').toDataURL('image/png')")
    path = os.path.join(ARGS.out, name + ".canvas.png")
    with open(path, "wb") as f:
        f.write(base64.b64decode(data.split(",", 1)[1]))
    return image.Image.load(path)


def page_link():
    from urllib.parse import unquote
    return unquote(ENGINE.evaluate("return location.hash").lstrip("#"))


def replay_picture(lines, label):
    path = os.path.join(ARGS.out, label + ".expected.png")
    subprocess.run([ARGS.replay, "--png", path, "-"], input="".join(line + "\n" for line in lines),
                   text=True, check=True)
    return image.Image.load(path)


def expect_same(actual, expected, label, what):
    points = image.compare(actual, expected, ARGS.out, label)
    if points is None:
        raise AssertionError("%s: the canvas is %dx%d, %s %dx%d" % (label, actual.width, actual.height, what,
                                                                     expected.width, expected.height))
    if points:
        raise AssertionError("%s: %d pixels differ from %s (see %s-*.png)" % (label, len(points), what, label))


def click(element_id):
    """A trusted click at the middle of the element."""
    x, y = ENGINE.evaluate("const b = document.getElementById(args[0]).getBoundingClientRect();"
                           "return [Math.round(b.left + b.width / 2), Math.round(b.top + b.height / 2)]", element_id)
    ENGINE.pointer([("down", x, y), ("up", x, y)])


def kept_event_files():
    folder = os.path.join(ARGS.data, "events")
    return sorted(os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".events"))


# The cases.

def classic_pictures():
    """Every kept event file played with real events in the classic view:
    the canvas equals the replay tool's picture of the script, and of the
    events the page says it received."""
    faults = []
    for path in kept_event_files():
        name = os.path.splitext(os.path.basename(path))[0]
        lines = chromium_suite.script_lines(path)
        steps = [line.split() for line in lines]
        if any(step[0] not in ("down", "move", "up") for step in steps):
            raise AssertionError("%s holds lines other than pointer events, which this case cannot play" % path)
        try:
            open_page("?view=classic")
            box = plot_box()
            ENGINE.pointer([(kind, int(x) + math.floor(box["left"]), int(y) + math.floor(box["top"]))
                            for kind, x, y in steps])
            actual = canvas_pixels("classic-" + name)
            received = ENGINE.evaluate("return brisqual.events")
            expect_same(actual, replay_picture(received, "classic-%s-received" % name), "classic-" + name,
                        "the replay of the received events")
            expect_same(actual, replay_picture(lines, "classic-%s-script" % name), "classic-" + name,
                        "the replay of the script")
        except AssertionError as e:
            faults.append(str(e))
    if faults:
        raise AssertionError("; ".join(faults))


# The Chromium suite's phone and laptop, by name: CSS width, height, scale.
WINDOWS = {row[0]: row[1:4] for row in chromium_suite.DEVICES if row[0] in ("phone", "laptop")}

FRAME_HOST = """<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>A %dx%d window</title></head>
<body style="margin: 0"><iframe id="window" title="Brisqual" src="%s" width="%d" height="%d"
style="border: 0; display: block"></iframe></body></html>"""


def in_window(name):
    """Opens the classroom view in the named window and gives the offset of
    its viewport in the top-level one. Where the engine's window cannot be
    that small (MiniBrowser's is at least 447 px wide) or dense, the view
    opens in a frame of that size, which lays the page out as such a window."""
    width, height, scale = WINDOWS[name]
    if ENGINE.resize(width, height, scale):
        open_page("?view=classroom")
        return (0, 0)
    ENGINE.resize(1024, 900, 1)
    host = os.path.abspath(os.path.join(ARGS.out, "window-%s.html" % name))
    with open(host, "w") as f:
        f.write(FRAME_HOST % (width, height, page_url("?view=classroom"), width, height))
    ENGINE.goto("file://" + host)
    ENGINE.enter_frame("window")
    wait_ready()
    # The frame sits at the top-level viewport's origin, so that pointer
    # positions are the same in both.
    return (0, 0)


def expect_fits(name):
    width, height, _ = WINDOWS[name]
    box = plot_box()
    vw, vh = box["viewport"]
    if [vw, vh] != [width, height]:
        raise AssertionError("%s: the viewport is %dx%d, not %dx%d" % (name, vw, vh, width, height))
    if box["scroll"] > vw:
        raise AssertionError("%s: the page is %d px wide in a %d px viewport" % (name, box["scroll"], vw))
    if box["left"] < 0 or box["top"] < 0 or box["left"] + box["width"] > vw or box["top"] + box["height"] > vh:
        raise AssertionError("%s: the plot %r is not all within the %dx%d viewport" % (name, box, vw, vh))
    want = [round(box["width"] * box["ratio"]), round(box["height"] * box["ratio"])]
    if any(abs(a - b) > 1 for a, b in zip(box["backing"], want)):
        raise AssertionError("%s: the canvas holds %r pixels for %r device pixels" % (name, box["backing"], want))
    ENGINE.screenshot(os.path.join(ARGS.out, "classroom-%s.png" % name))
    return box


def fits(name):
    def run():
        in_window(name)
        expect_fits(name)
    return run


def drag_grabs_the_sample():
    """In each window, a drag from the column of sample 100 down by about
    40 client pixels: the link the page writes holds that drag at the
    client pixels under the pointer, and the classic view draws the link
    as the replay tool does."""
    for name in WINDOWS:
        in_window(name)
        before = page_link()
        box = expect_fits(name)
        start = chromium_suite.css_point(box, 201, 300, (0, 0))
        stop = chromium_suite.css_point(box, 201, 340, (0, 0))
        ENGINE.pointer([("down",) + start, ("move",) + stop, ("up",) + stop])
        (x0, y0), (x1, y1) = chromium_suite.client_pixel(box, *start), chromium_suite.client_pixel(box, *stop)
        expected = before + "d%d.%dm%d.%du%d.%d" % (x0, y0, x0, y1, x0, y1)
        link = page_link()
        if link != expected:
            raise AssertionError("%s: the drag at client pixels (%d, %d) to (%d, %d) made the link %r, not %r"
                                 % (name, x0, y0, x0, y1, link, expected))
        open_page("?view=classic#" + link)
        path = os.path.join(ARGS.out, "drag-%s.expected.png" % name)
        chromium_suite.replay(link, "--png", path)
        expect_same(canvas_pixels("drag-" + name), image.Image.load(path), "drag-" + name,
                    "the replay of the page's link")


def settled_url():
    last, since = ENGINE.evaluate("return location.href"), time.monotonic()
    while time.monotonic() - since < 0.3:
        time.sleep(0.05)
        url = ENGINE.evaluate("return location.href")
        if url != last:
            last, since = url, time.monotonic()
    return last


def keyboard():
    """The Chromium suite's key sequences, from Tab onto the plot: the link
    they leave draws what the kept event file and the drags that the keys
    stand for draw."""
    faults = []
    for name, events, keys in a11y.KEYBOARD_ROWS:
        path = os.path.join(ARGS.data, "events", events)
        open_page("?view=classroom#" + chromium_suite.script_link(path))
        for _ in range(40):
            ENGINE.keys(["Tab"])
            if ENGINE.evaluate("return document.activeElement && document.activeElement.id") == "plot":
                break
        else:
            raise AssertionError("%s: 40 presses of Tab from the top of the page never reached #plot" % name)
        ENGINE.keys(keys)
        address = settled_url()
        with open(path) as f:
            expected = f.read().rstrip("\n") + "\n" + "".join(line + "\n" for line in a11y.drags_for(keys))
        label = "keyboard-" + name
        points = image.compare(a11y.replay_png(address, label + "-link", "--from-link"),
                               a11y.replay_png(expected, label + "-drags"), ARGS.out, label)
        if points:
            faults.append("%s: the link after the keys draws %d pixels other than the event file followed by"
                          " the drags %s" % (name, len(points), " ".join(a11y.drags_for(keys))))
    if faults:
        raise AssertionError("; ".join(faults))


def axe():
    """axe-core on both views, with the panel open and closed: no violation."""
    with open(ARGS.axe) as f:
        source = f.read()
    faults = []
    for view, opener, panel in a11y.AXE_PANELS:
        for panel_open in (False, True):
            open_page("?view=" + view)
            if panel_open:
                click(opener)
                if not ENGINE.evaluate("return !!document.getElementById(args[0]).getClientRects().length", panel):
                    raise AssertionError("#%s did not open #%s" % (opener, panel))
            ENGINE.evaluate("(0, eval)(args[0])", source)
            result = ENGINE.evaluate("""return axe.run(document, {runOnly: {type: 'tag', values: args[0]},
                                                               resultTypes: ['violations']})
                .then(r => r.violations.map(v => [v.id, v.impact, v.nodes.map(n => n.target.join(' '))]));""",
                                     a11y.AXE_TAGS)
            for rule, impact, nodes in result:
                faults.append("%s%s: %s (%s) at %s" % (view, " with its panel open" if panel_open else "", rule,
                                                       impact, ", ".join(nodes[:4])))
    if faults:
        raise AssertionError("%d violations: %s" % (len(faults), "; ".join(faults)))


CASES = {
    "classic-view-equals-the-replay-tool": classic_pictures,
    "classroom-view-fits-a-phone": fits("phone"),
    "classroom-view-fits-a-laptop": fits("laptop"),
    "drag-grabs-the-sample-under-the-pointer": drag_grabs_the_sample,
    "keyboard-mapping": keyboard,
    "axe-core-finds-no-violation": axe,
}


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


def main():
    global ARGS, ENGINE
    if sys.argv[1:] == ["--list"]:
        print("\n".join(CASES))
        return 0
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--engine", choices=("firefox", "webkit"), required=True)
    for option in ("--page", "--replay", "--data", "--axe", "--out"):
        parser.add_argument(option, required=True)
    parser.add_argument("--display-file")
    ARGS = parser.parse_args()
    if ARGS.display_file:
        try:
            with open(ARGS.display_file) as f:
                os.environ["DISPLAY"] = f.read().strip()
        except OSError as e:
            raise SystemExit("no X server: %s" % e)
    ARGS.out = os.path.join(ARGS.out, ARGS.engine)
    os.makedirs(ARGS.out, exist_ok=True)
    keep_browsers_home(os.path.join(ARGS.out, "home", ARGS.case))
    chromium_suite.ARGS = a11y.ARGS = ARGS
    if not os.path.exists(ARGS.axe):
        raise SystemExit("%s is missing: the npm modules are installed by scripts/test" % ARGS.axe)
    try:
        ENGINE = Firefox() if ARGS.engine == "firefox" else WebKit()
    except Exception as e:  # the drivers' errors come in many classes
        print("FAILED  %s: %s cannot be started: %s" % (ARGS.case, ARGS.engine, str(e).strip()))
        return 1
    try:
        CASES[ARGS.case]()
    except Exception as e:
        print("FAILED  %s in %s: %s" % (ARGS.case, ARGS.engine, str(e).strip().splitlines()[0]))
        return 1
    finally:
        ENGINE.quit()
    print("ok      %s in %s" % (ARGS.case, ARGS.engine))
    return 0


if __name__ == "__main__":
    sys.exit(main())
