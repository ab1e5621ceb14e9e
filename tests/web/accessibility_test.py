#!/usr/bin/python3
"""Accessibility of the browser page in headless Chromium: axe-core's audit
of both views, with the help panel open and closed, and the curve made with
the keyboard alone, checked against the same steps made as drags.

usage: accessibility_test.py --list
       accessibility_test.py CASE --page HTML --replay BRISQUAL_REPLAY --data DIR --axe AXE_MIN_JS --out DIR

Each case is a row of one of two tables and a ctest test of its own. Key
presses are trusted input (the DevTools protocol's Input.dispatchKeyEvent).
The keyboard's pictures come from the replay tool alone: the address that
the keys leave (brisqual-replay --from-link) against a kept event file (the
page opens on its link) followed by the drags that the keys stand for.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import image  # noqa: E402

ARGS = None
DRIVER = None

# axe-core's rule sets that the page must pass without a single violation.
AXE_TAGS = ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa", "best-practice"]

PROFILE = None


def remove_profile():
    if PROFILE:
        shutil.rmtree(PROFILE, ignore_errors=True)


def start_chromium():
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.options import Options
    except ImportError as e:
        raise SystemExit("python3-selenium is not installed (%s)" % e)
    options = Options()
    for flag in ("--headless=new", "--no-sandbox", "--force-device-scale-factor=1",
                 "--force-color-profile=srgb", "--window-size=1280,900"):
        options.add_argument(flag)
    # A profile of its own in the build tree, removed at the end, so that
    # nothing is left in /tmp or the home folder (where Chromium keeps its
    # crash reports and dconf its cache, whatever the profile).
    global PROFILE
    PROFILE = tempfile.mkdtemp(prefix="chromium-profile-", dir=os.path.abspath(ARGS.out))
    options.add_argument("--user-data-dir=" + PROFILE)
    os.environ.update(XDG_CONFIG_HOME=os.path.join(PROFILE, "config"), XDG_CACHE_HOME=os.path.join(PROFILE, "cache"))
    return webdriver.Chrome(options=options)


def open_page(query=""):
    DRIVER.get("about:blank")
    DRIVER.get("file://" + os.path.abspath(ARGS.page) + query)
    ready = DRIVER.execute_async_script("""
        const done = arguments[arguments.length - 1], start = performance.now();
        (function wait() {
            if (window.brisqual && brisqual.ready) done(true);
            else if (performance.now() - start > 5000) done(false);
            else setTimeout(wait, 5);
        })();""")
    if not ready:
        raise AssertionError("the page did not start (window.brisqual.ready)")


# axe-core on each view, with its help panel (the classic view's is the
# About box) open and closed.

def axe_case(view, opener, panel, panel_open):
    def run():
        open_page("?view=" + view)
        if panel_open:
            DRIVER.find_element("id", opener).click()
            if not DRIVER.find_element("id", panel).is_displayed():
                raise AssertionError("#%s did not open #%s" % (opener, panel))
        with open(ARGS.axe) as f:
            DRIVER.execute_script(f.read())
        result = DRIVER.execute_async_script("""
            const done = arguments[arguments.length - 1];
            axe.run(document, {runOnly: {type: 'tag', values: arguments[0]}, resultTypes: ['violations']})
               .then(r => done(r.violations.map(v => [v.id, v.impact, v.nodes.map(n => n.target.join(' '))])),
                     e => done(String(e)));""", AXE_TAGS)
        if isinstance(result, str):
            raise AssertionError("axe-core failed: " + result)
        if result:
            raise AssertionError("%d violations: %s" % (len(result), "; ".join(
                "%s (%s) at %s" % (rule, impact, ", ".join(nodes[:4]) + (" ..." if len(nodes) > 4 else ""))
                for rule, impact, nodes in result)))
    return "axe.%s.%s" % (view, "panel-open" if panel_open else "panel-closed"), run


# Each view with the button that opens its panel, and the panel.
AXE_PANELS = [("classroom", "help", "help-dialog"), ("classic", "menu", "dialog")]
AXE_CASES = [axe_case(view, opener, panel, panel_open)
             for view, opener, panel in AXE_PANELS for panel_open in (False, True)]


# The curve by keyboard. Keys as the DevTools protocol sends them: key,
# code, Windows virtual key code; modifiers 2 for Ctrl and 8 for Shift.

KEY_CODES = {
    "Tab": ("Tab", "Tab", 9), "PageUp": ("PageUp", "PageUp", 33), "PageDown": ("PageDown", "PageDown", 34),
    "End": ("End", "End", 35), "Home": ("Home", "Home", 36), "Left": ("ArrowLeft", "ArrowLeft", 37),
    "Up": ("ArrowUp", "ArrowUp", 38), "Right": ("ArrowRight", "ArrowRight", 39),
    "Down": ("ArrowDown", "ArrowDown", 40), "Y": ("y", "KeyY", 89), "Z": ("z", "KeyZ", 90),
}
MODIFIERS = {"Ctrl": 2, "Shift": 8}


def press(chord):
    """One chord such as 'Shift+Up' as a trusted key press."""
    *mods, name = chord.split("+")
    key, code, vk = KEY_CODES[name]
    flags = sum(MODIFIERS[m] for m in mods)
    if "Shift" in mods and len(key) == 1:
        key = key.upper()
    for kind in ("rawKeyDown", "keyUp"):
        DRIVER.execute_cdp_cmd("Input.dispatchKeyEvent", {
            "type": kind, "key": key, "code": code, "windowsVirtualKeyCode": vk,
            "nativeVirtualKeyCode": vk, "modifiers": flags})


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


def replay_png(text, label, *options):
    """The replay tool's picture of TEXT: event lines, or with --from-link
    an address."""
    path = os.path.join(ARGS.out, label + ".png")
    run = subprocess.run([ARGS.replay, *options, "--png", path, "-"], input=text, text=True,
                         capture_output=True)
    if run.returncode != 0:
        raise AssertionError("the replay tool refused %r: %s" % (text[-160:], run.stderr.strip()))
    return image.Image.load(path)


def settled_url():
    """The address once it has stopped changing: the page may write it
    after the last step has been drawn."""
    last, since = DRIVER.current_url, time.monotonic()
    while time.monotonic() - since < 0.3:
        time.sleep(0.05)
        url = DRIVER.current_url
        if url != last:
            last, since = url, time.monotonic()
    return last


def keyboard_case(name, events, keys):
    def run():
        path = os.path.join(ARGS.data, "events", events)
        start = subprocess.run([ARGS.replay, "--link", path], check=True, capture_output=True,
                               text=True).stdout.strip()
        open_page(start)
        for _ in range(40):
            press("Tab")
            if DRIVER.execute_script("return document.activeElement && document.activeElement.id") == "plot":
                break
        else:
            raise AssertionError("40 presses of Tab from the top of the page never reached #plot")
        for key in keys:
            press(key)
        label = "keyboard-" + name
        address = settled_url()
        with open(path) as f:
            expected = f.read().rstrip("\n") + "\n" + "".join(line + "\n" for line in drags_for(keys))
        points = image.compare(replay_png(address, label + "-link", "--from-link"),
                               replay_png(expected, label + "-drags"), ARGS.out, label)
        if points:
            raise AssertionError("the link after the keys, ...%s, draws %d pixels other than the event file"
                                 " followed by the drags %s" % (address[-160:], len(points),
                                                                " ".join(drags_for(keys))))
    return "keyboard." + name, run


# Rows: what the keys do, the kept event file whose link the page opens on, and
# the keys pressed once Tab has reached the plot. The other engines' suite
# (engines_test.py) plays the same rows.
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
KEYBOARD_CASES = [keyboard_case(*row) for row in KEYBOARD_ROWS]

CASES = dict(AXE_CASES + KEYBOARD_CASES)


def main():
    global ARGS, DRIVER
    if sys.argv[1:] == ["--list"]:
        print("\n".join(CASES))
        return 0
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    for option in ("--page", "--replay", "--data", "--axe", "--out"):
        parser.add_argument(option, required=True)
    ARGS = parser.parse_args()
    if not os.path.exists(ARGS.axe):
        raise SystemExit("%s is missing: the npm modules are installed by scripts/test "
                         "(or by npm ci in tests/web)" % ARGS.axe)
    os.makedirs(ARGS.out, exist_ok=True)
    DRIVER = start_chromium()
    try:
        CASES[ARGS.case]()
    except Exception as e:  # the driver's errors come in many classes
        print("FAILED  %s: %s" % (ARGS.case, str(e).strip().splitlines()[0]))
        return 1
    finally:
        DRIVER.quit()
        remove_profile()
    print("ok      %s" % ARGS.case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
