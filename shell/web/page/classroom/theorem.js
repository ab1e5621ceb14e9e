// The classroom view's picture of the theorem over [a, b]: the areas above and
// below the mean, the rectangle of height mean, the green mean line, each c
// with its drop line, the stretches on the mean, the yellow running integral
// with its secant and tangents. Every number and row comes from the module.
//   reads:   the model's theorem; the state's shown.rectangle and present, and
//            what the lesson hides (hides); colours.js
//   changes: nothing: the drawing (draw.js) calls its layers

const Subscripts = "₀₁₂₃₄₅₆₇₈₉";
export const cName = i => "c" + String(i + 1).replace(/\d/g, d => Subscripts[d]);

// How many c are labelled on the plot; the words list them all.
const MaxLabels = 12;

// The theorem's numbers for the interval in force, worked out by the
// module for the curve as it is.
export function readTheorem(module) {
    module.theorem();
    const memory = module.memory.buffer, n = module.pointCount(), m = module.stretchCount();
    return { a: module.intervalFirst(), b: module.intervalLast(), integral: module.theoremIntegral(),
             mean: module.theoremMean(), meanRow: module.meanRow(),
             points: new Float64Array(memory, module.points(), n),
             positions: new Float64Array(memory, module.pointPositions(), n),
             stretches: new Float64Array(memory, module.stretches(), 2 * m),
             stretchSamples: new Int32Array(memory, module.stretchSamples(), 2 * m),
             above: module.areaAbove(), below: module.areaBelow(),
             running: new Float64Array(memory, module.runningIntegral(), module.sampleCount() + 1) };
}

// The layers, under and over the painter's operations and the marks on
// top, each given the context, the scale and the colours (colours.js).
export function theoremLayers(state) {
    const module = state.module, Width = module.width(), Height = module.height();

    // Marks and words are sized in CSS pixels, so that they stay legible on
    // a small plot; the lines take the painter's widths in client pixels.
    const unit = s => Math.max(s, devicePixelRatio);
    // One polyline in a colour, a width in device pixels and a dash.
    const stroke = (g, colour, width, dash, points) => {
        g.setLineDash(dash);
        g.lineWidth = width;
        g.strokeStyle = colour;
        g.beginPath();
        points.forEach(([x, y], i) => (i ? g.lineTo(x, y) : g.moveTo(x, y)));
        g.stroke();
    };

    // The two hatches, made again only when the scale or the paper changes.
    let patterns = null;
    function hatches(g, s, c) {
        const key = s + c.above;
        if (patterns && patterns.key === key)
            return patterns;
        const tile = (fill, ink, lines) => {
            const n = Math.max(6, Math.round(9 * s)), t = document.createElement("canvas");
            t.width = t.height = n;
            const p = t.getContext("2d");
            p.fillStyle = fill;
            p.fillRect(0, 0, n, n);
            p.strokeStyle = p.fillStyle = ink;
            p.lineWidth = Math.max(1, 1.2 * s);
            if (lines) {   // diagonal lines, joined across the tiles
                p.beginPath();
                for (const d of [-n, 0, n]) {
                    p.moveTo(d, n);
                    p.lineTo(d + n, 0);
                }
                p.stroke();
            } else {       // dots
                p.beginPath();
                p.arc(n / 2, n / 2, Math.max(1, 1.4 * s), 0, 2 * Math.PI);
                p.fill();
            }
            return g.createPattern(t, "repeat");
        };
        patterns = { key: key, above: tile(c.above, c.aboveInk, true), below: tile(c.below, c.belowInk, false) };
        return patterns;
    }

    let T = null;   // the numbers of this repaint, read once under the curve

    // Under the painter's red curve: the two areas, and the rectangle.
    const under = (g, sx, sy, c) => {
        T = readTheorem(module);
        const s = (sx + sy) / 2;
        const X = p => module.positionColumn(p) * sx, mean = T.meanRow * sy;
        const area = new Path2D();
        area.moveTo(X(T.a), mean);
        for (let k = T.a; k <= T.b; k++)
            area.lineTo(X(k), module.sampleY(k) * sy);
        area.lineTo(X(T.b), mean);
        area.closePath();
        const fills = hatches(g, unit(s), c);
        for (const [top, bottom, fill] of state.hides("a") ? [] : [[0, mean, fills.above], [mean, Height * sy, fills.below]]) {
            g.save();
            g.beginPath();
            g.rect(0, top, Width * sx, bottom - top);
            g.clip();
            g.fillStyle = fill;
            g.fill(area);
            g.restore();
        }
        if (state.shown.rectangle && !state.hides("m")) {
            const zero = module.curveRow(0) * sy;
            g.fillStyle = c.box;
            g.fillRect(X(T.a), Math.min(mean, zero), X(T.b) - X(T.a), Math.abs(zero - mean));
            g.setLineDash([6 * s, 4 * s]);
            g.lineWidth = 2 * s;
            g.strokeStyle = c.boxInk;
            g.strokeRect(X(T.a), Math.min(mean, zero), X(T.b) - X(T.a), Math.abs(zero - mean));
            g.setLineDash([]);
        }
    };

    // Over it: the integral and its lines, the mean line, the stretches and the c.
    const over = (g, sx, sy, c) => {
        // Lines at least 1.5 CSS pixels wide, so that they show on a phone.
        const u = unit((sx + sy) / 2), s = Math.max((sx + sy) / 2, .75 * devicePixelRatio);
        const X = p => module.positionColumn(p) * sx, mean = T.meanRow * sy, bottom = Height * sy;
        const line = (colour, width, dash, points, k = s) => stroke(g, colour, width * k, dash, points);
        g.lineCap = "butt";
        // The running integral from a, on its own axis.
        const integral = [], hidden = state.hides("i");
        for (let k = T.a; k <= T.b; k++)
            integral.push([X(k), module.integralRow(T.running[k]) * sy]);
        // Its secant from a to b, and at each c its tangent, parallel to it.
        if (!hidden)
            line(c.integral, 2, [], integral), line(c.secant, 2, [], [[X(T.a), module.secantRow(T.a) * sy], [X(T.b), module.secantRow(T.b) * sy]]);
        const reach = Math.max(6, (T.b - T.a) / 8);
        for (let i = 0; i < (hidden ? 0 : T.positions.length); i++) {
            const p = T.positions[i], from = Math.max(T.a, p - reach), to = Math.min(T.b, p + reach);
            line(c.secant, 2, [5 * u, 3 * u], [[X(from), module.tangentRow(i, from) * sy], [X(to), module.tangentRow(i, to) * sy]]);
        }
        // The stretches where the curve lies on its mean: a band, ends dropped.
        for (let j = 0; j < (state.hides("c") ? 0 : T.stretchSamples.length); j += 2) {
            const x0 = X(T.stretchSamples[j]), x1 = X(T.stretchSamples[j + 1]);
            line(c.band, 7, [], [[x0, mean], [x1, mean]], u);
            for (const x of [x0, x1])
                line(c.drop, 1.5, [4 * u, 3 * u], [[x, mean], [x, bottom]], u);
        }
        if (!state.hides("m"))
            line(c.mean, 2, [], [[X(T.a), mean], [X(T.b), mean]]);
        g.setLineDash([]);
    };

    // On top of the red curve, and again over the outline of the next
    // drag: each c, a drop line to the x axis, a ring on the curve, its name.
    const marks = (g, sx, sy, c) => {
        const u = unit((sx + sy) / 2);
        const X = p => module.positionColumn(p) * sx, mean = T.meanRow * sy, bottom = Height * sy;
        const line = (colour, width, dash, points) => stroke(g, colour, width * u, dash, points);
        g.lineCap = "butt";
        g.font = "bold " + Math.round((state.shown.present ? 16 : 13) * u) + "px system-ui, sans-serif";   // 16 on a projector
        g.textAlign = "center";
        g.textBaseline = "alphabetic";
        g.lineJoin = "round";
        for (let i = 0; i < (state.hides("c") ? 0 : T.positions.length); i++) {
            const x = X(T.positions[i]);
            line(c.drop, 1.5, [4 * u, 3 * u], [[x, mean + 5 * u], [x, bottom]]);
            g.setLineDash([]);
            g.beginPath();
            g.arc(x, mean, 4.5 * u, 0, 2 * Math.PI);
            g.fillStyle = c.mark;
            g.fill();
            g.lineWidth = 1.5 * u;
            g.strokeStyle = c.ink;
            g.stroke();
            if (i < MaxLabels) {
                const y = bottom - (6 + (i % 2) * 15) * u;
                g.lineWidth = 2.5 * u;
                g.fillStyle = c.label;
                g.strokeStyle = c.halo;
                // Kept whole within the plot, at either end.
                const half = g.measureText(cName(i)).width / 2 + 2 * u;
                const at = Math.min(Math.max(x, half), Width * sx - half);
                g.strokeText(cName(i), at, y);
                g.fillText(cName(i), at, y);
            }
        }
        g.setLineDash([]);
    };
    return { under: under, over: over, marks: marks };
}
