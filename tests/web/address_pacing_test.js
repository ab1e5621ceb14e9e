// The classroom view's address pacing, on a clock of its own: a change
// after a quiet while is written at once; a held key (a change a frame)
// stays within Chromium's 200 address writes in 10 s; the last change is
// always written; a refused write is tried again; leaving writes at once;
// a slow, long address is written seldom and never inside the input's handler.
// usage: node address_pacing_test.js PAGE_DIR
"use strict";
const path = require("path");
const url = require("url");

let failures = 0;
function check(ok, what) {
    if (!ok) {
        console.log("FAIL: " + what);
        failures++;
    }
}

// A world for the pacing: a clock, its timers, an address that may refuse
// writes or take `cost` ms to write, and the log of what was written and told.
function world(pacedAddress, { refusals = 0, cost = 0, fits = true } = {}) {
    const w = { t: 0, timers: [], writes: [], told: [], link: "", inHandler: false };
    w.address = pacedAddress({
        now: () => w.t,
        later: (f, ms) => w.timers.push({ at: w.t + ms, f: f }),
        link: () => w.link,
        fits: () => fits,
        replace: link => {
            w.t += cost;
            if (refusals-- > 0)
                return false;
            w.writes.push({ t: w.t, link: link, inHandler: w.inHandler });
            return true;
        },
        told: what => w.told.push(what)
    });
    // Runs the timers due by t + ms, in order.
    w.advance = ms => {
        const end = w.t + ms;
        for (;;) {
            w.timers.sort((p, q) => p.at - q.at);
            if (!w.timers.length || w.timers[0].at > end)
                break;
            const timer = w.timers.shift();
            w.t = Math.max(w.t, timer.at);
            timer.f();
        }
        w.t = Math.max(w.t, end);
    };
    // Changes every `every` ms, `count` of them, each link longer than the last.
    w.changes = (count, every, size = 1) => {
        for (let i = 0; i < count; i++) {
            w.link = String(w.writes.length + "." + i).padEnd(size, "m") + i;
            w.inHandler = true;
            w.address.changed();
            w.inHandler = false;
            w.advance(every);
        }
    };
    return w;
}

const last = w => w.writes.length ? w.writes[w.writes.length - 1].link : "";
const mostIn10s = w => Math.max(0, ...w.writes.map(p => w.writes.filter(q => q.t >= p.t && q.t < p.t + 10000).length));

const Cases = [
    ["one change after a quiet while is written at once", {}, w => {
        w.advance(5000);
        w.changes(1, 0);
        return w.writes.length === 1 && w.writes[0].t === 5000;
    }],
    ["a key held for 20 s stays within 200 writes in 10 s, and its last change is written", {}, w => {
        w.changes(1250, 16);
        const writes = w.writes.length;
        w.advance(2000);
        return mostIn10s(w) <= 200 && writes > 20 && last(w) === w.link;
    }],
    ["a few quick changes are each written at once", {}, w => {
        w.changes(3, 1);
        return w.writes.length === 3 && w.writes.every(p => p.inHandler);
    }],
    ["a refused write is said and tried again until taken", { refusals: 2 }, w => {
        w.changes(1, 0);
        w.advance(5000);
        return String(w.told) === "refused,refused,taken" && last(w) === w.link && w.writes.length === 1;
    }],
    ["a held address is not written until the curve changes again", {}, w => {
        w.changes(20, 1);
        w.address.hold();
        w.advance(5000);
        const held = w.writes.length;
        w.changes(1, 0);
        w.advance(5000);
        return held < 20 && last(w) === w.link;
    }],
    ["leaving writes the last change at once, and nothing when all is written", {}, w => {
        w.changes(50, 1);
        w.address.leave();
        const left = w.writes.length;
        w.address.leave();
        return last(w) === w.link && w.writes.length === left;
    }],
    ["a link too long for the address is said, not written", { fits: false }, w => {
        w.changes(1, 0);
        w.advance(5000);
        return w.writes.length === 0 && String(w.told) === "tooLong";
    }],
    ["a long address that is slow to write is written seldom, off the input's handler", { cost: 150 }, w => {
        w.changes(1, 0, 20000);
        w.changes(100, 16, 20000);
        w.advance(10000);
        const later = w.writes.slice(1);
        return later.length > 0 && later.every((p, i) => !p.inHandler && (i === 0 || p.t - later[i - 1].t >= 1500)) &&
               last(w) === w.link;
    }]
];

(async () => {
    const { pacedAddress } = await import(url.pathToFileURL(path.resolve(process.argv[2], "classroom/address.js")));
    for (const [name, options, run] of Cases) {
        const w = world(pacedAddress, options);
        check(run(w), name + " (" + w.writes.length + " writes, told " + w.told.slice(0, 5) + ")");
    }
    console.log(failures ? failures + " failed" : "address pacing: all passed");
    process.exit(failures ? 1 : 0);
})().catch(e => {
    console.log("FAIL: " + (e.stack || e));
    process.exit(1);
});
