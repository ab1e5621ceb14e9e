// Loads the model and the painter, the WebAssembly module the build put in the page.
import { ModuleBase64 } from "brisqual-generated";
import { useModule } from "./link.js";

// The module's exports, ready for use: initialised, with the flat curve,
// and reading and writing links.
export function loadModule() {
    const bytes = Uint8Array.from(atob(ModuleBase64), c => c.charCodeAt(0));
    return WebAssembly.instantiate(bytes, {}).then(({ instance }) => {
        const module = instance.exports;
        module._initialize();
        module.reset();
        useModule(module);
        return module;
    });
}
