// The view's fit to its screen: the instructions folded in a short frame,
// and the presentation mode for a projector (the plot and the theorem's
// words large, the tools a small bar), opened by its button or by
// "present" in the address's query, which keeps it.
//   reads:   the address's query, the screen's height, the lesson's mode
//   changes: shown.present; the address's query
//   subscribes to: nothing
import { replaceQuery } from "./address.js";

export function installPresent(state) {
    const button = document.getElementById("present");
    // In a short frame (as the styles'), on a phone and in a lesson, whose
    // own words say what to do, the instructions fold, so that the plot and
    // the tools come first.
    document.getElementById("how").open = !matchMedia("(max-height: 480px), (max-width: 539px)").matches && !state.lesson.mode;
    const set = on => {
        document.body.classList.toggle("present", on);
        button.setAttribute("aria-pressed", String(on));
        state.show("present", on);
    };
    set(new URLSearchParams(location.search).has("present"));
    button.addEventListener("click", () => {
        const on = !state.shown.present, query = new URLSearchParams(location.search);
        on ? query.set("present", "") : query.delete("present");
        replaceQuery(query);
        set(on);
    });
}
