// The classroom view's controls: the tool buttons, the prepared curves and the help dialog.
import { savePicture } from "./picture.js";

// Prepared curves, each just a link, brisqual-replay --link of the event
// files tests/data/events/pulse/preset-*.events: a smooth hill (also the
// first screen, where the red curve would otherwise lie hidden under the
// others), a wave of hills, the whole curve raised (a constant), a plateau,
// and a raised and a lowered plateau that balance out.
export const Presets = ["p1.19d400.250m400.150u400.150",
                        "p1.14d74.250m74.170u74.170d224.250m224.330u224.330d374.250m374.170u374.170d524.250m524.330u524.330",
                        "p3.19d300.250m300.190u300.190",
                        "d300.250m300.150u300.150",
                        "d150.250m150.170u150.170d450.250m450.330u450.330"];

// Gives ctx updateControls(), which enables undo and redo as the work allows.
export function installControls(ctx) {
    const buttons = id => document.getElementById(id);
    const dialog = buttons("help-dialog");

    ctx.updateControls = () => {
        buttons("undo").disabled = !ctx.canUndo();
        buttons("redo").disabled = !ctx.canRedo();
    };

    for (const link of Presets) {
        const b = document.createElement("button");
        b.type = "button";
        b.className = "preset";
        b.addEventListener("click", () => ctx.newCurve(link, { keepInterval: true }));
        document.querySelector(".presets div").appendChild(b);
    }

    buttons("undo").addEventListener("click", () => ctx.undo());
    buttons("redo").addEventListener("click", () => ctx.redo());
    buttons("reset").addEventListener("click", () => ctx.newCurve("", { keepInterval: true }));
    // "Copy link" copies the curve on the screen, never an older one: the
    // address may lag behind it (or hold a bad link being mended), so the link
    // is made here. Whatever happens, the focus stays on the button.
    const copyButton = buttons("copy-link");
    copyButton.addEventListener("click", () => {
        const link = ctx.currentLink();
        if (!ctx.fitsAddress(link)) {
            ctx.say(ctx.t("linkTooLong"));
            return;
        }
        ctx.writeAddressNow();
        const text = ctx.addressOf(link);
        const done = () => ctx.say(ctx.t("copied")), failed = () => ctx.say(ctx.t("notCopied"));
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
            copyButton.focus();
            (ok ? done : failed)();
        };
        if (navigator.clipboard && navigator.clipboard.writeText)
            navigator.clipboard.writeText(text).then(done, fallback);
        else
            fallback();
    });
    buttons("show-rectangle").addEventListener("change", e => {
        ctx.showRectangle = e.target.checked;
        ctx.repaint();
    });
    buttons("save-picture").addEventListener("click", () => savePicture(ctx));
    // The help covers the plot: a drag in progress ends where it is, so that
    // the curve does not follow the pointer behind it.
    buttons("help").addEventListener("click", () => {
        ctx.endDrag();
        dialog.showModal();
    });
    buttons("help-close").addEventListener("click", () => dialog.close());
    // Focus goes back to where help was asked for.
    dialog.addEventListener("close", () => buttons("help").focus());
    buttons("language").addEventListener("click", () => ctx.switchLanguage());
    buttons("view-switch").addEventListener("click", () => {
        location.assign("?view=classic#" + ctx.currentLink());
    });
}
