// The classroom view's work against the replay tool: after every step,
// undo and redo, the module holds bit for bit the curve, the interval and
// the pulse in force that brisqual-replay gives for the work's own link
// replayed from scratch, also when undo starts from a snapshot of the
// model taken partway through a long work; and the address' shorter link
// and the work restored from the tab's copy.
// usage: node work_snapshots_test.js brisqual-module.wasm PAGE_DIR BRISQUAL_REPLAY
"use strict";
const fs = require("fs");
const path = require("path");
const url = require("url");
const { execFileSync } = require("child_process");

const [wasm, pageDir, replay] = process.argv.slice(2);
let failures = 0;
function check(ok, what) {
    if (!ok) {
        console.log("FAIL: " + what);
        failures++;
    }
}

// A drag of n moves at column x, from row 250 by dy a move, then back up
// by half: steps of the work that change many samples.
const drag = (x, n, dy) => ["drag", x, Array.from({ length: n }, (_, i) => 250 + dy * (i < n / 2 ? i + 1 : n - i))];
const drags = (count, n) => Array.from({ length: count }, (_, i) => drag(20 + (i * 97) % 560, n, i % 2 ? 2 : -3));
const repeat = (action, n) => Array(n).fill(action);

// Each session: actions on a fresh state; after each, the module is compared.
const Sessions = {
    "drags, undone and redone": [["link", ""], ...drags(4, 12), ["key", 300, 240], ["key", 300, 250], ...repeat(["undo"], 3), ["redo"], ["redo"],
                                 ["undo"], drag(300, 5, 4), ["redo"]],
    "a new curve among the drags, undone": [["link", "p1.19d400.250m400.150u400.150"], ...drags(2, 8),
                                            ["link", "d300.250m300.150u300.150"], drag(100, 6, 5), ...repeat(["undo"], 3),
                                            ...repeat(["redo"], 3)],
    "the pulse chosen, then undone to the link's": [["link", "p2.7d100.250m100.200u100.200"], ["pulse", 3, 19], drag(500, 4, -6),
                                                    ["pulse", 1, 60], drag(200, 4, 6), ["undo"], ["undo"], ["redo"]],
    "intervals among the drags": [["link", "i10.290d300.250m300.150u300.150"], ["interval", 40, 200], drag(150, 6, -4),
                                  ["interval", 0, 300], ["interval", 0, 300], ["undo"], ["undo"], ["redo"], ["interval", 5, 6], ...repeat(["undo"], 3)],
    "a press without a move is no step": [["link", "p1.5d300.250m300.240u300.240"], ["pulse", 0, 30], ["drag", 300, []], ["undo"]],
    "a link that ends in a drag": [["link", "d200.250m200.150m200.140"], drag(400, 3, 7), ["undo"]],
    // Over a thousand events since the last new curve: undo and redo start
    // from the snapshot taken on the way.
    "a long work, past its snapshot": [["link", "p0.25d10.250m10.240u10.240"], ...drags(30, 60), ...repeat(["undo"], 20), ...repeat(["redo"], 12),
                                       ["undo"], drag(310, 9, 3), ...repeat(["undo"], 15)]
};

function replayed(link) {
    return JSON.parse(execFileSync(replay, ["--state", "--from-link"], { input: "#" + link, encoding: "utf8",
                                                                        maxBuffer: 1 << 26 }));
}

(async () => {
    const page = p => url.pathToFileURL(path.resolve(pageDir, p));
    const { useModule } = await import(page("link.js"));
    const { createState } = await import(page("classroom/state.js"));
    const { instance } = await WebAssembly.instantiate(fs.readFileSync(wasm), {});
    const m = instance.exports;
    m._initialize();
    m.reset();
    useModule(m);

    for (const [name, actions] of Object.entries(Sessions)) {
        const state = createState(m);
        let curves = 0;
        state.subscribe("curve", () => curves++);
        actions.forEach((action, at) => {
            const [kind, x, y] = action, before = curves;
            if (kind === "link") {
                check(state.newCurve(x), name + ": the link " + x + " is refused");
            } else if (kind === "drag") {
                state.begin(1, x, 250);
                state.dragTo(y.map(row => [x, row]));
                state.end(x, y.length ? y[y.length - 1] : 250);
            } else if (kind === "key") {
                state.dragAtOnce(-1, x, 250, y);   // as a key drags: the whole drag at once
            } else if (kind === "pulse") {
                state.choosePulse(x, y);
            } else if (kind === "interval") {
                state.setInterval(x, y);
            } else {
                state[kind]();
            }
            const what = name + ", after " + JSON.stringify(action).slice(0, 40) + " (" + at + ")";
            const want = replayed(state.currentLink());
            const f = new Float64Array(m.memory.buffer, m.samples(), m.sampleCount() + 1);
            const differs = want.curve.findIndex((v, k) => v !== f[k]);
            check(want.curve.length === f.length && differs < 0,
                  what + ": sample " + differs + " is " + f[differs] + ", the replay " + want.curve[differs]);
            check(String(want.theorem.interval) === String(state.interval()), what + ": the interval " + state.interval());
            check(want.drag.pulse_shape === m.pulseShape() && want.drag.pulse_width === m.pulseWidth(),
                  what + ": the pulse in force " + [m.pulseShape(), m.pulseWidth()]);
            // Undo and redo make the link's pulse the chosen one.
            if ((kind === "undo" || kind === "redo") && curves > before)
                check(String(state.pulse) === String([m.pulseShape(), m.pulseWidth()]), what + ": the chosen pulse " + state.pulse);
            check(!state.drag && m.dragging() === 0, what + ": a drag is left open");
            // What made no step is not told as a new curve.
            if (kind === "pulse" || kind === "drag" && !y.length || kind === "key" && y === 250)
                check(curves === before, what + ": told as a new curve");
        });
        // The address' shorter link is the same curve, interval and chosen
        // pulse; the tab's copy of the steps, restored, is the same work.
        const link = state.currentLink(), want = replayed(link), short = replayed(state.addressLink());
        check(String(short.curve) === String(want.curve) && String(short.theorem.interval) === String(want.theorem.interval) &&
              String([short.drag.next_pulse_shape, short.drag.next_pulse_width]) === String(state.pulse),
              name + ": the address' link " + state.addressLink().slice(0, 40) + " is another curve");
        const again = createState(m), undoable = state.canUndo();
        check(again.restore(state.history(1 << 30)) && again.currentLink() === link && again.canUndo() === undoable,
              name + ": the restored work is " + again.currentLink().slice(0, 40));
        if (undoable) {
            again.undo();
            const f = new Float64Array(m.memory.buffer, m.samples(), m.sampleCount() + 1);
            check(String(Array.from(f)) === String(replayed(again.currentLink()).curve), name + ": undo after a restore");
        }
    }
    console.log(failures ? failures + " failed" : "work and snapshots: all passed");
    process.exit(failures ? 1 : 0);
})().catch(e => {
    console.log("FAIL: " + (e.stack || e));
    process.exit(1);
});
