// The classroom view: the same model, drawn as vectors at the screen's
// resolution, with words around it. Its parts share one context, ctx.
import { say } from "../hooks.js";
import { parseLink, linkOf, readFragment } from "../link.js";
import { installDrawing } from "./draw.js";
import { installWork } from "./work.js";
import { installWords } from "./words.js";
import { installInput } from "./input.js";
import { Presets, installControls } from "./controls.js";
import { installShapes } from "./shapes.js";
import { installSound } from "./sound.js";
import { installTheorem } from "./theorem.js";
import { installHandles } from "./handles.js";

// ctx holds the module and its sizes, the plot canvas, the state each part
// keeps there (steps, drag, lang, selected, paper) and the functions each
// part gives the others; under, over and overlays draw on the plot, in order.
export function startClassroom(module) {
    const canvas = document.getElementById("plot");
    const ctx = { module: module, canvas: canvas, Width: module.width(), Height: module.height(),
                  N: module.sampleCount(), paper: false, under: [], over: [], overlays: [], say: say };
    canvas.style.aspectRatio = ctx.Width + " / " + ctx.Height;
    installWords(ctx);
    installTheorem(ctx);
    installDrawing(ctx);
    installHandles(ctx);
    installWork(ctx);
    installInput(ctx);
    installControls(ctx);
    installShapes(ctx);
    installSound(ctx);

    // Start-up: the words, the canvas at its size, the curve of the address
    // (no '#' at all: the first prepared curve) drawn once, and then the page
    // shows, all in one piece so that nothing shifts.
    ctx.applyLanguage();
    canvas.width = ctx.Width;
    canvas.height = ctx.Height;
    ctx.fitBackingStore(false);
    const start = location.href.includes("#") ? readFragment(location.hash) : { items: parseLink(Presets[0]).items };
    if (start.error) {
        ctx.newCurve("", { keepAddress: true });   // the bad link stays in the address, to be mended
        say(ctx.t("badLinkFlat"));
    } else {
        ctx.newCurve(linkOf(start.items));
    }
    ctx.showPulse();   // the controls show the pulse the address left in force
    ctx.stopSpeakingMean();
    document.body.classList.add("ready");
}
