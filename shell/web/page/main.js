// The page's start: the chosen view's markup, the module, then the view itself.
import { View, brisqual, say } from "./hooks.js";
import { loadModule } from "./module.js";
import { checkPulsesWith } from "./link.js";
import { startClassic } from "./classic/view.js";
import { startClassroom } from "./classroom/view.js";

document.body.className = View;
document.body.prepend(document.getElementById(View + "-view").content.cloneNode(true));

loadModule().then(module => {
    checkPulsesWith((shape, width) => module.validPulse(shape, width) === 1,
                    (a, b) => module.validInterval(a, b) === 1);
    (View === "classic" ? startClassic : startClassroom)(module);
    brisqual.ready = true;
    requestAnimationFrame(() => { brisqual.firstFrame = performance.now(); });
}).catch(e => {
    document.body.classList.add("ready");
    say("Brisqual: " + e);
});
