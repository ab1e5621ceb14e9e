// Shared links, read and written alike by both views: the events after '#',
// each a letter (d press, m move, u release) and the client pixel x.y, for
// example #d200.300m200.310u200.310, or p and the pulse K.W (shape 0 to 3,
// width 1 to 60) that the presses after it take, or i and the interval A.B
// in samples (the last one holds).

const LinkItem = /([dmupi])(\d{1,5})\.(\d{1,5})/y;
export const Kinds = { d: "down", m: "move", u: "up", p: "pulse", i: "interval" };

// Which pulses and intervals there are is the model's to say; the page sets
// this once its module is loaded, before any link is read.
let validPulse = () => false, validInterval = () => false;
export function checkPulsesWith(valid, interval) {
    validPulse = valid;
    validInterval = interval;
}
// Browsers open addresses of up to 2 MiB.
export const MaxAddress = 2 * 1024 * 1024;

// The items [kind, x, y] of a link, or an error: its text, what went wrong
// (reason: "item", "range", "pulse" or "encoding") and the character where.
export function parseLink(text) {
    const items = [];
    LinkItem.lastIndex = 0;
    while (LinkItem.lastIndex < text.length) {
        const at = LinkItem.lastIndex;
        const m = LinkItem.exec(text);
        if (!m)
            return { error: "at " + (at + 1), reason: "item", at: at + 1 };
        const x = Number(m[2]), y = Number(m[3]);
        if (m[1] === "p" ? !validPulse(x, y) : m[1] === "i" ? !validInterval(x, y) : x > 65535 || y > 65535) {
            const reason = m[1] === "p" ? "pulse" : m[1] === "i" ? "interval" : "range";
            return { error: { pulse: "pulse out of range", interval: "interval out of range", range: "> 65535" }[reason] +
                            " at " + (at + 1), reason: reason, at: at + 1 };
        }
        items.push([m[1], x, y]);
    }
    return { items: items };
}

// The fragment of an address as text, or an error.
export function readFragment(hash) {
    try {
        return parseLink(decodeURIComponent(hash.slice(1)));
    } catch (e) {
        return { error: e.message, reason: "encoding" };
    }
}

export const linkOf = items => items.map(([k, x, y]) => k + x + "." + y).join("");
