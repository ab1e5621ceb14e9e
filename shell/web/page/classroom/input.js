// The classroom view's input: one pointer drags, captured, so that a release
// anywhere ends the drag; the keyboard selects a sample and moves it by fixed drags.
//   reads:   the state's drag, selected sample, language and what the lesson
//            hides (while a prediction is made, the plot's pointer and ↑ ↓
//            are the lesson's)
//   changes: the state's work (drags, undo, redo), selected sample, shown.focus
//   subscribes to: curve, selected, language, lesson (the plot's slider value)
import { brisqual } from "../hooks.js";
import { axisLabel, decimalOf, textOf, theoremSummary } from "./words.js";
import { cName, readTheorem } from "./theorem.js";

// toneOnKey(): the key tone, after a key moved the selection or the curve.
// Gives back the selected sample's ring, an overlay of the plot, and the
// arrows where the curve has left it, a layer on top.
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

    // The model moves the curve by its gain for each row the pointer
    // moves; this view hands it the pointer's rows from the press divided
    // by that gain, so that the grabbed point stays under the pointer. The
    // link keeps the rows handed on, so a replay draws the same curve.
    const gain = module.dragRowsPerRow();
    let pressY = 0;
    const dragPoint = e => {
        const [x, y] = modelPoint(e);
        return [x, pressY + Math.round((y - pressY) / gain)];
    };

    canvas.addEventListener("pointerdown", e => {
        if (!brisqual.ready || state.drag || e.button !== 0 || !e.isPrimary || state.predicting())
            return;
        canvas.setPointerCapture(e.pointerId);
        shift = [0, 0];
        const [x, y] = modelPoint(e);
        pressY = y;
        state.begin(e.pointerId, x, y);
    });
    canvas.addEventListener("pointermove", e => {
        const drag = state.drag;
        if (!drag || e.pointerId !== drag.id)
            return;
        const merged = e.getCoalescedEvents ? e.getCoalescedEvents() : [];
        state.dragTo((merged.length ? merged : [e]).map(dragPoint));
    });
    const finish = e => {
        if (state.drag && e.pointerId === state.drag.id)
            state.end(...dragPoint(e));
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
    // sample, told by its abscissa, its height, where it stands against the
    // mean and the c it is on. A screen reader speaks a value change only
    // when the number changes, so a new height at the same sample moves the
    // number by a hair, which nobody hears.
    let told = "", nudge = 0;
    function tellSelected() {
        const f = new Float64Array(module.memory.buffer, module.samples(), N + 1), k = state.selected;
        const T = readTheorem(module), d = f[k] - T.mean, rounded = decimal(d);
        let text = t("sample")(k, decimal(module.sampleAbscissa(k)), decimal(f[k]));
        if (!state.hides("n"))
            text += ", " + t("against")(rounded.replace("\u2212", ""), /[1-9]/.test(rounded) ? Math.sign(d) : 0);
        if (k < T.a || k > T.b)
            text += t("outside");
        const on = state.hides("c") ? -1 : nearestC(T, k);
        if (on >= 0)
            text += t("atC")(cName(on));
        // A prediction's guess and c's, heard where they are made.
        const L = state.lesson;
        if (L.mode === "predict" && L.guess >= 0)
            text += t("guessIs")(decimal(module.curveAtRow(L.guess)));
        if (L.mode === "predict" && L.cs.includes(k))
            text += t("yourC");
        if (text !== told && canvas.getAttribute("aria-valuenow") === String(k + nudge))
            nudge = nudge ? 0 : 0.001;
        told = text;
        canvas.setAttribute("aria-valuenow", String(k + nudge));
        canvas.setAttribute("aria-valuetext", text);
    }
    // The c whose nearest sample is k, or -1.
    function nearestC(T, k) {
        for (let i = 0; i < T.positions.length; i++)
            if (Math.round(T.positions[i]) === k)
                return i;
        return -1;
    }
    // The samples the keys jump to: the next or previous c, a and b, the
    // highest and lowest point of the curve.
    function jumpC(direction) {
        const T = readTheorem(module), k = state.selected;
        if (state.hides("c"))
            return state.say(t("hidden"));
        const at = Array.from(T.positions, p => Math.round(p));
        const next = direction > 0 ? at.find(p => p > k) : at.reverse().find(p => p < k);
        if (next === undefined)
            state.say(at.length ? (direction > 0 ? cName(T.positions.length - 1) : cName(0)) : t("noC"));
        else
            select(next);
    }
    function extreme(sign) {
        const f = new Float64Array(module.memory.buffer, module.samples(), N + 1);
        let best = 0;
        for (let k = 1; k <= N; k++)
            if (sign * (f[k] - f[best]) > 0)
                best = k;
        select(best);
    }
    // The height at the selected sample as a slider of its own, for touch
    // screen readers, whose swipes on the plot only choose the sample: its
    // value is the height in key steps, and a change is that many key drags.
    const height = document.getElementById("height");
    const Step = module.dragRowsPerRow() / module.curveScale();   // the curve's units a key step moves
    function tellHeight() {
        const f = new Float64Array(module.memory.buffer, module.samples(), N + 1), k = state.selected;
        height.value = String(Math.round(f[k] / Step));
        height.setAttribute("aria-valuetext", t("heightAt")(decimal(f[k]), decimal(module.sampleAbscissa(k))));
    }
    height.addEventListener("change", () => {
        const f = new Float64Array(module.memory.buffer, module.samples(), N + 1);
        const dy = Math.round(f[state.selected] / Step) - Number(height.value);
        if (dy !== 0 && !state.drag)
            keyDrag(Math.min(Math.max(dy, -249), 249));
    });
    // The selected sample's height may have changed with the curve.
    for (const name of ["curve", "selected", "language"]) {
        state.subscribe(name, tellSelected);
        state.subscribe(name, tellHeight);
    }
    state.subscribe("lesson", tellSelected);
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
        if (state.drag || e.ctrlKey || e.metaKey || e.altKey || state.predicting() && /^(Arrow(Up|Down)|Page| |Enter)/.test(e.key))
            return;
        const ten = e.shiftKey ? 10 : 1;
        const keys = {
            ArrowLeft: () => select(state.selected - ten), ArrowRight: () => select(state.selected + ten),
            Home: () => select(0), End: () => select(N),
            ArrowUp: () => keyDrag(-ten), ArrowDown: () => keyDrag(ten),
            PageUp: () => keyDrag(-10), PageDown: () => keyDrag(10),
            c: () => jumpC(1), C: () => jumpC(-1),
            a: () => select(module.intervalFirst()), b: () => select(module.intervalLast()),
            h: () => extreme(1), l: () => extreme(-1),
            t: () => state.say(theoremSummary(state))
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
    // A curve that has left the plot: an arrow at the edge, at the sample
    // farthest out of each stretch beyond it, with its value.
    const edges = (g, sx, sy, c) => {
        const f = new Float64Array(module.memory.buffer, module.samples(), N + 1), u = Math.max((sx + sy) / 2, devicePixelRatio);
        g.font = "bold " + Math.round(12 * u) + "px system-ui, sans-serif";
        g.textBaseline = "middle";
        g.lineJoin = "round";
        g.setLineDash([]);
        const sideOf = k => { const y = module.sampleY(k); return y < 0 ? -1 : y > Height - 1 ? 1 : 0; };
        for (let k = 0; k <= N;) {
            const side = sideOf(k);
            if (side === 0) {
                k++;
                continue;
            }
            let far = k;
            for (; k <= N && sideOf(k) === side; k++)
                if (side * (module.sampleY(k) - module.sampleY(far)) > 0)
                    far = k;
            const x = module.sampleX(far) * sx, tip = side < 0 ? 2 * u : Height * sy - 2 * u, base = tip - side * 12 * u;
            g.beginPath();
            g.moveTo(x, tip);
            g.lineTo(x - 7 * u, base);
            g.lineTo(x + 7 * u, base);
            g.closePath();
            g.fillStyle = c.mark;
            g.fill();
            g.lineWidth = 1.5 * u;
            g.strokeStyle = c.ink;
            g.stroke();
            const label = axisLabel(state, f[far]), w = g.measureText(label).width;
            const at = Math.min(Math.max(x + 10 * u, 2 * u), Width * sx - w - 2 * u), row = base + side * 2 * u;
            g.textAlign = "left";
            g.lineWidth = 3 * u;
            g.strokeStyle = c.halo;
            g.strokeText(label, at, row);
            g.fillStyle = c.label;
            g.fillText(label, at, row);
        }
    };
    return { ring: ring, edges: edges };
}
