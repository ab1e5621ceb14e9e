// The classroom view's address bar, which keeps the curve: written a few
// times a second at most, at once when the page is hidden or left, and
// checked after each write, so that a reload never loses work in silence.
import { brisqual, say } from "../hooks.js";
import { MaxAddress } from "../link.js";

// Chromium ignores replaceState beyond about 200 calls in 10 s, and a held
// key makes more. A burst of a few writes goes through at once, so that a
// single change shows at once; beyond it, one write every Interval ms, and
// the last change is always written. A refused write is tried again.
// A long address is slow to write (a tenth of a second for 800 kB): once
// the link is longer than LongLink, writes leave the input's handlers for a
// timer of their own and come at least ten times their cost apart.
const Burst = 8, Interval = 250, Retry = 1000, LongLink = 16384;

// Gives ctx addressChanged() (the curve changed: write it soon),
// holdAddress() (leave the address as it is, a bad link to be mended,
// until the curve changes again), writeAddressNow(), fitsAddress(link)
// and addressOf(link).
export function installAddress(ctx) {
    let dirty = false, held = false, timer = 0, refusal = "";
    let tokens = Burst, refilled = performance.now(), cost = 0, written = 0;

    ctx.addressOf = link => location.origin + location.pathname + location.search + "#" + link;

    const fits = ctx.fitsAddress = link => {
        return location.origin.length + location.pathname.length + location.search.length + 1 + link.length <= MaxAddress;
    };

    // Writes the curve's link now and checks that the address took it.
    function write() {
        const link = ctx.currentLink();
        dirty = false;
        if (!fits(link)) {
            say(ctx.t("tooLong"));
            return;
        }
        let taken = true;
        const start = performance.now();
        try {
            history.replaceState(history.state, "", location.pathname + location.search + "#" + link);
        } catch (e) {
            taken = false;
        }
        taken = taken && location.hash === "#" + link;
        cost = performance.now() - start;
        written = link.length;
        if (taken) {
            if (refusal && brisqual.message === refusal)
                say("");
            refusal = "";
            return;
        }
        dirty = true;
        refusal = ctx.t("addressRefused");
        say(refusal);
        later(Retry);
    }

    function later(ms) {
        if (!timer)
            timer = setTimeout(() => { timer = 0; flush(true); }, ms);
    }

    function flush(onTimer) {
        if (!dirty || held)
            return;
        const now = performance.now(), slow = written > LongLink;
        const gap = slow ? Math.max(Interval, 10 * cost) : Interval;
        tokens = Math.min(slow ? 1 : Burst, tokens + (now - refilled) / gap);
        refilled = now;
        if (tokens >= 1 && (onTimer || !slow)) {
            tokens--;
            write();
        } else {
            later(tokens >= 1 ? 0 : Math.ceil((1 - tokens) * gap));
        }
    }

    ctx.addressChanged = () => {
        dirty = true;
        held = false;
        flush();
    };
    ctx.holdAddress = () => {
        held = true;
        dirty = false;
    };
    ctx.writeAddressNow = () => {
        held = false;
        dirty = true;
        write();
    };

    // Leaving the page, or a tab put away (which may never come back), must
    // not lose the last changes.
    const leave = () => { if (dirty && !held) write(); };
    window.addEventListener("pagehide", leave);
    document.addEventListener("visibilitychange", () => { if (document.visibilityState === "hidden") leave(); });
}
