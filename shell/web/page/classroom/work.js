// The classroom view's work: the model's events, the steps they make, undo
// and redo, and new curves from links. No page here: the state (state.js)
// owns one work and tells the page of what it does; Node.js runs it as well.
//   reads:   the module (the model), links (../link.js)
//   changes: the model's curve, pulse in force and interval
import { applySamples, linkOf, parseLink, stateLinkOf } from "../link.js";

// Undo and redo restore the nearest snapshot of the model at or before
// the step they go to and replay the rest, so that their cost does not
// grow with the work. Between releases the model is its samples, the
// pulse in force and the interval; a snapshot is taken after a new curve
// and after a step once SnapshotEvery events have been replayed since the last one.
export const SnapshotEvery = 1000;

// The work of one module: steps, a list of steps, each the events of one
// drag or the link a new curve came from (a reset to flat, a preset, a
// changed address); the first `done` of them make the curve in the model;
// drag, the drag in progress: its pointer and events.
export function createWork(module) {
    const N = module.sampleCount();
    const steps = [];
    let done = 0, drag = null;

    function apply(kind, x, y) {
        if (kind === "s") {
            applySamples();   // a state-form link's curve, as it was read
        } else if (kind === "p") {
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

    const samplesView = () => new Float64Array(module.memory.buffer, module.samples(), N + 1);
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

    // The curve made again: the first `done` steps, from the last snapshot among them.
    function rebuild() {
        let at = done - 1;
        while (!steps[at].snapshot)
            at--;
        restore(steps[at].snapshot);
        for (let i = at + 1; i < done; i++)
            for (const [kind, x, y] of steps[i].items)
                apply(kind, x, y);
    }

    // A step is done: keep it and forget what was undone. Each step keeps
    // its own link text, so that a change joins texts rather than writing
    // out every event again; where its curve's link starts (its last new
    // curve); and how many events were replayed since the last snapshot.
    // Of the intervals only the last holds, so only it is written, where it was set.
    function addStep(step) {
        steps.length = done;
        const before = done ? steps[done - 1] : null;
        const intervalAt = step.items.map(item => item[0]).lastIndexOf("i");
        step.interval = intervalAt >= 0;
        step.text = linkOf(step.items.filter((item, i) => item[0] !== "i" || i === intervalAt));
        step.plain = step.interval ? linkOf(step.items.filter(item => item[0] !== "i")) : step.text;
        step.from = step.fresh ? done : before.from;
        step.upto = (before ? before.upto : 0) + step.text.length;
        step.fromUpto = step.fresh ? step.upto - step.text.length : before.fromUpto;
        step.since = step.fresh ? 0 : before.since + step.items.length;
        if (step.fresh || step.since >= SnapshotEvery) {
            step.snapshot = snapshot();
            step.since = 0;
        }
        steps.push(step);
        done++;
    }

    const work = {
        get drag() { return drag; },
        canUndo: () => done > 1,
        canRedo: () => done < steps.length,

        // The link of the curve: steps before the last that sets an
        // interval give their text without it.
        currentLink() {
            const texts = [], from = done ? steps[done - 1].from : 0;
            let last = done - 1;
            while (last >= from && !steps[last].interval)
                last--;
            for (let i = from; i < done; i++)
                texts.push(i < last ? steps[i].plain : steps[i].text);
            if (drag)
                texts.push(linkOf(drag.items));
            return texts.join("");
        },

        // The shorter of the curve's two links, events or state (a few
        // kilobytes however long the work), with the pulse the next press
        // takes, `pulse`, when the link leaves another in force. The events
        // are joined only when they may be the shorter.
        shortLink(pulse) {
            const state = stateLinkOf(), last = done ? steps[done - 1] : null;
            let link = state;
            if (!drag && (!last || last.upto - last.fromUpto < state.length)) {
                const events = work.currentLink();
                if (events.length <= state.length)
                    link = events;
            }
            if (pulse[0] !== module.pulseShape() || pulse[1] !== module.pulseWidth())
                link += linkOf([["p", pulse[0], pulse[1]]]);
            return link;
        },

        // The steps, undone ones too, as texts for work.restore(), or null
        // when they are more than `most` characters.
        history(most) {
            if (!steps.length || steps[steps.length - 1].upto > most)
                return null;
            return { done: done, steps: steps.map(step => [step.fresh ? 1 : 0, step.text]) };
        },
        // The steps of history() made again, the curve at the one done last;
        // false, and nothing changed, for texts that do not read.
        restore({ done: at, steps: texts }) {
            const parsed = texts.map(([, text]) => parseLink(text));
            if (!texts.length || !texts[0][0] || at < 1 || at > texts.length || parsed.some(p => p.error))
                return false;
            steps.length = done = 0;
            drag = null;
            texts.forEach(([fresh, text], i) => {
                if (fresh) {
                    work.newCurve(text);
                } else {
                    for (const [kind, x, y] of parsed[i].items)
                        apply(kind, x, y);
                    addStep({ fresh: false, items: parsed[i].items });
                }
            });
            done = at;
            rebuild();
            return true;
        },

        // Its events, and those of a drag in progress; concat, as a long
        // link holds more items than a call can take as arguments.
        currentItems() {
            const from = done ? steps[done - 1].from : 0;
            const items = [].concat(...steps.slice(from, done).map(step => step.items), drag ? drag.items : []);
            const last = items.map(item => item[0]).lastIndexOf("i");
            return items.filter((item, i) => item[0] !== "i" || i === last);
        },

        // A new curve from a link (a reset is the empty link): itself a
        // step, so that it can be undone. keepInterval: the interval in
        // force goes on over the new curve unless the link sets its own.
        // False for a link that cannot be read.
        newCurve(link, keepInterval = false) {
            const parsed = parseLink(link);
            if (parsed.error)
                return false;
            const [a, b] = [module.intervalFirst(), module.intervalLast()];
            if (keepInterval && (a !== 0 || b !== N) && !parsed.items.some(item => item[0] === "i"))
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
            drag = null;
            addStep({ fresh: true, items: items });
            return true;
        },

        undo() {
            if (drag || done <= 1)
                return false;
            done--;
            rebuild();
            return true;
        },
        redo() {
            if (drag || done >= steps.length)
                return false;
            done++;
            rebuild();
            return true;
        },

        // A new interval [a, b] is a step of its own; nothing is kept when it
        // is the one the steps left in force, `from` (a handle dragged and
        // brought back sets that again). True for a step.
        setInterval(a, b, from = [module.intervalFirst(), module.intervalLast()]) {
            if (drag || a === from[0] && b === from[1] || !module.setInterval(a, b)) {
                module.setInterval(from[0], from[1]);
                return false;
            }
            addStep({ fresh: false, items: [["i", a, b]] });
            return true;
        },

        // A drag, from any input: the id of its pointer (-1 for the
        // keyboard), then its press, moves and release in client pixels.
        // The chosen pulse goes first when it is not the one the link's
        // presses take by now, and only before a press that grabs a
        // sample, as the replay tool writes it.
        begin(id, x, y, pulse) {
            const inForce = [module.pulseShape(), module.pulseWidth()];
            drag = { id: id, items: [], inForce: inForce };
            if (module.anchorAt(x) >= 0 && (pulse[0] !== inForce[0] || pulse[1] !== inForce[1])) {
                drag.items.push(["p", pulse[0], pulse[1]]);
                apply("p", pulse[0], pulse[1]);
            }
            drag.items.push(["d", x, y]);
            apply("d", x, y);
        },
        // True when the move changed the curve.
        moveTo(x, y) {
            if (!apply("m", x, y))
                return false;
            drag.items.push(["m", x, y]);
            return true;
        },
        // True when the drag moved the curve, and so is a step.
        end(x, y) {
            drag.items.push(["u", x, y]);
            apply("u", x, y);
            const step = drag;
            drag = null;
            if (step.items.some(item => item[0] === "m")) {
                addStep({ fresh: false, items: step.items });
                return true;
            }
            module.setPulse(...step.inForce);   // a drag not kept leaves the pulse as the link has it
            return false;
        }
    };
    return work;
}
