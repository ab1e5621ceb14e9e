// The classroom view's drawing: the painter's operations stroked at device
// pixels, with the theorem's layers under and over them, the backing store
// that follows the canvas, and the light colours for print.
//   reads:   the model's operations; layers from theorem.js, shapes.js, input.js
//   changes: the state's shown.paper, while printing
//   subscribes to: curve, moving, pulse, selected, shown, lesson (each repaints)
import { brisqual } from "../hooks.js";
import { Paper, Screen } from "./colours.js";

// On paper the painter's red curve and grey grid take darker colours.
const PaperPens = { 0x000000FF: Paper.curve, 0x0014BEC8: Paper.grid, 0x0000BEE6: Paper.grid };
const DashOn = 18, DashOff = 6;   // client pixels, as the Windows pens draw them

// The painter's green mean line and yellow integral follow the program's
// own rule; this view draws the theorem's own in their place, so their
// pens and lines are left out. The red curve and the grid stay the painter's.
export const ReplacedPens = [0x0000FF00, 0x0000FFFF];
const CurvePen = 0x000000FF;

// The painter's operations, five integers each: a pen (0, dashed, width,
// colour) or a line (1, x0, y0, x1, y1) in client pixels.
export function readOps(module) {
    const at = module.ops();
    const count = new Int32Array(module.memory.buffer, at, 1)[0];
    return new Int32Array(module.memory.buffer, at + 4, count * 5);
}

// The operations drawn into g, scaled to width x height, with the layers
// under and over them (each given g, the scale and the colours), then the
// red curve again, dashed, so that f shows where a line or band lies on it,
// and the top layers (the marks); returns the scale.
export function drawOps(module, layers, g, width, height, colours) {
    const sx = width / module.width(), sy = height / module.height(), s = (sx + sy) / 2;
    g.setTransform(1, 0, 0, 1, 0, 0);
    g.setLineDash([]);
    g.fillStyle = colours.background;
    g.fillRect(0, 0, width, height);
    for (const layer of layers.under)
        layer(g, sx, sy, colours);
    const ops = readOps(module);
    let pen = null, curve = null;
    const stroke = () => {
        if (!pen || !pen.path)
            return;
        g.lineWidth = pen.lineWidth;
        if (pen.dashed) {
            // The gaps of a dashed pen are painted white, as Windows does.
            g.setLineDash([]);
            g.strokeStyle = colours.gap;
            g.stroke(pen.path);
            g.setLineDash([DashOn * s, DashOff * s]);
        } else {
            g.setLineDash([]);
        }
        g.strokeStyle = pen.colour;
        g.stroke(pen.path);
    };
    g.lineCap = "round";
    g.lineJoin = "round";
    for (let i = 0; i < ops.length; i += 5) {
        if (ops[i] === 0) {
            stroke();
            const rgb = ops[i + 3] >>> 0;
            if (ReplacedPens.includes(rgb)) {
                pen = null;
                continue;
            }
            const css = "rgb(" + (rgb & 0xFF) + "," + (rgb >> 8 & 0xFF) + "," + (rgb >> 16 & 0xFF) + ")";
            const thin = ops[i + 2] <= 1;
            pen = { dashed: ops[i + 1] === 1, thin: thin, path: new Path2D(), colour: (colours.paper && PaperPens[rgb]) || css,
                    lineWidth: thin ? Math.max(1, Math.round(s)) : ops[i + 2] * s };
            if (rgb === CurvePen)
                curve = pen;
            g.lineCap = thin ? "butt" : "round";
        } else if (pen) {
            // A thin pen fills the pixel right of and below its point; a
            // wide one is centred on it.
            const half = pen.thin ? pen.lineWidth / 2 : 0;
            const X = v => pen.thin ? Math.round(v * sx) + half : v * sx;
            const Y = v => pen.thin ? Math.round(v * sy) + half : v * sy;
            pen.path.moveTo(X(ops[i + 1]), Y(ops[i + 2]));
            pen.path.lineTo(X(ops[i + 3]), Y(ops[i + 4]));
            if (pen === curve) {
                // One joined line for the dashes, which start again at each move.
                const [x0, y0, x1, y1] = [X(ops[i + 1]), Y(ops[i + 2]), X(ops[i + 3]), Y(ops[i + 4])];
                if (!curve.joined || curve.end[0] !== x0 || curve.end[1] !== y0) {
                    curve.joined = curve.joined || new Path2D();
                    curve.joined.moveTo(x0, y0);
                }
                curve.joined.lineTo(x1, y1);
                curve.end = [x1, y1];
            }
        }
    }
    stroke();
    for (const layer of layers.over)
        layer(g, sx, sy, colours);
    if (curve && curve.joined) {
        // Red dashes over whatever lies on the curve: the gaps show it.
        const dpr = Math.max(s, devicePixelRatio);
        g.lineCap = "butt";
        g.lineWidth = Math.max(curve.lineWidth, 2 * dpr);
        g.setLineDash([6 * dpr, 6 * dpr]);
        g.strokeStyle = curve.colour;
        g.stroke(curve.joined);
        g.setLineDash([]);
    }
    for (const layer of layers.top || [])
        layer(g, sx, sy, colours);
    return [sx, sy];
}

// The plot's drawing: the canvas at the model's size, then at its own
// size in device pixels; layers: under and over (on screen, on paper and
// in the saved picture) and overlays (only on screen, over all, given g
// and the scale). Gives back draw(g, width, height, colours), for the picture.
export function installDrawing(state, layers) {
    const module = state.module;
    const canvas = document.getElementById("plot");
    const context = canvas.getContext("2d", { alpha: false });
    canvas.style.aspectRatio = module.width() + " / " + module.height();
    canvas.width = module.width();
    canvas.height = module.height();

    function repaint() {
        const [sx, sy] = drawOps(module, layers, context, canvas.width, canvas.height, state.shown.paper ? Paper : Screen);
        for (const overlay of layers.overlays)
            overlay(context, sx, sy);
        brisqual.repaints++;
    }
    for (const name of ["moving", "selected", "shown", "lesson"])
        state.subscribe(name, repaint);
    state.subscribe("pulse", how => { if (how !== "adopted") repaint(); });
    // The backing store takes the canvas's size at the first curve, when
    // the words around the plot are in place.
    let sized = false;
    state.subscribe("curve", () => {
        if (!sized)
            fitBackingStore(false);
        sized = true;
        repaint();
    });

    // The painter's operations this view strokes.
    brisqual.ops = () => {
        const ops = readOps(module), lines = [];
        let replaced = false;
        for (let i = 0; i < ops.length; i += 5) {
            if (ops[i] === 0)
                replaced = ReplacedPens.includes(ops[i + 3] >>> 0);
            if (replaced)
                continue;
            lines.push(ops[i] === 0
                ? "pen " + (ops[i + 1] === 1 ? "DASH" : "SOLID") + " " + ops[i + 2] + " 0x" +
                  (ops[i + 3] >>> 0).toString(16).toUpperCase().padStart(8, "0")
                : "line " + ops.slice(i + 1, i + 5).join(" "));
        }
        return lines;
    };

    // The backing store follows the canvas's size in device pixels, through
    // resizes, zoom and moves to a screen of another density.
    function fitBackingStore(paint = true) {
        const box = canvas.getBoundingClientRect();
        const width = Math.round(box.width * devicePixelRatio), height = Math.round(box.height * devicePixelRatio);
        if (width > 0 && height > 0 && (canvas.width !== width || canvas.height !== height)) {
            canvas.width = width;
            canvas.height = height;
            if (paint)
                repaint();
        }
    }
    new ResizeObserver(fitBackingStore).observe(canvas);
    (function watchDensity() {
        matchMedia("(resolution: " + devicePixelRatio + "dppx)").addEventListener("change", () => {
            fitBackingStore();
            watchDensity();
        }, { once: true });
    })();
    // Not every browser or emulator tells of a new density: look twice a
    // second as well, which costs one comparison.
    setInterval(() => {
        if (Math.round(canvas.getBoundingClientRect().width * devicePixelRatio) !== canvas.width)
            fitBackingStore();
    }, 500);

    // Printing: the same operations on a light page.
    window.addEventListener("beforeprint", () => state.show("paper", true));
    window.addEventListener("afterprint", () => state.show("paper", false));
    matchMedia("print").addEventListener("change", e => state.show("paper", e.matches));

    return { draw: (g, width, height, colours) => drawOps(module, layers, g, width, height, colours) };
}
