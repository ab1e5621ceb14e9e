// The classroom view's shape controls: which pulse the next drag moves (plateau,
// hill, triangle or the whole curve) and how wide, with an outline of what it will move.
//   reads:   the state's pulse, drag, selected sample, shown and language
//   changes: the state's pulse (choosePulse) and shown.hover
//   subscribes to: pulse, language
import { textOf } from "./words.js";

// Small icons, one per shape in the model's order (0 plateau, 1 hill, 2 triangle,
// 3 whole curve): the curve a drag makes, in a 24 x 16 box.
const Icons = ["M1 13H6L8 4H16L18 13H23", "M1 13C7 13 8 3 12 3S17 13 23 13", "M1 13H5L12 3L19 13H23",
               "M1 13H23M1 6H23M12 12V8M9.5 9.5L12 7L14.5 9.5"];
const Outside = -1;   // no sample under the pointer

// Gives back the preview of what the next drag moves, an overlay of the plot.
export function installShapes(state) {
    const module = state.module, N = state.N, Width = module.width(), Height = module.height(), t = textOf(state);
    const canvas = document.getElementById("plot");
    const box = document.querySelector(".shapes");
    const group = document.createElement("fieldset");
    const legend = document.createElement("legend");
    group.appendChild(legend);
    // One choice per shape the model has (its count, through the module).
    const radios = Icons.slice(0, module.pulseShapeCount()).map((path, shape) => {
        const label = document.createElement("label");
        const input = document.createElement("input");
        input.type = "radio";
        input.name = "shape";
        input.value = String(shape);
        const icon = document.createElementNS("http://www.w3.org/2000/svg", "svg");
        icon.setAttribute("viewBox", "0 0 24 16");
        icon.setAttribute("aria-hidden", "true");
        icon.innerHTML = '<path d="' + path + '"/>';
        const name = document.createElement("span");
        label.append(input, icon, name);
        group.appendChild(label);
        input.addEventListener("change", () => state.choosePulse(shape, state.pulse[1]));
        return { input: input, name: name };
    });
    const widthLabel = document.createElement("label");
    widthLabel.className = "width";
    const widthName = document.createElement("span");
    const slider = document.createElement("input");
    slider.type = "range";
    slider.id = "pulse-width";
    slider.min = String(module.pulseWidthMin());   // the model's limits, through the module
    slider.max = String(module.pulseWidthMax());
    const reach = document.createElement("output");
    reach.id = "pulse-reach";
    // The slider's value text says the same: an <output> is a live region,
    // which would say it a second time.
    reach.setAttribute("aria-live", "off");
    widthLabel.append(widthName, slider, reach);
    box.append(group, widthLabel);
    slider.addEventListener("input", () => state.choosePulse(state.pulse[0], Number(slider.value)));

    // The preview's numbers are the model's, for the chosen pulse; the model
    // keeps the pulse the link has in force for the presses it replays.
    function withChosen(read) {
        const shape = module.pulseShape(), width = module.pulseWidth();
        module.setPulse(state.pulse[0], state.pulse[1]);
        const value = read();
        module.setPulse(shape, width);
        return value;
    }
    // The most samples a drag moves: from the middle sample.
    const moved = () => withChosen(() => module.pulseMoves(N >> 1));

    function show() {
        radios.forEach((r, shape) => {
            r.input.checked = shape === state.pulse[0];
            r.name.textContent = t("shapeNames")[shape];
        });
        legend.textContent = t("shapes");
        widthName.textContent = t("width");
        slider.value = String(state.pulse[1]);
        const text = t("samples")(moved());
        reach.value = text;
        slider.setAttribute("aria-valuetext", text);
    }

    state.subscribe("pulse", show);
    state.subscribe("language", show);

    // The pointer's sample while it hovers: a mouse or a pen, not a finger,
    // which only presses.
    canvas.addEventListener("pointermove", e => {
        if (state.drag || e.pointerType === "touch")
            return;
        const b = canvas.getBoundingClientRect();
        const x = Math.min(Math.max(Math.floor((e.clientX - b.left) * Width / b.width), 0), Width - 1);
        state.show("hover", module.anchorAt(x));
    });
    canvas.addEventListener("pointerleave", () => state.show("hover", Outside));

    // The samples the next drag moves, outlined: a band around the curve,
    // as thick as each sample's share of the step. Under the keyboard's ring.
    const preview = (g, sx, sy) => {
        if (state.drag || state.shown.paper)
            return;
        const keyboard = state.selected >= 0 && canvas.matches(":focus-visible");
        for (const anchor of new Set([state.shown.hover, keyboard ? state.selected : Outside])) {
            if (anchor !== Outside)
                outline(g, sx, sy, anchor);
        }
    };

    function outline(g, sx, sy, anchor) {
        const weights = withChosen(() => new Float64Array(module.memory.buffer, module.pulseWeights(anchor), N + 1).slice());
        const upper = [], lower = [];
        for (let k = 0; k <= N; k++) {
            if (weights[k] === 0)
                continue;
            const x = module.sampleX(k) * sx, y = Math.min(Math.max(module.sampleY(k), 0), Height - 1) * sy;
            const half = (3 + 9 * Math.abs(weights[k])) * sy;
            upper.push([x, y - half]);
            lower.push([x, y + half]);
        }
        if (!upper.length)
            return;
        g.beginPath();
        for (const [x, y] of upper.concat(lower.reverse()))
            g.lineTo(x, y);
        g.closePath();
        g.setLineDash([]);
        g.fillStyle = "rgba(255, 255, 255, 0.25)";
        g.fill();
        g.lineJoin = "round";
        g.lineWidth = 3 * sx;
        g.strokeStyle = "#fff";
        g.stroke();
        g.lineWidth = 1.5 * sx;
        g.strokeStyle = "#000";
        g.stroke();
    }

    show();
    return preview;
}
