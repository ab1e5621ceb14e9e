// Opening a long link in the page's path, under Node.js: the fragment read,
// written back and read again as the classroom view does on load, then its
// events given to the module. The link is a press, 100,000 moves that
// alternate between two rows, and a release.
// usage: node link_open_bench.js brisqual-module.wasm LINK_JS [EVENTS]
"use strict";
const fs = require("fs");
const path = require("path");
const url = require("url");

const [wasm, linkJs, count = "100000"] = process.argv.slice(2);
const Runs = 21;
(async () => {
    const link = await import(url.pathToFileURL(path.resolve(linkJs)));
    const { instance } = await WebAssembly.instantiate(fs.readFileSync(wasm), {});
    const m = instance.exports;
    m._initialize();
    m.reset();
    if (link.useModule)
        link.useModule(m);
    else
        link.checkPulsesWith((k, w) => m.validPulse(k, w) === 1, (a, b) => m.validInterval(a, b) === 1);
    const parts = ["#p1.19d400.250"];
    for (let i = 0; i < Number(count); i++)
        parts.push(i % 2 ? "m400.250" : "m400.150");
    parts.push("u400.250");
    const hash = parts.join("");
    const apply = { d: (x, y) => m.press(x, y), m: (x, y) => m.move(y), u: () => m.release(),
                    p: (k, w) => m.setPulse(k, w), i: (a, b) => m.setInterval(a, b) };
    const times = [];
    for (let run = 0; run < Runs; run++) {
        const start = process.hrtime.bigint();
        const read = link.readFragment(hash);
        const again = link.parseLink(link.linkOf(read.items));
        m.reset();
        for (const [kind, x, y] of again.items)
            apply[kind](x, y);
        times.push(Number(process.hrtime.bigint() - start) / 1e6);
        if (read.error || again.items.length !== Number(count) + 3)
            throw new Error("the link did not read back: " + JSON.stringify(read.error || again.error));
    }
    times.sort((a, b) => a - b);
    console.log("%d events, %d characters: median %s ms, best %s ms (of %d)", Number(count) + 3, hash.length,
                times[Runs >> 1].toFixed(1), times[0].toFixed(1), Runs);
})().catch(e => { console.error(e); process.exit(1); });
