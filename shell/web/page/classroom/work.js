// The classroom view's work: the model's events, the steps they make, undo
// and redo, new curves from links, and the address that keeps the curve.
import { brisqual, say } from "../hooks.js";
import { Kinds, linkOf, parseLink, readFragment } from "../link.js";
import { ReplacedPens, readOps } from "./draw.js";
import { installAddress } from "./address.js";

// The work lives in ctx: ctx.steps, a list of steps, each the events of one
// drag or the link a new curve came from (a reset to flat, a preset, a
// changed address); the first ctx.done of them make the curve on the
// screen; ctx.drag, the drag in progress: its pointer and events.
export function installWork(ctx) {
    const module = ctx.module;
    ctx.steps = [];
    ctx.done = 0;
    ctx.drag = null;
    installAddress(ctx);

    function apply(kind, x, y) {
        if (kind === "p") {
            module.setPulse(x, y);   // for the presses after it
        } else if (kind === "i") {
            module.setInterval(x, y);   // the theorem's [a, b], in samples
        } else if (kind === "d") {
            module.press(x, y);
        } else if (kind === "u") {
            module.release();
        } else {
            // A move with no drag, or to the same row, changes nothing: it is
            // neither given to the model nor kept.
            if (!module.dragging() || y === module.lastY())
                return false;
            module.move(y);
        }
        return true;
    }

    function replay(items) {
        for (const [kind, x, y] of items)
            apply(kind, x, y);
    }

    // Undo and redo restore the nearest snapshot of the model at or before
    // the step they go to and replay the rest, so that their cost does not
    // grow with the work. Between releases the model is its samples, the
    // pulse in force and the interval; a snapshot is taken after a new curve and after a step
    // once SnapshotEvery events have been replayed since the last one.
    const SnapshotEvery = 1000;
    const samplesView = () => new Float64Array(module.memory.buffer, module.samples(), ctx.N + 1);
    function snapshot() {
        return { samples: samplesView().slice(), pulse: [module.pulseShape(), module.pulseWidth()],
                 interval: [module.intervalFirst(), module.intervalLast()] };
    }
    function restore(snap) {
        module.release();
        samplesView().set(snap.samples);
        module.setPulse(...snap.pulse);
        module.setInterval(...snap.interval);
    }

    // The curve on the screen made again: the first `done` steps, from the
    // last new curve among them.
    function rebuild() {
        let at = ctx.done - 1;
        while (!ctx.steps[at].snapshot)
            at--;
        restore(ctx.steps[at].snapshot);
        for (let i = at + 1; i < ctx.done; i++)
            replay(ctx.steps[i].items);
    }

    // The link of the curve on the screen: each step keeps its own text, so
    // that a change joins texts rather than writing out every event again.
    // Of the intervals only the last holds, so only it is written, where it
    // was set: steps before the last that sets one give their text without.
    ctx.currentLink = () => {
        const texts = [], from = ctx.done ? ctx.steps[ctx.done - 1].from : 0;
        let last = ctx.done - 1;
        while (last >= from && !ctx.steps[last].interval)
            last--;
        for (let i = from; i < ctx.done; i++)
            texts.push(i < last ? ctx.steps[i].plain : ctx.steps[i].text);
        if (ctx.drag)
            texts.push(linkOf(ctx.drag.items));
        return texts.join("");
    };

    // Its events, and those of a drag in progress; concat, as a long link
    // holds more items than a call can take as arguments. Of the intervals
    // only the last holds, so only it is kept, where it was set.
    function currentItems() {
        const from = ctx.done ? ctx.steps[ctx.done - 1].from : 0;
        const items = [].concat(...ctx.steps.slice(from, ctx.done).map(step => step.items), ctx.drag ? ctx.drag.items : []);
        const last = items.map(item => item[0]).lastIndexOf("i");
        return items.filter((item, i) => item[0] !== "i" || i === last);
    }

    Object.defineProperty(brisqual, "events", {
        get: () => currentItems().map(([k, x, y]) => Kinds[k] + " " + x + " " + y)
    });
    brisqual.link = ctx.currentLink;
    // The painter's operations this view strokes.
    brisqual.ops = () => {
        const ops = readOps(module), lines = [];
        let replaced = false;
        for (let i = 0; i < ops.length; i += 5) {
            if (ops[i] === 0)
                replaced = ReplacedPens.includes(ops[i + 3] >>> 0);
            if (replaced)
                continue;
            lines.push(ops[i] === 0
                ? "pen " + (ops[i + 1] === 1 ? "DASH" : "SOLID") + " " + ops[i + 2] + " 0x" +
                  (ops[i + 3] >>> 0).toString(16).toUpperCase().padStart(8, "0")
                : "line " + ops.slice(i + 1, i + 5).join(" "));
        }
        return lines;
    };

    // A step is done: keep it, forget what was undone, and show the result.
    // Each step knows where its curve's link starts (its last new curve) and
    // how many events were replayed since the last snapshot.
    function addStep(step, keepAddress) {
        ctx.steps.length = ctx.done;
        const before = ctx.done ? ctx.steps[ctx.done - 1] : null;
        const intervalAt = step.items.map(item => item[0]).lastIndexOf("i");
        step.interval = intervalAt >= 0;
        step.text = linkOf(step.items.filter((item, i) => item[0] !== "i" || i === intervalAt));
        step.plain = step.interval ? linkOf(step.items.filter(item => item[0] !== "i")) : step.text;
        step.from = step.fresh ? ctx.done : before.from;
        step.since = step.fresh ? 0 : before.since + step.items.length;
        if (step.fresh || step.since >= SnapshotEvery) {
            step.snapshot = snapshot();
            step.since = 0;
        }
        ctx.steps.push(step);
        ctx.done++;
        settled(keepAddress);
    }

    // keepAddress: a bad link at load stays in the address bar, to be mended.
    function settled(keepAddress) {
        ctx.showInterval();
        ctx.repaint();
        ctx.updateControls();
        ctx.describe();
        say("");   // a new curve: what was said of the last one is old
        if (keepAddress)
            ctx.holdAddress();
        else
            ctx.addressChanged();
        ctx.speakMeanSoon();
    }

    // A new curve from a link (a reset is the empty link): itself a step,
    // so that it can be undone. keepInterval: the interval on the screen
    // goes on over the new curve unless the link sets its own; keepAddress:
    // the address is left as it is.
    ctx.newCurve = (link, { keepInterval = false, keepAddress = false } = {}) => {
        const parsed = parseLink(link);
        if (parsed.error)
            return false;
        const [a, b] = [module.intervalFirst(), module.intervalLast()];
        if (keepInterval && (a !== 0 || b !== ctx.N) && !parsed.items.some(item => item[0] === "i"))
            parsed.items.unshift(["i", a, b]);
        module.release();
        module.reset();
        const items = parsed.items.filter(([kind, x, y]) => apply(kind, x, y));
        // A link that stops inside a drag: no button is held, so the drag
        // ends there and hovering cannot deform the curve.
        if (module.dragging()) {
            const last = items.filter(item => "dmu".includes(item[0])).pop();   // where the pointer was
            items.push(["u", last[1], last[2]]);
            module.release();
        }
        ctx.drag = null;
        addStep({ fresh: true, items: items }, keepAddress);
        return true;
    };

    ctx.canUndo = () => ctx.done > 1;
    ctx.canRedo = () => ctx.done < ctx.steps.length;
    ctx.undo = () => {
        if (ctx.drag || ctx.movingInterval || ctx.done <= 1)
            return;
        ctx.done--;
        rebuild();
        ctx.showPulse();
        settled();
    };
    ctx.redo = () => {
        if (ctx.drag || ctx.movingInterval || ctx.done >= ctx.steps.length)
            return;
        ctx.done++;
        rebuild();
        ctx.showPulse();
        settled();
    };

    // A new interval [a, b] is a step of its own; nothing is kept when it
    // is the one the steps left in force, `from` (a handle dragged and
    // brought back sets that again).
    ctx.setInterval = (a, b, from = [module.intervalFirst(), module.intervalLast()]) => {
        if (ctx.drag || a === from[0] && b === from[1] || !module.setInterval(a, b)) {
            module.setInterval(from[0], from[1]);
            return;
        }
        addStep({ fresh: false, items: [["i", a, b]] });
    };

    // A drag, from any input: the id of its pointer (-1 for the keyboard),
    // then its press, moves and release in client pixels. A drag that moved
    // the curve is a step.
    // The pulse chosen (ctx.pulse, [shape, width]) goes first when it is not
    // the one the link's presses take by now, and only before a press that
    // grabs a sample, as the replay tool writes it.
    ctx.begin = (id, x, y) => {
        const inForce = [module.pulseShape(), module.pulseWidth()];
        ctx.drag = { id: id, items: [], inForce: inForce };
        if (module.anchorAt(x) >= 0 && (ctx.pulse[0] !== inForce[0] || ctx.pulse[1] !== inForce[1])) {
            ctx.drag.items.push(["p", ctx.pulse[0], ctx.pulse[1]]);
            apply("p", ctx.pulse[0], ctx.pulse[1]);
        }
        ctx.drag.items.push(["d", x, y]);
        apply("d", x, y);
    };
    ctx.moveTo = (x, y) => {
        if (apply("m", x, y))
            ctx.drag.items.push(["m", x, y]);
    };
    // A drag ended by the page (the help opening over it): the release goes
    // where the pointer last was.
    ctx.endDrag = () => {
        if (!ctx.drag)
            return;
        const last = ctx.drag.items[ctx.drag.items.length - 1];
        ctx.end(last[1], last[2]);
    };
    ctx.end = (x, y) => {
        ctx.drag.items.push(["u", x, y]);
        apply("u", x, y);
        const step = ctx.drag;
        ctx.drag = null;
        if (step.items.some(item => item[0] === "m"))
            addStep({ fresh: false, items: step.items });
        else
            module.setPulse(...step.inForce);   // a drag not kept leaves the pulse as the link has it
    };

    // A fragment changed by hand or by a link on the same page: a new curve.
    window.addEventListener("hashchange", () => {
        const link = readFragment(location.hash);
        if (link.error) {
            ctx.holdAddress();   // the bad link stays, to be mended
            say(ctx.t("badLink"));
        } else {
            ctx.newCurve(linkOf(link.items));
            ctx.showPulse();
        }
    });
}
