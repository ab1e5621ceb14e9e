// The classroom view's handles a and b under the plot: two sliders over the
// samples that set the theorem's interval, dragged by a pointer or moved
// by the keyboard; each finished move is a step of the work.
//   reads:   the state's interval, drag, language and shown.help
//   changes: the state's interval (moveInterval, setInterval, holdInterval)
//   subscribes to: curve, moving, language, shown (help)
import { decimalOf } from "./words.js";

export function installHandles(state) {
    const module = state.module, N = state.N, Width = module.width(), decimal = decimalOf(state);
    const canvas = document.getElementById("plot");
    const handles = [document.getElementById("handle-a"), document.getElementById("handle-b")];
    let dragging = null;   // a pointer's drag: its id and the interval it started from

    const interval = state.interval;

    // The handles where the interval is; a drag of the curve leaves them be.
    let shown = "";
    function showInterval() {
        const ends = interval();
        if (shown === (shown = ends + state.lang))
            return;
        handles.forEach((h, i) => {
            const k = ends[i];
            h.style.left = module.positionColumn(k) / Width * 100 + "%";
            h.setAttribute("aria-valuemin", String(i === 0 ? 0 : ends[0] + 1));
            h.setAttribute("aria-valuemax", String(i === 0 ? ends[1] - 1 : N));
            h.setAttribute("aria-valuenow", String(k));
            h.setAttribute("aria-valuetext", (i === 0 ? "a" : "b") + " = " + decimal(module.sampleAbscissa(k)));
        });
    }
    for (const name of ["curve", "moving", "language"])
        state.subscribe(name, showInterval);
    // Under the help the page is inert, and Chromium gives a screen reader
    // stand-ins for the handles' parents, which die with the page's next
    // change (Orca then fails on the handles): out of the page while the
    // help is open, they come back as new objects with their true parents.
    state.subscribe("shown", key => {
        if (key === "help")
            handles.forEach(h => { h.style.display = state.shown.help ? "none" : ""; });
    });

    // Handle i moved to sample k, kept inside the curve and off the other end.
    function moved(i, k) {
        const [a, b] = interval();
        return i === 0 ? [Math.min(Math.max(k, 0), b - 1), b] : [a, Math.max(Math.min(k, N), a + 1)];
    }

    handles.forEach((h, i) => {
        h.addEventListener("keydown", e => {
            if (state.drag || dragging || e.ctrlKey || e.metaKey || e.altKey)
                return;
            const k = interval()[i], ten = e.shiftKey ? 10 : 1;
            const to = { ArrowLeft: k - ten, ArrowDown: k - ten, ArrowRight: k + ten, ArrowUp: k + ten,
                         PageDown: k - 10, PageUp: k + 10, Home: 0, End: N }[e.key];
            if (to === undefined)
                return;
            e.preventDefault();
            state.setInterval(...moved(i, to));
        });
        h.addEventListener("pointerdown", e => {
            if (state.drag || dragging || e.button !== 0 || !e.isPrimary)
                return;
            e.preventDefault();
            h.focus();
            h.setPointerCapture(e.pointerId);
            dragging = { id: e.pointerId, from: interval() };
            state.holdInterval(true);
        });
        h.addEventListener("pointermove", e => {
            if (!dragging || e.pointerId !== dragging.id)
                return;
            const box = canvas.getBoundingClientRect();
            const column = Math.round((e.clientX - box.left) * Width / box.width);
            const [a, b] = moved(i, module.sampleNearColumn(column));
            if (a === module.intervalFirst() && b === module.intervalLast())
                return;
            state.moveInterval(a, b);
        });
        const finish = e => {
            if (!dragging || e.pointerId !== dragging.id)
                return;
            const from = dragging.from;
            dragging = null;
            state.holdInterval(false);
            state.setInterval(...interval(), from);
        };
        h.addEventListener("pointerup", finish);
        h.addEventListener("pointercancel", finish);
        h.addEventListener("lostpointercapture", finish);
    });
}
