// The classroom view's controls: the tool buttons, the prepared curves and the help dialog.
//   reads:   the state's work (can undo, redo; its link) and language
//   changes: the state's work (new curves, undo, redo), shown.rectangle and help,
//            language, the message; the address, written at once for a copy
//   subscribes to: curve (undo and redo enabled as the work allows), language
import { savePicture } from "./picture.js";
import { addressOf, fitsAddress } from "./address.js";
import { textOf } from "./words.js";

// Prepared curves, each just a link: their home is model/prepared_curves.h.
import { Presets } from "brisqual-generated";
export { Presets };

// address: the address part (address.js); drawing: the plot's (draw.js).
export function installControls(state, address, drawing) {
    const buttons = id => document.getElementById(id), t = textOf(state);
    const dialog = buttons("help-dialog");

    // A button that becomes disabled under the focus hands it to its
    // partner, or to the plot, so that it never falls to the page's body.
    state.subscribe("curve", () => {
        const undo = buttons("undo"), redo = buttons("redo"), held = document.activeElement;
        undo.disabled = !state.canUndo();
        redo.disabled = !state.canRedo();
        if ((held === undo || held === redo) && held.disabled)
            (held === undo ? (redo.disabled ? buttons("plot") : redo) : (undo.disabled ? buttons("plot") : undo)).focus();
    });

    const presets = Presets.map(link => {
        const b = document.createElement("button");
        b.type = "button";
        b.className = "preset";
        b.addEventListener("click", () => state.newCurve(link, { keepInterval: true }));
        document.querySelector(".presets div").appendChild(b);
        return b;
    });
    const namePresets = () => presets.forEach((b, i) => { b.textContent = t("presetNames")[i]; });
    state.subscribe("language", namePresets);
    namePresets();

    buttons("undo").addEventListener("click", state.undo);
    buttons("redo").addEventListener("click", state.redo);
    buttons("reset").addEventListener("click", () => state.newCurve("", { keepInterval: true }));
    // "Copy link" copies the curve on the screen, never an older one: the
    // address may lag behind it (or hold a bad link being mended), so the link
    // is made here. Whatever happens, the focus stays on the button.
    const copyButton = buttons("copy-link");
    copyButton.addEventListener("click", () => {
        state.say("");   // the last action's words are over
        const link = state.addressLink();
        if (!fitsAddress(link)) {
            state.say(t("linkTooLong"));
            return;
        }
        address.writeNow();
        copyText(state, addressOf(link), copyButton, "copied");
    });
    buttons("show-rectangle").addEventListener("change", e => state.show("rectangle", e.target.checked));
    buttons("save-picture").addEventListener("click", () => savePicture(state, drawing));
    // The help covers the plot: a drag in progress ends where it is, so that
    // the curve does not follow the pointer behind it.
    buttons("help").addEventListener("click", () => {
        state.endDrag();
        dialog.showModal();
        state.show("help", true);
    });
    buttons("help-close").addEventListener("click", () => dialog.close());
    // A tap outside the help closes it: a phone has no Esc. Outside, the
    // dialog itself is the target, and the point lies beyond its box; both
    // the press and the release are outside, so that a scroll of the help
    // that ends beyond it does not close it. Not every tap makes a click.
    const outside = e => {
        const b = dialog.getBoundingClientRect();
        return e.target === dialog && (e.clientX < b.left || e.clientX > b.right || e.clientY < b.top || e.clientY > b.bottom);
    };
    let pressedOutside = false;
    dialog.addEventListener("pointerdown", e => { pressedOutside = outside(e); });
    dialog.addEventListener("pointerup", e => {
        if (pressedOutside && outside(e)) {
            dialog.close();
            // The tap's click, if it comes, does not reach what lay under the help.
            const swallow = c => { c.preventDefault(); c.stopPropagation(); };
            document.addEventListener("click", swallow, { capture: true, once: true });
            setTimeout(() => document.removeEventListener("click", swallow, { capture: true }), 400);
        }
        pressedOutside = false;
    });
    // Focus goes back to where help was asked for.
    dialog.addEventListener("close", () => {
        buttons("help").focus();
        state.show("help", false);
    });
    buttons("language").addEventListener("click", () => state.setLanguage(state.lang === "es" ? "en" : "es"));
    buttons("view-switch").addEventListener("click", () => {
        location.assign("?view=classic#" + state.addressLink());
    });
}

// Copies text, by the clipboard or else a selection, and says whether it
// worked (done: the text's key); the focus stays on the button.
export function copyText(state, text, button, done) {
    const t = textOf(state), say = ok => state.say(t(ok ? done : "notCopied"));
    const fallback = () => {
        const area = document.createElement("textarea");
        area.value = text;
        area.setAttribute("readonly", "");
        area.style.position = "fixed";
        area.style.opacity = "0";
        document.body.appendChild(area);
        area.select();
        let ok = false;
        try {
            ok = document.execCommand("copy");
        } catch (e) { /* refused: said below */ }
        area.remove();
        button.focus();
        say(ok);
    };
    if (navigator.clipboard && navigator.clipboard.writeText)
        navigator.clipboard.writeText(text).then(() => say(true), fallback);
    else
        fallback();
}
