// The classroom view's input: one pointer drags, captured, so that a release
// anywhere ends the drag; the keyboard selects a sample and moves it by fixed drags.
import { brisqual } from "../hooks.js";

// Gives ctx selected, the sample the keyboard works on, and tellSelected(),
// which gives the plot's slider its value; draws the sample's ring over the plot.
export function installInput(ctx) {
    const { module, canvas, Width, Height, N } = ctx;
    ctx.selected = N >> 1;
    canvas.setAttribute("aria-valuemax", String(N));

    // --- The pointer.

    function modelPoint(e) {
        const box = canvas.getBoundingClientRect();
        const x = Math.floor((e.clientX - box.left) * Width / box.width);
        const y = Math.floor((e.clientY - box.top) * Height / box.height);
        return [Math.min(Math.max(x, 0), Width - 1), Math.min(Math.max(y, 0), Height - 1)];
    }

    canvas.addEventListener("pointerdown", e => {
        if (!brisqual.ready || ctx.drag || e.button !== 0 || !e.isPrimary)
            return;
        canvas.setPointerCapture(e.pointerId);
        const [x, y] = modelPoint(e);
        ctx.begin(e.pointerId, x, y);
    });
    canvas.addEventListener("pointermove", e => {
        const drag = ctx.drag;
        if (!drag || e.pointerId !== drag.id)
            return;
        const merged = e.getCoalescedEvents ? e.getCoalescedEvents() : [];
        const before = drag.items.length;
        for (const each of merged.length ? merged : [e])
            ctx.moveTo(...modelPoint(each));
        if (drag.items.length !== before) {
            ctx.repaint();
            ctx.showMean();
        }
    });
    const finish = e => {
        if (ctx.drag && e.pointerId === ctx.drag.id)
            ctx.end(...modelPoint(e));
    };
    canvas.addEventListener("pointerup", finish);
    canvas.addEventListener("pointercancel", finish);
    canvas.addEventListener("lostpointercapture", finish);
    canvas.addEventListener("contextmenu", e => { if (ctx.drag) e.preventDefault(); });

    // --- The keyboard: each key a fixed drag, so that links, undo and the
    // replay tool see keyboard work as they see pointer work.

    // The keyboard's sample: a ring on the curve, kept inside the plot.
    ctx.overlays.push((g, sx, sy) => {
        if (!canvas.matches(":focus-visible") || ctx.paper)
            return;
        const x = module.sampleX(ctx.selected) * sx;
        const y = Math.min(Math.max(module.sampleY(ctx.selected), 0), Height - 1) * sy;
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
    });

    // The plot is a slider over the samples: screen readers announce a
    // slider's name and value on focus and pass it the arrow keys without a
    // mode switch, which they do for no canvas. Its value is the selected
    // sample, told by its abscissa and height, and spoken when it changes.
    ctx.tellSelected = () => {
        const f = new Float64Array(module.memory.buffer, module.samples(), N + 1);
        canvas.setAttribute("aria-valuenow", String(ctx.selected));
        canvas.setAttribute("aria-valuetext",
                            ctx.t("sample")(ctx.selected, ctx.decimal(ctx.selected * module.stepWidth()), ctx.decimal(f[ctx.selected])));
    };
    function keyDrag(dy) {
        const x = 2 * ctx.selected;   // the column that grabs the sample
        ctx.begin(-1, x, 250);
        ctx.moveTo(x, 250 + dy);
        ctx.end(x, 250 + dy);
        ctx.toneOnKey();
    }
    function select(k) {
        ctx.selected = Math.min(Math.max(k, 0), N);
        ctx.repaint();
        ctx.tellSelected();
        ctx.toneOnKey();
    }
    canvas.addEventListener("focus", () => {
        ctx.tellSelected();
        ctx.repaint();
    });
    canvas.addEventListener("blur", () => ctx.repaint());
    canvas.addEventListener("keydown", e => {
        if (ctx.drag || e.ctrlKey || e.metaKey || e.altKey)
            return;
        const ten = e.shiftKey ? 10 : 1;
        const keys = {
            ArrowLeft: () => select(ctx.selected - ten), ArrowRight: () => select(ctx.selected + ten),
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
            ctx.undo();
        else if (key === "y" || key === "z" && e.shiftKey)
            ctx.redo();
        else
            return;
        e.preventDefault();
    });
}
