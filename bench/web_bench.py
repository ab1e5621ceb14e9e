#!/usr/bin/python3
"""Figures of the browser page in headless Chromium: its size with and
without the embedded dialog font, navigation to the first frame, and one
drag step from the input event to the pixels on the canvas.

usage: web_bench.py --page HTML --font TTF --make-page-args FILE... (see scripts/bench)

The page's size with the font comes from shell/web/make_page.py run on the
build's own parts. Times are medians: first frame over 30 loads, drag step
over 1,000 moves, each a real input event sent by WebDriver.
"""
import argparse
import gzip
import os
import statistics
import subprocess
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.common.action_chains import ActionBuilder
from selenium.webdriver.common.actions.mouse_button import MouseButton

LOADS = 30
STEPS = 1000


def sizes(path):
    with open(path, "rb") as f:
        data = f.read()
    return len(data), len(gzip.compress(data, 9))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--make-page", required=True, nargs=6,
                        metavar=("MAKE_PAGE", "PAGE_HTML", "MODULE", "TEMPLATE_JS", "ICON_JS", "FONT"))
    args = parser.parse_args()
    make_page, template, module, about, icon, font = args.make_page
    with tempfile.TemporaryDirectory() as scratch:
        with_font = os.path.join(scratch, "with-font.html")
        subprocess.run([sys.executable, make_page, template, module, about, icon, font, "6", "13", with_font],
                       check=True)
        size_font = sizes(with_font)
    size = sizes(args.page)
    print("page size without the font: %d bytes (%.1f KiB), %d gzipped" % (size[0], size[0] / 1024, size[1]))
    print("page size with the font:    %d bytes (%.1f KiB), %d gzipped" % (size_font[0], size_font[0] / 1024, size_font[1]))

    options = Options()
    for flag in ("--headless=new", "--no-sandbox", "--force-device-scale-factor=1",
                 "--force-color-profile=srgb", "--window-size=900,900"):
        options.add_argument(flag)
    driver = webdriver.Chrome(options=options)
    url = "file://" + os.path.abspath(args.page)
    try:
        first = []
        for _ in range(LOADS):
            driver.get("about:blank")
            driver.get(url)
            first.append(driver.execute_async_script("""
                const done = arguments[arguments.length - 1];
                (function wait() { if (brisqual.firstFrame) done(brisqual.firstFrame); else setTimeout(wait, 5); })();"""))
        print("navigation to first frame: median %.1f ms over %d loads (min %.1f, max %.1f)"
              % (statistics.median(first), LOADS, min(first), max(first)))

        # Listeners on the window hear each move before the canvas's own
        # handler (capture) and after it has painted (bubble): dispatch to
        # pixels in the canvas. The event's time stamp also gives the wait
        # before dispatch, which the browser spends aligning moves to frames.
        driver.execute_script("""
            window.benchSteps = []; window.benchWaits = []; let start = 0;
            window.addEventListener('pointermove', e => { start = performance.now(); }, true);
            window.addEventListener('pointermove', e => {
                const now = performance.now();
                benchSteps.push(now - start); benchWaits.push(now - e.timeStamp); });""")
        box = driver.execute_script("const b = document.getElementById('plot').getBoundingClientRect();"
                                    "return [b.left, b.top];")
        x, y0 = int(box[0]) + 300, int(box[1]) + 250
        builder = ActionBuilder(driver, duration=0)
        builder.pointer_action.move_to_location(x, y0)
        builder.pointer_action.pointer_down(MouseButton.LEFT)
        builder.perform()
        for chunk in range(0, STEPS, 100):
            builder = ActionBuilder(driver, duration=0)
            for i in range(chunk, chunk + 100):
                builder.pointer_action.move_to_location(x, y0 + 1 + i % 40)
            builder.perform()
        steps = driver.execute_script("return benchSteps")
        waits = driver.execute_script("return benchWaits")
        repaints = driver.execute_script("return brisqual.repaints")
        print("drag step, event dispatch to canvas pixels: median %.3f ms over %d moves, %d repaints"
              " (90th percentile %.3f ms)" % (statistics.median(steps), len(steps), repaints - 1,
                                             sorted(steps)[int(len(steps) * 0.9)]))
        print("  the same from the event's time stamp, with the browser's wait for a frame: median %.1f ms"
              % statistics.median(waits))
    finally:
        driver.quit()
    return 0


if __name__ == "__main__":
    sys.exit(main())
