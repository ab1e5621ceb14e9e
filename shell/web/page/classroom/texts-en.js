// The classroom view's words in English.
export default {
    title: "Brisqual: the mean value theorem for integrals",
    instruction: "Drag the red curve up or down, and move the handles a and b under the plot: the green line, the mean value over [a, b], evens out the areas above and below it, and meets the curve at every c.",
    tools: "Tools", undo: "Undo", redo: "Redo", reset: "Flat curve", copyLink: "Copy link",
    savePicture: "Save picture", help: "Help", classic: "Classic view", language: "Español",
    listen: "Listen", stop: "Stop", keyTone: "Tone on keys",
    plotKeys: "Left and right arrows choose a sample; up and down arrows move the curve there.",
    plot: "Plot of the curve", plotRole: "interactive plot",
    legendTitle: "Legend", legendCurve: "red: the function f", legendIntegral: "yellow: its integral from a (values on the right)",
    legendMean: "green: its mean value over [a, b]", legendAbove: "blue, hatched: the area above it",
    legendBelow: "pink, dotted: the area below it", legendSecant: "orange: the yellow curve's secant from a to b, and its tangents at each c",
    showRectangle: "Rectangle of height mean value", handleA: "Start of the interval, a", handleB: "End of the interval, b",
    meanLabel: "Mean value:", presets: "Prepared curves",
    presetNames: ["A smooth hill", "A wave", "Raised as a whole", "A plateau", "Up and down"],
    shapes: "Shape of a drag", shapeNames: ["Plateau", "Hill", "Triangle", "Whole curve"], width: "Width",
    samples: n => n + " samples",
    close: "Close", helpTitle: "Help",
    flat: "The curve is flat: f is 0 over the whole interval.",
    raised: "raised", lowered: "lowered", from: "from x = ", to: " to x = ", blocks: "The curve is ",
    more: n => " and " + n + " more stretches", and: "; ",
    meanIs: "Mean value ",
    integralIs: (a, b, v, m) => "∫ from a = " + a + " to b = " + b + " of f(x) dx = " + v + ", so the mean value is " + m + ".",
    pointsAre: (list, more, n) => "f(c) = mean value at c ≈ " + list + (more ? " and " + more + " more" : "") +
                                  " (" + (n === 1 ? "1 point" : n + " points") + ").",
    stretchesAre: list => "f equals its mean value all along " + list + ".",
    areasEqual: v => "Area above the mean value = area below = " + v + ".",
    areasBoth: (x, y) => "Area above the mean value " + x + ", area below " + y + ".",
    listSep: ", ", lastSep: " and ",
    sample: (k, x, f) => "sample " + k + ": x = " + x + ", f = " + f,
    copied: "Link copied.", notCopied: "The browser refused the clipboard; copy the address from the address bar.",
    linkTooLong: "This curve is too long for a link (over 2 MiB): there is no link to copy. Save a picture instead.",
    badLink: "The link could not be read; the curve on the screen stays.",
    badLinkFlat: "The link could not be read; the curve starts flat. The address bar keeps the link, to be mended.",
    tooLong: "The curve is too long for a link; the address bar keeps the previous one.",
    addressRefused: "The browser did not take the curve into the address bar; trying again. Until then a reload loses the latest changes.",
    pictureFailed: "The picture could not be made or saved.",
    pictureInFrame: "If no download started, the page around this one blocks downloads: open Brisqual in a tab of its own to save the picture.",
    picture: "brisqual.png",
    // Keeping the work.
    onlyCopyKeeps: copy => "In this frame the page cannot keep your work: a reload of the page around it starts again. Only \"" + copy + "\" keeps the work.",
    pictureBlocked: "If no download of the picture started, the browser blocks downloads here: allow them for this page, or print the page instead.",
    // Exploring by ear: the sample against the mean, the c's, the keys' jumps and the short response.
    against: (d, where) => where === 0 ? "on the mean" : d + (where > 0 ? " above the mean" : " below the mean"),
    atC: name => ", at " + name, outside: ", outside a to b",
    noC: "No c in a to b.",
    changed: (up, x, d, n) => "Curve " + (up ? "raised" : "lowered") + " at x = " + x + " by " + d + ", " + n + " samples wide.",
    short: (m, list, n, stretch, unchanged) => "Mean value " + m + (unchanged ? ", unchanged. " : ". ") + (n === 0 ? (stretch ? "f equals the mean along a stretch." : "No c.")
        : (n === 1 ? "c at " : n + " c's, at ") + list + "."),
    summary: (a, b, v, m) => "The integral of f from " + a + " to " + b + " is " + v + "; divided by b minus a, the mean value is " + m + ".",
    legendRing: "white ring: each c, where f meets its mean value", legendBand: "white band: where f lies on its mean value",
    legendBox: "dashed: the rectangle of height mean value over [a, b]",
    heightLabel: "Height at the sample", heightAt: (f, x) => "f = " + f + " at x = " + x,
    languageSet: "English.",
    listenCue: "Listen: the curve's height as pitch, a steady tone at the mean value, a click at each c.",
    helpText: `<p><b>The theorem.</b> If f is continuous on [a, b], there is a point c where f(c) equals its mean value, the integral of f from a to b divided by b − a. In the plot: the green line is at the height of the mean value; the area of the red curve above it equals the area below it, and the red curve crosses or touches it at least once.</p>
<p><b>What the plot shows.</b> Over [a, b], which the handles a and b under the plot set: the green line at the mean value, on the red curve's axis; each c where the red curve meets it, ringed, with a dotted line down to the x axis and its name c₁, c₂, …; a white band where the curve lies on the mean along a stretch. The area above the green line is blue and hatched, the area below pink and dotted, and the words give them: they are equal. "Rectangle of height mean value" shows the rectangle over [a, b] whose area is the integral. The yellow curve is the integral from a, with its values on the right. The orange line joins its ends, and at each c the dashed orange tangent is parallel to it: the mean value theorem for derivatives, applied to the integral, says the same.</p>
<p><b>What you can do.</b> Drag the red curve: the samples outlined under the pointer move with it. Choose how: a plateau, a smooth hill, a triangle, or the whole curve at once, and how wide. Undo and redo whole drags, go back to the flat curve, or start from a prepared curve. The page's address keeps the curve: reload it, bookmark it, or share it with "Copy link".</p>
<p><b>Hear it.</b> "Listen" plays the curve in a few seconds, its height as pitch, against a steady tone at the mean value, with a click at each point c where they meet. "Tone on keys" sounds the selected sample as the keys move it.</p>
<p><b>With the keyboard</b> (on the plot):</p>
<table><tr><th>← →</th><td>previous or next sample (with Shift: ten)</td></tr>
<tr><th>Home, End</th><td>first or last sample</td></tr>
<tr><th>↑ ↓</th><td>move the stretch up or down one step (with Shift, or Page Up and Page Down: ten steps)</td></tr>
<tr><th>a, b: ← →</th><td>on a handle: move that end one sample (with Shift: ten); Home, End: to the curve's end</td></tr>
<tr><th>C, Shift+C</th><td>next or previous point c</td></tr>
<tr><th>A, B</th><td>to the sample a or b</td></tr>
<tr><th>H, L</th><td>to the highest or lowest point of the curve</td></tr>
<tr><th>T</th><td>says the theorem: the integral, the mean value and the c's</td></tr>
<tr><th>Ctrl+Z, Ctrl+Y</th><td>undo, redo</td></tr>
<tr><th>Esc</th><td>closes this help</td></tr></table>`,
    // The instructions' fold and the projector's mode.
    howTo: "How to use",
    present: "Presentation",
    // Lessons: predict and check, challenges, and the teacher's panel.
    hidden: "The theorem's numbers are hidden.",
    legendGuess: "light blue, dashed: your guess, and your c's",
    modeNames: ["No lesson", "Predict the mean value", "Challenge"],
    predictTask: "Before the theorem shows: drag the plot up or down to put the dashed line where you think the mean value over [a, b] is, and tap the curve where you think each c is (on the plot: ↑ ↓ move the line, Space marks a c). Then Check.",
    guessIs: g => ", your guess " + g, yourC: ", your c",
    guessLabel: "Your guess for the mean value", noGuess: "no guess yet", check: "Check",
    guessFirst: "Put the guess line or mark a c first.", listenGuess: "Listen: your guess, then the mean value", another: "Try another",
    yourMean: (g, m) => "Your mean value " + g + "; the mean value is " + m + ".",
    meanJudged: ["Right!",
                 "That is the average of f(a) and f(b): the mean value weighs every point of [a, b], not only the ends.",
                 "That is the average of the highest and lowest values: the mean value weighs how long f stays at each height.",
                 "That is f at the middle of [a, b]: f equals its mean value at some c, which need not be the middle.",
                 "That is the secant's slope, (f(b) − f(a)) / (b − a), from the derivative's theorem: the mean value is the integral divided by b − a.",
                 ""],
    csJudged: (right, middle, other, n) => "Your c's: " + right + " right" + (middle ? ", " + middle + " at the middle of [a, b], where c need not be" : "") +
                                            (other ? ", " + other + " where f is not at its mean value" : "") + ". There " + (n === 1 ? "is 1 c." : "are " + n + " c's."),
    questions: ["Why does the green line balance the two areas?", "What does the mean value use that the average of f(a) and f(b) leaves out?",
                "Why do the highest and lowest values alone not give the mean value?", "Why need c not be at the middle of [a, b]?",
                "How does the slope of the secant differ from the mean value of f?"],
    tasks: ["Make the mean value over [a, b] 0.50, to two decimals.", "Make exactly three points c.", "Make the mean value 0 without a flat curve.",
            "Put a c in the first third of [a, b].", "Make the areas above and below the mean value each at least 1."],
    taskState: ["Not met yet.", "Challenge met!"],
    shareLesson: "Share lesson", modeLabel: "Lesson", showLabel: "Shown", taskLabel: "Challenge", copyLesson: "Copy lesson link",
    lessonCopied: "Lesson link copied: it opens this curve, this [a, b] and these settings.",
    showNames: ["the mean value", "the c's", "the areas", "the integral and its secant", "the numbers"]
};
