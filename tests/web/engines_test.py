#!/usr/bin/python3
"""The browser suite's core cases in Firefox ESR and WebKitGTK (Safari's
engine), with trusted input; the native replay tool is the oracle.

usage: engines_test.py --list
       engines_test.py CASE --engine firefox|webkit --page HTML --replay BRISQUAL_REPLAY --data DIR
                       --axe AXE_MIN_JS --out DIR [--display-file FILE]

Firefox ESR is Debian's, driven by the npm puppeteer-core over WebDriver
BiDi (firefox_bridge.js); WebKitGTK is MiniBrowser through its WebDriver,
on the X display named in --display-file (tests/harness/xvfb.sh's) or
$DISPLAY. The tables of kept event files, windows, key sequences and audited
panels are the driver's, which the Chromium suites play too.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import driver  # noqa: E402
import lesson_cases  # noqa: E402
from driver import (AXE_PANELS, AXE_TAGS, DEVICES, KEYBOARD_ROWS, canvas_pixels, client_pixel, css_point, handed_on,  # noqa: E402
                    drags_for, expect_same, image, kept_event_files, open_page, page_link, page_url, plot_box,
                    replay, replay_picture, replay_png, script_lines, script_link, settled_url, wait_ready, click)


# The cases.

def classic_pictures():
    """Every kept event file played with real events in the classic view:
    the canvas equals the replay tool's picture of the script, and of the
    events the page says it received."""
    faults = []
    for path in kept_event_files():
        name = os.path.splitext(os.path.basename(path))[0]
        lines = script_lines(path)
        steps = [line.split() for line in lines]
        if any(step[0] not in ("down", "move", "up") for step in steps):
            raise AssertionError("%s holds lines other than pointer events, which this case cannot play" % path)
        try:
            open_page("?view=classic")
            box = plot_box()
            driver.BROWSER.pointer([(kind, int(x) + math.floor(box["left"]), int(y) + math.floor(box["top"]))
                            for kind, x, y in steps])
            actual = canvas_pixels("classic-" + name)
            received = driver.BROWSER.evaluate("return brisqual.events")
            expect_same(actual, replay_picture(received, "classic-%s-received" % name), "classic-" + name,
                        "the replay of the received events")
            expect_same(actual, replay_picture(lines, "classic-%s-script" % name), "classic-" + name,
                        "the replay of the script")
        except AssertionError as e:
            faults.append(str(e))
    if faults:
        raise AssertionError("; ".join(faults))


# The Chromium suite's phone and laptop, by name: CSS width, height, scale.
WINDOWS = {row[0]: row[1:4] for row in DEVICES if row[0] in ("phone", "laptop")}

FRAME_HOST = """<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>A %dx%d window</title></head>
<body style="margin: 0"><iframe id="window" title="Brisqual" src="%s" width="%d" height="%d"
style="border: 0; display: block"></iframe></body></html>"""


def in_window(name):
    """Opens the classroom view in the named window and gives the offset of
    its viewport in the top-level one. Where the engine's window cannot be
    that small (MiniBrowser's is at least 447 px wide) or dense, the view
    opens in a frame of that size, which lays the page out as such a window."""
    width, height, scale = WINDOWS[name]
    if driver.BROWSER.resize(width, height, scale):
        open_page("?view=classroom")
        return (0, 0)
    driver.BROWSER.resize(1024, 900, 1)
    host = os.path.abspath(os.path.join(driver.ARGS.out, "window-%s.html" % name))
    with open(host, "w") as f:
        f.write(FRAME_HOST % (width, height, page_url("?view=classroom"), width, height))
    driver.BROWSER.goto("file://" + host)
    driver.BROWSER.enter_frame("window")
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
    driver.BROWSER.screenshot(os.path.join(driver.ARGS.out, "classroom-%s.png" % name))
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
        start = css_point(box, 201, 300, (0, 0))
        stop = css_point(box, 201, 340, (0, 0))
        driver.BROWSER.pointer([("down",) + start, ("move",) + stop, ("up",) + stop])
        (x0, y0), (x1, y1) = client_pixel(box, *start), client_pixel(box, *stop)
        y1 = handed_on(y0, y1)
        expected = before + "d%d.%dm%d.%du%d.%d" % (x0, y0, x0, y1, x0, y1)
        link = page_link()
        if link != expected:
            raise AssertionError("%s: the drag at client pixels (%d, %d) to (%d, %d) made the link %r, not %r"
                                 % (name, x0, y0, x0, y1, link, expected))
        open_page("?view=classic#" + link)
        path = os.path.join(driver.ARGS.out, "drag-%s.expected.png" % name)
        replay(link, "--png", path)
        expect_same(canvas_pixels("drag-" + name), image.Image.load(path), "drag-" + name,
                    "the replay of the page's link")


def keyboard():
    """The Chromium suite's key sequences, from Tab onto the plot: the link
    they leave draws what the kept event file and the drags that the keys
    stand for draw."""
    faults = []
    for name, events, keys in KEYBOARD_ROWS:
        path = os.path.join(driver.ARGS.data, "events", events)
        open_page("?view=classroom#" + script_link(path))
        for _ in range(40):
            driver.BROWSER.keys(["Tab"])
            if driver.BROWSER.evaluate("return document.activeElement && document.activeElement.id") == "plot":
                break
        else:
            raise AssertionError("%s: 40 presses of Tab from the top of the page never reached #plot" % name)
        driver.BROWSER.keys(keys)
        address = settled_url()
        with open(path) as f:
            expected = f.read().rstrip("\n") + "\n" + "".join(line + "\n" for line in drags_for(keys))
        label = "keyboard-" + name
        points = image.compare(replay_png(address, label + "-link", "--from-link"),
                               replay_png(expected, label + "-drags"), driver.ARGS.out, label)
        if points:
            faults.append("%s: the link after the keys draws %d pixels other than the event file followed by"
                          " the drags %s" % (name, len(points), " ".join(drags_for(keys))))
    if faults:
        raise AssertionError("; ".join(faults))


def axe():
    """axe-core on both views, with the panel open and closed: no violation."""
    with open(driver.ARGS.axe) as f:
        source = f.read()
    faults = []
    for _, view, opener, panel in AXE_PANELS:
        for panel_open in (False, True):
            open_page("?view=" + view)
            if panel_open and driver.BROWSER.evaluate("return document.getElementById(args[0]).tagName", opener) == "DETAILS":
                # A fold far down the page opens by its summary's Enter, where a click may not reach.
                driver.BROWSER.evaluate("document.querySelector('#' + args[0] + ' > summary').focus()", opener)
                driver.BROWSER.keys(["Enter"])
            elif panel_open:
                click(opener)
                if not driver.BROWSER.evaluate("return !!document.getElementById(args[0]).getClientRects().length", panel):
                    raise AssertionError("#%s did not open #%s" % (opener, panel))
            driver.BROWSER.evaluate("(0, eval)(args[0])", source)
            result = driver.BROWSER.evaluate("""return axe.run(document, {runOnly: {type: 'tag', values: args[0]},
                                                               resultTypes: ['violations']})
                .then(r => r.violations.map(v => [v.id, v.impact, v.nodes.map(n => n.target.join(' '))]));""",
                                     AXE_TAGS)
            for rule, impact, nodes in result:
                faults.append("%s%s: %s (%s) at %s" % (view, " with its panel open" if panel_open else "", rule,
                                                       impact, ", ".join(nodes[:4])))
    if faults:
        raise AssertionError("%d violations: %s" % (len(faults), "; ".join(faults)))


def copied_link():
    """From file://, "Copy link" after a few steps copies an address that
    opens the same curve: the page's own address, never one built on an
    origin that a file page may lack."""
    open_page("?view=classroom#" + "d300.250m300.240u300.240")
    driver.BROWSER.evaluate("document.getElementById('plot').focus()")
    driver.BROWSER.keys(["Up", "Up", "Left", "Down"])
    driver.BROWSER.evaluate("""navigator.clipboard.writeText = text => { window.copied = text; return Promise.resolve(); };
                               document.getElementById('copy-link').click()""")
    copied, before = driver.BROWSER.evaluate("return [window.copied || '', (brisqual.addressLink || brisqual.link)()]")
    if not copied.startswith(driver.page_url("?view=classroom#")):
        raise AssertionError("copy link from a file copied %r" % copied[:120])
    driver.BROWSER.goto("about:blank")
    driver.BROWSER.goto(copied)
    driver.wait_ready()
    if driver.BROWSER.evaluate("return brisqual.addressLink()") != before:
        raise AssertionError("the copied link opens another curve")


CASES = {
    "classic-view-equals-the-replay-tool": classic_pictures,
    "classroom-view-fits-a-phone": fits("phone"),
    "classroom-view-fits-a-laptop": fits("laptop"),
    "drag-grabs-the-sample-under-the-pointer": drag_grabs_the_sample,
    "keyboard-mapping": keyboard,
    "axe-core-finds-no-violation": axe,
    "copied-link-opens-the-same-curve": copied_link,
    "a-prediction-hides-the-theorem-until-it-is-checked": lesson_cases.predict_hides_then_reveals,
}


def start():
    args = driver.ARGS
    if args.display_file:
        try:
            with open(args.display_file) as f:
                os.environ["DISPLAY"] = f.read().strip()
        except OSError as e:
            raise SystemExit("no X server: %s" % e)
    args.out = os.path.join(args.out, args.engine)
    os.makedirs(args.out, exist_ok=True)
    driver.keep_browsers_home(os.path.join(args.out, "home", args.case))
    if not os.path.exists(args.axe):
        raise SystemExit("%s is missing: the npm modules are installed by scripts/test" % args.axe)
    return driver.Firefox() if args.engine == "firefox" else driver.WebKit()


def options(parser):
    parser.add_argument("--engine", choices=("firefox", "webkit"), required=True)
    parser.add_argument("--display-file")


if __name__ == "__main__":
    sys.exit(driver.run_cases(CASES, start, ("--page", "--replay", "--data", "--axe", "--out"), options,
                              lambda args: " in " + args.engine))
