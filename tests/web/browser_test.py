#!/usr/bin/python3
"""The browser page in headless Chromium, driven by trusted input events from
WebDriver actions and the DevTools protocol; the native replay tool is the
oracle for every picture and number.

usage: browser_test.py --list
       browser_test.py CASE --page HTML --replay BRISQUAL_REPLAY --data DIR --out DIR

Each case is a row of a table and a ctest test of its own (browser.CASE):
- every kept event file (DIR/events) played with real events: the canvas equals
  the replay of the events the page received and the replay of the script
  (no move lost), and the Wine golden image where one exists;
- the same script opened as a shared link (brisqual-replay --link);
- the Windows program's input rules: a release outside the canvas, other
  buttons and the wheel, Esc, and the modal About dialog;
- bad links leave a working page; the page fetches nothing;
- the classroom view: its operations and theorem, the devices, the work,
  the handles, sound, printing, languages (see docs/tests.md).
Pictures that differ are written to --out by tests/harness/image.py.
"""
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import driver  # noqa: E402
import lesson_cases  # noqa: E402
from driver import (DEVICES, canvas_pixels, client_pixel, handed_on, css_point, expect_same, image, mean_text,  # noqa: E402
                    page_link, plot_box, replay, replay_state, script_lines, script_link, theorem_state,
                    two_decimals, wait_ready)

ARGS = None     # driver.ARGS, once the case's command line is read
DRIVER = None   # Chromium's Selenium session, for WebDriver actions and DevTools


def start_chromium():
    global ARGS, DRIVER
    ARGS = driver.ARGS
    # A window taller than the page, so that no screenshot is cropped; sRGB
    # and a scale of 1, so that canvas pixels reach the screenshot as they are.
    chromium = driver.Chromium(ARGS.out, ("--force-device-scale-factor=1", "--force-color-profile=srgb",
                                          "--window-size=900,900", "--disable-gpu"),
                               capabilities={"goog:loggingPrefs": {"performance": "ALL"}})
    DRIVER = chromium.driver
    return chromium


def page_url(fragment="", view="classic"):
    return driver.page_url("?view=" + view + fragment)


def open_page(fragment="", view="classic"):
    driver.open_page("?view=" + view + fragment)


def state(key):
    return DRIVER.execute_script("return window.brisqual ? brisqual[arguments[0]] : null", key)


def canvas_origin():
    box = DRIVER.execute_script("const b = document.getElementById('plot').getBoundingClientRect();"
                                "return [b.left, b.top];")
    return int(box[0]), int(box[1])


def actions(pointer="mouse"):
    from selenium.webdriver.common.action_chains import ActionBuilder
    from selenium.webdriver.common.actions.mouse_button import MouseButton
    from selenium.webdriver.common.actions.pointer_input import PointerInput
    builder = ActionBuilder(DRIVER, mouse=PointerInput(pointer, pointer), duration=0)
    return builder, MouseButton


def play(lines, pointer="mouse"):
    """Script lines as real events: moves in viewport pixels, from the
    canvas's origin; 'key esc' as the Esc key."""
    from selenium.webdriver.common.keys import Keys
    ox, oy = canvas_origin()
    builder, button = actions(pointer)
    for line in lines:
        words = line.split()
        if words[0] == "key":
            builder.key_action.key_down(Keys.ESCAPE).key_up(Keys.ESCAPE)
            builder.pointer_action.pause(0)
            continue
        x, y = int(words[1]) + ox, int(words[2]) + oy
        builder.key_action.pause(0)
        builder.pointer_action.move_to_location(x, y)
        if words[0] == "down":
            builder.key_action.pause(0)
            builder.pointer_action.pointer_down(button.LEFT)
        elif words[0] == "up":
            builder.key_action.pause(0)
            builder.pointer_action.pointer_up(button.LEFT)
    builder.perform()


def canvas_image(name):
    path = os.path.join(ARGS.out, name + ".canvas.png")
    DRIVER.find_element("id", "plot").screenshot(path)
    return image.Image.load(path)


def expect_picture(name, lines, what):
    """The canvas equals the replay tool's picture of LINES, pixel for pixel."""
    actual = canvas_image(name)
    label = name + "-" + what.replace(" ", "-")
    expect_same(actual, driver.replay_picture(lines, label), label, "the replay of " + what)
    return actual


# The kept scripts, with real events and as links.

def script_case(path):
    name = os.path.splitext(os.path.basename(path))[0]
    lines = script_lines(path)

    def run():
        open_page()
        play(lines)
        received = state("events")
        actual = expect_picture("script-" + name, received, "received events")
        moves = sum(1 for line in received if line.startswith("move"))
        if state("repaints") != 1 + moves:
            raise AssertionError("%d repaints for %d moves of the curve and the first frame"
                                 % (state("repaints"), moves))
        # Moves merged by the browser must still all reach the model.
        expect_picture("script-" + name, lines, "script")
        golden = os.path.join(ARGS.data, "golden", name + ".png")
        if os.path.exists(golden):
            expect_same(actual, image.Image.load(golden), "script-%s-wine" % name, "the Wine golden image")
    return "script " + name, run


def link_case(path):
    name = os.path.splitext(os.path.basename(path))[0]

    def run():
        link = subprocess.run([ARGS.replay, "--link", path], check=True, capture_output=True,
                              text=True).stdout.strip()
        open_page(link)
        if state("message"):
            raise AssertionError("the link was refused: %s" % state("message"))
        expect_picture("link-" + name, script_lines(path), "script")
    return "link " + name, run


# The Windows program's input rules, each with the picture the replay tool
# draws for the events that must count.

DRAG = ["down 200 300", "move 200 320"]


def release_outside():
    open_page()
    ox, oy = canvas_origin()
    play(DRAG)
    builder, button = actions()
    builder.pointer_action.move_to_location(ox + 200, oy + 540)   # under the canvas
    builder.pointer_action.pointer_up(button.LEFT)
    builder.perform()
    play(["move 200 340"])   # the pointer comes back with the button up
    expect_picture("release-outside", DRAG + ["move 200 340"], "drag kept")


def touch_drag():
    """One finger drags as the left button does, and scrolls nothing."""
    open_page()
    lines = script_lines(os.path.join(ARGS.data, "events", "steep.events"))
    play(lines, "touch")
    expect_picture("touch", lines, "script")
    if DRIVER.execute_script("return window.scrollY") != 0:
        raise AssertionError("the drag scrolled the page")


def other_buttons_and_wheel():
    open_page()
    ox, oy = canvas_origin()
    builder, button = actions()
    for which in (button.RIGHT, button.MIDDLE, button.BACK, button.FORWARD):
        builder.pointer_action.move_to_location(ox + 200, oy + 300)
        builder.pointer_action.pointer_down(which)
        builder.pointer_action.move_to_location(ox + 200, oy + 350)
        builder.pointer_action.pointer_up(which)
    builder.perform()
    builder, button = actions()
    builder.wheel_action.scroll(ox + 200, oy + 300, 0, 300)
    builder.perform()
    expect_picture("other-buttons", [], "nothing")
    if DRIVER.execute_script("return window.scrollY") != 0:
        raise AssertionError("the wheel scrolled the page")


def escape_ends_input():
    open_page()
    play(DRAG + ["key esc", "move 200 380", "up 200 380", "down 300 200", "move 300 100"])
    if not state("ended") or not state("message"):
        raise AssertionError("no line says that the program has ended")
    DRIVER.find_element("id", "menu").click()
    if DRIVER.find_element("id", "dialog").is_displayed():
        raise AssertionError("the menu still opens the About dialog after Esc")
    expect_picture("escape", DRAG, "events before Esc")
    expect_picture("escape", state("events"), "received events")


def about_dialog():
    from selenium.webdriver.common.keys import Keys
    open_page()
    dialog = DRIVER.find_element("id", "dialog")
    for closing in ("enter", "button"):
        DRIVER.find_element("id", "menu").click()
        if not dialog.is_displayed():
            raise AssertionError("the menu did not open the About dialog")
        # Modal: Esc neither closes it nor ends the program; the canvas takes no drag.
        play(["key esc"] + DRAG + ["up 200 320"])
        if not dialog.is_displayed() or state("ended"):
            raise AssertionError("Esc closed the dialog or ended the program")
        if closing == "enter":
            builder, _ = actions()
            builder.key_action.key_down(Keys.ENTER).key_up(Keys.ENTER)
            builder.perform()
        else:
            DRIVER.find_element("css selector", "#client button").click()
        if dialog.is_displayed():
            raise AssertionError("%s did not close the About dialog" % closing)
    expect_picture("about", [], "nothing")
    texts = DRIVER.execute_script("return [...document.querySelectorAll('#client .control')]"
                                  ".map(e => e.textContent).filter(t => t)")
    if len(DRIVER.find_elements("css selector", "#client .control")) != 8 or len(texts) != 4:
        raise AssertionError("the dialog does not hold the template's eight controls: %r" % texts)


def bad_link(fragment):
    def run():
        open_page(fragment)
        if not state("message"):
            raise AssertionError("no line says that the link was not read")
        lines = script_lines(os.path.join(ARGS.data, "events", "drag-example.events"))
        play(lines)
        expect_picture("bad-link", lines, "a drag after it")
    return "bad link " + fragment, run


def no_network():
    import json
    # Drop what came before: a fresh Chromium's first tab may still be
    # loading its own pages.
    import time
    DRIVER.get("about:blank")
    while DRIVER.get_log("performance"):
        time.sleep(0.3)
    open_page("#d200.300m200.320u200.320")
    DRIVER.find_element("id", "menu").click()
    urls = []
    for entry in DRIVER.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message.get("method") == "Network.requestWillBeSent":
            urls.append(message["params"]["request"]["url"])
    own = page_url()
    strangers = [u for u in urls if u.split("#")[0] != own and not u.startswith("data:")
                 and u != "about:blank"]
    if strangers or own not in [u.split("#")[0] for u in urls]:
        raise AssertionError("requests other than the page: %r" % urls)
    resources = DRIVER.execute_script("return performance.getEntriesByType('resource').map(e => e.name)")
    if resources:
        raise AssertionError("the page loaded %r" % resources)


def screenshot():
    """The README's picture of the page: a prepared curve by link, in Chromium."""
    path = os.path.join(ARGS.data, "events", "steep.events")
    link = subprocess.run([ARGS.replay, "--link", path], check=True, capture_output=True,
                          text=True).stdout.strip()
    open_page(link)
    DRIVER.find_element("id", "window").screenshot(os.path.join(ARGS.out, "web-page.png"))


# The classroom view. Every picture and number is checked against the replay
# tool: the page's link, opened in the classic view, must draw exactly
# brisqual-replay's picture of the same link.

def cdp(command, **params):
    return driver.BROWSER.cdp(command, **params)


# The painter's pens whose lines the classroom view draws in its own way
# (the mean line and the integral, by the theorem): all else is the painter's.
REPLACED_PENS = ("0x0000FF00", "0x0000FFFF")


def painter_ops_kept(lines):
    kept, replaced = [], False
    for line in lines:
        if line.startswith("pen "):
            replaced = line.split()[3] in REPLACED_PENS
        if not replaced:
            kept.append(line)
    return kept


def expect_link_picture(link, name):
    """The link opened in the classic view draws the replay tool's picture."""
    open_page("#" + link)
    path = os.path.join(ARGS.out, name + ".expected.png")
    replay(link, "--png", path)
    expect_same(canvas_pixels(name), image.Image.load(path), name, "the replay of the page's link")


def expect_ops(link, name):
    """The classroom view strokes exactly the replay tool's operations, and
    shows its mean value."""
    ops = DRIVER.execute_script("return brisqual.ops()")
    expected = painter_ops_kept(replay(link, "--ops").splitlines())
    if ops != expected:
        first = next(i for i in range(min(len(ops), len(expected)) + 1)
                     if i == len(ops) or i == len(expected) or ops[i] != expected[i])
        raise AssertionError("%s: operation %d is %r, the replay tool's %r" % (
            name, first, ops[first:first + 1], expected[first:first + 1]))
    shown = DRIVER.find_element("id", "mean-value").text
    if shown != mean_text(link):
        raise AssertionError("%s: the mean value reads %r, not %r" % (name, shown, mean_text(link)))


def classroom_case(path):
    """The painter's operations the view still draws, and the theorem's
    words and green line, as the replay tool gives them."""
    name = os.path.splitext(os.path.basename(path))[0]

    def run():
        link = script_link(path)
        open_page("#" + link, "classroom")
        expect_ops(link, "classroom-" + name)
        expect_theorem(link, "theorem-" + name)
    return "classroom view draws " + name + " and gives its theorem as the replay tool does", run


def press_drag(points, touch=False):
    """Trusted input through DevTools, in viewport CSS pixels: press at the
    first point, move through the others, release at the last."""
    if touch:
        for i, (x, y) in enumerate(points):
            cdp("Input.dispatchTouchEvent", type="touchStart" if i == 0 else "touchMove",
                touchPoints=[{"x": x, "y": y}])
        cdp("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])
        return
    for i, (x, y) in enumerate(points):
        cdp("Input.dispatchMouseEvent", type="mousePressed" if i == 0 else "mouseMoved", x=x, y=y,
            button="left", buttons=1, clickCount=1)
    x, y = points[-1]
    cdp("Input.dispatchMouseEvent", type="mouseReleased", x=x, y=y, button="left", buttons=0, clickCount=1)


def expect_device_pixels(box):
    want = [round(box["width"] * box["ratio"]), round(box["height"] * box["ratio"])]
    if any(abs(a - b) > 1 for a, b in zip(box["backing"], want)):
        raise AssertionError("the canvas holds %r pixels for %r device pixels at scale %s"
                             % (box["backing"], want, box["ratio"]))


COURSE_PAGE = """<!DOCTYPE html><html lang="en"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1"><title>A course page</title></head>
<body style="margin: 8px"><h1>Week 3: the mean value theorem</h1><p>Try it here:</p>
<iframe id="lesson" title="Brisqual" src="%s" width="560" height="315" style="border: 1px solid #888"></iframe>
<div style="height: 2000px"></div></body></html>"""

def device_case(name, width, height, scale, touch, framed):
    def run():
        cdp("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=scale,
            mobile=touch)
        cdp("Emulation.setTouchEmulationEnabled", enabled=touch, maxTouchPoints=5 if touch else 1)
        try:
            frame = (0, 0)
            if framed:
                course = os.path.join(ARGS.out, "course.html")
                with open(course, "w") as f:
                    f.write(COURSE_PAGE % page_url("", "classroom"))
                course = os.path.abspath(course)
                DRIVER.get("about:blank")
                DRIVER.get("file://" + course)
                lesson = DRIVER.find_element("id", "lesson")
                offset = DRIVER.execute_script("const b = arguments[0].getBoundingClientRect();"
                                               "return [b.left + arguments[0].clientLeft, b.top + arguments[0].clientTop];", lesson)
                frame = (offset[0], offset[1])
                DRIVER.switch_to.frame(lesson)
                wait_ready()
            else:
                open_page("", "classroom")
            # Without a fragment the page opens on a prepared curve, so that
            # the red curve shows; its link is in the address bar.
            before = page_link()
            if not before:
                raise AssertionError("the first screen is the flat curve, where the red line is hidden")
            box = plot_box()
            vw, vh = box["viewport"]
            if box["scroll"] > vw:
                raise AssertionError("the page is %d px wide in a %d px viewport" % (box["scroll"], vw))
            if box["left"] < 0 or box["top"] < 0 or box["left"] + box["width"] > vw or box["top"] + box["height"] > vh:
                raise AssertionError("the plot %r is not all within the %dx%d viewport" % (box, vw, vh))
            expect_device_pixels(box)
            if framed and box["width"] < 280:
                raise AssertionError("the plot is %d CSS pixels wide in a 560-pixel frame, under half" % box["width"])
            if framed and DRIVER.execute_script("return document.querySelector('[data-t=instruction]').checkVisibility()"):
                raise AssertionError("the instructions are unfolded in a 560 x 315 frame")
            # Another density, as on a move to another screen: drawn again at it.
            cdp("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=scale * 2,
                mobile=touch)
            DRIVER.execute_async_script("setTimeout(arguments[0], 700)")
            expect_device_pixels(plot_box())
            cdp("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=scale,
                mobile=touch)
            DRIVER.execute_async_script("setTimeout(arguments[0], 700)")
            box = plot_box()
            # A drag from the column of sample 100, down by about 40 client pixels.
            start = css_point(box, 201, 300, frame)
            stop = css_point(box, 201, 340, frame)
            press_drag([start, stop], touch)
            inner = lambda p: (p[0] - frame[0], p[1] - frame[1])
            (x0, y0), (x1, y1) = client_pixel(box, *inner(start)), client_pixel(box, *inner(stop))
            link = page_link()
            y1 = handed_on(y0, y1)
            expected = before + "d%d.%dm%d.%du%d.%d" % (x0, y0, x0, y1, x0, y1)
            if link != expected:
                raise AssertionError("the drag at client pixels (%d, %d) to (%d, %d) made the link %r"
                                     % (x0, y0, x0, y1, link))
            # The plateau lies where the operations put it: red at its middle.
            ops = [line.split() for line in replay(link, "--ops").splitlines()]
            red = next(i for i, op in enumerate(ops) if op[0] == "pen")
            flat = [op for op in ops[red + 1:red + 301] if op[2] == op[4] and int(op[2]) > 250]
            middle = min(flat, key=lambda op: abs(int(op[1]) - 250))   # away from the grid
            cx, cy = int(middle[1]) + 1, int(middle[2])
            pixel = DRIVER.execute_script("""
                const c = document.getElementById('plot'), g = c.getContext('2d');
                return Array.from(g.getImageData(Math.floor(arguments[0] * c.width / 602),
                                                 Math.floor(arguments[1] * c.height / 504), 1, 1).data);""", cx, cy)
            if not (pixel[0] > 200 and pixel[1] < 80 and pixel[2] < 80):
                raise AssertionError("the canvas is %r at the plateau (%d, %d), not red" % (pixel, cx, cy))
            DRIVER.save_screenshot(os.path.join(ARGS.out, "classroom-%s.png" % name))
            DRIVER.switch_to.default_content()
            expect_link_picture(link, "device-" + name)
        finally:
            DRIVER.switch_to.default_content()
            cdp("Emulation.clearDeviceMetricsOverride")
            cdp("Emulation.setTouchEmulationEnabled", enabled=False)
    return "classroom view on a %s: fits, is sharp, and a drag grabs the sample under it" % name, run


def key(name, code, modifiers=0):
    driver.BROWSER.key(name, code, modifiers)


def click(element_id):
    DRIVER.find_element("id", element_id).click()


def keeping_the_work():
    """Undo and redo of whole drags, by button and by key; reset; a reload
    and a changed fragment; Esc ends nothing."""
    open_page("#", "classroom")
    box = plot_box()
    first = [css_point(box, 201, 300, (0, 0)), css_point(box, 201, 330, (0, 0))]
    second = [css_point(box, 401, 200, (0, 0)), css_point(box, 401, 180, (0, 0))]
    press_drag(first)
    one = page_link()
    press_drag(second)
    two = page_link()
    if not two.startswith(one) or two == one:
        raise AssertionError("the second drag made %r after %r" % (two, one))
    steps = [
        (lambda: click("undo"), one), (lambda: click("redo"), two),
        (lambda: key("z", 90, 2), one), (lambda: key("Z", 90, 2 | 8), two),
        (lambda: key("z", 90, 2), one), (lambda: key("y", 89, 2), two),
        (lambda: click("reset"), ""), (lambda: click("undo"), two),
        (lambda: key("Escape", 27), two), (lambda: DRIVER.refresh() or wait_ready(), two),
    ]
    for i, (do, link) in enumerate(steps):
        do()
        # Ten changes in a moment outrun the address' burst; the last one is
        # written within a quarter of a second.
        driver.settled_url()
        if page_link() != link:
            raise AssertionError("step %d: the address holds %r, not %r" % (i + 1, page_link(), link))
        expect_ops(link, "work step %d" % (i + 1))
    # "Copy link" puts the address, which holds the curve, on the clipboard.
    cdp("Browser.grantPermissions", permissions=["clipboardReadWrite", "clipboardSanitizedWrite"])
    click("copy-link")
    copied = DRIVER.execute_async_script("""const done = arguments[0];
        setTimeout(() => navigator.clipboard.readText().then(done, e => done(String(e))), 200);""")
    if copied != DRIVER.current_url or not copied.endswith("#" + two):
        raise AssertionError("copy link copied %r" % copied)
    # A fragment changed by hand replays the new curve; Esc did not end input.
    steep = script_link(os.path.join(ARGS.data, "events", "steep.events"))
    DRIVER.execute_script("location.hash = arguments[0]", steep)
    DRIVER.execute_async_script("setTimeout(arguments[0], 100)")
    expect_ops(steep, "hashchange")
    # One that cannot be read changes nothing, says so, and stays in the
    # address, to be mended.
    DRIVER.execute_script("location.hash = 'd1.2m'")
    DRIVER.execute_async_script("setTimeout(arguments[0], 100)")
    if not state("message") or page_link() != "d1.2m":
        raise AssertionError("after a bad fragment: message %r, address %r" % (state("message"), page_link()))
    expect_ops(steep, "bad fragment")
    DRIVER.execute_script("scrollTo(0, 0)")   # back to the plot, where `first` lies
    press_drag(first)
    if page_link() == steep:
        raise AssertionError("a drag after Esc changed nothing")
    # Once the drag has settled, the live region says what the description
    # says of the theorem, with its mean value.
    DRIVER.execute_async_script("setTimeout(arguments[0], 700)")
    spoken = DRIVER.find_element("id", "announce").get_attribute("textContent")
    described = DRIVER.find_element("id", "description").get_attribute("textContent")
    cs = [two_decimals(c) for c in theorem_state(page_link())[0]["c"]]
    # After what the drag did to the curve ("... samples wide. ").
    if not spoken.split(" wide. ", 1)[-1].startswith("Mean value %s. " % mean_text(page_link())) \
            or not all(c in spoken for c in cs[:6]) \
            or "Mean value %s. " % mean_text(page_link()) not in described:
        raise AssertionError("the live region says %r, the description %r" % (spoken, described))
    # The view switch opens the same curve in the classic view.
    link = page_link()
    click("view-switch")
    wait_ready()
    if state("view") != "classic":
        raise AssertionError("the view switch did not open the classic view")
    path = os.path.join(ARGS.out, "view-switch.expected.png")
    replay(link, "--png", path)
    expect_same(canvas_pixels("view-switch"), image.Image.load(path), "view-switch", "the replay of the link")


def mid_drag_link():
    """A link that ends inside a drag: the drag ends there, in both views,
    so that hovering changes nothing."""
    for view in ("classroom", "classic"):
        open_page("#d200.300m200.320", view)
        box = plot_box()
        x, y = css_point(box, 300, 100, (0, 0))
        cdp("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y, button="none", buttons=0)
        if view == "classroom":
            if page_link() != "d200.300m200.320u200.320":
                raise AssertionError("the address holds %r, without the release" % page_link())
            expect_ops("d200.300m200.320u200.320", "mid-drag link")
        else:
            expect_picture("mid-drag-link", ["down 200 300", "move 200 320"], "the link")


def wheel_and_help():
    """The wheel over the plot scrolls the page; Esc closes the help and
    gives the focus back; the help names itself."""
    cdp("Emulation.setDeviceMetricsOverride", width=360, height=640, deviceScaleFactor=1, mobile=False)
    try:
        open_page("#", "classroom")
        box = plot_box()
        cdp("Input.dispatchMouseEvent", type="mouseWheel", x=box["left"] + 50, y=box["top"] + 50,
            deltaX=0, deltaY=200)
        DRIVER.execute_async_script("setTimeout(arguments[0], 300)")
        if DRIVER.execute_script("return scrollY") <= 0:
            raise AssertionError("the wheel over the plot did not scroll the page")
        click("help")
        dialog = DRIVER.find_element("id", "help-dialog")
        if not dialog.is_displayed() or not DRIVER.execute_script("return arguments[0].matches(':modal')", dialog):
            raise AssertionError("the help is not open as a modal dialog")
        key("Escape", 27)
        if dialog.is_displayed() or DRIVER.execute_script("return document.activeElement.id") != "help":
            raise AssertionError("Esc did not close the help and give the focus back to its button")
    finally:
        cdp("Emulation.clearDeviceMetricsOverride")


def saved_picture():
    """Save picture downloads a PNG whose plot has the plot's proportions."""
    import glob
    import time
    folder = os.path.join(ARGS.out, "downloads")
    os.makedirs(folder, exist_ok=True)
    for old in glob.glob(os.path.join(folder, "*")):
        os.remove(old)
    cdp("Browser.setDownloadBehavior", behavior="allow", downloadPath=folder)
    link = script_link(os.path.join(ARGS.data, "events", "steep.events"))
    open_page("#" + link, "classroom")
    click("save-picture")
    deadline = time.time() + 10
    while not glob.glob(os.path.join(folder, "*.png")) and time.time() < deadline:
        time.sleep(0.1)
    files = glob.glob(os.path.join(folder, "*.png"))
    if not files:
        raise AssertionError("no PNG was downloaded: %r" % os.listdir(folder))
    picture = image.Image.load(files[0])
    x0, y0, x1, y1 = picture.bbox(image.rgb(0, 128, 0))
    if (x1 - x0) * 504 != (y1 - y0) * 602:
        raise AssertionError("the saved plot is %dx%d, not in the plot's proportions" % (x1 - x0, y1 - y0))


def printed_page():
    """On paper: a light plot, with the legend, the mean value and the
    theorem's words, and no buttons or handles."""
    open_page("#" + script_link(os.path.join(ARGS.data, "events", "steep.events")), "classroom")
    cdp("Emulation.setEmulatedMedia", media="print")
    try:
        DRIVER.execute_async_script("requestAnimationFrame(() => setTimeout(arguments[0], 50))")
        seen = DRIVER.execute_script("""
            const shown = id => !!document.getElementById(id).getClientRects().length;
            const c = document.getElementById('plot');
            return {corner: Array.from(c.getContext('2d').getImageData(2, 2, 1, 1).data),
                    legend: !!document.querySelector('.legend').getClientRects().length,
                    mean: shown('mean-value'), buttons: shown('undo') || shown('handle-a'),
                    words: ['integral', 'points', 'areas'].every(w => shown('theorem-' + w)),
                    // Paper may drop a pattern: each swatch has a colour of its own under it.
                    blank: Array.from(document.querySelectorAll('.swatch'), e => getComputedStyle(e).backgroundColor)
                                .filter(c => /^rgba\(.*, 0\)$|^transparent$|^rgb\(255, 255, 255\)$/.test(c))};""")
        if (min(seen["corner"][:3]) < 200 or not seen["legend"] or not seen["mean"] or seen["buttons"] or not seen["words"]
                or seen["blank"]):
            raise AssertionError("printed: %r" % seen)
    finally:
        cdp("Emulation.setEmulatedMedia", media="")


def languages():
    """The page follows the browser's language, and its switch changes the
    decimal separator of the mean value."""
    link = script_link(os.path.join(ARGS.data, "events", "steep.events"))
    for locale, first, second in (("es-AR", "es", "en"), ("en-GB", "en", "es")):
        agent = DRIVER.execute_script("return navigator.userAgent")
        cdp("Emulation.setUserAgentOverride", userAgent=agent, acceptLanguage=locale)
        try:
            DRIVER.execute_script("try { localStorage.clear(); } catch (e) {}")
            open_page("#" + link, "classroom")
            for lang in (first, second):
                page = DRIVER.execute_script("return [document.documentElement.lang, "
                                             "document.getElementById('mean-value').textContent]")
                if page != [lang, mean_text(link, lang)]:
                    raise AssertionError("%s: the page reads %r, not %r" % (locale, page, [lang, mean_text(link, lang)]))
                click("language")
        finally:
            cdp("Emulation.setUserAgentOverride", userAgent=agent)
            DRIVER.execute_script("try { localStorage.clear(); } catch (e) {}")


# The shapes of a drag: each chosen by a trusted click, its width by the
# slider's keys, then a trusted drag or the plot's keys. The page's link
# must hold the pulse before the press it applies to, and draw in the
# classic view what the replay tool draws for it.

def reach(shape, width):
    """How many samples a drag from the middle sample moves, by the reach
    rule: |i - a| < 2.66 w, every sample for the whole curve."""
    return 301 if shape == 3 else sum(1 for d in range(-150, 151) if abs(d) < 2.66 * width)


def choose_pulse(shape, width):
    DRIVER.find_element("css selector", "input[name=shape][value='%d']" % shape).click()
    DRIVER.execute_script("document.getElementById('pulse-width').focus()")
    if width == 60:
        key("End", 35)
    else:
        key("Home", 36)
        for _ in range(width - 1):
            key("ArrowRight", 39)
    shown = DRIVER.execute_script("return [document.querySelector('input[name=shape]:checked').value, "
                                  "document.getElementById('pulse-width').value, "
                                  "document.getElementById('pulse-reach').value]")
    if shown != [str(shape), str(width), "%d samples" % reach(shape, width)]:
        raise AssertionError("after choosing pulse %d.%d the controls show %r" % (shape, width, shown))
    DRIVER.execute_script("scrollTo(0, 0)")   # the click scrolled to the controls, under the plot


def expect_events_link(lines, name):
    """The page's link equals brisqual-replay --link of LINES."""
    path = os.path.join(ARGS.out, name + ".events")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    expected = script_link(path)
    link = page_link()
    if link != expected:
        raise AssertionError("%s: the page's link is %r, the replay of its events %r" % (name, link, expected))


# Shape, width: the program's own plateau writes no pulse into the link.
SHAPE_DRAGS = [(0, 19), (0, 7), (1, 19), (2, 60), (3, 1)]


def shape_drag_case(shape, width):
    def run():
        open_page("#", "classroom")
        choose_pulse(shape, width)
        # Focusing the width may have scrolled the plot out of view; the drag
        # is on the plot, where a student would see it.
        DRIVER.execute_script("document.getElementById('plot').scrollIntoView({block: 'nearest'})")
        box = plot_box()
        points = [css_point(box, 201, 300, (0, 0)), css_point(box, 201, 340, (0, 0))]
        press_drag(points)
        (x0, y0), (x1, y1) = [client_pixel(box, *p) for p in points]
        y1 = handed_on(y0, y1)
        drag = "d%d.%dm%d.%du%d.%d" % (x0, y0, x0, y1, x0, y1)
        pulse = "" if (shape, width) == (0, 19) else "p%d.%d" % (shape, width)
        if page_link() != pulse + drag:
            raise AssertionError("the drag made the link %r, not %r" % (page_link(), pulse + drag))
        # The same pulse again: nothing more is written before the next drag.
        press_drag(points)
        if page_link() != pulse + drag * 2:
            raise AssertionError("a second drag made the link %r" % page_link())
        expect_link_picture(page_link(), "shape-%d-%d" % (shape, width))
    return "a drag with pulse %d.%d writes it into the link, drawn as the replay tool draws it" % (shape, width), run


def keyboard_shapes():
    """The plot's keys drag with the chosen shape and width; undo and redo
    across a change of pulse bring back the pulse in force."""
    open_page("#", "classroom")
    plot = "document.getElementById('plot').focus()"
    DRIVER.execute_script(plot)
    key("ArrowUp", 38)                                   # the plateau, at sample 150
    one = page_link()
    choose_pulse(1, 10)
    DRIVER.execute_script(plot)
    key("ArrowLeft", 37, 8)                              # sample 140
    key("PageDown", 34)
    choose_pulse(2, 60)
    DRIVER.execute_script(plot)
    key("Home", 36)
    key("ArrowUp", 38, 8)
    expect_events_link(["down 300 250", "move 300 249", "up 300 249",
                           "pulse 1 10", "down 280 250", "move 280 260", "up 280 260",
                           "pulse 2 60", "down 0 250", "move 0 240", "up 0 240"], "keyboard-shapes")
    three = page_link()
    for do, link, pulse in [(lambda: key("z", 90, 2), None, ["1", "10"]), (lambda: key("z", 90, 2), one, ["0", "19"]),
                            (lambda: key("y", 89, 2), None, ["1", "10"]), (lambda: key("y", 89, 2), three, ["2", "60"])]:
        do()
        shown = DRIVER.execute_script("return [document.querySelector('input[name=shape]:checked').value, "
                                      "document.getElementById('pulse-width').value]")
        if shown != pulse or link is not None and page_link() != link:
            raise AssertionError("after undo or redo: pulse %r, link %r; expected %r, %r" % (shown, page_link(), pulse, link))
    # In the classic view (which leaves this page), the replay tool's picture.
    expect_link_picture(page_link(), "keyboard-shapes")


# A stand-in for Web Audio that counts what the page makes and starts.
AUDIO_STUB = """
window.heard = {contexts: 0, starts: []};
const param = () => ({setValueAtTime(v) { this.value = this.value || v; return this; },
                      linearRampToValueAtTime() { return this; }, exponentialRampToValueAtTime() { return this; }});
const node = extra => Object.assign({connect: n => n, disconnect() {}}, extra);
window.AudioContext = class {
    constructor() { heard.contexts++; this.currentTime = 0; this.state = "running"; this.destination = node(); }
    createGain() { return node({gain: param()}); }
    createOscillator() {
        const o = node({frequency: param(), start() { heard.starts.push([o.type, o.frequency.value]); }, stop() {}});
        return o;
    }
};"""


def listening():
    """Nothing sounds by itself: Listen plays the curve, the mean's tone and
    one click a point c, and becomes Stop; the key tone is off until chosen."""
    import json
    link = script_link(os.path.join(ARGS.data, "events", "pulse", "preset-wave.events"))
    stub = cdp("Page.addScriptToEvaluateOnNewDocument", source=AUDIO_STUB)["identifier"]
    heard = lambda: DRIVER.execute_script("return [heard.contexts, heard.starts.length]")
    try:
        DRIVER.execute_script("try { localStorage.clear(); } catch (e) {}")
        open_page("#" + link, "classroom")
        DRIVER.execute_script("document.getElementById('plot').focus()")
        key("ArrowRight", 39)
        key("ArrowUp", 38)
        if heard() != [0, 0]:
            raise AssertionError("sound before any press: %r" % heard())
        # The c's of the curve as the keys left it, which Listen plays.
        theorem = json.loads(replay(page_link(), "--state"))["theorem"]
        click("listen")
        starts = DRIVER.execute_script("return heard.starts")
        clicks = len(theorem["c"]) + 2 * len(theorem["stretches"])
        label = DRIVER.execute_script("return document.getElementById('listen').textContent")
        if heard() != [1, 2 + clicks] or label not in ("Stop", "Parar"):
            raise AssertionError("Listen made %r (expected 1 context, %d starts) and reads %r" % (heard(), 2 + clicks, label))
        kinds = [kind for kind, _ in starts]
        if [kinds.count(k) for k in ("triangle", "sine", "square")] != [1, 1, clicks]:
            raise AssertionError("Listen started %r" % starts)
        click("listen")
        if DRIVER.execute_script("return document.getElementById('listen').textContent") not in ("Listen", "Escuchar"):
            raise AssertionError("Stop did not give back Listen")
        click("key-tone")
        DRIVER.execute_script("document.getElementById('plot').focus()")
        key("ArrowRight", 39)
        pressed = DRIVER.execute_script("return document.getElementById('key-tone').getAttribute('aria-pressed')")
        if heard() != [1, 3 + clicks] or pressed != "true":
            raise AssertionError("the key tone, switched on (%r), made %r" % (pressed, heard()))
    finally:
        cdp("Page.removeScriptToEvaluateOnNewDocument", identifier=stub)
        DRIVER.execute_script("try { localStorage.clear(); } catch (e) {}")
# The theorem over [a, b] in the classroom view: its words and its green
# line against brisqual-replay --state, and the handles that set [a, b].

def decimals(text):
    import re
    return re.findall(r"\u2212?\d+\.\d\d", text)


def expect_theorem(link, name):
    """The words beside the plot give --state's theorem to two decimals, and
    the green line lies at the mean's row, across [a, b] only."""
    theorem, step = theorem_state(link)
    words = DRIVER.execute_script("return ['integral', 'points', 'areas'].map("
                                  "w => document.getElementById('theorem-' + w).textContent)")
    a, b = theorem["interval"]
    want = [two_decimals(v) for v in (a * step, b * step, theorem["integral"], theorem["mean"])]
    if decimals(words[0]) != want:
        raise AssertionError("%s: %r, not the numbers %r" % (name, words[0], want))
    cs, stretches = theorem["c"], theorem["stretches"]
    listed, _, rest = words[1].partition(" (") if cs else ("", "", words[1])
    if decimals(listed) != [two_decimals(c) for c in cs[:6]] or cs and "(%d point" % len(cs) not in words[1] \
            or decimals(rest) != [two_decimals(v) for pair in stretches[:6] for v in pair]:
        raise AssertionError("%s: %r for c %r and stretches %r" % (name, words[1], cs, stretches))
    above, below = two_decimals(theorem["area_above"]), two_decimals(theorem["area_below"])
    if decimals(words[2]) != ([above] if above == below else [above, below]):
        raise AssertionError("%s: %r for areas %s and %s" % (name, words[2], above, below))
    # The green line: the device pixels of (0, 255, 0) in a column of [a, b]
    # away from every c, centred on the mean's row (when that is on the
    # canvas); none in a column outside.
    row = int(250 - theorem["mean"] * 150)
    marks = [c / step for c in cs] + [v / step for pair in stretches for v in pair]
    room = lambda k: min([abs(k - m) for m in marks] + [abs(k - a), abs(k - b)])
    inside = max(range(a, b + 1), key=room)
    outside = [k for k in (a // 2, (b + 300 + 1) // 2) if k < a or k > b]
    # Where the red curve lies on the line, it is dashed over it: inside,
    # the column is the first near `inside` in a gap of the dashes.
    def green_rows(column):
        return DRIVER.execute_script("""
            const c = document.getElementById('plot'), x = Math.floor((arguments[0] + .5) * c.width / 602);
            const d = c.getContext('2d').getImageData(x, 0, 1, c.height).data, rows = [];
            for (let y = 0; y < c.height; y++)
                if (d[4 * y + 1] > 200 && d[4 * y] < 90 && d[4 * y + 2] < 90) rows.push(y);
            return [rows, c.height];""", column)
    for k in ([inside] if room(inside) >= 3 else []) + outside:
        rows, height = green_rows(2 * k)
        if k != inside or not 1 <= row < 503:
            if rows:
                raise AssertionError("%s: green at rows %r of sample %d, outside [%d, %d]" % (name, rows, k, a, b))
            continue
        for column in range(2 * k + 2, 2 * k + 12, 2):
            if rows:
                break
            rows, height = green_rows(column)
        centre, expected = (rows[0] + rows[-1] + 1) / 2 if rows else -1, row * height / 504
        if not rows or abs(centre - expected) > 1 or rows[-1] - rows[0] + 1 != len(rows):
            raise AssertionError("%s: green at device rows %r of sample %d, not centred on %.1f (client row %d)"
                                 % (name, rows, k, expected, row))


def interval_handles():
    """The handles move the interval by keyboard and pointer, each move a
    step in the link; undo and reload keep it; the classic view ignores it."""
    link = script_link(os.path.join(ARGS.data, "theorem", "interval.events"))
    open_page("#" + link, "classroom")
    import re
    curve = re.sub(r"i\d+\.\d+", "", link)
    if not link.endswith("i40.120") and "i40.120" not in link:
        raise AssertionError("the replay tool's link %r has not the interval" % link)
    handle = lambda which: "document.getElementById('handle-%s').focus()" % which
    steps = [("a", "ArrowRight", 39, 0, "i41.120"), ("b", "ArrowLeft", 37, 8, "i41.110"),
             ("b", "End", 35, 0, "i41.300"), ("a", "End", 35, 0, "i299.300"), ("a", "Home", 36, 0, "i0.300")]
    for which, name, code, modifiers, interval in steps:
        DRIVER.execute_script(handle(which))
        key(name, code, modifiers)
        if page_link() != curve + interval:
            raise AssertionError("%s on handle %s: the link is %r, not %r" % (name, which, page_link(), curve + interval))
        expect_theorem(page_link(), "handle %s %s" % (which, name))
    key("z", 90, 2)
    if page_link() != curve + "i299.300":
        raise AssertionError("undo left the link %r" % page_link())
    DRIVER.refresh()
    wait_ready()
    expect_theorem(curve + "i299.300", "reloaded")
    # A pointer drags handle b to the column of sample 200: one step.
    DRIVER.execute_script(handle("a"))
    key("Home", 36)
    box = plot_box()
    b = DRIVER.execute_script("const r = document.getElementById('handle-b').getBoundingClientRect();"
                              "return [r.left + r.width / 2, r.top + r.height / 2];")
    press_drag([(b[0], b[1]), (b[0] - 20, b[1]), (box["left"] + 400.5 * box["width"] / 602, b[1])])
    if page_link() != curve + "i0.200":
        raise AssertionError("the drag of handle b made the link %r" % page_link())
    expect_theorem(page_link(), "handle b dragged")
    expect_link_picture(page_link(), "interval-classic")


def classroom_screenshots():
    """The pictures of the classroom view in docs/: the prepared wave over
    [0, 240], b moved by keys, on a phone and a laptop."""
    for name, width, height, scale, touch, _ in (d for d in DEVICES if d[0] in ("phone", "laptop")):
        cdp("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=scale, mobile=touch)
        try:
            open_page("", "classroom")
            DRIVER.execute_script("document.querySelectorAll('.preset')[1].click()")
            DRIVER.execute_script("document.getElementById('handle-b').focus()")
            for _ in range(6):
                key("PageDown", 34)
            DRIVER.execute_script("document.activeElement.blur(); scrollTo(0, 0)")
            if "i0.240" not in page_link():
                raise AssertionError("the handles made the link %r" % page_link())
            DRIVER.save_screenshot(os.path.join(ARGS.out, "web-%s.png" % name))
        finally:
            cdp("Emulation.clearDeviceMetricsOverride")
# Nothing a student does is lost, and nothing fails in silence: each row
# probes the classroom view as a hurried or unlucky student would. The
# curve the address holds is checked against the replay tool's operations.

MAX_ADDRESS = 2 * 1024 * 1024   # the longest address Chromium opens


def focus_plot():
    DRIVER.execute_script("document.getElementById('plot').focus()")


def key_steps(n):
    """n steps of the plot's keys, up and down in turn, so the curve stays in view."""
    for i in range(n):
        key(*(("ArrowUp", 38) if i % 2 == 0 else ("ArrowDown", 40)))


def count_writes(fail=False):
    """Counts the page's writes of the address from now on; with fail, the browser refuses them."""
    DRIVER.execute_script("""
        const fail = arguments[0];
        window.addressWrites = 0;
        window.realReplaceState = window.realReplaceState || history.replaceState.bind(history);
        history.replaceState = (...a) => { addressWrites++;
            if (fail) throw new DOMException('refused', 'SecurityError');
            return realReplaceState(...a); };""", fail)


def settle(ms):
    DRIVER.execute_async_script("setTimeout(arguments[1], arguments[0])", ms)


def expect_address_is_curve(what):
    if page_link() != DRIVER.execute_script("return brisqual.addressLink()"):
        raise AssertionError("%s: the address is not the curve on the screen" % what)
    expect_ops(page_link(), what)


def key_storm():
    """400 key steps in a few seconds, then undo and redo: the address is
    written a few times a second, and holds the curve once changes stop, or
    at once when the page is left."""
    import time
    open_page("#", "classroom")
    focus_plot()
    count_writes()
    start = time.time()
    key_steps(400)
    settle(700)
    seconds = time.time() - start
    writes = DRIVER.execute_script("return addressWrites")
    if writes > 10 + 4 * seconds:
        raise AssertionError("%d writes of the address in %.1f s" % (writes, seconds))
    expect_address_is_curve("after 400 key steps")
    for n, combo in ((150, ("z", 90, 2)), (60, ("y", 89, 2))):
        for _ in range(n):
            key(*combo)
        settle(700)
        expect_address_is_curve("after %d of %s" % (n, combo[0]))
    key_steps(30)
    DRIVER.execute_script("window.dispatchEvent(new PageTransitionEvent('pagehide'))")
    expect_address_is_curve("left at once after 30 key steps")


def address_refused():
    """Where the browser refuses the address, the page says so and tries
    again until it holds the curve."""
    open_page("#", "classroom")
    focus_plot()
    count_writes(fail=True)
    key_steps(3)
    if not state("message") or page_link() == DRIVER.execute_script("return brisqual.link()"):
        raise AssertionError("a refused address: the page says %r" % state("message"))
    count_writes()
    settle(1500)
    if state("message"):
        raise AssertionError("the address was taken again, yet the page says %r" % state("message"))
    expect_address_is_curve("after a refused address")


def copy_too_long():
    """A curve whose events are longer than any address: "Copy link" copies
    a short link that the replay tool opens to the same curve."""
    prefix = len(page_url("", "classroom")) + 1
    pair = "d300.250m300.249u300.249d300.250m300.251u300.251"
    link = pair * ((MAX_ADDRESS - 1 - prefix) // len(pair))
    open_page("#", "classroom")
    DRIVER.execute_script("location.hash = arguments[0]", link)
    settle(300)
    focus_plot()
    key_steps(3)   # now longer than any address
    cdp("Browser.grantPermissions", permissions=["clipboardReadWrite", "clipboardSanitizedWrite"])
    DRIVER.execute_async_script("navigator.clipboard.writeText('before').then(arguments[0])")
    DRIVER.find_element("id", "copy-link").click()
    settle(300)
    copied = DRIVER.execute_async_script("navigator.clipboard.readText().then(arguments[0], e => arguments[0](''))")
    said = state("message")
    if (not copied.startswith(page_url("", "classroom") + "#") or len(copied) > prefix + 8192
            or "copied" not in said.lower() or active_id() != "copy-link"):
        raise AssertionError("copy link of a long curve: copied %d characters, said %r, focus on %r"
                             % (len(copied), said, active_id()))
    expect_ops(copied.split("#", 1)[1], "the copied link")


def active_id():
    return DRIVER.execute_script("return document.activeElement.id")


def copy_refused():
    """The clipboard refused: "Copy link" says so, and the focus stays on it."""
    open_page("#", "classroom")
    focus_plot()
    key_steps(1)
    DRIVER.execute_script("navigator.clipboard.writeText = () => Promise.reject(new Error('denied'));"
                          "document.execCommand = () => false;")
    DRIVER.find_element("id", "copy-link").click()
    settle(300)
    said = state("message")
    if not said or "copied" in said.lower() or active_id() != "copy-link":
        raise AssertionError("the clipboard refused: said %r, focus on %r" % (said, active_id()))


SANDBOX_PAGE = '<!DOCTYPE html><iframe id="lesson" sandbox="allow-scripts" src="%s" width="800" height="700"></iframe>'


def picture_refused(where):
    """Save picture where no PNG can be made, or in a frame that blocks downloads: the page says so."""
    def run():
        if where == "frame":
            path = os.path.abspath(os.path.join(ARGS.out, "sandbox.html"))
            with open(path, "w") as f:
                f.write(SANDBOX_PAGE % page_url("#", "classroom"))
            DRIVER.get("about:blank")
            DRIVER.get("file://" + path)
            DRIVER.switch_to.frame(DRIVER.find_element("id", "lesson"))
            wait_ready()
        else:
            open_page("#", "classroom")
            DRIVER.execute_script("HTMLCanvasElement.prototype.toBlob = function (done) { done(null); };")
        try:
            click("save-picture")
            settle(500)
            if not state("message"):
                raise AssertionError("save picture %s: nothing said" % where)
        finally:
            DRIVER.switch_to.default_content()
    return "save picture says so when %s" % {"frame": "a sandboxed frame blocks downloads",
                                            "null": "no PNG can be made"}[where], run


def bad_link_kept():
    """A bad link stays in the address, to be mended: at load the curve is
    flat, on a changed fragment the curve on the screen stays."""
    open_page("#d1.2m", "classroom")
    if page_link() != "d1.2m" or not state("message"):
        raise AssertionError("a bad link at load: address %r, message %r" % (page_link(), state("message")))
    expect_ops("", "bad link at load")
    steep = script_link(os.path.join(ARGS.data, "events", "steep.events"))
    open_page("#" + steep, "classroom")
    DRIVER.execute_script("location.hash = 'u1.1x'")
    settle(400)
    if page_link() != "u1.1x" or not state("message"):
        raise AssertionError("a bad fragment: address %r, message %r" % (page_link(), state("message")))
    expect_ops(steep, "bad fragment")


def classic_bad_link_spanish():
    """The classic view's line on a bad link is Spanish, with no raw JavaScript text."""
    for fragment in ("#d1.2%E0%A4%A", "#d200.70000", "#u1.1x", "#p9.9d1.1"):
        open_page(fragment)
        said = state("message")
        if not said.startswith("El enlace no se pudo leer") or any(
                w in said for w in ("URI", "malformed", "65535 at", " at ", "pulse out")):
            raise AssertionError("%s: the classic view says %r" % (fragment, said))


def help_ends_drag():
    """The help opening during a drag ends the drag: the curve does not
    follow the pointer behind it."""
    open_page("#", "classroom")
    box = plot_box()
    points = [css_point(box, 201, 300, (0, 0)), css_point(box, 201, 330, (0, 0)), css_point(box, 201, 200, (0, 0))]
    for i, (x, y) in enumerate(points[:2]):
        cdp("Input.dispatchMouseEvent", type="mouseMoved" if i else "mousePressed", x=x, y=y,
            button="left", buttons=1, clickCount=1)
    DRIVER.execute_script("document.getElementById('help').click()")
    x, y = points[2]
    cdp("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y, button="left", buttons=1)
    cdp("Input.dispatchMouseEvent", type="mouseReleased", x=x, y=y, button="left", buttons=0, clickCount=1)
    key("Escape", 27)
    (x0, y0), (x1, y1) = [client_pixel(box, *p) for p in points[:2]]
    y1 = handed_on(y0, y1)
    drag = "d%d.%dm%d.%du%d.%d" % (x0, y0, x0, y1, x0, y1)
    if page_link() != drag:
        raise AssertionError("a drag under the help made %r, not %r" % (page_link(), drag))
    expect_ops(drag, "help during a drag")


def views_keep_the_work():
    """Classroom, classic, classroom: the classic view's drag is in its
    address at once, and back in the classroom view the curve, interval
    and chosen pulse are the replay tool's of all the steps."""
    open_page("#d300.250m300.200u300.200i20.280p2.30", "classroom")
    click("view-switch")
    driver.wait_ready()
    x, y = canvas_origin()
    driver.BROWSER.pointer([("down", x + 100, y + 250), ("move", x + 100, y + 300), ("up", x + 100, y + 300)])
    classic = DRIVER.execute_script("return brisqual.events.map(e => e.split(' ')).map(([k, a, b]) => k[0] + a + '.' + b).join('')")
    kept = lambda link: (lambda s: (s["curve"], s["theorem"], s["drag"]["next_pulse_shape"], s["drag"]["next_pulse_width"]))(
        driver.replay_state(link))
    if kept(page_link())[:2] != kept(classic)[:2]:
        raise AssertionError("the classic view's address is not its curve after a drag")
    click("view-switch")
    driver.wait_ready()
    if kept(DRIVER.execute_script("return brisqual.addressLink()")) != kept(classic + "p2.30"):
        raise AssertionError("back in the classroom view, the curve, interval or chosen pulse differ")


def resize_mid_drag():
    """A window resized mid-drag: one more pixel of the pointer moves the
    curve by about a row, never a jump."""
    open_page("#", "classroom")
    box = plot_box()
    x, y = box["left"] + box["width"] / 2, box["top"] + box["height"] / 2
    driver.BROWSER.pointer([("down", x, y), ("move", x, y - 20)])
    try:
        cdp("Emulation.setDeviceMetricsOverride", width=600, height=800, deviceScaleFactor=1, mobile=False)
        settle(200)
        driver.BROWSER.pointer([("move", x, y - 21), ("up", x, y - 21)])
    finally:
        cdp("Emulation.clearDeviceMetricsOverride")
    rows = [int(e.split()[2]) for e in DRIVER.execute_script("return brisqual.events") if e.startswith(("move", "up"))]
    if abs(rows[-1] - rows[-2]) > 2:
        raise AssertionError("a pixel's move after a resize moved the drag's row from %d to %d" % (rows[-2], rows[-1]))


def picture_words_fit():
    """The saved picture, in both languages, over a curve on its mean along
    thirteen stretches: every line of words lies inside the picture."""
    ups = "p0.5" + "".join("d%d.250m%d.%du%d.%d" % (x, x, r, x, r) for x, r in zip(range(40, 371, 30), (170, 330) * 6))
    open_page("#" + ups, "classroom")
    for _ in range(2):
        over = DRIVER.execute_script("""
            const over = [], fill = CanvasRenderingContext2D.prototype.fillText;
            CanvasRenderingContext2D.prototype.fillText = function (text, x, y) {
                if (x + this.measureText(text).width > this.canvas.width) over.push(text);
                return fill.apply(this, arguments); };
            HTMLCanvasElement.prototype.toBlob = function (done) { done(null); };
            document.getElementById('save-picture').click();
            CanvasRenderingContext2D.prototype.fillText = fill;
            return over;""")
        if over:
            raise AssertionError("the saved picture cuts off %r" % over[0][:80])
        click("language")


# What is seen on the classroom view's plot, against the replay tool's numbers.

def device_box(client_x, client_y, reach):
    """The canvas's pixels within REACH device pixels of client pixel (x, y)."""
    return DRIVER.execute_script("""
        const c = document.getElementById('plot'), r = arguments[2];
        const x = Math.round(arguments[0] * c.width / 602), y = Math.round(arguments[1] * c.height / 504);
        return Array.from(c.getContext('2d').getImageData(x - r, y - r, 2 * r + 1, 2 * r + 1).data);""",
                                 client_x, client_y, reach)


def red_pixels():
    return DRIVER.execute_script("""
        const c = document.getElementById('plot'), d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
        let n = 0;
        for (let i = 0; i < d.length; i += 4)
            if (d[i] > 200 && d[i + 1] < 80 && d[i + 2] < 80) n++;
        return [n, c.width];""")


def curve_shows(link):
    """f shows where a stretch, the green line or the band lie on it: at
    least a third of the plot's width in red device pixels."""
    def run():
        open_page("#" + link, "classroom")
        n, width = red_pixels()
        if n < width / 3:
            raise AssertionError("%d red device pixels on a plot %d wide" % (n, width))
    return "the red curve shows on the mean line of " + link, run


def rings_under_a_resting_pointer():
    """A pointer resting near a c (its drag's outline around it) leaves
    the c's ring as it is."""
    link = "p1.14d74.250m74.170u74.170d224.250m224.330u224.330d374.250m374.170u374.170d524.250m524.330u524.330"
    open_page("#" + link, "classroom")
    theorem, step = theorem_state(link)
    row = 250 - theorem["mean"] * 150
    box = plot_box()
    cdp("Input.dispatchMouseEvent", type="mouseMoved", x=1, y=1)
    for c in theorem["c"]:
        column = 2 * c / step
        bare = device_box(column, row, 2)
        for offset in (0, 6, 12, 20, 30, -6, -12, -20, -30):
            x = box["left"] + (column + offset) * box["width"] / 602
            cdp("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=box["top"] + 5)
            if device_box(column, row, 2) != bare:
                raise AssertionError("a pointer resting %d client pixels from c = %.3f covers its ring" % (offset, c))
        cdp("Input.dispatchMouseEvent", type="mouseMoved", x=1, y=1)


def drag_follows_the_pointer():
    """A drag of 100 CSS pixels up moves the grabbed sample 100 CSS pixels,
    by the replay tool's curve of the page's link."""
    open_page("#p0.19", "classroom")
    box = plot_box()
    x = box["left"] + 301 * box["width"] / 602
    y0 = box["top"] + 250.5 * box["height"] / 504
    press_drag([(x, y0 - d) for d in range(0, 101, 10)])
    f = replay_state(page_link())["curve"][150]
    moved = f * 150 * box["height"] / 504
    if abs(moved - 100) > 1.5:
        raise AssertionError("a drag of 100 CSS pixels moved the curve %.1f CSS pixels" % moved)


def help_on_a_phone():
    """On a phone the help opens on its close button, in sight at its top
    even scrolled to the end, and a tap outside closes it."""
    cdp("Emulation.setDeviceMetricsOverride", width=360, height=740, deviceScaleFactor=2, mobile=True)
    cdp("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
    try:
        open_page("#", "classroom")
        click("help")
        for end in (False, True):
            DRIVER.execute_script("const d = document.getElementById('help-dialog'); d.scrollTop = arguments[0] ? d.scrollHeight : 0;", end)
            top, bottom, focused = DRIVER.execute_script("""const b = document.getElementById('help-close').getBoundingClientRect();
                const d = document.getElementById('help-dialog').getBoundingClientRect();
                return [b.top - d.top, b.bottom, document.activeElement.id];""")
            if top > 60 or bottom > 740 or not end and focused != "help-close":
                raise AssertionError("the help's close button is %d px below its top, ends at %d, focus on %r"
                                     % (top, bottom, focused))
        cdp("Input.synthesizeTapGesture", x=4, y=730, gestureSourceType="touch")
        DRIVER.execute_async_script("setTimeout(arguments[0], 300)")
        if DRIVER.execute_script("return document.getElementById('help-dialog').open"):
            raise AssertionError("a tap outside the help left it open")
    finally:
        cdp("Emulation.clearDeviceMetricsOverride")
        cdp("Emulation.setTouchEmulationEnabled", enabled=False)


def arrow_where_the_curve_leaves():
    """A curve pushed off the bottom: a white arrow at the bottom edge, at
    the column of the replay tool's lowest sample."""
    path = os.path.join(ARGS.data, "events", "off-the-bottom.events")
    link = script_link(path)
    open_page("#" + link, "classroom")
    curve = replay_state(link)["curve"]
    lowest = min(range(len(curve)), key=lambda k: curve[k])
    box = device_box(2 * lowest, 504 - 8, 3)
    white = sum(1 for i in range(0, len(box), 4) if box[i:i + 3] == [255, 255, 255])
    if white < 20:
        raise AssertionError("%d white device pixels at the bottom edge over sample %d, where f = %.2f"
                             % (white, lowest, curve[lowest]))


def labels_apart():
    """In each window, no axis label meets a handle (with its pointer) or
    another label."""
    faults = []
    for name, width, height, scale, touch, framed in [d for d in DEVICES if not d[5]]:
        cdp("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=scale, mobile=touch)
        try:
            open_page("#p1.14d74.250m74.170u74.170", "classroom")
            faults += [name + ": " + f for f in DRIVER.execute_script("""
                const box = e => { const b = e.getBoundingClientRect(), up = e.classList.contains('handle') ? 8 : 0;
                                   return [b.left, b.top - up, b.right, b.bottom, e.textContent]; };
                const all = [...document.querySelectorAll('.axis, .handle')].map(box), faults = [];
                all.forEach((p, i) => all.slice(i + 1).forEach(q => {
                    if (p[0] < q[2] && q[0] < p[2] && p[1] < q[3] && q[1] < p[3]) faults.push(p[4] + ' meets ' + q[4]);
                }));
                return faults;""")]
        finally:
            cdp("Emulation.clearDeviceMetricsOverride")
    if faults:
        raise AssertionError("; ".join(faults))


WAVE = "p1.14d74.250m74.170u74.170d224.250m224.330u224.330d374.250m374.170u374.170d524.250m524.330u524.330"


def at_size(width, height, scale=1):
    cdp("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=scale, mobile=False)


def tab_order_reads_the_screen():
    """At 1280x800, Tab goes through the page as a reader sees it: column by
    column from the left (left of the plot's, its own, right of it), and
    down each column, row by row."""
    at_size(1280, 800)
    try:
        open_page("#" + WAVE, "classroom")
        DRIVER.execute_script("document.activeElement.blur()")
        seen = []
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.keys import Keys
        for _ in range(40):
            ActionChains(DRIVER).send_keys(Keys.TAB).perform()
            # Measured scrolled to the top, where the sticky plot is in its place.
            got = DRIVER.execute_script("""scrollTo(0, 0);
                const e = document.activeElement, b = e.getBoundingClientRect(),
                      p = document.querySelector('.plot-area').getBoundingClientRect();
                return [e === document.body ? "BODY" : e.id || e.textContent.trim().slice(0, 20) || e.tagName,
                        b.left >= p.right ? 1 : b.right <= p.left ? -1 : 0, Math.round(b.top), Math.round(b.left)];""")
            if seen and got[0] == seen[0][0] or got[0] == "BODY":
                break
            seen.append(got)
        for p, q in zip(seen, seen[1:]):
            if q[1] < p[1] or q[1] == p[1] and (q[2] < p[2] - 4 or abs(q[2] - p[2]) <= 4 and q[3] < p[3]):
                raise AssertionError("Tab goes from %r to %r against the screen: %r" % (p, q, [e[0] for e in seen]))
        if len(seen) < 10:
            raise AssertionError("Tab reached only %r" % seen)
    finally:
        cdp("Emulation.clearDeviceMetricsOverride")


def presentation():
    """On a 1024x768 projector with ?present: the whole plot and the mean's
    line (the replay tool's row) on the first screen, axis labels of 16 px,
    the theorem's words 1.5 times as large; at a zoom of 150 % (a 683x512
    viewport at 1.5 device pixels a CSS pixel, as a browser's zoom makes it)
    the plot wider; its button leaves the mode and the address keeps it."""
    theorem, step = theorem_state(WAVE)
    measure = """const p = document.getElementById('plot').getBoundingClientRect(), css = e => parseFloat(getComputedStyle(e).fontSize);
                 return {top: p.top, bottom: p.bottom, height: p.height, device: p.width * devicePixelRatio, vh: innerHeight,
                         axis: Math.min(...[...document.querySelectorAll('.axis')].map(css)),
                         words: css(document.getElementById('theorem-integral')), search: location.search};"""
    try:
        at_size(1024, 768)
        open_page("#" + WAVE, "classroom")
        plain = DRIVER.execute_script(measure)
        driver.open_page("?view=classroom&present#" + WAVE)
        big = DRIVER.execute_script(measure)
        mean = big["top"] + (250 - theorem["mean"] * 150) * big["height"] / 504
        if big["top"] < 0 or big["bottom"] > big["vh"] or not 0 <= mean <= big["vh"]:
            raise AssertionError("the plot %r or its mean line at %.0f leaves the first screen" % (big, mean))
        if big["axis"] < 16 or big["words"] < 1.5 * plain["words"]:
            raise AssertionError("labels of %s px and words of %s px, against %s px" % (big["axis"], big["words"], plain["words"]))
        at_size(683, 512, 1.5)
        DRIVER.execute_async_script("setTimeout(arguments[0], 300)")
        zoomed = DRIVER.execute_script(measure)
        if zoomed["device"] <= big["device"]:
            raise AssertionError("at 150 %% the plot is %.0f device pixels wide, at 100 %% %.0f" % (zoomed["device"], big["device"]))
        click("present")
        after = DRIVER.execute_script(measure)
        if "present" in after["search"] or after["words"] != plain["words"]:
            raise AssertionError("the button left %r" % after)
        click("present")
        if DRIVER.execute_script(measure)["search"] != "?view=classroom&present":
            raise AssertionError("the address does not keep the presentation")
    finally:
        cdp("Emulation.clearDeviceMetricsOverride")


def change_said():
    """After a key raises the curve, the live region first says what the
    change did: where the curve moved most, by how much and how many samples
    moved, as the replay tool's curves before and after give them; for a
    hill and a plateau."""
    for pulse in ("p1.30", "p0.30"):
        said_after_key(pulse)


def said_after_key(pulse):
    open_page("#d300.250m300.200u300.200" + pulse, "classroom")
    before = replay_state(page_link())["curve"]
    DRIVER.execute_script("document.getElementById('plot').focus()")
    key("ArrowRight", 39, 8)
    key("ArrowUp", 38)
    driver.settle(700)
    after = replay_state(page_link())["curve"]
    moved = [k for k in range(301) if after[k] != before[k]]
    most = max(abs(after[k] - before[k]) for k in moved)
    top = [k for k in moved if abs(after[k] - before[k]) == most]
    far = (top[0] + top[-1]) // 2   # the middle of a plateau
    want = "Curve raised at x = %s by %s, %d samples wide. Mean value" % (
        two_decimals(far * replay_state(page_link())["step_width"]), two_decimals(abs(after[far] - before[far])), len(moved))
    said = DRIVER.execute_script("return document.getElementById('announce').textContent")
    if not said.startswith(want):
        raise AssertionError("after ↑ the live region said %r, not %r first" % (said, want))


def help_then_language():
    """Help opened after a change and closed, then the language switched:
    the live region holds nothing to read again on closing, and the handles
    still move by their arrow keys."""
    open_page("#" + WAVE, "classroom")
    DRIVER.execute_script("document.getElementById('plot').focus()")
    key("ArrowUp", 38)
    click("help")
    DRIVER.execute_async_script("setTimeout(arguments[0], 600)")
    click("help-close")
    held = DRIVER.execute_script("return document.getElementById('announce').textContent")
    if held:
        raise AssertionError("the live region holds %r as the help closes" % held)
    click("language")
    for which, arrow, want in (("a", ("ArrowRight", 39), [1, 300]), ("b", ("ArrowLeft", 37), [1, 299])):
        DRIVER.execute_script("document.getElementById('handle-' + arguments[0]).focus()", which)
        key(*arrow)
        got = theorem_state(page_link())[0]["interval"]
        if got != want:
            raise AssertionError("after help and the language, %s's arrow made [a, b] %r" % (which, got))


SEEN_CASES = [curve_shows(link) for link in ("p3.19d300.250m300.190u300.190", "p3.19")] + [
    ("the drag's outline under a resting pointer leaves the c's rings", rings_under_a_resting_pointer),
    ("a drag of 100 pixels moves the curve 100 pixels", drag_follows_the_pointer),
    ("the help closes from its top or a tap outside on a phone", help_on_a_phone),
    ("an arrow at the edge shows where the curve has left the plot", arrow_where_the_curve_leaves),
    ("the axis labels and the handles do not overlap", labels_apart),
    ("the tab order follows the screen on a wide window", tab_order_reads_the_screen),
    ("presentation on a projector: plot and mean line on the first screen, larger with zoom", presentation),
    ("after help and a language switch nothing is read again and the handles move",
     lesson_cases.in_english(help_then_language, None)),
    ("after a change the live region says first what it did to the curve", lesson_cases.in_english(change_said)),
]


WORK_CASES = [
    ("400 key steps, undo and redo: the address follows at a few writes a second", key_storm),
    ("a refused address is said and written again", address_refused),
    ("copy link of a curve longer than any events address copies a short link to it", copy_too_long),
    ("copy link with the clipboard refused says so and keeps the focus", copy_refused),
    picture_refused("null"),
    picture_refused("frame"),
    ("a bad link stays in the address and the message says what is shown", bad_link_kept),
    ("the classic view's bad-link line is all Spanish", classic_bad_link_spanish),
    ("the help ends a drag in progress", help_ends_drag),
    ("switching views both ways keeps the work, the interval and the chosen pulse", views_keep_the_work),
    ("a resize mid-drag moves the curve on from where it was", resize_mid_drag),
    ("the saved picture holds every word of the theorem in both languages", picture_words_fit),
]


def case_name(title):
    """A case's title as a ctest test's name: lower case, words joined by '-'."""
    return re.sub(r"[^a-z0-9]+", "-", title.lower()).strip("-")


def cases():
    """Every case, by name; the kept event files are the tree's own."""
    data = os.path.join(HERE, "..", "data")
    scripts = sorted(os.path.join(data, "events", n)
                     for n in os.listdir(os.path.join(data, "events")) if n.endswith(".events"))
    table = [script_case(p) for p in scripts] + [link_case(p) for p in scripts] + [
        ("release outside the canvas keeps the drag", release_outside),
        ("other buttons and the wheel change nothing", other_buttons_and_wheel),
        ("a touch drags as the left button does", touch_drag),
        ("Esc ends input", escape_ends_input),
        ("the About dialog: modal, Enter or its button closes it, Esc does not", about_dialog),
    ] + [bad_link(f) for f in ("#garbage", "#d1.2m", "#d200.70000", "#d1.2%E0%A4%A", "#u1.1x", "#i10.5", "#i0.301")] + [
        ("opened from file://, the page fetches nothing", no_network),
    ] + [classroom_case(p) for p in scripts + [os.path.join(data, "theorem", "interval.events")]] + [
        device_case(*d) for d in DEVICES] + [
        ("the handles a and b move the interval by keyboard and pointer, into the link", interval_handles),
        ("undo, redo, reset, reload, copy link and a changed fragment keep the work", keeping_the_work),
        ("a link that ends inside a drag ends the drag", mid_drag_link),
        ("the wheel scrolls the page; Esc closes the help", wheel_and_help),
        ("save picture downloads the plot in its proportions", saved_picture),
        ("printing gives a light plot with its legend and mean value", printed_page),
        ("the language follows the browser's and can be switched", languages),
    ] + [shape_drag_case(*c) for c in SHAPE_DRAGS] + [
        ("the plot's keys drag with the chosen shape; undo and redo bring back the pulse", keyboard_shapes),
        ("Listen and the key tone sound only when pressed", listening),
    ] + WORK_CASES + SEEN_CASES + lesson_cases.CASES + [
        ("screenshot of the page", screenshot),
        ("screenshots of the classroom view", classroom_screenshots),
    ]
    named = {case_name(title): run for title, run in table}
    if len(named) != len(table):
        raise SystemExit("two cases have the same name")
    return named


if __name__ == "__main__":
    sys.exit(driver.run_cases(cases(), start_chromium))
