// The classroom view's drawing: the painter's operations stroked at device
// pixels, with the theorem's layers under and over them, the backing store
// that follows the canvas, and the light colours for print.
import { brisqual } from "../hooks.js";

// The program's own colours on screen; on paper, darker ones on white,
// the same as the legend's in the print style sheet.
export const ScreenColours = { background: "#008000", gap: "#fff" };
const PaperColours = { paper: true, background: "#fff", gap: "#fff", 0x000000FF: "#c00000", 0x0000FF00: "#007a00",
                       0x0000FFFF: "#a07800", 0x0014BEC8: "#8c8c8c", 0x0000BEE6: "#8c8c8c" };
const DashOn = 18, DashOff = 6;   // client pixels, as the Windows pens draw them

// The painter's green mean line and yellow integral follow the program's
// own rule; this view draws the theorem's own in their place, so their
// pens and lines are left out. The red curve and the grid stay the painter's.
export const ReplacedPens = [0x0000FF00, 0x0000FFFF];

// The painter's operations, five integers each: a pen (0, dashed, width,
// colour) or a line (1, x0, y0, x1, y1) in client pixels.
export function readOps(module) {
    const at = module.ops();
    const count = new Int32Array(module.memory.buffer, at, 1)[0];
    return new Int32Array(module.memory.buffer, at + 4, count * 5);
}

// The operations drawn into g, scaled to width x height; returns the scale.
export function drawOps(ctx, g, width, height, colours) {
    const sx = width / ctx.Width, sy = height / ctx.Height, s = (sx + sy) / 2;
    g.setTransform(1, 0, 0, 1, 0, 0);
    g.setLineDash([]);
    g.fillStyle = colours.background;
    g.fillRect(0, 0, width, height);
    for (const layer of ctx.under)
        layer(g, sx, sy, colours);
    const ops = readOps(ctx.module);
    let pen = null;
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
            pen = { dashed: ops[i + 1] === 1, thin: thin, path: new Path2D(), colour: colours[rgb] || css,
                    lineWidth: thin ? Math.max(1, Math.round(s)) : ops[i + 2] * s };
            g.lineCap = thin ? "butt" : "round";
        } else if (pen) {
            // A thin pen fills the pixel right of and below its point; a
            // wide one is centred on it.
            const half = pen.thin ? pen.lineWidth / 2 : 0;
            const X = v => pen.thin ? Math.round(v * sx) + half : v * sx;
            const Y = v => pen.thin ? Math.round(v * sy) + half : v * sy;
            pen.path.moveTo(X(ops[i + 1]), Y(ops[i + 2]));
            pen.path.lineTo(X(ops[i + 3]), Y(ops[i + 4]));
        }
    }
    stroke();
    for (const layer of ctx.over)
        layer(g, sx, sy, colours);
    return [sx, sy];
}

// Gives ctx repaint() and fitBackingStore(). Each function in ctx.under and
// ctx.over draws under or over the operations, on screen, on paper and in
// the saved picture, given the context, the scale and the colours; those
// in ctx.overlays only on screen, over all.
export function installDrawing(ctx) {
    const canvas = ctx.canvas;
    const context = canvas.getContext("2d", { alpha: false });

    ctx.repaint = () => {
        const [sx, sy] = drawOps(ctx, context, canvas.width, canvas.height, ctx.paper ? PaperColours : ScreenColours);
        for (const overlay of ctx.overlays)
            overlay(context, sx, sy);
        brisqual.repaints++;
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
                ctx.repaint();
        }
    }
    ctx.fitBackingStore = fitBackingStore;
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
    const printing = on => {
        ctx.paper = on;
        ctx.repaint();
    };
    window.addEventListener("beforeprint", () => printing(true));
    window.addEventListener("afterprint", () => printing(false));
    matchMedia("print").addEventListener("change", e => printing(e.matches));
}
