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
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import driver  # noqa: E402
from driver import AXE_PANELS, AXE_TAGS, KEYBOARD_ROWS, drags_for, image, replay_png, settled_url  # noqa: E402

DRIVER = None   # Chromium's Selenium session


def start_chromium():
    global DRIVER
    if not os.path.exists(driver.ARGS.axe):
        raise SystemExit("%s is missing: the npm modules are installed by scripts/test "
                         "(or by npm ci in tests/web)" % driver.ARGS.axe)
    chromium = driver.Chromium(driver.ARGS.out, ("--force-device-scale-factor=1", "--force-color-profile=srgb",
                                                 "--window-size=1280,900"))
    DRIVER = chromium.driver
    return chromium


# axe-core on each view, with its help panel (the classic view's is the
# About box) open and closed.

def axe_case(name, view, opener, panel, panel_open):
    def run():
        driver.open_page("?view=" + view)
        if panel_open:
            DRIVER.find_element("id", opener).click()
            if not DRIVER.find_element("id", panel).is_displayed():
                raise AssertionError("#%s did not open #%s" % (opener, panel))
        with open(driver.ARGS.axe) as f:
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
    return "axe.%s.%s" % (name, "panel-open" if panel_open else "panel-closed"), run


AXE_CASES = [axe_case(name, view, opener, panel, panel_open)
             for name, view, opener, panel in AXE_PANELS for panel_open in (False, True)]


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


def keyboard_case(name, events, keys):
    def run():
        path = os.path.join(driver.ARGS.data, "events", events)
        start = subprocess.run([driver.ARGS.replay, "--link", path], check=True, capture_output=True,
                               text=True).stdout.strip()
        driver.open_page(start)
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
                               replay_png(expected, label + "-drags"), driver.ARGS.out, label)
        if points:
            raise AssertionError("the link after the keys, ...%s, draws %d pixels other than the event file"
                                 " followed by the drags %s" % (address[-160:], len(points),
                                                                " ".join(drags_for(keys))))
    return "keyboard." + name, run


# The keyboard rows are the driver's, which the other engines' suite plays too.
KEYBOARD_CASES = [keyboard_case(*row) for row in KEYBOARD_ROWS]

CASES = dict(AXE_CASES + KEYBOARD_CASES)


if __name__ == "__main__":
    sys.exit(driver.run_cases(CASES, start_chromium, options=("--page", "--replay", "--data", "--axe", "--out")))
