// The classroom view's words in English.
export default {
    title: "Brisqual: the mean value theorem for integrals",
    instruction: "Drag the red curve up or down and watch the green line, its mean value, even out the areas above and below it.",
    tools: "Tools", undo: "Undo", redo: "Redo", reset: "Flat curve", copyLink: "Copy link",
    savePicture: "Save picture", help: "Help", classic: "Classic view", language: "Español",
    plot: "Plot of the curve", plotRole: "interactive plot",
    legendTitle: "Legend", legendCurve: "red: the function f", legendIntegral: "yellow: its running integral",
    legendMean: "green: its mean value", meanLabel: "Mean value:", presets: "Prepared curves",
    presetNames: ["A smooth hill", "A wave", "Raised as a whole", "A plateau", "Up and down"],
    shapes: "Shape of a drag", shapeNames: ["Plateau", "Hill", "Triangle", "Whole curve"], width: "Width",
    samples: n => n + " samples",
    close: "Close", helpTitle: "Help",
    flat: "The curve is flat: f is 0 over the whole interval.",
    raised: "raised", lowered: "lowered", from: "from x = ", to: " to x = ", blocks: "The curve is ",
    more: n => " and " + n + " more stretches", and: "; ",
    onMean: "The curve lies on the mean value line.",
    meets: n => "The curve meets the mean value line " + (n === 1 ? "once." : n + " times."),
    meanIs: "Mean value ", announceMean: "mean value ",
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
    helpText: `<p><b>The theorem.</b> If f is continuous on [a, b], there is a point c where f(c) equals its mean value, the integral of f from a to b divided by b − a. In the plot: the green line is at the height of the mean value; the area of the red curve above it equals the area below it, and the red curve crosses or touches it at least once.</p>
<p><b>What you can do.</b> Drag the red curve: the samples outlined under the pointer move with it. Choose how: a plateau, a smooth hill, a triangle, or the whole curve at once, and how wide. The yellow curve is the integral from 0. Undo and redo whole drags, go back to the flat curve, or start from a prepared curve. The page's address keeps the curve: reload it, bookmark it, or share it with "Copy link".</p>
<p><b>With the keyboard</b> (on the plot):</p>
<table><tr><th>← →</th><td>previous or next sample (with Shift: ten)</td></tr>
<tr><th>Home, End</th><td>first or last sample</td></tr>
<tr><th>↑ ↓</th><td>move the stretch up or down one step (with Shift, or Page Up and Page Down: ten steps)</td></tr>
<tr><th>Ctrl+Z, Ctrl+Y</th><td>undo, redo</td></tr>
<tr><th>Esc</th><td>closes this help</td></tr></table>`
};
