// The classroom view's words: the language, the texts in place, the mean
// value, the description of the picture and the polite live region.
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
// describe(), showMean(), speak(text) and speakMeanSoon().
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
        document.title = t("title");
        if (ctx.steps.length)
            ctx.describe();
    };

    ctx.switchLanguage = () => {
        ctx.lang = ctx.lang === "es" ? "en" : "es";
        try { localStorage.setItem("brisqual.lang", ctx.lang); } catch (e) { /* storage may be off */ }
        ctx.applyLanguage();
    };

    // The mean value, seen; while dragging it is not spoken.
    ctx.showMean = () => {
        byId("mean-value").textContent = decimal(module.mean());
    };

    ctx.speak = text => {
        announce.textContent = text;
    };
    // The mean value is spoken once the curve has rested a moment.
    ctx.speakMeanSoon = () => {
        clearTimeout(meanTimer);
        meanTimer = setTimeout(() => ctx.speak(t("announceMean") + decimal(module.mean())), 400);
    };
    ctx.stopSpeakingMean = () => clearTimeout(meanTimer);

    // The mean value and a description of the picture, from the model's numbers.
    ctx.describe = () => {
        const mean = module.mean();
        byId("mean-value").textContent = decimal(mean);
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
        // Meetings with the mean line: each change of side, and each stretch
        // that lies on it.
        let meets = 0, previous = 0, onLine = true;
        for (let i = 0; i <= N; i++) {
            const side = Math.sign(f[i] - mean);
            if (side === 0 && previous !== 0 || side !== 0 && previous !== 0 && side !== previous || side === 0 && i === 0)
                meets++;
            if (side !== 0)
                onLine = false;
            previous = side;
        }
        text += " " + t("meanIs") + decimal(mean) + ". " + (onLine ? t("onMean") : t("meets")(meets));
        byId("description").textContent = text;
        if (ctx.tellSelected)
            ctx.tellSelected();   // the selected sample's height may have changed
    };
}
