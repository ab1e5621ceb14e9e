// The classroom view's words: the language, the texts in place, the mean
// value and the theorem's numbers, the description of the picture and the
// polite live region.
import es from "./texts-es.js";
import en from "./texts-en.js";

const Texts = { es: es, en: en };

function preferredLanguage() {
    let saved = null;
    try { saved = localStorage.getItem("brisqual.lang"); } catch (e) { /* storage may be off */ }
    if (saved in Texts)
        return saved;
    for (const each of navigator.languages || [navigator.language]) {
        const primary = String(each).slice(0, 2).toLowerCase();
        if (primary in Texts)
            return primary;
    }
    return "es";
}

// Gives ctx lang, t(key), decimal(v), applyLanguage(), switchLanguage(),
// describe(), showMean(), showTheorem(), theoremWords(), speak(text) and
// speakMeanSoon().
export function installWords(ctx) {
    const module = ctx.module, N = ctx.N;
    const byId = id => document.getElementById(id);
    const announce = byId("announce");
    let meanTimer = 0;
    ctx.lang = preferredLanguage();
    const t = ctx.t = key => Texts[ctx.lang][key];

    // Two decimals of the value itself, half away from zero, in the page's
    // language; -0.001 reads 0.00, not -0.00.
    const decimal = ctx.decimal = v => {
        let text = Math.abs(v).toFixed(2);
        if (v < 0 && /[1-9]/.test(text))
            text = "-" + text;
        return ctx.lang === "es" ? text.replace(".", ",") : text;
    };

    ctx.applyLanguage = () => {
        document.documentElement.lang = ctx.lang;
        for (const e of document.querySelectorAll("[data-t]"))
            e.textContent = t(e.dataset.t);
        for (const e of document.querySelectorAll("[data-t-label]"))
            e.setAttribute("aria-label", t(e.dataset.tLabel));
        ctx.canvas.setAttribute("aria-roledescription", t("plotRole"));
        const other = ctx.lang === "es" ? "en" : "es";
        const switcher = byId("language");
        switcher.textContent = t("language");
        switcher.lang = other;
        byId("help-text").innerHTML = t("helpText");
        document.querySelectorAll(".preset").forEach((b, i) => { b.textContent = t("presetNames")[i]; });
        for (const e of document.querySelectorAll(".axis.y"))
            e.textContent = e.textContent.replace(/[.,]/, ctx.lang === "es" ? "," : ".");
        // The yellow curve's axis, at the grid's rows, by the painter's scale.
        for (const e of document.querySelectorAll(".axis.integral"))
            e.textContent = decimal(module.integralAtRow(Number(e.dataset.row))).replace("-", "−");
        document.title = t("title");
        if (ctx.steps.length) {
            ctx.describe();
            ctx.showInterval();   // the handles' values, in this language's decimals
        }
    };

    ctx.switchLanguage = () => {
        ctx.lang = ctx.lang === "es" ? "en" : "es";
        try { localStorage.setItem("brisqual.lang", ctx.lang); } catch (e) { /* storage may be off */ }
        ctx.applyLanguage();
    };

    // The theorem in three sentences: the integral and the mean, the points
    // c (and stretches), the balance of the areas.
    ctx.theoremWords = () => {
        const T = ctx.readTheorem();
        const a = decimal(module.sampleAbscissa(T.a)), b = decimal(module.sampleAbscissa(T.b));
        const integral = t("integralIs")(a, b, decimal(T.integral), decimal(T.mean));
        // Lists part with "; " in Spanish, whose decimals have commas.
        const sep = t("listSep"), cs = Array.from(T.points.slice(0, 6), decimal);
        let points = T.points.length === 0 ? "" : t("pointsAre")(cs.length > 1 ? cs.slice(0, -1).join(sep) + t("lastSep") + cs[cs.length - 1] : cs[0],
                                                               T.points.length - cs.length, T.points.length);
        const stretches = [];
        for (let j = 0; j < T.stretches.length && j < 12; j += 2)
            stretches.push("[" + decimal(T.stretches[j]) + sep + decimal(T.stretches[j + 1]) + "]");
        if (stretches.length)
            points += (points ? " " : "") + t("stretchesAre")(stretches.join(sep), T.stretches.length / 2);
        const above = decimal(T.above), below = decimal(T.below);
        return [integral, points, above === below ? t("areasEqual")(above) : t("areasBoth")(above, below)];
    };

    // The mean value and the theorem, seen; while dragging they are not spoken.
    ctx.showTheorem = () => {
        const words = ctx.theoremWords();
        byId("mean-value").textContent = decimal(module.theoremMean());
        ["theorem-integral", "theorem-points", "theorem-areas"].forEach((id, i) => { byId(id).textContent = words[i]; });
        return words;
    };
    ctx.showMean = ctx.showTheorem;

    ctx.speak = text => {
        announce.textContent = text;
    };
    // The mean value first, as screen reader users expect it, then the
    // theorem's sentences.
    const told = words => t("meanIs") + decimal(module.theoremMean()) + ". " + words.join(" ");

    // The theorem is spoken, as the description tells it, once the curve
    // and the interval have rested a moment.
    ctx.speakMeanSoon = () => {
        clearTimeout(meanTimer);
        meanTimer = setTimeout(() => ctx.speak(told(ctx.theoremWords())), 400);
    };
    ctx.stopSpeakingMean = () => clearTimeout(meanTimer);

    // A description of the picture, from the model's numbers: where the
    // curve is raised or lowered, then the theorem's sentences.
    ctx.describe = () => {
        const words = ctx.showTheorem();
        const f = new Float64Array(module.memory.buffer, module.samples(), N + 1);
        const dx = module.stepWidth();
        const blocks = [];
        for (let i = 0; i <= N;) {
            const sign = Math.sign(f[i]);
            let j = i;
            while (j < N && Math.sign(f[j + 1]) === sign)
                j++;
            if (sign !== 0)
                blocks.push(t(sign > 0 ? "raised" : "lowered") + " " + t("from") + decimal(i * dx) + t("to") + decimal(j * dx));
            i = j + 1;
        }
        let text = blocks.length === 0 ? t("flat")
            : t("blocks") + blocks.slice(0, 4).join(t("and")) + (blocks.length > 4 ? t("more")(blocks.length - 4) : "") + ".";
        text += " " + told(words);
        byId("description").textContent = text;
        if (ctx.tellSelected)
            ctx.tellSelected();   // the selected sample's height may have changed
    };
}
