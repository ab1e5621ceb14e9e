// The page module's pulse exports, called as a view calls them: the choice
// and its refusal, the sample under a press, and the preview's weights, by
// hand and against what the next drag then does to the bit.
// usage: node pulse_exports_test.js brisqual-module.wasm
"use strict";
const fs = require("fs");

const Gain = Math.fround(0.01);   // the drag's gain, held in single precision
let failures = 0;
function check(ok, what) {
    if (!ok) {
        console.log("FAIL: " + what);
        failures++;
    }
}
const near = (a, b) => Math.abs(a - b) <= Math.abs(b) * 1e-12;

WebAssembly.instantiate(fs.readFileSync(process.argv[2]), {}).then(({ instance }) => {
    const m = instance.exports;
    m._initialize();
    m.reset();
    const weights = anchor => new Float64Array(m.memory.buffer, m.pulseWeights(anchor), m.sampleCount() + 1).slice();
    const samples = () => new Float64Array(m.memory.buffer, m.samples(), m.sampleCount() + 1).slice();

    // The program's own pulse: a plateau of 101 samples, cut at the ends.
    check(m.pulseShape() === 0 && m.pulseWidth() === 19, "the pulse at start is not the plateau of width 19");
    for (const [anchor, moves] of [[150, 101], [0, 51], [300, 51], [-1, 0], [301, 0]])
        check(m.pulseMoves(anchor) === moves, "pulseMoves(" + anchor + ") is " + m.pulseMoves(anchor));

    // Choices in range are taken, the others refused with nothing changed.
    for (const [shape, width, taken] of [[1, 30, 1], [3, 60, 1], [2, 1, 1], [4, 19, 0], [-1, 19, 0], [0, 0, 0],
                                         [0, 61, 0], [2, 1e9, 0]]) {
        const before = [m.pulseShape(), m.pulseWidth()];
        const got = m.setPulse(shape, width);
        const now = [m.pulseShape(), m.pulseWidth()];
        check(got === taken, "setPulse(" + shape + ", " + width + ") gave " + got);
        check(taken ? now[0] === shape && now[1] === width : now[0] === before[0] && now[1] === before[1],
              "setPulse(" + shape + ", " + width + ") left the pulse at " + now);
    }

    // A press at client x grabs sample x / 2, within the plot only.
    for (const [x, anchor] of [[0, 0], [1, 0], [200, 100], [601, 300], [602, -1], [-1, -1], [70000, -1]])
        check(m.anchorAt(x) === anchor, "anchorAt(" + x + ") is " + m.anchorAt(x));

    // Weights by hand: (1 - (d / 2.66w)^2)^2 and 1 - |d| / 2.66w.
    const table = [
        [1, 1, 150, { 147: 0, 148: 0.188944022919014, 149: 0.7373128456293969, 150: 1, 152: 0.188944022919014,
                      153: 0 }],
        [2, 60, 300, { 140: 0, 141: 0.0037593984962406013, 150: 0.06015037593984962, 300: 1 }],
        [0, 19, 0, { 0: 1, 50: 1, 51: 0 }],
        [3, 1, 0, { 0: 1, 150: 1, 300: 1 }],
    ];
    for (const [shape, width, anchor, expected] of table) {
        m.setPulse(shape, width);
        const w = weights(anchor);
        for (const [i, weight] of Object.entries(expected))
            check(weight === 0 ? w[i] === 0 : near(w[i], weight),
                  "shape " + shape + " width " + width + " anchor " + anchor + ": weight " + w[i] + " at " + i);
    }

    // The preview is what the next drag does: one pixel up from the flat curve.
    for (const [shape, width, x] of [[0, 19, 200], [1, 7, 0], [2, 33, 601], [3, 5, 300], [1, 60, 300]]) {
        m.reset();
        m.setPulse(shape, width);
        const w = weights(m.anchorAt(x));
        m.press(x, 10);
        m.move(9);
        m.release();
        const f = samples();
        check(f.every((v, i) => v === Gain * w[i]), "shape " + shape + " width " + width + " x " + x +
              ": the drag differs from its preview");
    }

    // A choice during a drag waits for the next press; reset restores the
    // program's own pulse.
    m.reset();
    m.press(300, 100);
    m.setPulse(3, 1);
    m.move(99);
    check(samples()[0] === 0 && samples()[100] === Gain, "a choice during a drag changed that drag");
    m.release();
    m.press(300, 99);
    m.move(98);
    check(samples()[0] === Gain, "the next press did not take the choice");
    m.release();
    m.reset();
    check(m.pulseShape() === 0 && m.pulseWidth() === 19, "reset kept the chosen pulse");

    console.log(failures ? failures + " failed" : "pulse exports: all passed");
    process.exit(failures ? 1 : 0);
}).catch(e => {
    console.log("FAIL: " + e);
    process.exit(1);
});
