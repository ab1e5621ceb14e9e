// The module's judging of a lesson's guesses and challenges, for every kept
// event file, against the replay tool's --state of the same file: the same
// challenges met, the mean and each c judged right, a mistaken mean put
// down to a mistake as near, and a number that is no challenge never met.
// usage: node lesson_judging_test.js brisqual-module.wasm BRISQUAL_REPLAY DATA_DIR
"use strict";
const fs = require("fs");
const path = require("path");
const { execFileSync } = require("child_process");

const [wasm, replay, data] = process.argv.slice(2);
const kept = (dir, test) => fs.readdirSync(path.join(data, dir)).filter(test).map(n => dir + "/" + n);
const Cases = [...kept("events", n => n.endsWith(".events")), ...kept("events/pulse", n => n.startsWith("preset-")),
               "theorem/interval.events"];
const Mistakes = ["ends_average", "extremes_average", "middle_value", "secant_slope"];   // judged 1..4
let failures = 0;
function check(ok, what) {
    if (!ok) {
        console.log("FAIL: " + what);
        failures++;
    }
}

WebAssembly.instantiate(fs.readFileSync(wasm), {}).then(({ instance }) => {
    const m = instance.exports;
    m._initialize();
    const apply = { d: (x, y) => m.press(x, y), m: (x, y) => m.move(y), u: () => m.release(),
                    p: (k, w) => m.setPulse(k, w), i: (a, b) => m.setInterval(a, b) };
    check(m.challengeCount() === 5, "challengeCount() is " + m.challengeCount());
    for (const name of Cases) {
        const file = path.join(data, name);
        const state = JSON.parse(execFileSync(replay, ["--state", file], { encoding: "utf8" })), t = state.theorem;
        const link = execFileSync(replay, ["--link", file], { encoding: "utf8" }).trim();
        m.reset();
        for (const [, kind, a, b] of link.matchAll(/([dmupi])(\d+)\.(\d+)/g))
            apply[kind](Number(a), Number(b));
        m.release();   // the judging works the theorem out itself: no theorem() first

        const met = [0, 1, 2, 3, 4, 5, 6].filter(n => m.challengeMet(n));
        check(met.join() === t.challenges_met.join(), name + ": challenges " + met + ", replay " + t.challenges_met);
        const mm = t.mistaken_means, tol = mm.tolerance;
        check(m.judgeMean(t.mean) === 0 && m.judgeMean(t.mean + 0.9 * tol) === 0, name + ": the mean not judged right");
        check(m.judgeMean(t.mean + 1e6) === 5, name + ": a wild guess explained");
        Mistakes.forEach(key => {
            const got = m.judgeMean(mm[key]);
            const asNear = got >= 1 && got <= 4 && Math.abs(mm[Mistakes[got - 1]] - mm[key]) <= tol;
            check(Math.abs(mm[key] - t.mean) <= tol ? got === 0 : asNear, name + ": " + key + " " + mm[key] + " judged " + got);
        });
        // A c guessed at the sample nearest it is right; so is a stretch's.
        for (const c of [...t.c, ...t.stretches.map(s => s[0])])
            check(m.judgePoint(Math.round(c / state.step_width)) === 0, name + ": c at " + c + " not judged right");
    }
    console.log(failures ? failures + " failed" : "lesson judging: all passed");
    process.exit(failures ? 1 : 0);
}).catch(e => {
    console.log("FAIL: " + (e.stack || e));
    process.exit(1);
});
