// The classroom view's sound plan for kept event files, against the replay
// tool's --state of the same file: the pitch follows the curve sample by
// sample, the reference tone sounds the mean, and each c has one click.
// usage: node sound_plan_test.js brisqual-module.wasm SOUND_JS BRISQUAL_REPLAY DATA_DIR
"use strict";
const fs = require("fs");
const path = require("path");
const url = require("url");
const { execFileSync } = require("child_process");

const [wasm, soundJs, replay, data] = process.argv.slice(2);
const Cases = ["events/drag-example.events", "theorem/interval.events", "events/pulse/preset-wave.events",
               "events/pulse/preset-up-and-down.events", "events/flat.events", "events/steep.events",
               "events/off-the-top-and-back.events"];
let failures = 0;
function check(ok, what) {
    if (!ok) {
        console.log("FAIL: " + what);
        failures++;
    }
}
const near = (a, b) => Math.abs(a - b) <= Math.abs(b) * 1e-12 + 1e-12;

(async () => {
    const { planOf, pitchOf } = await import(url.pathToFileURL(path.resolve(soundJs)));
    const { instance } = await WebAssembly.instantiate(fs.readFileSync(wasm), {});
    const m = instance.exports;
    m._initialize();
    const apply = { d: (x, y) => m.press(x, y), m: (x, y) => m.move(y), u: () => m.release(),
                    p: (k, w) => m.setPulse(k, w), i: (a, b) => m.setInterval(a, b) };
    for (const name of Cases) {
        const file = path.join(data, name);
        const state = JSON.parse(execFileSync(replay, ["--state", file], { encoding: "utf8" }));
        const link = execFileSync(replay, ["--link", file], { encoding: "utf8" }).trim();
        m.reset();
        for (const [, kind, a, b] of link.matchAll(/([dmupi])(\d+)\.(\d+)/g))
            apply[kind](Number(a), Number(b));
        m.release();
        const plan = planOf(m, 4);
        const t = state.theorem, [first, last] = t.interval, f = state.curve;

        // One glide a segment of [a, b], rising, falling or level with the curve.
        check(plan.tones.length === last - first, name + ": " + plan.tones.length + " glides");
        plan.tones.forEach((tone, i) => {
            const k = first + i;
            check(Math.sign(tone.to - tone.frequency) === Math.sign(f[k + 1] - f[k]),
                  name + ": the pitch from sample " + k + " does not follow the curve");
            check(i === 0 || tone.frequency === plan.tones[i - 1].to, name + ": the glide jumps at " + k);
            check(tone.frequency >= 110 && tone.frequency <= 1760, name + ": " + tone.frequency + " Hz at " + k);
        });
        // Higher samples are higher notes, across the whole curve too.
        const order = [...Array(last - first).keys()].map(i => first + i).sort((p, q) => f[p] - f[q]);
        for (let j = 1; j < order.length; j++)
            check(f[order[j]] === f[order[j - 1]] || plan.tones[order[j] - first].frequency > plan.tones[order[j - 1] - first].frequency,
                  name + ": sample " + order[j] + " is higher than " + order[j - 1] + " but not heard so");

        // The reference is the mean's pitch, within the curve's pitches, throughout.
        const ref = plan.reference, pitches = plan.tones.flatMap(tone => [tone.frequency, tone.to]);
        check(near(ref.frequency, pitchOf(t.mean, 250 / 150)), name + ": reference " + ref.frequency + " Hz for mean " + t.mean);
        check(ref.frequency >= Math.min(...pitches) && ref.frequency <= Math.max(...pitches), name + ": the mean is heard outside the curve");
        check(ref.start === 0 && ref.duration === 4 && plan.duration === 4, name + ": the reference does not last the sweep");

        // One click a c, at its place along the sweep, in order; two a stretch.
        const clicks = plan.clicks.filter(c => c.kind === "c").map(c => c.time);
        const expected = t.c.map(c => (c / state.step_width - first) / (last - first) * 4);
        check(clicks.length === t.c.length && clicks.every((time, i) => near(time, expected[i]) && (i === 0 || time > clicks[i - 1])),
              name + ": clicks at " + clicks + ", c at " + t.c);
        check(plan.clicks.length - clicks.length === 2 * t.stretches.length, name + ": stretch clicks");
        check(t.c.length + t.stretches.length > 0, name + ": no c to hear (the replay tool finds none)");
    }
    // Height 0 is the middle note; the plot's edges two octaves apart.
    check(pitchOf(0, 1.5) === 440 && near(pitchOf(1.5, 1.5) / pitchOf(-1.5, 1.5), 4), "the plot's range is not two octaves");
    console.log(failures ? failures + " failed" : "sound plan: all passed");
    process.exit(failures ? 1 : 0);
})().catch(e => {
    console.log("FAIL: " + (e.stack || e));
    process.exit(1);
});
