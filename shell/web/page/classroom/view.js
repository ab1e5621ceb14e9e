// The classroom view: the same model, drawn as vectors at the screen's
// resolution, with words around it. Its parts share one state (state.js);
// each is given what it needs, so that it is made after what it is given.
import { brisqual, say } from "../hooks.js";
import { Kinds, linkOf, parseLink, readFragment } from "../link.js";
import { createState } from "./state.js";
import { Screen, setColourProperties } from "./colours.js";
import { installWords, preferredLanguage, textOf } from "./words.js";
import { theoremLayers } from "./theorem.js";
import { installDrawing } from "./draw.js";
import { installHandles } from "./handles.js";
import { installAddress, onlyCopyKeeps, tabKeeper } from "./address.js";
import { installInput } from "./input.js";
import { Presets, installControls } from "./controls.js";
import { installShapes } from "./shapes.js";
import { installSound } from "./sound.js";
import { installPresent } from "./present.js";
import { installLesson } from "./lesson.js";

export function startClassroom(module) {
    const state = createState(module, { lang: preferredLanguage(), say: say });
    setColourProperties(document.body);
    installWords(state);
    installHandles(state);
    const sound = installSound(state), { ring, edges } = installInput(state, sound.toneOnKey);
    const preview = installShapes(state);
    const theorem = theoremLayers(state), guesses = installLesson(state, sound.tones);
    // The preview of a drag under the c's marks (drawn again over it on
    // screen) and the keyboard's ring.
    const marksOnScreen = (g, sx, sy) => {
        if (!state.shown.paper) {
            theorem.marks(g, sx, sy, Screen);
            edges(g, sx, sy, Screen);
        }
    };
    const drawing = installDrawing(state, { under: [theorem.under], over: [theorem.over], top: [theorem.marks, edges, guesses],
                                            overlays: [preview, marksOnScreen, ring] });
    const keeper = tabKeeper(), kept = keeper.usable ? keeper.read() : null;   // before any step overwrites it
    installControls(state, installAddress(state, keeper), drawing);
    installPresent(state);

    // The test hooks: the curve's events and link.
    Object.defineProperty(brisqual, "events", {
        get: () => state.currentItems().map(([k, x, y]) => Kinds[k] + " " + x + " " + y)
    });
    brisqual.link = state.currentLink;
    brisqual.addressLink = state.addressLink;

    // Start-up: the tab's own copy of the work where it is newer than the
    // address, else the curve of the address (no '#' at all: the first
    // prepared curve), drawn once, and then the page shows, all in one
    // piece so that nothing shifts.
    if (kept && (kept.history && state.restore(kept.history) ||
                 state.newCurve(kept.link, { start: true, adopt: true }))) {
        if (kept.pulse)
            state.choosePulse(...kept.pulse);   // chosen, not yet pressed
        document.body.classList.add("ready");
        return;
    }
    const start = location.href.includes("#") ? readFragment(location.hash) : { items: parseLink(Presets[0]).items };
    if (start.error) {
        state.newCurve("", { keepAddress: true, start: true, adopt: true });   // the bad link stays in the address, to be mended
        state.say(textOf(state)("badLinkFlat"));
    } else {
        state.newCurve(linkOf(start.items), { start: true, adopt: true });
        if (onlyCopyKeeps(keeper))
            state.say(textOf(state)("onlyCopyKeeps")(textOf(state)("copyLink")));   // once: the next step's words replace it
    }
    document.body.classList.add("ready");
}
