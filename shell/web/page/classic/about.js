// The classic view's About dialog, from the resource script's template:
// dialog units to pixels by MulDiv with the base units, the first control topmost.
import { AboutTemplate, BrisqualIcon, DialogBaseUnits } from "brisqual-generated";

function mulDiv(number, numerator, denominator) {
    const product = number * numerator;
    const q = Math.floor((Math.abs(product) + Math.floor(denominator / 2)) / denominator);
    return product < 0 ? -q : q;
}
function toPixels([x, y, w, h]) {
    const bx = DialogBaseUnits.x, by = DialogBaseUnits.y;
    return [mulDiv(x, bx, 4), mulDiv(y, by, 8), mulDiv(w, bx, 4), mulDiv(h, by, 8)];
}

function drawIcon(target) {
    const size = BrisqualIcon.size;
    const g = target.getContext("2d");
    const data = g.createImageData(size, size);
    Array.from(BrisqualIcon.indices, d => BrisqualIcon.palette[parseInt(d, 16)]).forEach((p, i) => {
        data.data[4 * i] = p >> 16 & 0xFF;
        data.data[4 * i + 1] = p >> 8 & 0xFF;
        data.data[4 * i + 2] = p & 0xFF;
        data.data[4 * i + 3] = 0xFF;
    });
    g.putImageData(data, 0, 0);
}

// Builds the dialog below the menu bar, above the canvas; close() is the
// default button's action. Returns that button, to take the focus.
export function buildAbout(canvas, close) {
    const t = AboutTemplate;
    const dialog = document.getElementById("dialog");
    const client = document.getElementById("client");
    let defaultButton = null;
    document.getElementById("caption").textContent = t.caption;
    const [dx, dy, dw, dh] = toPixels(t.rect);
    dialog.style.left = dx + "px";
    dialog.style.top = (canvas.offsetTop + dy) + "px";
    client.style.width = dw + "px";
    client.style.height = dh + "px";
    // In the template's order, so that it is read as written; the first
    // control stays topmost.
    t.controls.forEach((c, i) => {
        const [x, y, w, h] = toPixels(c.rect);
        let element;
        if (c.kind === "DefaultButton") {
            element = document.createElement("button");
            element.className = "control button";
            element.textContent = c.text;
            element.addEventListener("click", close);
            defaultButton = element;
        } else if (c.kind === "IconControl") {
            element = document.createElement("canvas");
            element.className = "control icon";
            element.width = element.height = BrisqualIcon.size;
            element.setAttribute("aria-hidden", "true");
            drawIcon(element);
        } else {
            element = document.createElement("div");
            element.className = "control" + ({ BlackFrame: " frame", CentredText: " centred", GroupBox: " group" }[c.kind] || "");
            element.textContent = c.text;
        }
        element.style.left = x + "px";
        element.style.top = y + "px";
        element.style.zIndex = t.controls.length - i;
        if (c.kind !== "IconControl") {   // an icon control takes the icon's size
            element.style.width = w + "px";
            element.style.height = h + "px";
        }
        if (c.kind === "GroupBox") {   // the frame runs through the middle of the text line
            element.style.top = (y + Math.floor(DialogBaseUnits.y / 2)) + "px";
            element.style.height = (h - Math.floor(DialogBaseUnits.y / 2)) + "px";
        }
        client.appendChild(element);
    });
    return defaultButton;
}
