// The theorem's colours, their one home: the plot on screen and on paper,
// the saved picture and the legend's swatches (through CSS custom
// properties) all read them here.

// On screen. The green is the program's, the mean line's alone; the secant
// and tangents take orange. curve, grid: the painter's own, for the legend.
export const Screen = { background: "#008000", gap: "#fff", curve: "#f00", mean: "#0f0", integral: "#ff0", secant: "#ffa31a",
                        mark: "#fff", ink: "#000", drop: "#fff", band: "rgba(255,255,255,.8)", label: "#fff", halo: "#000",
                        above: "rgba(70,130,255,.75)", aboveInk: "rgba(220,235,255,.9)",
                        below: "rgba(255,80,180,.8)", belowInk: "rgba(255,230,245,.95)",
                        box: "rgba(255,255,255,.2)", boxInk: "#fff", guess: "#8ee8ff" };

// On paper: darker colours on white.
export const Paper = { paper: true, background: "#fff", gap: "#fff", curve: "#c00000", grid: "#8c8c8c", mean: "#007a00",
                       integral: "#a07800", secant: "#b35900", mark: "#fff", ink: "#000", drop: "#333",
                       band: "rgba(0,0,0,.25)", label: "#000", halo: "#fff",
                       above: "rgba(70,130,255,.3)", aboveInk: "rgba(20,60,160,.8)",
                       below: "rgba(235,60,160,.25)", belowInk: "rgba(150,20,90,.8)",
                       box: "rgba(0,0,0,.06)", boxInk: "#333", guess: "#0060a0" };

// The areas' swatches, a stripe (above) and a dot (below) on their colour.
export const Swatches = { above: "#4682ff", aboveInk: "#dce9ff", below: "#eb3ca0", belowInk: "#ffdcf0",
                          integralAxis: "#e0c000" };

// The legend, in order: its swatch's colour and its words.
export const Legend = [[Screen.curve, "legendCurve"], [Screen.integral, "legendIntegral"], [Screen.mean, "legendMean"],
                       [Swatches.above, "legendAbove"], [Swatches.below, "legendBelow"], [Screen.secant, "legendSecant"]];

// The colours the style sheets use, as custom properties on element e:
// --curve ... for the screen, --paper-curve ... for print.
export function setColourProperties(e) {
    for (const key of ["curve", "integral", "mean", "secant", "mark", "ink", "guess"]) {
        e.style.setProperty("--" + key, Screen[key]);
        e.style.setProperty("--paper-" + key, Paper[key]);
    }
    for (const key in Swatches)
        e.style.setProperty("--" + key, Swatches[key]);
}
