// The page's start: the chosen view's markup, the module, then the view itself.
import { View, brisqual, say } from "./hooks.js";
import { loadModule } from "./module.js";
import { startClassic } from "./classic/view.js";
import { startClassroom } from "./classroom/view.js";

document.body.className = View;
document.body.prepend(document.getElementById(View + "-view").content.cloneNode(true));

loadModule().then(module => {
    (View === "classic" ? startClassic : startClassroom)(module);
    brisqual.ready = true;
    requestAnimationFrame(() => { brisqual.firstFrame = performance.now(); });
}).catch(e => {
    document.body.classList.add("ready");
    say("Brisqual: " + e);
});
