// Loads the model and the painter, the WebAssembly module the build put in the page.
import { ModuleBase64 } from "brisqual-generated";
import { useModule } from "./link.js";

// The module's exports, ready for use: initialised, with the flat curve,
// and reading and writing links.
// The page holds the module gzipped; the browser's own decompressor
// unpacks it.
export function loadModule() {
    const packed = Uint8Array.from(atob(ModuleBase64), c => c.charCodeAt(0));
    const bytes = new Response(new Blob([packed]).stream().pipeThrough(new DecompressionStream("gzip")));
    return bytes.arrayBuffer().then(module => WebAssembly.instantiate(module, {})).then(({ instance }) => {
        const module = instance.exports;
        module._initialize();
        module.reset();
        useModule(module);
        return module;
    });
}
