#!/usr/bin/env python3
"""No step lost: real X key presses (xdotool) in headful Chromium on a
private Xvfb, then F5 at once, Back after leaving, or the course page
around a frame reloaded; and no warning for a flat curve. What the page
shows afterwards must be what the replay tool makes of the keys' steps.
usage: keeping_test.py --list | CASE --page HTML --replay TOOL --data DIR --out DIR"""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import driver  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
XVFB = os.path.join(HERE, "..", "harness", "xvfb.sh")
# A key step up at the selected sample, as the plot's ↑ makes it, and six
# events that leave the curve as it was, to make long work.
UP = "d300.250m300.249u300.249"
PAIR = "d300.250m300.249u300.249d300.250m300.251u300.251"


class HeadfulChromium(driver.Chromium):
    """Chromium on an Xvfb of its own, which quit() ends by its PID."""

    def __init__(self):
        self.x = os.path.join(os.path.abspath(driver.ARGS.out), "x")
        shown = subprocess.run([XVFB, "start", self.x], capture_output=True, text=True)
        if shown.returncode != 0:
            raise SystemExit("Xvfb did not start: %s" % shown.stderr.strip())
        os.environ["DISPLAY"] = shown.stdout.strip()
        try:
            super().__init__(driver.ARGS.out, ("--window-position=0,0", "--window-size=1000,900",
                                               "--force-device-scale-factor=1", "--no-first-run", "--disable-gpu"),
                             headless=False)
        except BaseException:
            subprocess.run([XVFB, "stop", self.x])
            raise
        # With no window manager, keys go to the window under the pointer.
        xdotool("mousemove", "500", "450")

    def quit(self):
        try:
            super().quit()
        finally:
            subprocess.run([XVFB, "stop", self.x])


def xdotool(*args):
    subprocess.run(["xdotool"] + list(args), check=True)


def evaluate(body, *args):
    return driver.BROWSER.evaluate(body, *args)


def ups(n):
    """N presses of ↑ on the plot, 33 ms apart, as real keys. The tab's
    name, which a reload keeps, counts those the page received: a busy
    machine may still hold the last ones when F5 drops them."""
    evaluate("""window.name = '0'; document.getElementById('plot').focus();
                addEventListener('keydown', e => { if (e.key === 'ArrowUp') window.name = String(+window.name + 1); }, true)""")
    xdotool("key", "--delay", "33", *(["Up"] * n))


def received():
    count = int(evaluate("return window.name") or 0)
    if count < 1:
        raise AssertionError("the page received no key")
    return count


def expect_curve(link, what):
    """The page's curve, pulse and interval are the replay tool's of LINK."""
    shown = evaluate("return (brisqual.addressLink || brisqual.link)()")
    # The curve, its theorem and the pulse the next press takes; where the
    # last drag let go is no part of the work.
    kept = lambda state: (state["curve"], state["theorem"], state["drag"]["next_pulse_shape"],
                          state["drag"]["next_pulse_width"])
    got, want = kept(driver.replay_state(shown)), kept(driver.replay_state(link))
    if got != want:
        raise AssertionError("%s: the page's curve is not the replay tool's of the steps taken" % what)


def reload_after(events, steps):
    def run():
        work = PAIR * (events // 6)
        driver.open_page("?view=classroom#" + work)
        ups(steps)
        xdotool("key", "F5")
        time.sleep(0.5)
        driver.wait_ready()
        expect_curve(work + UP * received(), "reloaded at once after %d steps at %d events" % (steps, events))
    return "a reload at once after %d key steps at %d events keeps every step" % (steps, events), run


def back_after_leaving():
    """40 steps, another address typed into the address bar 33 ms after the last, then Back."""
    driver.open_page("?view=classroom#")
    evaluate("document.getElementById('plot').focus()")
    xdotool("key", "--delay", "33", *(["Up"] * 40 + ["ctrl+l"]))
    xdotool("type", "--delay", "0", "about:blank\n")
    time.sleep(0.5)
    driver.BROWSER.driver.back()
    driver.wait_ready()
    expect_curve(UP * 40, "back after leaving at once after 40 steps")


COURSE = """<!DOCTYPE html><html lang="en"><head><meta charset="utf-8"><title>A course page</title></head>
<body><h1>Week 3</h1><iframe id="lesson" title="Brisqual" %s src="%s" width="900" height="700"></iframe></body></html>"""


def framed(sandbox):
    def run():
        course = os.path.abspath(os.path.join(driver.ARGS.out, "course-%d.html" % len(sandbox)))
        with open(course, "w") as f:
            f.write(COURSE % (sandbox, driver.page_url("?view=classroom#p1.19")))
        web = driver.BROWSER.driver
        web.get("file://" + course)
        web.switch_to.frame(web.find_element("id", "lesson"))
        driver.wait_ready()
        ups(10)
        time.sleep(0.3)
        web.switch_to.default_content()
        xdotool("key", "F5")
        time.sleep(0.5)
        web.switch_to.frame(web.find_element("id", "lesson"))
        driver.wait_ready()
        if "allow-scripts" in sandbox and "allow-same-origin" not in sandbox:
            said, copy = evaluate("return [brisqual.message, document.getElementById('copy-link').textContent]")
            if copy not in said:
                raise AssertionError("a frame that cannot store says %r" % said)
        else:
            expect_curve("p1.19" + UP * 10, "the frame after its course page was reloaded")
        web.switch_to.default_content()
    return "a frame %s keeps the work over a reload of its page, or says only copy link does" % (
        sandbox.replace('"', "") or "unsandboxed"), run


def flat_no_warning():
    """Opening '#', undoing back to flat and "Flat curve": nothing said, a second later too."""
    driver.open_page("?view=classroom#")
    ups(1)
    xdotool("key", "ctrl+z")
    time.sleep(0.2)
    evaluate("document.getElementById('reset').click()")
    time.sleep(1.5)
    said = evaluate("return brisqual.message")
    if said:
        raise AssertionError("a flat curve: the page says %r" % said)


def cases():
    table = [reload_after(0, 30), reload_after(100000, 5),
             ("back after leaving at once keeps every step", back_after_leaving),
             framed(""), framed('sandbox="allow-scripts allow-same-origin"'), framed('sandbox="allow-scripts"'),
             ("a flat curve raises no warning", flat_no_warning)]
    return {re.sub(r"[^a-z0-9]+", "-", title.lower()).strip("-"): run for title, run in table}


if __name__ == "__main__":
    sys.exit(driver.run_cases(cases(), HeadfulChromium))
