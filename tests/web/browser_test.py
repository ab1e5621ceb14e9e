#!/usr/bin/python3
"""The browser page in headless Chromium, driven by trusted input events from
WebDriver actions; the native replay tool is the oracle for every picture.

usage: browser_test.py --page HTML --replay BRISQUAL_REPLAY --data DIR --out DIR

Cases, each a row of a table:
- every kept script (DIR/scripts) played with real events: the canvas equals
  the replay of the events the page received and the replay of the script
  (no move lost), and the Wine golden image where one exists;
- the same script opened as a shared link (brisqual-replay --link);
- the Windows program's input rules: a release outside the canvas, other
  buttons and the wheel, Esc, and the modal About dialog;
- bad links leave a working page; the page fetches nothing.
Pictures that differ are written to --out by tests/harness/image.py.
"""
import argparse
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import image  # noqa: E402

ARGS = None
DRIVER = None


def start_chromium():
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.options import Options
    except ImportError as e:
        raise SystemExit("browser suite: python3-selenium is not installed (%s): FAILED" % e)
    options = Options()
    # A window taller than the page, so that no screenshot is cropped; sRGB
    # and a scale of 1, so that canvas pixels reach the screenshot as they are.
    for flag in ("--headless=new", "--no-sandbox", "--force-device-scale-factor=1",
                 "--force-color-profile=srgb", "--window-size=900,900", "--disable-gpu"):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
    try:
        return webdriver.Chrome(options=options)
    except Exception as e:  # the driver's errors come in many classes
        raise SystemExit("browser suite: Chromium cannot be started (%s): FAILED" % str(e).strip())


def page_url(fragment=""):
    return "file://" + os.path.abspath(ARGS.page) + fragment


def open_page(fragment=""):
    DRIVER.get("about:blank")
    DRIVER.get(page_url(fragment))
    ready = DRIVER.execute_async_script("""
        const done = arguments[arguments.length - 1], start = performance.now();
        (function wait() {
            if (window.brisqual && (brisqual.ready || brisqual.message)) done(brisqual.ready);
            else if (performance.now() - start > 5000) done(false);
            else setTimeout(wait, 5);
        })();""")
    if not ready:
        raise AssertionError("the page did not start: %r" % state("message"))


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


def script_lines(path):
    with open(path) as f:
        return [line.strip() for line in f if line.strip() and not line.lstrip().startswith("#")]


def replay_png(lines, name):
    path = os.path.join(ARGS.out, name + ".expected.png")
    subprocess.run([ARGS.replay, "--png", path, "-"], input="\n".join(lines) + "\n",
                   text=True, check=True)
    return image.Image.load(path)


def canvas_image(name):
    path = os.path.join(ARGS.out, name + ".canvas.png")
    DRIVER.find_element("id", "plot").screenshot(path)
    return image.Image.load(path)


def expect_picture(name, lines, what):
    """The canvas equals the replay tool's picture of LINES, pixel for pixel."""
    actual = canvas_image(name)
    label = name + "-" + what.replace(" ", "-")
    differ(actual, replay_png(lines, label), label, "the replay of " + what)
    return actual


def differ(actual, expected, label, what):
    points = image.compare(actual, expected, ARGS.out, label)
    if points is None:
        raise AssertionError("the canvas is %dx%d, %s %dx%d" % (actual.width, actual.height, what,
                                                                 expected.width, expected.height))
    if points:
        raise AssertionError("%d pixels differ from %s (see %s-*.png)" % (len(points), what, label))


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
            differ(actual, image.Image.load(golden), "script-%s-wine" % name, "the Wine golden image")
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
    lines = script_lines(os.path.join(ARGS.data, "scripts", "steep.txt"))
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
        lines = script_lines(os.path.join(ARGS.data, "scripts", "drag-example.txt"))
        play(lines)
        expect_picture("bad-link", lines, "a drag after it")
    return "bad link " + fragment, run


def no_network():
    import json
    DRIVER.get_log("performance")   # drop what came before
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
    path = os.path.join(ARGS.data, "scripts", "steep.txt")
    link = subprocess.run([ARGS.replay, "--link", path], check=True, capture_output=True,
                          text=True).stdout.strip()
    open_page(link)
    DRIVER.find_element("id", "window").screenshot(os.path.join(ARGS.out, "web-page.png"))


def main():
    global ARGS, DRIVER
    parser = argparse.ArgumentParser()
    for option in ("--page", "--replay", "--data", "--out"):
        parser.add_argument(option, required=True)
    ARGS = parser.parse_args()
    os.makedirs(ARGS.out, exist_ok=True)
    scripts = sorted(os.path.join(ARGS.data, "scripts", n)
                     for n in os.listdir(os.path.join(ARGS.data, "scripts")) if n.endswith(".txt"))
    cases = [script_case(p) for p in scripts] + [link_case(p) for p in scripts] + [
        ("release outside the canvas keeps the drag", release_outside),
        ("other buttons and the wheel change nothing", other_buttons_and_wheel),
        ("a touch drags as the left button does", touch_drag),
        ("Esc ends input", escape_ends_input),
        ("the About dialog: modal, Enter or its button closes it, Esc does not", about_dialog),
    ] + [bad_link(f) for f in ("#garbage", "#d1.2m", "#d200.70000", "#d1.2%E0%A4%A", "#u1.1x")] + [
        ("opened from file://, the page fetches nothing", no_network),
        ("screenshot of the page", screenshot),
    ]
    DRIVER = start_chromium()
    failed = 0
    try:
        for name, run in cases:
            try:
                run()
                print("ok      %s" % name)
            except Exception as e:
                failed += 1
                print("FAILED  %s: %s" % (name, e))
    finally:
        DRIVER.quit()
    print("%d of %d cases failed" % (failed, len(cases)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
