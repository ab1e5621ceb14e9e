// The classroom view's saved picture: the plot at twice its client pixels,
// with the theorem's marks, its axis values, legend, mean value and the
// theorem's words, and a checked prediction's feedback, question and answer,
// on white; what the lesson hides stays hidden.
//   reads:   the model, the state's language and lesson, the axes' labels; drawing: draw.js's
//   changes: the message, when the picture cannot be saved
import { Legend, Screen } from "./colours.js";
import { decimalOf, textOf, theoremWords } from "./words.js";
import { lessonWords } from "./lesson.js";

export function savePicture(state, drawing) {
    state.say("");   // the last action's words are over
    try {
        drawPicture(state, drawing);
    } catch (e) {
        state.say(textOf(state)("pictureFailed"));
    }
}

function drawPicture(state, drawing) {
    const module = state.module, Width = module.width(), Height = module.height(), t = textOf(state);
    const k = 2, left = 110, top = 100, plotW = Width * k, plotH = Height * k;
    const picture = document.createElement("canvas");
    picture.width = left + plotW + 110;
    const g = picture.getContext("2d", { alpha: false });
    const hidden = state.hides("n");
    const words = wrapped(g, (hidden ? [t("hidden")] : theoremWords(state)).concat(lessonWords(state)), picture.width - 40);
    picture.height = top + plotH + 60 + 6 * 36 + words.length * 36 + 20;   // the context starts again
    g.fillStyle = "#fff";
    g.fillRect(0, 0, picture.width, picture.height);
    const plot = document.createElement("canvas");
    plot.width = plotW;
    plot.height = plotH;
    drawing.draw(plot.getContext("2d", { alpha: false }), plotW, plotH, Screen);
    g.drawImage(plot, left, top);
    g.fillStyle = "#1b1b1b";
    g.textBaseline = "middle";
    g.font = "bold 36px system-ui, sans-serif";
    g.fillText(t("title"), 20, 36);
    g.font = "28px system-ui, sans-serif";
    g.fillText(t("meanLabel") + " " + (hidden ? "?" : decimalOf(state)(module.theoremMean())), 20, 78);   // as the words read it
    // The axes' labels as the page shows them, at their rows.
    for (const e of document.querySelectorAll(".axis[data-row]")) {
        const integral = e.classList.contains("integral");
        g.textAlign = integral ? "left" : "right";
        g.fillText(e.textContent, integral ? left + plotW + 12 : left - 12, top + Number(e.dataset.row) * k);
    }
    for (const e of document.querySelectorAll(".axis.x")) {
        g.textAlign = "center";
        g.fillText(e.textContent, left + parseFloat(e.style.left) / 100 * plotW, top + plotH + 30);
    }
    g.textAlign = "left";
    const legend = Legend;
    legend.forEach(([colour, key], i) => {
        const y = top + plotH + 80 + i * 36;
        g.fillStyle = colour;
        g.fillRect(left, y - 6, 48, 12);
        g.strokeRect(left + .5, y - 5.5, 47, 11);   // on whole pixels: no blend with the fill
        g.fillStyle = "#1b1b1b";
        g.fillText(t(key), left + 64, y);
    });
    g.font = WordsFont;
    words.forEach((line, i) => g.fillText(line, 20, top + plotH + 80 + (legend.length + i) * 36));
    const failed = () => state.say(t("pictureFailed"));
    picture.toBlob(blob => {
        if (!blob)
            return failed();
        try {
            const a = document.createElement("a");
            a.href = URL.createObjectURL(blob);
            a.download = t("picture");
            document.body.appendChild(a);
            a.click();
            a.remove();
            setTimeout(() => URL.revokeObjectURL(a.href), 1000);
        } catch (e) {
            return failed();
        }
    }, "image/png");
    // A frame (a course platform's) or the browser may block downloads
    // without a word to the page: say so at once, and where else it can be
    // saved; a picture that cannot be made says so instead.
    state.say(t(window.top !== window.self ? "pictureInFrame" : "pictureBlocked"));
}

const WordsFont = "24px system-ui, sans-serif";

// The theorem's lines broken between words to fit `width` pixels, so that
// every word is in the picture, in any language.
function wrapped(g, lines, width) {
    g.font = WordsFont;
    const out = [];
    for (const line of lines) {
        let current = "";
        for (const word of line.split(" ")) {
            const longer = current ? current + " " + word : word;
            if (current && g.measureText(longer).width > width) {
                out.push(current);
                current = word;
            } else {
                current = longer;
            }
        }
        out.push(current);
    }
    return out;
}
