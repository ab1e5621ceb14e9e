"""The classroom view's lessons, played in any engine through driver.BROWSER:
a prediction hides the theorem until it is checked, its feedback names the
mistake a guess shows, challenges say when they are met, and the lesson and
the student's work outlive a reload, undo and redo and travel in a link.
Every number expected comes from `brisqual-replay --state`; the plot's scale
(ZeroLevel, CurveScale) from render/plot_scales.h."""
import os
import re
from urllib.parse import parse_qs, urlsplit

import driver
from driver import settle, theorem_state, two_decimals

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")


def header_values():
    with open(os.path.join(ROOT, "render", "plot_scales.h")) as f:
        scales = f.read()
    with open(os.path.join(ROOT, "model", "prepared_curves.h")) as f:
        curves = f.read()
    number = lambda name: float(re.search(name + r" = ([0-9.]+)", scales).group(1))
    links = lambda name: re.findall(r'"([a-z0-9.]*)"', re.search(name + r"\[\] = \{(.*?)\};", curves, re.S).group(1))
    return number("ZeroLevel"), number("CurveScale"), links("PreparedCurves"), links("PredictCurves")


ZERO, SCALE, PREPARED, PREDICT = header_values()
row_of = lambda value: round(ZERO - value * SCALE)   # the plot's row nearest a value


def tap(element_id):
    """A button pressed by a trusted Enter: in every engine, wherever the
    page has scrolled it."""
    driver.BROWSER.evaluate("document.getElementById(args[0]).focus()", element_id)
    driver.BROWSER.keys(["Enter"])


def open_lesson(query, link):
    driver.open_page("?view=classroom&" + query + "#" + link)


def in_english(case, lang="en"):
    """The case with the page in LANG (None: the browser's); the language
    chosen, there or by the case, is forgotten after it, for the cases that
    follow in the same browser."""
    def run():
        driver.BROWSER.goto(driver.page_url())
        if lang:
            driver.BROWSER.evaluate("try { localStorage.setItem('brisqual.lang', args[0]); } catch (e) {}", lang)
        try:
            case()
        finally:
            driver.BROWSER.evaluate("try { localStorage.removeItem('brisqual.lang'); } catch (e) {}")
    run.__doc__ = case.__doc__
    return run


def theorem_numbers(link, lang):
    """Every number of the theorem, as the page would write it."""
    t, step = theorem_state(link)
    values = [t["mean"], t["integral"], t["area_above"], t["area_below"]] + t["c"]
    return {two_decimals(v, lang) for v in values}


def green_pixels():
    """The mean line's pure green on the plot's canvas."""
    return driver.BROWSER.evaluate("""
        const c = document.getElementById('plot'), d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
        let n = 0;
        for (let i = 0; i < d.length; i += 4) if (d[i + 1] > 200 && d[i] < 90 && d[i + 2] < 90) n++;
        return n;""")


def page_words():
    """The page's text and every accessible name and value text."""
    return driver.BROWSER.evaluate("""
        const parts = [document.body.innerText];
        for (const e of document.querySelectorAll('*'))
            for (const a of ['aria-label', 'aria-valuetext', 'title', 'value'])
                if (e.getAttribute(a)) parts.push(e.getAttribute(a));
        return parts.join(' | ');""")


def predict_hides_then_reveals():
    """Before the check: no pixel of the green line, no theorem number in the
    page's text or accessible names; a guess by keys, a c by a tap, then
    Check shows the line and the feedback with the true mean."""
    link = PREDICT[0]
    open_lesson("lesson=predict", link)
    lang = driver.BROWSER.evaluate("return document.documentElement.lang")
    if green_pixels():
        raise AssertionError("%d green pixels before the check" % green_pixels())
    words = page_words()
    shown = sorted(n for n in theorem_numbers(link, lang) if re.search(r"(?<![\d,.])" + re.escape(n) + r"(?![\d])", words))
    if shown:
        raise AssertionError("theorem numbers %r shown before the check: %r" % (shown, words[:400]))
    driver.BROWSER.evaluate("document.getElementById('plot').focus()")
    driver.BROWSER.keys(["Up"] * 5 + [" "])
    box = driver.plot_box()
    x, y = box["left"] + box["width"] * 0.25, box["top"] + box["height"] * 0.5
    driver.BROWSER.pointer([("down", x, y), ("up", x, y)])
    tap("check")
    settle(100)
    query = parse_qs(urlsplit(driver.BROWSER.evaluate("return location.href")).query, keep_blank_values=True)
    if query.get("guess") != [str(row_of(0) - 5)] or len(query.get("c", [""])[0].split(".")) != 2 or "checked" not in query:
        raise AssertionError("the address holds %r" % query)
    feedback = driver.BROWSER.evaluate("return document.getElementById('feedback').textContent")
    if not green_pixels() or two_decimals(theorem_state(link)[0]["mean"], lang) not in feedback:
        raise AssertionError("after Check: %d green pixels, feedback %r" % (green_pixels(), feedback))


# The words each mistake's feedback must hold, in English.
MISTAKES = {"mean": "Right", "ends_average": "f(a) and f(b)", "extremes_average": "highest and lowest",
            "middle_value": "middle of [a, b]", "secant_slope": "secant"}


def feedback_names_the_mistake():
    """On each prediction curve a guess at the mean, at each mistaken value
    and far from all: the feedback names that one, or none."""
    for link in PREDICT:
        t = theorem_state(link)[0]
        values = dict(t["mistaken_means"], mean=t["mean"])
        # Far from all, and on the plot.
        far = max(values[k] for k in MISTAKES) + 6 * t["mistaken_means"]["tolerance"]
        if row_of(far) < 0:
            far = min(values[k] for k in MISTAKES) - 6 * t["mistaken_means"]["tolerance"]
        for key, value in list(values.items()) + [("far", far)]:
            if key not in MISTAKES and key != "far":
                continue
            open_lesson("lesson=predict&checked&guess=%d" % row_of(value), link)
            feedback = driver.BROWSER.evaluate("return document.getElementById('feedback').textContent")
            named = [k for k, words in MISTAKES.items() if words in feedback]
            if named != ([] if key == "far" else [key]):
                raise AssertionError("%s, a guess at %s (%.3f): %r" % (link, key, value, feedback))


def challenges_said():
    """Each challenge on prepared links: the page says met exactly where
    the replay tool's state lists it."""
    # Beside the prepared curves: the whole curve raised to 0.5, and a hill beside a dip.
    links = PREPARED + PREDICT + ["p3.19d300.250m300.200u300.200", "p1.20d498.250m498.190u498.190p1.20d474.250m474.310u474.310"]
    seen = set()
    for link in links:
        met = theorem_state(link)[0]["challenges_met"]
        open_lesson("lesson=challenge", link)
        for task in range(1, 6):
            said = driver.BROWSER.evaluate("""const s = document.getElementById('task');
                s.value = args[0] - 1; s.dispatchEvent(new Event('change'));
                return document.getElementById('task-state').textContent""", task)
            if ("Not" not in said) != (task in met):
                raise AssertionError("%s, challenge %d: %r, the state lists %r" % (link, task, said, met))
            seen.add((task, task in met))
    if len(seen) != 10:
        raise AssertionError("not every challenge both met and not met: %r" % sorted(seen))


def lesson_survives():
    """The lesson's settings, the guess, the c's and the answer outlive undo,
    redo and a reload, and "Copy lesson link" opens the same lesson and
    curve without the student's work."""
    open_lesson("lesson=predict&hide=a", PREDICT[1])
    link = driver.page_link()
    driver.BROWSER.evaluate("document.getElementById('plot').focus()")
    driver.BROWSER.keys(["Down", "Down", " "])
    tap("check")
    driver.BROWSER.evaluate("document.getElementById('answer').focus()")
    driver.BROWSER.keys(list("because"))
    tap("reset")
    tap("undo")
    tap("redo")
    tap("undo")
    want = {"lesson": ["predict"], "hide": ["a"], "guess": [str(row_of(0) + 2)], "c": ["150"], "checked": [""],
            "answer": ["because"]}
    for when in ("after undo and redo", "after a reload"):
        query = parse_qs(urlsplit(driver.settled_url()).query, keep_blank_values=True)
        answer = driver.BROWSER.evaluate("return document.getElementById('answer').value")
        if {k: query.get(k) for k in want} != want or answer != "because" or driver.page_link() != link:
            raise AssertionError("%s: %r, answer %r, curve %r" % (when, query, answer, driver.page_link()))
        driver.BROWSER.evaluate("location.reload()")
        driver.wait_ready()
    # The saved picture holds the answer.
    drawn = driver.BROWSER.evaluate("""
        const drawn = [], fill = CanvasRenderingContext2D.prototype.fillText;
        CanvasRenderingContext2D.prototype.fillText = function (text) { drawn.push(text); return fill.apply(this, arguments); };
        HTMLCanvasElement.prototype.toBlob = function (done) { done(null); };
        document.getElementById('save-picture').click();
        CanvasRenderingContext2D.prototype.fillText = fill;
        return drawn;""")
    if not any("because" in text for text in drawn):
        raise AssertionError("the saved picture lacks the answer: %r" % drawn[-4:])
    driver.BROWSER.evaluate("""navigator.clipboard.writeText = text => { window.copied = text; return Promise.resolve(); };
                               document.getElementById('copy-lesson').click()""")
    copied = driver.BROWSER.evaluate("return window.copied || ''")
    if parse_qs(urlsplit(copied).query, keep_blank_values=True) != {"lesson": ["predict"], "hide": ["a"]} or \
            not copied.endswith("#" + driver.BROWSER.evaluate("return brisqual.addressLink()")):
        raise AssertionError("Copy lesson link copied %r" % copied)
    driver.BROWSER.goto("about:blank")
    driver.BROWSER.goto(copied)
    driver.wait_ready()
    if driver.BROWSER.evaluate("return document.getElementById('mean-value').textContent") != "?" or green_pixels():
        raise AssertionError("the lesson's link does not open a prediction")


CASES = [
    ("a prediction hides the theorem until it is checked", predict_hides_then_reveals),
    ("the feedback on a predicted mean names the mistake it shows", in_english(feedback_names_the_mistake)),
    ("a challenge says when it is met", in_english(challenges_said)),
    ("the lesson and the student's work outlive undo, redo and a reload, and travel in its link", lesson_survives),
]
