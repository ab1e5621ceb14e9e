// The classroom view's work: the model's events, the steps they make, undo
// and redo, new curves from links, and the address that keeps the curve.
import { brisqual, say } from "../hooks.js";
import { Kinds, MaxAddress, linkOf, parseLink, readFragment } from "../link.js";
import { ReplacedPens, readOps } from "./draw.js";

// The work lives in ctx: ctx.steps, a list of steps, each the events of one
// drag or the link a new curve came from (a reset to flat, a preset, a
// changed address); the first ctx.done of them make the curve on the
// screen; ctx.drag, the drag in progress: its pointer and events.
export function installWork(ctx) {
    const module = ctx.module;
    ctx.steps = [];
    ctx.done = 0;
    ctx.drag = null;

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

    // The steps that make the curve on the screen: from the last new curve
    // up to `done`.
    function currentSteps() {
        let from = 0;
        for (let i = 0; i < ctx.done; i++)
            if (ctx.steps[i].fresh)
                from = i;
        return ctx.steps.slice(from, ctx.done);
    }

    // The curve on the screen made again from the flat one.
    function rebuild() {
        module.release();
        module.reset();
        for (const step of currentSteps())
            replay(step.items);
    }

    // Its events, and those of a drag in progress; concat, as a long link
    // holds more items than a call can take as arguments. Of the intervals
    // only the last holds, so only it is kept, where it was set.
    function currentItems() {
        const items = [].concat(...currentSteps().map(step => step.items), ctx.drag ? ctx.drag.items : []);
        const last = items.map(item => item[0]).lastIndexOf("i");
        return items.filter((item, i) => item[0] !== "i" || i === last);
    }
    ctx.currentLink = () => linkOf(currentItems());

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
    function addStep(step) {
        ctx.steps.length = ctx.done;
        ctx.steps.push(step);
        ctx.done++;
        settled();
    }

    function settled() {
        ctx.showInterval();
        ctx.repaint();
        ctx.updateControls();
        ctx.describe();
        say("");   // a new curve: what was said of the last one is old
        writeAddress();
        ctx.speakMeanSoon();
    }

    function writeAddress() {
        const address = location.pathname + location.search + "#" + ctx.currentLink();
        if (address.length + location.origin.length > MaxAddress) {
            say(ctx.t("tooLong"));
            return;
        }
        history.replaceState(history.state, "", address);
    }

    // A new curve from a link (a reset is the empty link): itself a step,
    // so that it can be undone. keepInterval: the interval on the screen
    // goes on over the new curve unless the link sets its own.
    ctx.newCurve = (link, keepInterval = false) => {
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
        addStep({ fresh: true, items: items });
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
            say(ctx.t("badLink"));
            writeAddress();   // the address keeps the curve on the screen
        } else {
            ctx.newCurve(linkOf(link.items));
            ctx.showPulse();
        }
    });
}
