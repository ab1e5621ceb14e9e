// Shared links, read and written alike by both views and the replay tool:
// the events after '#', each a letter (d press, m move, u release) and the
// client pixel x.y, for example #d200.300m200.310u200.310, or p and the
// pulse K.W that the presses after it take, or i and the interval A.B in
// samples (the last one holds). A link in its state form holds the curve
// itself instead of its history: s and the samples, then the pulse and the
// interval, a few kilobytes however long the work. The module reads and
// writes them; this only carries text and items across.

export const Kinds = { d: "down", m: "move", u: "up", p: "pulse", i: "interval", s: "samples" };

let module = null;
// The longest address a browser opens, the module's; set with it.
export let MaxAddress = 0;

// The module that reads and writes links, before any is read.
export function useModule(loaded) {
    module = loaded;
    MaxAddress = module.maxAddress();
}

const encoder = new TextEncoder(), decoder = new TextDecoder();
const letters = {};

// The items of an address from its '#' on: { items: [[kind, x, y], ...] },
// with state: true when the link is in the state form, whose first item is
// ["s", 0, 0], the curve's samples (applySamples() sets them); or an
// error: what went wrong (reason: "item", "range", "pulse", "interval",
// "samples", "encoding" or "length") and the character of the fragment where.
function read(address) {
    const items = [], size = module.linkInputSize(), chars = size / 3;
    const take = count => {
        if (count < 0)
            return false;
        const v = new Int32Array(module.memory.buffer, module.linkItems(), 3 * count);
        for (let i = 0; i < 3 * count; i += 3)
            items.push([letters[v[i]] || (letters[v[i]] = String.fromCharCode(v[i])), v[i + 1], v[i + 2]]);
        return true;
    };
    module.linkBegin();
    // Pieces of whole characters, each at most three bytes in UTF-8.
    for (let at = 0, end; at < address.length; at = end) {
        end = Math.min(at + chars, address.length);
        if (end < address.length && (address.charCodeAt(end - 1) & 0xFC00) === 0xD800)
            end--;
        const { written } = encoder.encodeInto(address.slice(at, end),
                                               new Uint8Array(module.memory.buffer, module.linkInput(), size));
        if (!take(module.linkFeed(written)))
            return fault();
    }
    if (!take(module.linkFinish()))
        return fault();
    return items.length && items[0][0] === "s" ? { state: true, items: items } : { items: items };
}

function fault() {
    const name = new Uint8Array(module.memory.buffer, module.linkFault());
    const reason = decoder.decode(name.subarray(0, name.indexOf(0))), at = module.linkAt() || undefined;
    return { error: reason + (at ? " at " + at : ""), reason: reason, at: at };
}

// The items of a fragment's text, without its '#'.
export const parseLink = text => read("#" + text);

// A whole address (location.href), read as the replay tool reads it: one
// with no '#' is the first prepared curve, as model/prepared_curves.h says.
export const readAddress = href => read(href);

// The fragment of an address (location.hash, '#' and all), or an error.
export const readFragment = hash => read("#" + hash.slice(1));

// The fragment's text of items, without '#'.
export function linkOf(items) {
    const most = module.linkWriteMax(), pieces = [];
    for (let at = 0; at < items.length; at += most) {
        const count = Math.min(most, items.length - at);
        const v = new Int32Array(module.memory.buffer, module.linkItems(), 3 * count);
        for (let i = 0; i < count; i++) {
            const item = items[at + i];
            v[3 * i] = item[0].charCodeAt(0);
            v[3 * i + 1] = item[1];
            v[3 * i + 2] = item[2];
        }
        const length = module.writeLink(count);
        if (length < 0)
            throw new Error("no link event among " + JSON.stringify(items.slice(at, at + count)));
        pieces.push(decoder.decode(new Uint8Array(module.memory.buffer, module.linkInput(), length)));
    }
    return pieces.join("");
}

// Sets the curve to the samples of the state-form link read last (its "s"
// item), letting go of any drag.
export function applySamples() {
    module.applyLinkSamples();
}

// The state form's fragment text, without '#', of the module's curve, the
// pulse the next press takes and the interval; an Error for a curve the
// form cannot carry (a sample beyond 1e15, which no drag reaches).
export function stateLinkOf() {
    const length = module.writeStateLink();
    if (length < 0)
        throw new Error("a sample beyond what a link carries");
    return decoder.decode(new Uint8Array(module.memory.buffer, module.linkInput(), length));
}
