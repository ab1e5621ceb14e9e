// The classroom view's input: one pointer drags, captured, so that a release
// anywhere ends the drag; the keyboard selects a sample and moves it by fixed drags.
//   reads:   the state's drag, selected sample and language
//   changes: the state's work (drags, undo, redo), selected sample, shown.focus
//   subscribes to: curve, selected, language (the plot's slider value)
import { brisqual } from "../hooks.js";
import { decimalOf, textOf } from "./words.js";

// toneOnKey(): the key tone, after a key moved the selection or the curve.
// Gives back the selected sample's ring, an overlay of the plot.
export function installInput(state, toneOnKey) {
    const module = state.module, N = state.N, Width = module.width(), Height = module.height();
    const t = textOf(state), decimal = decimalOf(state);
    const canvas = document.getElementById("plot");
    canvas.setAttribute("aria-valuemax", String(N));

    // --- The pointer.

    // A resize or rotation mid-drag moves the plot under a still pointer:
    // the drag then goes on from the point it had, shifted by the change
    // (shift), so that the curve follows the pointer and never jumps.
    let shift = [0, 0], last = null;
    function unshifted(e) {
        const box = canvas.getBoundingClientRect();
        return [Math.floor((e.clientX - box.left) * Width / box.width), Math.floor((e.clientY - box.top) * Height / box.height)];
    }
    function modelPoint(e) {
        const [x, y] = unshifted(e);
        last = { clientX: e.clientX, clientY: e.clientY,
                 at: [Math.min(Math.max(x + shift[0], 0), Width - 1), Math.min(Math.max(y + shift[1], 0), Height - 1)] };
        return last.at;
    }
    function relayout() {
        if (state.drag && state.drag.id >= 0 && last) {
            const [x, y] = unshifted(last);
            shift = [last.at[0] - x, last.at[1] - y];
        }
    }
    new ResizeObserver(relayout).observe(canvas);
    window.addEventListener("resize", relayout);

    canvas.addEventListener("pointerdown", e => {
        if (!brisqual.ready || state.drag || e.button !== 0 || !e.isPrimary)
            return;
        canvas.setPointerCapture(e.pointerId);
        shift = [0, 0];
        const [x, y] = modelPoint(e);
        state.begin(e.pointerId, x, y);
    });
    canvas.addEventListener("pointermove", e => {
        const drag = state.drag;
        if (!drag || e.pointerId !== drag.id)
            return;
        const merged = e.getCoalescedEvents ? e.getCoalescedEvents() : [];
        state.dragTo((merged.length ? merged : [e]).map(modelPoint));
    });
    const finish = e => {
        if (state.drag && e.pointerId === state.drag.id)
            state.end(...modelPoint(e));
    };
    canvas.addEventListener("pointerup", finish);
    canvas.addEventListener("pointercancel", finish);
    canvas.addEventListener("lostpointercapture", finish);
    canvas.addEventListener("contextmenu", e => { if (state.drag) e.preventDefault(); });

    // --- The keyboard: each key a fixed drag, so that links, undo and the
    // replay tool see keyboard work as they see pointer work.

    // The keyboard's sample: a ring on the curve, kept inside the plot.
    const ring = (g, sx, sy) => {
        if (!canvas.matches(":focus-visible") || state.shown.paper)
            return;
        const x = module.sampleX(state.selected) * sx;
        const y = Math.min(Math.max(module.sampleY(state.selected), 0), Height - 1) * sy;
        const r = 7 * (sx + sy) / 2;
        g.setLineDash([]);
        g.lineWidth = 4 * sx;
        g.strokeStyle = "#fff";
        g.beginPath();
        g.arc(x, y, r, 0, 2 * Math.PI);
        g.stroke();
        g.lineWidth = 2 * sx;
        g.strokeStyle = "#000";
        g.stroke();
    };

    // The plot is a slider over the samples: screen readers announce a
    // slider's name and value on focus and pass it the arrow keys without a
    // mode switch, which they do for no canvas. Its value is the selected
    // sample, told by its abscissa and height, and spoken when it changes.
    function tellSelected() {
        const f = new Float64Array(module.memory.buffer, module.samples(), N + 1), k = state.selected;
        canvas.setAttribute("aria-valuenow", String(k));
        canvas.setAttribute("aria-valuetext", t("sample")(k, decimal(k * module.stepWidth()), decimal(f[k])));
    }
    // The selected sample's height may have changed with the curve.
    for (const name of ["curve", "selected", "language"])
        state.subscribe(name, tellSelected);
    function keyDrag(dy) {
        const x = 2 * state.selected;   // the column that grabs the sample
        state.dragAtOnce(-1, x, 250, 250 + dy);
        toneOnKey();
    }
    function select(k) {
        state.select(k);
        toneOnKey();
    }
    canvas.addEventListener("focus", () => {
        tellSelected();
        state.show("focus", true);
    });
    canvas.addEventListener("blur", () => state.show("focus", false));
    canvas.addEventListener("keydown", e => {
        if (state.drag || e.ctrlKey || e.metaKey || e.altKey)
            return;
        const ten = e.shiftKey ? 10 : 1;
        const keys = {
            ArrowLeft: () => select(state.selected - ten), ArrowRight: () => select(state.selected + ten),
            Home: () => select(0), End: () => select(N),
            ArrowUp: () => keyDrag(-ten), ArrowDown: () => keyDrag(ten),
            PageUp: () => keyDrag(-10), PageDown: () => keyDrag(10)
        };
        if (keys[e.key]) {
            e.preventDefault();
            keys[e.key]();
        }
    });
    document.addEventListener("keydown", e => {
        if (document.getElementById("help-dialog").open || !(e.ctrlKey || e.metaKey) || e.altKey)
            return;
        const key = e.key.toLowerCase();
        if (key === "z" && !e.shiftKey)
            state.undo();
        else if (key === "y" || key === "z" && e.shiftKey)
            state.redo();
        else
            return;
        e.preventDefault();
    });
    return ring;
}
