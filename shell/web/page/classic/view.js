// The classic view: the Windows window, pixel for pixel, with its menu, About
// dialog and the end of the program on Esc.
import { MainMenu, MainWindowCaption } from "brisqual-generated";
import { brisqual, say } from "../hooks.js";
import { applySamples, linkOf, readFragment, stateLinkOf } from "../link.js";
import { buildAbout } from "./about.js";

// What is wrong with a link, in the view's own Spanish.
function linkFault(link) {
    const where = link.at ? " en el carácter " + link.at : "";
    return { item: "no hay un evento válido", range: "una coordenada pasa de 65535",
             pulse: "un pulso que no existe", interval: "un intervalo que no existe",
             encoding: "un carácter mal codificado", length: "una dirección demasiado larga" }[link.reason] + where;
}

export function startClassic(module) {
    const canvas = document.getElementById("plot");
    const context = canvas.getContext("2d", { alpha: false });
    let image = null, imageBuffer = null, aboutOpen = false, aboutButton = null;
    // The pulse a link left in force: the classroom view's choice, which
    // this view's address carries back to it.
    let carried = null;
    document.title = MainWindowCaption;
    canvas.width = module.width();
    canvas.height = module.height();
    canvas.style.width = canvas.width + "px";
    canvas.style.height = canvas.height + "px";

    // One repaint: the model's pixels, already RGBA, straight into the canvas.
    function repaint() {
        const pixels = module.paint();
        const memory = module.memory.buffer;
        if (memory !== imageBuffer) {   // a grown memory detaches the old view
            imageBuffer = memory;
            image = new ImageData(new Uint8ClampedArray(memory, pixels, canvas.width * canvas.height * 4),
                                  canvas.width, canvas.height);
        }
        context.putImageData(image, 0, 0);
        brisqual.repaints++;
    }

    // The model's entry points, each logged as the replay tool reads it.
    // Moves without a drag change nothing and are left out, so that a
    // pointer that only hovers does not make the list grow.
    function press(x, y) { brisqual.events.push("down " + x + " " + y); module.press(x, y); }
    function release(x, y) {
        brisqual.events.push("up " + x + " " + y);
        module.release();
        keep();
    }
    // The curve in its state form, with the pulse the link left in force.
    function linkNow() {
        let link = stateLinkOf();
        if (carried && (carried[0] !== module.pulseShape() || carried[1] !== module.pulseWidth()))
            link += linkOf([["p", carried[0], carried[1]]]);
        return link;
    }
    // Every drag goes into the address at once, so that a reload keeps it.
    function keep() {
        try {
            history.replaceState(history.state, "", location.pathname + location.search + "#" + linkNow());
        } catch (e) { /* the address stays; "Vista de aula" still carries the curve */ }
    }
    function pulse(shape, width) { brisqual.events.push("pulse " + shape + " " + width); module.setPulse(shape, width); }
    // The theorem's interval changes nothing in this view's picture; it is
    // kept so that the events replay as the link reads.
    function interval(a, b) { brisqual.events.push("interval " + a + " " + b); module.setInterval(a, b); }
    function move(x, y) {
        if (module.move(y) === 0)
            return false;
        brisqual.events.push("move " + x + " " + y);
        return true;
    }

    // A link's pulses shape its drags; the window's own input then takes the
    // program's pulse again, as the Windows program has no other.
    function replayLink() {
        if (location.hash.length <= 1)
            return;
        const own = [module.pulseShape(), module.pulseWidth()];
        const link = readFragment(location.hash);
        if (link.error) {
            say("El enlace no se pudo leer (" + linkFault(link) + "); la curva empieza plana.");
            return;
        }
        for (const [kind, x, y] of link.items)
            ({ d: press, m: move, u: (x, y) => { brisqual.events.push("up " + x + " " + y); module.release(); },
               p: pulse, i: interval, s: applySamples })[kind](x, y);
        // A link that stops inside a drag: no button is held, so the drag
        // ends there and hovering cannot deform the curve.
        const last = link.items.filter(item => "dmu".includes(item[0])).pop();   // where the pointer was
        if (module.dragging())
            release(last[1], last[2]);
        carried = [module.pulseShape(), module.pulseWidth()];
        if (module.pulseShape() !== own[0] || module.pulseWidth() !== own[1])
            pulse(own[0], own[1]);
    }

    // Whole client pixels under the pointer, as the window's messages carry them.
    function clientPoint(e) {
        const box = canvas.getBoundingClientRect();
        const x = Math.floor(e.clientX - box.left), y = Math.floor(e.clientY - box.top);
        return [Math.min(Math.max(x, 0), canvas.width - 1), Math.min(Math.max(y, 0), canvas.height - 1)];
    }

    function accepting(e) {
        return brisqual.ready && !brisqual.ended && !aboutOpen && e.isPrimary;
    }

    // Only the left button, over the canvas only: the pointer is not captured,
    // so a release elsewhere is not seen and the drag goes on when the pointer
    // comes back, as in the Windows program.
    canvas.addEventListener("pointerdown", e => {
        e.preventDefault();
        if (canvas.hasPointerCapture(e.pointerId))
            canvas.releasePointerCapture(e.pointerId);   // a touch captures by itself
        if (!accepting(e) || e.button !== 0)
            return;
        const [x, y] = clientPoint(e);
        press(x, y);
    });
    canvas.addEventListener("pointerup", e => {
        if (!accepting(e) || e.button !== 0)
            return;
        const [x, y] = clientPoint(e);
        release(x, y);
    });
    canvas.addEventListener("pointermove", e => {
        if (!accepting(e))
            return;
        if (e.button === 0) {
            // The left button changed while another was held: pointer events
            // report it as a move.
            const [x, y] = clientPoint(e);
            if (e.buttons & 1)
                press(x, y);
            else
                release(x, y);
            return;
        }
        // Moves that arrive faster than frames come merged; each one moves the
        // curve, and each that changed it is one repaint.
        const merged = e.getCoalescedEvents ? e.getCoalescedEvents() : [];
        for (const each of merged.length ? merged : [e]) {
            const [x, y] = clientPoint(each);
            if (move(x, y))
                repaint();
        }
    });
    // The side buttons would otherwise take the browser back or forward.
    for (const kind of ["pointerup", "mouseup", "auxclick"])
        canvas.addEventListener(kind, e => { if (e.button > 2) e.preventDefault(); });
    for (const kind of ["contextmenu", "selectstart", "dragstart"])
        document.addEventListener(kind, e => e.preventDefault());
    canvas.addEventListener("wheel", e => e.preventDefault(), { passive: false });
    canvas.addEventListener("touchstart", e => e.preventDefault(), { passive: false });

    document.addEventListener("keydown", e => {
        if (aboutOpen) {
            // Enter is the default button; Esc is not handled by the dialog.
            if (e.key === "Enter") {
                e.preventDefault();
                closeAbout();
            } else if (e.key === "Escape" || e.key === "Tab") {
                e.preventDefault();
            }
            return;
        }
        if (e.key !== "Escape" || !brisqual.ready || brisqual.ended)
            return;
        e.preventDefault();
        brisqual.events.push("key esc");
        brisqual.ended = true;
        canvas.style.cursor = "default";
        say("El programa ha terminado. Recargue la página para empezar de nuevo.");
    });

    function openAbout() {
        if (!brisqual.ready || brisqual.ended || aboutOpen)
            return;
        aboutOpen = true;
        document.getElementById("modal").className = "open";
        aboutButton.focus();
    }
    function closeAbout() {
        aboutOpen = false;
        document.getElementById("modal").className = "";
        document.getElementById("menu").blur();
    }
    document.getElementById("menu").addEventListener("click", openAbout);
    document.getElementById("view-switch").addEventListener("click", () => {
        location.assign("?view=classroom#" + linkNow());
    });

    document.getElementById("menu").textContent = MainMenu[0];
    aboutButton = buildAbout(canvas, closeAbout);
    replayLink();
    repaint();
}
