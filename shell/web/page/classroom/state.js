// The classroom view's state, its one home. It holds:
//   module, N the model (the WebAssembly module) and its last sample, to read
//   work      the steps, undo and redo, the drag in progress (./work.js)
//   interval  the theorem's [a, b] in samples, the model's: interval()
//   pulse     the chosen [shape, width] that the next drag takes
//   selected  the sample the keyboard works on
//   lang      the page's language, "es" or "en"
//   shown     rectangle (the mean's rectangle), paper (printing), hover
//             (the sample a hovering pointer would grab, -1 none), focus,
//             present (the presentation mode)
//   movingInterval  true while a pointer drags a handle (no undo then)
//   lesson    mode ("", "predict" or "challenge"), hide (letters of what the
//             teacher hides: m mean line, c the c's, a areas, i integral and
//             secant, n numbers), task (a challenge's number), the student's
//             guess (a row of the plot, -1 none) and cs (guessed c's, in
//             samples), checked (the prediction revealed), answer
//   message   the line last said to the user
// Parts change it only through the functions here, and learn of a change
// by subscribing to it by name:
//   curve     a new curve or a step done, undone or redone: curve and
//             interval settled ({ keepAddress, start })
//   moving    the curve or the interval moved within a drag, not yet a step
//   pulse     the chosen pulse ("adopted": the curve's own, a curve follows)
//   selected; language; shown (the key changed); lesson
// No page here, so that Node.js runs it against the module too.
import { createWork } from "./work.js";

export function createState(module, { lang = "es", say = () => {} } = {}) {
    const N = module.sampleCount(), work = createWork(module);
    const listeners = {};
    const publish = (name, detail) => {
        for (const listener of listeners[name] || [])
            listener(detail);
    };

    // A new curve or a step: what was said of the last one is old.
    function settled(keepAddress = false, start = false) {
        state.say("");
        publish("curve", { keepAddress: keepAddress, start: start });
    }
    // After undo, redo or a new address, the chosen pulse is the one the
    // curve's link has in force; the curve is told of next ("adopted").
    function adoptPulse() {
        state.pulse = [module.pulseShape(), module.pulseWidth()];
        publish("pulse", "adopted");
    }

    const state = {
        module: module,
        N: N,
        pulse: [module.pulseShape(), module.pulseWidth()],
        selected: N >> 1,
        lang: lang,
        shown: { rectangle: false, paper: false, hover: -1, focus: false },
        movingInterval: false,
        lesson: { mode: "", hide: "", task: 1, guess: -1, cs: [], checked: false, answer: "" },
        // What is hidden now: before a prediction is checked, all of the theorem.
        hides: what => state.predicting() || state.lesson.hide.includes(what),
        predicting: () => state.lesson.mode === "predict" && !state.lesson.checked,

        subscribe(name, listener) {
            (listeners[name] = listeners[name] || []).push(listener);
        },
        message: "",
        say(text) {
            state.message = text;
            say(text);
        },

        get drag() { return work.drag; },
        interval: () => [module.intervalFirst(), module.intervalLast()],
        canUndo: work.canUndo,
        canRedo: work.canRedo,
        currentLink: work.currentLink,
        currentItems: work.currentItems,
        // The link an address and "Copy link" carry: the shorter form, and
        // the chosen pulse when it is not the one in force.
        addressLink: () => work.shortLink(state.pulse),
        history: work.history,
        // The work kept by the tab (address.js) made again, as the page's first curve.
        restore(history) {
            if (!work.restore(history))
                return false;
            adoptPulse();
            settled(false, true);
            return true;
        },

        // A new curve from a link, a step of its own (see work.js); start:
        // the page's first, said nowhere; keepAddress: the address is left
        // as it is (a bad link, to be mended). False for a bad link.
        // adopt: the link's pulse in force is chosen (an address's link).
        newCurve(link, { keepInterval = false, keepAddress = false, start = false, adopt = false } = {}) {
            if (!work.newCurve(link, keepInterval))
                return false;
            if (adopt)
                adoptPulse();   // a new address: its pulse is chosen
            settled(keepAddress, start);
            return true;
        },
        undo() {
            if (!state.movingInterval && work.undo()) {
                adoptPulse();
                settled();
            }
        },
        redo() {
            if (!state.movingInterval && work.redo()) {
                adoptPulse();
                settled();
            }
        },

        // The interval as a handle is dragged: shown, not yet a step.
        moveInterval(a, b) {
            module.setInterval(a, b);
            publish("moving");
        },
        holdInterval(on) {
            state.movingInterval = on;
        },
        // The interval set: a step, or, for the one in force (`from`), none.
        setInterval(a, b, from) {
            const before = state.interval();
            if (work.setInterval(a, b, from))
                settled();
            else if (module.intervalFirst() !== before[0] || module.intervalLast() !== before[1])
                publish("moving");   // a handle's drag undone
        },

        // A drag (see work.js); the moves of one pointer event come together.
        begin(id, x, y) {
            work.begin(id, x, y, state.pulse);
        },
        dragTo(points) {
            let moved = false;
            for (const [x, y] of points)
                moved = work.moveTo(x, y) || moved;
            if (moved)
                publish("moving");
        },
        end(x, y) {
            if (work.end(x, y))
                settled();
        },
        // A whole drag from row y to row to, as a key makes it: told once, as its step.
        dragAtOnce(id, x, y, to) {
            work.begin(id, x, y, state.pulse);
            work.moveTo(x, to);
            state.end(x, to);
        },
        // A drag ended by the page: the release goes where the pointer last was.
        endDrag() {
            if (work.drag) {
                const items = work.drag.items, last = items[items.length - 1];
                state.end(last[1], last[2]);
            }
        },

        choosePulse(shape, width) {
            if (module.validPulse(shape, width) === 1) {
                state.pulse = [shape, width];
                publish("pulse");
            }
        },
        select(k) {
            state.selected = Math.min(Math.max(k, 0), N);
            publish("selected");
        },
        setLanguage(lang) {
            state.lang = lang;
            publish("language");
        },
        setLesson(changes) {
            Object.assign(state.lesson, changes);
            publish("lesson");
        },
        show(key, value) {
            if (state.shown[key] !== value) {
                state.shown[key] = value;
                publish("shown", key);
            }
        }
    };
    return state;
}
