// The classroom view's words: the texts in place, the mean value and the
// theorem's numbers, the description of the picture and the polite live region.
//   reads:   the state's curve, interval, language, shown.help and what the
//            lesson hides; the theorem (theorem.js)
//   changes: the saved language
//   subscribes to: curve, moving, language, shown, lesson
import es from "./texts-es.js";
import en from "./texts-en.js";
import { readTheorem } from "./theorem.js";

const Texts = { es: es, en: en };

// The state's language's text of key.
export const textOf = state => key => Texts[state.lang][key];

// Two decimals of the value itself, half away from zero, in the state's
// language, with a true minus sign (U+2212) for every negative number
// the page writes or speaks; -0.001 reads 0.00, not −0.00.
export const decimalOf = state => v => {
    let text = Math.abs(v).toFixed(2);
    if (v < 0 && /[1-9]/.test(text))
        text = "\u2212" + text;
    return state.lang === "es" ? text.replace(".", ",") : text;
};

export function preferredLanguage() {
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

// The theorem in three sentences: the integral and the mean, the points
// c (and stretches), the balance of the areas.
export function theoremWords(state) {
    const module = state.module, t = textOf(state), decimal = decimalOf(state);
    const T = readTheorem(module);
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
}

// The short response after a change, spoken: the mean, then the c's,
// in words a speech engine says in the page's language.
export function shortResponse(state, unchanged = false) {
    const t = textOf(state), decimal = decimalOf(state), T = readTheorem(state.module);
    const cs = Array.from(T.points.slice(0, 6), decimal), sep = t("listSep");
    const list = cs.length > 1 ? cs.slice(0, -1).join(sep) + t("lastSep") + cs[cs.length - 1] : cs[0] || "";
    return t("short")(decimal(T.mean), list, T.points.length, T.stretches.length > 0, unchanged);
}

// The theorem on demand: the integral over [a, b] and the mean, said in words.
export function theoremSummary(state) {
    if (state.hides("n"))
        return textOf(state)("hidden");
    const module = state.module, t = textOf(state), decimal = decimalOf(state), T = readTheorem(module);
    return t("summary")(decimal(module.sampleAbscissa(T.a)), decimal(module.sampleAbscissa(T.b)),
                        decimal(T.integral), decimal(T.mean)) + " " + shortResponse(state);
}

// A value on an axis: "0" for zero.
export const axisLabel = (state, v) => (v === 0 ? "0" : decimalOf(state)(v));

export function installWords(state) {
    const module = state.module, N = state.N, t = textOf(state), decimal = decimalOf(state);
    const byId = id => document.getElementById(id);
    const canvas = byId("plot"), announce = byId("announce");
    // Orca reads WebKitGTK through a script with no live regions: there the
    // short response after a change is the focused slider's value text too,
    // which it speaks when the value moves.
    const Unheard = /X11|Linux/.test(navigator.userAgent) && !/Chrome|Firefox|Android/.test(navigator.userAgent);
    let meanTimer = 0;

    // The texts in place; the axes' values at their rows, by the painter's
    // scales: the red curve's on the left (zero as "0"), the yellow
    // integral's on the right, each at its row of the plot.
    function applyLanguage() {
        document.documentElement.lang = state.lang;
        // Each text changed in its own node, so that a screen reader's place
        // in it survives the switch; the language button's name is said in
        // the page's language, since a lang changed on the focused button
        // leaves Orca in Chromium lost in the page, the handles with it.
        const put = (e, text) => { if (e.firstChild) e.firstChild.data = text; else e.textContent = text; };
        for (const e of document.querySelectorAll("[data-t]"))
            put(e, t(e.dataset.t));
        for (const e of document.querySelectorAll("[data-t-label]"))
            e.setAttribute("aria-label", t(e.dataset.tLabel));
        canvas.setAttribute("aria-roledescription", t("plotRole"));
        for (const e of document.querySelectorAll(".axis[data-row]")) {
            const row = Number(e.dataset.row), integral = e.classList.contains("integral");
            e.style.top = row / module.height() * 100 + "%";
            put(e, integral ? decimal(module.integralAtRow(row)) : axisLabel(state, module.curveAtRow(row)));
        }
        document.title = t("title");
    }

    // The mean value and the theorem, seen; while dragging they are not spoken.
    // Hidden by the lesson, they are said to be.
    function showTheorem() {
        const hidden = state.hides("n"), words = hidden ? [t("hidden"), "", ""] : theoremWords(state);
        byId("mean-value").textContent = hidden ? "?" : decimal(module.theoremMean());
        ["theorem-integral", "theorem-points", "theorem-areas"].forEach((id, i) => { byId(id).textContent = words[i]; });
        return words;
    }

    // The mean value first, as screen reader users expect it, then the
    // theorem's sentences.
    const told = words => (state.hides("n") ? words[0] : t("meanIs") + decimal(module.theoremMean()) + ". " + words.join(" "));

    // A description of the picture, from the model's numbers: where the
    // curve is raised or lowered, then the theorem's sentences.
    function describe() {
        const words = showTheorem();
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
    }

    // The theorem is spoken, as the description tells it, once the curve
    // and the interval have rested a moment; not for the page's first curve.
    // The longer sentences stay in the description. A screen reader drops
    // a live region's words when they are the last ones again, so the same
    // numbers after a change are said with ", unchanged" (and plainly the
    // time after that).
    // First, what the change did to the curve: where it moved most (the
    // middle of a plateau), by how much, and how many samples moved;
    // nothing for a new interval.
    let last = "";
    const before = new Float64Array(N + 1);
    function whatChanged() {
        const f = new Float64Array(module.memory.buffer, module.samples(), N + 1), d = k => Math.abs(f[k] - before[k]);
        let first = -1, end = -1, n = 0;
        for (let k = 0; k <= N; k++)
            if (d(k) !== 0 && ++n && (first < 0 || d(k) >= d(first)))
                [first, end] = first < 0 || d(k) > d(first) ? [k, k] : [first, k];
        const far = (first + end) >> 1;
        const text = first < 0 ? "" : t("changed")(f[far] > before[far], decimal(module.sampleAbscissa(far)), decimal(d(far)), n) + " ";
        before.set(f);
        return text;
    }
    state.subscribe("curve", ({ start }) => {
        describe();
        clearTimeout(meanTimer);
        const change = whatChanged();
        if (!start) {
            announce.textContent = "";
            meanTimer = setTimeout(() => {
                const plain = shortResponse(state);
                last = plain !== last ? plain : shortResponse(state, true);
                const spoken = change + (state.hides("n") ? "" : last), at = document.activeElement;
                announce.textContent = spoken;
                if (Unheard && spoken && at && at.getAttribute("role") === "slider") {
                    at.setAttribute("aria-valuetext", spoken);
                    at.setAttribute("aria-valuenow", +at.getAttribute("aria-valuenow") + 1e-4);   // so that the new text is told
                }
            }, 400);
        }
    });
    state.subscribe("moving", showTheorem);
    state.subscribe("lesson", describe);
    // Under the help the page is inert, and a live region that comes back
    // from it is read again: so it holds nothing, said or pending, by then.
    // The help's words are put in as it opens, in the page's language: made
    // anew under a screen reader that has read them, they leave it lost.
    let helpLang = "";
    state.subscribe("shown", key => {
        if (key === "help" && state.shown.help) {
            clearTimeout(meanTimer);
            announce.textContent = "";
            if (helpLang !== (helpLang = state.lang))
                byId("help-text").innerHTML = t("helpText");
        }
    });
    state.subscribe("language", () => {
        try { localStorage.setItem("brisqual.lang", state.lang); } catch (e) { /* storage may be off */ }
        applyLanguage();
        describe();
        // The change confirmed, in the new language; nothing pending is
        // said in the old one.
        clearTimeout(meanTimer);
        announce.textContent = "";
        meanTimer = setTimeout(() => { announce.textContent = last = t("languageSet"); }, 100);
    });
    applyLanguage();
}
