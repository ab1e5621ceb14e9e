#!/usr/bin/python3
"""Figures of the browser page in headless Chromium, for both of its views
(the classroom view and the classic one): the page's size with and without
the embedded dialog font, navigation to the first frame, one drag step from
the input event to the pixels on the canvas at device scale 2, at full speed
and with the CPU slowed four times, and Lighthouse's four scores with the
page served over http from 127.0.0.1; and what the classroom view's work
costs as it grows: a release, a key step and an undo with 0, 10,000 and
100,000 events in the link, and one write of the address.

usage: web_bench.py --page HTML --lighthouse BIN --make-page MAKE_PAGE ESBUILD PAGE_DIR
                    MODULE TEMPLATE_JS ICON_JS FONT   (see scripts/bench)
       web_bench.py --page HTML --only work|keeping   (the work's costs, or keeping it, alone)

The page's size with the font comes from shell/web/make_page.py run on the
build's own parts. Times are medians: first frame over 30 loads, drag step
over 1,000 moves, each a trusted input event sent through the DevTools
protocol. The work's costs are the time of the page's own handlers for the
trusted event (window listeners before and after them), medians and
maxima over WORK_REPS events each.
"""
import argparse
import functools
import gzip
import http.server
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import driver as web  # noqa: E402

LOADS = 30
STEPS = 1000
VIEWS = ("classroom", "classic")
# A laptop with a high-density screen: 1280 x 800 CSS pixels at scale 2.
SCREEN = {"width": 1280, "height": 800, "deviceScaleFactor": 2, "mobile": False}
CATEGORIES = ("performance", "accessibility", "best-practices", "seo")
WORK_SIZES = (0, 10000, 100000)
WORK_REPS = 30


def sizes(path):
    with open(path, "rb") as f:
        data = f.read()
    return len(data), len(gzip.compress(data, 9))


def page_sizes(page, make_page_args):
    make_page, esbuild, page_dir, module, about, icon, font = make_page_args
    with tempfile.TemporaryDirectory() as scratch:
        with_font = os.path.join(scratch, "with-font.html")
        subprocess.run([sys.executable, make_page, esbuild, page_dir, module, about, icon, font, "6", "13", with_font],
                       check=True)
        size_font = sizes(with_font)
    size = sizes(page)
    print("page size without the font: %d bytes (%.1f KiB), %d gzipped" % (size[0], size[0] / 1024, size[1]))
    print("page size with the font:    %d bytes (%.1f KiB), %d gzipped"
          % (size_font[0], size_font[0] / 1024, size_font[1]))


def start_chromium(profile):
    """Chromium through the browser tests' driver; the Selenium session."""
    web.BROWSER = web.Chromium(flags=("--force-color-profile=srgb", "--window-size=1280,900"), profile=profile)
    return web.BROWSER.driver


def wait_ready(driver):
    try:
        web.wait_ready("firstFrame")
    except AssertionError:
        raise SystemExit("the page did not report its first frame (window.brisqual.firstFrame)")


def first_frame(driver, url):
    times = []
    for _ in range(LOADS):
        driver.get("about:blank")
        driver.get(url)
        wait_ready(driver)
        times.append(driver.execute_script("return brisqual.firstFrame"))
    return times


def mouse(driver, kind, x, y, buttons):
    params = {"type": kind, "x": x, "y": y, "buttons": buttons}
    if kind != "mouseMoved":
        params.update(button="left", clickCount=1)
    driver.execute_cdp_cmd("Input.dispatchMouseEvent", params)


def drag_steps(driver, url, throttle):
    """Times of one drag step each: from the start of the move's dispatch to
    the end of the repaint it causes, whether the page paints in its handler
    or in the animation frame that Chromium runs right after the input."""
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", SCREEN)
    driver.get("about:blank")
    driver.get(url)
    wait_ready(driver)
    driver.execute_script("""
        window.benchSteps = []; let start = 0, before = 0;
        window.addEventListener('pointermove', () => { start = performance.now(); before = brisqual.repaints; }, true);
        window.addEventListener('pointermove', () => {
            const s = start, b = before;
            const done = () => { if (brisqual.repaints !== b) benchSteps.push(performance.now() - s); };
            if (brisqual.repaints !== b) done(); else requestAnimationFrame(done);
        });""")
    box = driver.execute_script("const p = document.getElementById('plot'); p.scrollIntoView({block: 'center'});"
                                "const b = p.getBoundingClientRect(); return [b.left, b.top, b.width, b.height];")
    # The middle of the plot, in CSS pixels; steps of 3 pixels change the
    # curve at any scale the view may give the plot.
    x, y0 = box[0] + box[2] * 300 / 602, box[1] + box[3] * 200 / 504
    driver.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": throttle})
    try:
        mouse(driver, "mouseMoved", x, y0, 0)
        mouse(driver, "mousePressed", x, y0, 1)
        for i in range(STEPS):
            mouse(driver, "mouseMoved", x, y0 + 3 * (1 + i % 20), 1)
        mouse(driver, "mouseReleased", x, y0, 0)
        steps = driver.execute_async_script("const done = arguments[arguments.length - 1];"
                                            "requestAnimationFrame(() => done(benchSteps));")
    finally:
        driver.execute_cdp_cmd("Emulation.setCPUThrottlingRate", {"rate": 1})
        driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
    if not steps:
        raise SystemExit("no move repainted the plot (window.brisqual.repaints) in %s" % url)
    return steps


def open_work(driver, page, events, timeout):
    """The classroom view with a work of EVENTS events: key steps (press,
    move, release), given through the fragment, since Chromium takes
    minutes to navigate to an address this long."""
    pair = "d300.250m300.249u300.249d300.250m300.251u300.251"
    link = pair * (events // 6)
    driver.get("about:blank")
    driver.get("file://%s?view=classroom#" % os.path.abspath(page))
    wait_ready(driver)
    driver.set_script_timeout(timeout)
    driver.execute_async_script("""
        const link = arguments[0], done = arguments[1];
        location.hash = link;
        (function wait() { if (brisqual.link().length === link.length) done(); else setTimeout(wait, 50); })();""",
                                link)


def work_costs(driver, page, events):
    """The classroom view's costs with EVENTS events in the link: each key
    step, release and undo timed from a window listener before the page's
    own handlers to one after them (all three repaint in their handler).
    The link is key steps (press, move, release), opened as one new curve;
    then 340 key steps (1,020 events, past the snapshot interval of the
    undo), releases of short drags, and undos back through those steps."""
    open_work(driver, page, events, 120)
    driver.execute_script("""
        window.benchCosts = {keydown: [], pointerup: []}; let start = 0;
        for (const kind of ['keydown', 'pointerup']) {
            window.addEventListener(kind, () => { start = performance.now(); }, true);
            window.addEventListener(kind, e => benchCosts[kind].push([e.ctrlKey, performance.now() - start]));
        }
        document.getElementById('plot').focus();""")
    for i in range(340):
        web.BROWSER.key(*(("ArrowUp", 38) if i % 2 == 0 else ("ArrowDown", 40)))
    box = driver.execute_script("const b = document.getElementById('plot').getBoundingClientRect();"
                                "return [b.left, b.top, b.width, b.height];")
    x, y = box[0] + box[2] * 200 / 602, box[1] + box[3] * 250 / 504
    for i in range(WORK_REPS):
        mouse(driver, "mousePressed", x, y, 1)
        mouse(driver, "mouseMoved", x, y + 6, 1)
        mouse(driver, "mouseReleased", x, y + 6, 0)
        mouse(driver, "mousePressed", x, y + 6, 1)
        mouse(driver, "mouseMoved", x, y, 1)
        mouse(driver, "mouseReleased", x, y, 0)
    for i in range(2 * WORK_REPS + WORK_REPS):
        web.BROWSER.key("z", 90, 2)
    costs = driver.execute_script("return benchCosts")
    # One write of the address as the page makes it: the link, the write, the check.
    write = driver.execute_script("""
        const times = [];
        for (let i = 0; i < 5; i++) {
            const start = performance.now(), link = brisqual.link();
            history.replaceState(history.state, '', location.pathname + location.search + '#' + link);
            if (location.hash.length !== link.length + 1) return [-1];
            times.push(performance.now() - start);
        }
        return times;""")
    keys = [t for ctrl, t in costs["keydown"] if not ctrl]
    undos = [t for ctrl, t in costs["keydown"] if ctrl][2 * WORK_REPS:]   # back through the key steps
    return {"key step": keys, "release": [t for _, t in costs["pointerup"]], "undo": undos, "address write": write}


KEEP_SIZES = (0, 10000, 100000, 250000)
KEEP_STEPS = 60


def keeping_costs(driver, page, events):
    """What keeping the work costs with EVENTS events in the link: for
    KEEP_STEPS key steps 50 ms apart, the time from each key to the next
    frame and the longest gap between frames from the first step to a
    second after the last; then the address' length, and the time from
    navigating to that address to the page's first frame."""
    import time
    open_work(driver, page, events, 300)
    driver.execute_script("""
        window.benchKeep = {frames: [], gap: 0}; let last = 0;
        window.addEventListener('keydown', () => {
            const start = performance.now();
            requestAnimationFrame(() => benchKeep.frames.push(performance.now() - start));
        }, true);
        (function tick(t) { if (last) benchKeep.gap = Math.max(benchKeep.gap, t - last); last = t;
                            requestAnimationFrame(tick); })(0);
        document.getElementById('plot').focus();""")
    for i in range(KEEP_STEPS):
        web.BROWSER.key(*(("ArrowUp", 38) if i % 2 == 0 else ("ArrowDown", 40)))
        time.sleep(0.05)
    time.sleep(1)
    costs = driver.execute_script("return benchKeep")
    address = driver.execute_script("return location.href")
    driver.get("about:blank")
    driver.get(address)
    wait_ready(driver)
    opened = driver.execute_script("return brisqual.firstFrame")
    return costs["frames"], costs["gap"], len(address), opened


def print_keeping_costs(page):
    driver = None
    scratch = tempfile.mkdtemp(prefix="brisqual-bench-keep-")
    try:
        driver = start_chromium(os.path.join(scratch, "profile"))
        for events in KEEP_SIZES:
            frames, gap, length, opened = keeping_costs(driver, page, events)
            print("classroom view, %d events of work: key to frame median %.1f ms, max %.1f ms over %d keys;"
                  " longest gap between frames %.1f ms; address %d characters; opened to first frame in %.0f ms"
                  % (events, statistics.median(frames), max(frames), len(frames), gap, length, opened))
    finally:
        if driver:
            driver.quit()
        shutil.rmtree(scratch, ignore_errors=True)


def print_work_costs(page):
    driver = None
    scratch = tempfile.mkdtemp(prefix="brisqual-bench-work-")
    try:
        driver = start_chromium(os.path.join(scratch, "profile"))
        for events in WORK_SIZES:
            for what, times in work_costs(driver, page, events).items():
                print("classroom view, %d events in the link: %s: median %.2f ms, max %.2f ms over %d"
                      % (events, what, statistics.median(times), max(times), len(times)))
    finally:
        if driver:
            driver.quit()
        shutil.rmtree(scratch, ignore_errors=True)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def lighthouse(binary, page, view):
    """Lighthouse's scores for one view, the page served by a plain http
    server on 127.0.0.1 for the run's length; with the audits that lost
    points, so that a score below 1 says why."""
    with tempfile.TemporaryDirectory() as root:
        shutil.copy(page, os.path.join(root, "brisqual.html"))
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0),
                                                 functools.partial(QuietHandler, directory=root))
        thread = threading.Thread(target=server.serve_forever, daemon=True)
        thread.start()
        try:
            url = "http://127.0.0.1:%d/brisqual.html?view=%s" % (server.server_address[1], view)
            report = os.path.join(root, "report.json")
            env = dict(os.environ, CHROME_PATH=shutil.which("chromium") or "/usr/bin/chromium")
            run = subprocess.run([binary, url, "--quiet", "--output=json", "--output-path=" + report,
                                  "--chrome-flags=--headless=new --no-sandbox"],
                                 env=env, capture_output=True, text=True, timeout=300)
            if run.returncode != 0 or not os.path.exists(report):
                raise SystemExit("lighthouse failed on %s:\n%s" % (url, run.stderr[-2000:]))
            with open(report) as f:
                result = json.load(f)
        finally:
            server.shutdown()
            server.server_close()
    scores = {c: result["categories"][c]["score"] for c in CATEGORIES}
    lost = []
    for category in CATEGORIES:
        for ref in result["categories"][category]["auditRefs"]:
            audit = result["audits"][ref["id"]]
            if ref["weight"] > 0 and audit["score"] is not None and audit["score"] < 1:
                lost.append("%s: %s (%s)" % (category, ref["id"], audit.get("displayValue") or audit["score"]))
    return scores, lost


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--only", choices=("work", "keeping"),
                        help="only the costs of the classroom view's work, or of keeping it")
    parser.add_argument("--lighthouse")
    parser.add_argument("--make-page", nargs=7,
                        metavar=("MAKE_PAGE", "ESBUILD", "PAGE_DIR", "MODULE", "TEMPLATE_JS", "ICON_JS", "FONT"))
    args = parser.parse_args()
    if not args.only and not (args.lighthouse and args.make_page):
        parser.error("--lighthouse and --make-page are needed but with --only")
    # One folder, removed at the end, for what the Chromium runs (Lighthouse's
    # too) would otherwise leave in /tmp and the home folder: profiles, crash
    # reports and caches.
    scratch = tempfile.mkdtemp(prefix="brisqual-bench-")
    os.environ.update(TMPDIR=scratch, XDG_CONFIG_HOME=os.path.join(scratch, "config"),
                      XDG_CACHE_HOME=os.path.join(scratch, "cache"))
    tempfile.tempdir = scratch
    try:
        return measure(args, os.path.join(scratch, "profile"))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def measure(args, profile):
    if args.only == "work":
        print_work_costs(args.page)
        return 0
    if args.only == "keeping":
        print_keeping_costs(args.page)
        return 0
    page_sizes(args.page, args.make_page)

    driver = start_chromium(profile)
    try:
        for view in VIEWS:
            url = "file://%s?view=%s" % (os.path.abspath(args.page), view)
            first = first_frame(driver, url)
            print("%s view: navigation to first frame: median %.1f ms over %d loads (min %.1f, max %.1f)"
                  % (view, statistics.median(first), LOADS, min(first), max(first)))
            for throttle in (1, 4):
                steps = drag_steps(driver, url, throttle)
                print("%s view: drag step, event to pixels, device scale 2, CPU %s: median %.1f ms over %d"
                      " repaints of %d moves (90th percentile %.1f ms)"
                      % (view, "at full speed" if throttle == 1 else "slowed %dx" % throttle,
                         statistics.median(steps), len(steps), STEPS, sorted(steps)[int(len(steps) * 0.9)]))
    finally:
        driver.quit()

    print_work_costs(args.page)
    print_keeping_costs(args.page)

    for view in VIEWS:
        scores, lost = lighthouse(args.lighthouse, args.page, view)
        print("%s view: Lighthouse %s" % (view, ", ".join("%s %.2f" % (c, scores[c]) for c in CATEGORIES)))
        for line in lost:
            print("  below 1: " + line)
    return 0


if __name__ == "__main__":
    sys.exit(main())
