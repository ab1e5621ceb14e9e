// The links of tests/data/links/links.tsv, each opened by the page (its
// link.js over the built module, with the fragment a browser makes of the
// address) and by `brisqual-replay --from-link --state`: both refuse it, for
// the reason the table gives, or both read it and leave the same curve, bit
// for bit, interval and pulse.
// usage: node link_table_test.js --list
//        node link_table_test.js CASE brisqual-module.wasm LINK_JS BRISQUAL_REPLAY
"use strict";
const fs = require("fs");
const path = require("path");
const url = require("url");
const { spawnSync } = require("child_process");

const Table = path.join(__dirname, "..", "data", "links", "links.tsv");
const Page = "file:///x/brisqual.html";   // the page's own address, before a '#'

// The table's rows: { name, expect, link }, the case named by its words.
function rows() {
    return fs.readFileSync(Table, "utf8").split("\n").filter(line => line && !line.startsWith("#")).map(line => {
        const [name, expect, ...rest] = line.split("\t");
        const link = rest.join("\t").replace(/<([^*>]*)\*(\d+)>/g, (_, text, n) => text.repeat(Number(n)));
        return { name: name.replace(/[^A-Za-z0-9]+/g, "-"), expect: expect, link: link };
    });
}

if (process.argv[2] === "--list") {
    console.log(rows().map(row => row.name).join("\n"));
    process.exit(0);
}

const [name, wasm, linkJs, replay] = process.argv.slice(2);
const row = rows().find(r => r.name === name);
if (!row) {
    console.log("no link named " + name + " in " + Table);
    process.exit(1);
}
const fail = what => {
    console.log("FAIL: " + row.name + ": " + what);
    process.exit(1);
};

(async () => {
    const link = await import(url.pathToFileURL(path.resolve(linkJs)));
    const { instance } = await WebAssembly.instantiate(fs.readFileSync(wasm), {});
    const m = instance.exports;
    m._initialize();
    m.reset();
    link.useModule(m);

    // The address as the tool is given it, and as the browser holds it.
    const address = row.link.trimStart().startsWith("#") ? Page + row.link : row.link;
    const page = address.includes("#") ? link.readFragment(new URL(address).hash) : link.readAddress(address);
    const tool = spawnSync(replay, ["--from-link", "--state"], { input: address, encoding: "utf8",
                                                                maxBuffer: 1 << 26 });
    if (tool.status !== 0 && tool.status !== 2)
        fail("the replay tool ended with " + tool.status + ": " + tool.stderr);

    const byPage = page.error ? page.reason : "read", byTool = tool.status === 0 ? "read" : "refused";
    if (byPage !== row.expect || byTool !== (row.expect === "read" ? "read" : "refused"))
        fail("expected " + row.expect + "; the page: " + byPage + (page.error ? " at " + page.at : "") +
             "; the replay tool: " + (tool.status === 0 ? "read" : tool.stderr.trim()));
    if (page.error)
        return;

    // The page's events, as the views give them: a link that stops inside
    // a drag is let go of.
    const apply = { d: (x, y) => m.press(x, y), m: (x, y) => m.move(y), u: () => m.release(),
                    p: (k, w) => m.setPulse(k, w), i: (a, b) => m.setInterval(a, b), s: link.applySamples };
    for (const [kind, x, y] of page.items)
        apply[kind](x, y);
    m.release();

    const state = JSON.parse(tool.stdout);
    const curve = new Float64Array(m.memory.buffer, m.samples(), m.sampleCount() + 1);
    const differ = state.curve.findIndex((v, k) => !Object.is(v, curve[k]));
    if (state.curve.length !== curve.length || differ >= 0)
        fail("sample " + differ + " is " + curve[differ] + " on the page, " + state.curve[differ] + " by the tool");
    const [a, b] = state.theorem.interval;
    if (m.intervalFirst() !== a || m.intervalLast() !== b)
        fail("interval " + [m.intervalFirst(), m.intervalLast()] + " on the page, " + [a, b] + " by the tool");
    if (m.pulseShape() !== state.drag.next_pulse_shape || m.pulseWidth() !== state.drag.next_pulse_width)
        fail("pulse " + [m.pulseShape(), m.pulseWidth()] + " on the page, " +
             [state.drag.next_pulse_shape, state.drag.next_pulse_width] + " by the tool");
    if (!!page.state !== page.items.some(item => item[0] === "s"))
        fail("state: " + page.state + " for items " + JSON.stringify(page.items.slice(0, 3)));

    // The page's state form of what it opened is the tool's, to the character.
    const toolState = spawnSync(replay, ["--from-link", "--link-form", "state"], { input: address,
                                                                                 encoding: "utf8" });
    if (toolState.status !== 0 || toolState.stdout.trim() !== "#" + link.stateLinkOf())
        fail("the state form differs: the tool's " + toolState.stdout.slice(0, 40) + "... (" +
             toolState.status + ")");

    // What the page writes back reads as the same items.
    const again = link.parseLink(link.linkOf(page.items));
    if (again.error || JSON.stringify(again.items) !== JSON.stringify(page.items))
        fail("the link the page writes back reads otherwise");
})().catch(e => fail(e.stack));
