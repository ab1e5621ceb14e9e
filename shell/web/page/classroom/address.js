// The classroom view's address bar, which keeps the curve: written a few
// times a second at most, at once when the page is hidden or left, and
// checked after each write, so that a reload never loses work in silence.
//   reads:   the state's link; the address (a changed one is a new curve)
//   changes: the address; the state's curve, from a new address; the message
//   subscribes to: curve
import { MaxAddress, linkOf, readFragment } from "../link.js";
import { textOf } from "./words.js";

// Chromium ignores replaceState beyond about 200 calls in 10 s, and a held
// key makes more. A burst of a few writes goes through at once, so that a
// single change shows at once; beyond it, one write every Interval ms, and
// the last change is always written. A refused write is tried again.
// A long address is slow to write (a tenth of a second for 800 kB): once
// the link is longer than LongLink, writes leave the input's handlers for a
// timer of their own and come at least ten times their cost apart.
export const Burst = 8, Interval = 250, Retry = 1000, LongLink = 16384;

// The pacing, given its world: now() in ms, later(f, ms) a timer,
// link() the text to write, replace(link) true if the address took it,
// fits(link), and told(what), what went wrong or right: "tooLong",
// "refused" or "taken". Gives changed() (write soon), hold() (leave the
// address as it is until the next change), writeNow() and leave().
export function pacedAddress({ now, later, link: currentLink, replace, fits, told }) {
    let dirty = false, held = false, timer = false;
    let tokens = Burst, refilled = now(), cost = 0, written = 0;

    // Writes the link now and checks that the address took it.
    function write() {
        const link = currentLink();
        dirty = false;
        if (!fits(link)) {
            told("tooLong");
            return;
        }
        const start = now();
        const taken = replace(link);
        cost = now() - start;
        written = link.length;
        if (taken) {
            told("taken");
            return;
        }
        dirty = true;
        told("refused");
        wait(Retry);
    }

    function wait(ms) {
        if (!timer) {
            timer = true;
            later(() => { timer = false; flush(true); }, ms);
        }
    }

    function flush(onTimer) {
        if (!dirty || held)
            return;
        const at = now(), slow = written > LongLink;
        const gap = slow ? Math.max(Interval, 10 * cost) : Interval;
        tokens = Math.min(slow ? 1 : Burst, tokens + (at - refilled) / gap);
        refilled = at;
        if (tokens >= 1 && (onTimer || !slow)) {
            tokens--;
            write();
        } else {
            wait(tokens >= 1 ? 0 : Math.ceil((1 - tokens) * gap));
        }
    }

    return {
        changed() {
            dirty = true;
            held = false;
            flush();
        },
        hold() {
            held = true;
            dirty = false;
        },
        writeNow() {
            held = false;
            dirty = true;
            write();
        },
        // Leaving the page must not lose the last changes.
        leave() {
            if (dirty && !held)
                write();
        }
    };
}

// The address up to its fragment, from location.href: location.origin is
// "null" for a page opened from a file in Firefox.
const page = () => location.href.split("#")[0];
export const fitsAddress = link => page().length + 1 + link.length <= MaxAddress;
export const addressOf = link => page() + "#" + link;
// The address's query made QUERY (URLSearchParams; a flag without "="),
// the fragment kept. A sandboxed frame may refuse: what the query holds
// then lasts until the page is left.
export function replaceQuery(query) {
    const search = String(query).replace(/=(?=&|$)/g, "");
    try {
        history.replaceState(history.state, "", location.pathname + (search ? "?" + search : "") + location.hash);
    } catch (e) { /* refused: see above */ }
}
// The fragment's text as the address has it, or null for an address with no '#'.
const fragment = () => (location.href.includes("#") ? location.hash.slice(1) : null);

// The tab's own copy of the work (sessionStorage), written with every step
// before the next frame, as the address may lag behind the work or, in a
// frame, be lost with the page around it: the latest link, the undo
// history while it is at most KeepHistory characters, the fragment the page
// was opened with, and the name of its entry in the tab's history. A
// reload, Back or a tab reopened comes back to that entry (history.state
// keeps its name), where the copy is the newest; a frame is opened again
// from its first address when the page around it is reloaded.
export const KeepHistory = 262144;
const inFrame = () => { try { return window.top !== window; } catch (e) { return true; } };

export function tabKeeper(storage = (() => { try { return window.sessionStorage; } catch (e) { return null; } })()) {
    const opened = fragment();
    // A frame's address goes back to its first one with the page around it: that names its work.
    const key = "brisqual " + location.pathname + (inFrame() ? " frame " + opened : "");
    const entry = history.state && history.state.brisqual;
    const name = entry || String(Date.now()) + "." + String(Math.random()).slice(2);
    try {
        history.replaceState(Object.assign({}, history.state, { brisqual: name }), "");
    } catch (e) { /* no name: a reload opens the address */ }
    const set = (name, value) => {
        try {
            storage.setItem(name, value);
            return true;
        } catch (e) {
            return false;
        }
    };
    return {
        usable: !!storage && set(key + " probe", "") && (storage.removeItem(key + " probe"), true),
        // The kept work ({ link, history, pulse }) when it is newer than the address, or null.
        read() {
            try {
                const kept = JSON.parse(storage.getItem(key));
                if (!kept)
                    return null;
                return (inFrame() ? fragment() === kept.opened : entry === kept.entry) ? kept : null;
            } catch (e) {
                return null;
            }
        },
        keep: (link, history, pulse) => set(key, JSON.stringify({ link: link, history: history, pulse: pulse,
                                                                 opened: opened, entry: name }))
    };
}

// The address of the page's state: written as the curve settles, held for
// a bad link, and read again when it is changed by hand or by a link; the
// tab's copy (keeper, from tabKeeper()) written with every step.
export function installAddress(state, keeper) {
    const t = textOf(state);
    const say = state.say;
    let refusal = "";
    const address = pacedAddress({
        now: () => performance.now(),
        later: setTimeout,
        link: state.addressLink,
        fits: fitsAddress,
        replace: link => {
            try {
                history.replaceState(history.state, "", location.pathname + location.search + "#" + link);
            } catch (e) {
                return false;
            }
            // An empty fragment reads back as "", not "#".
            return location.hash.slice(1) === link;
        },
        told: what => {
            if (what === "tooLong") {
                say(t("tooLong"));
            } else if (what === "refused") {
                say(refusal = t("addressRefused"));
            } else {
                // Taken: a refusal still on the screen is over.
                if (refusal && state.message === refusal)
                    say("");
                refusal = "";
            }
        }
    });
    const keep = () => keeper.usable && keeper.keep(state.addressLink(), state.history(KeepHistory), state.pulse);
    state.subscribe("curve", ({ keepAddress }) => {
        keep();
        return keepAddress ? address.hold() : address.changed();
    });
    // A pulse chosen and not yet pressed is kept by the tab at once, and
    // by the address with the next step (it spends none of its writes).
    state.subscribe("pulse", how => how !== "adopted" && !state.drag && keep());

    // A fragment changed by hand or by a link on the same page: a new curve.
    window.addEventListener("hashchange", () => {
        const link = readFragment(location.hash);
        if (link.error) {
            address.hold();   // the bad link stays, to be mended
            state.say(t("badLink"));
        } else {
            state.newCurve(linkOf(link.items), { adopt: true });
        }
    });
    // Leaving the page, or a tab put away (which may never come back).
    window.addEventListener("pagehide", address.leave);
    document.addEventListener("visibilitychange", () => { if (document.visibilityState === "hidden") address.leave(); });
    return address;
}

// Where the tab cannot keep the work and the address is not the reader's
// (a frame), only a copied link keeps it: true when the page should say so.
export const onlyCopyKeeps = keeper => !keeper.usable && inFrame();
