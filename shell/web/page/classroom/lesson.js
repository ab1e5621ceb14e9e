// The classroom view's lessons: predict the mean and the c's before the
// theorem shows, then check and explain; or a challenge the page checks;
// and the teacher's panel that sets either up in a link. All of it lives in
// the address's query, so that a reload keeps the guess and the answer.
//   reads:   the state's lesson, curve, interval and language; the module's judging
//   changes: the state's lesson; the work (Try another); the address's query;
//            the live region #announce, once, as the prediction is checked
//   subscribes to: curve, moving, lesson, language
import { Predicts } from "brisqual-generated";
import { copyText } from "./controls.js";
import { replaceQuery } from "./address.js";
import { decimalOf, textOf } from "./words.js";

const Modes = ["", "predict", "challenge"], Hides = "mcain", MaxGuessedCs = 12, MaxAnswer = 2000;

// What the teacher set, as the query carries it.
function teacherQuery(L) {
    const query = new URLSearchParams();
    if (L.mode)
        query.set("lesson", L.mode);
    if (L.hide)
        query.set("hide", L.hide);
    if (L.mode === "challenge")
        query.set("task", L.task);
    return query;
}

// The feedback on a checked prediction, its question, and the answer, in
// the state's language; [] before the check.
export function lessonWords(state) {
    const L = state.lesson, module = state.module, t = textOf(state), decimal = decimalOf(state);
    if (!L.checked)
        return [];
    const said = [], counts = [0, 0, 0];
    let kind = 5;
    if (L.guess >= 0) {
        const guess = module.curveAtRow(L.guess);
        kind = module.judgeMean(guess);
        said.push(t("yourMean")(decimal(guess), decimal(module.theoremMean())), t("meanJudged")[kind]);
    }
    for (const k of L.cs)
        counts[module.judgePoint(k)]++;
    if (L.cs.length)
        said.push(t("csJudged")(...counts, module.pointCount()));
    // The question fits the mistake found: the mean's first, then c at the middle.
    const question = t("questions")[kind > 0 && kind < 5 ? kind : counts[1] ? 3 : 0];
    return [said.filter(Boolean).join(" "), question, L.answer];
}

// tones(a, b): plays a's tone, then b's (the sound's).
export function installLesson(state, tones) {
    const module = state.module, Height = module.height(), t = textOf(state), decimal = decimalOf(state);
    const byId = id => document.getElementById(id), L = state.lesson;
    const canvas = byId("plot"), guess = byId("guess"), answer = byId("answer"), mode = byId("lesson-mode"), task = byId("task");

    // The query read once; anything out of range is left out.
    const query = new URLSearchParams(location.search), int = (v, top) => (/^\d{1,5}$/.test(v) && +v <= top ? +v : -1);
    L.mode = Modes.includes(query.get("lesson")) ? query.get("lesson") : "";
    L.hide = Array.from(Hides).filter(c => (query.get("hide") || "").includes(c)).join("");
    L.task = Math.max(1, int(query.get("task"), module.challengeCount()));
    L.guess = int(query.get("guess"), Height - 1);
    L.cs = (query.get("c") || "").split(".").map(v => int(v, state.N)).filter(k => k >= 0).slice(0, MaxGuessedCs);
    L.checked = query.has("checked");
    L.answer = (query.get("answer") || "").slice(0, MaxAnswer);

    // The query follows the lesson; the fragment stays the work's.
    function writeQuery() {
        const q = teacherQuery(L);
        if (L.guess >= 0)
            q.set("guess", L.guess);
        if (L.cs.length)
            q.set("c", L.cs.join("."));
        if (L.checked)
            q.set("checked", "");
        if (L.answer)
            q.set("answer", L.answer);
        if (new URLSearchParams(location.search).has("present"))
            q.set("present", "");
        replaceQuery(q);
    }

    // --- The prediction: the guess line by pointer, touch, keys or its slider.
    const setGuess = row => state.setLesson({ guess: Math.min(Math.max(row, 0), Height - 1) });
    const toggleC = k => {
        const cs = L.cs.includes(k) ? L.cs.filter(c => c !== k) : L.cs.concat(k).slice(-MaxGuessedCs);
        state.setLesson({ cs: cs.sort((p, q) => p - q) });
    };
    const point = e => {
        const box = canvas.getBoundingClientRect();
        return [Math.floor((e.clientX - box.left) * module.width() / box.width), Math.floor((e.clientY - box.top) * Height / box.height)];
    };
    // A drag moves the guess line; a tap marks or unmarks a c.
    let press = null;
    canvas.addEventListener("pointerdown", e => {
        if (state.predicting() && e.button === 0 && e.isPrimary) {
            canvas.setPointerCapture(e.pointerId);
            press = { id: e.pointerId, at: point(e), moved: false };
        }
    });
    canvas.addEventListener("pointermove", e => {
        if (press && e.pointerId === press.id) {
            const [x, y] = point(e);
            press.moved = press.moved || Math.abs(y - press.at[1]) + Math.abs(x - press.at[0]) > 8;
            if (press.moved)
                setGuess(y);
        }
    });
    canvas.addEventListener("pointerup", e => {
        if (press && e.pointerId === press.id && !press.moved)
            toggleC(module.sampleNearColumn(press.at[0]));
        press = null;
    });
    canvas.addEventListener("pointercancel", () => { press = null; });
    canvas.addEventListener("keydown", e => {
        const step = { ArrowUp: -1, ArrowDown: 1, PageUp: -10, PageDown: 10 }[e.key];
        if (!state.predicting() || e.ctrlKey || e.metaKey || e.altKey || !(step || e.key === " " || e.key === "Enter"))
            return;
        e.preventDefault();
        if (step)
            setGuess((L.guess < 0 ? module.curveRow(0) : L.guess) + step * (e.shiftKey ? 10 : 1));
        else
            toggleC(state.selected);
    });
    // The slider counts up the plot, as the guess rises.
    guess.max = Height - 1;
    guess.addEventListener("input", () => setGuess(Height - 1 - guess.value));

    byId("check").addEventListener("click", () => {
        if (L.guess < 0 && !L.cs.length)
            return state.say(t("guessFirst"));
        state.setLesson({ checked: true });
        // Said once: the result, its feedback and the question.
        const announce = byId("announce"), [said, question] = lessonWords(state);
        announce.textContent = "";
        setTimeout(() => { announce.textContent = said + " " + question; }, 100);
    });
    byId("listen-guess").addEventListener("click", () => tones(module.curveAtRow(L.guess), module.theoremMean()));
    // The prediction curve after the one on the screen, or the first.
    byId("another").addEventListener("click", () => {
        state.setLesson({ guess: -1, cs: [], checked: false, answer: "" });
        state.newCurve(Predicts[(Predicts.indexOf(state.addressLink()) + 1) % Predicts.length]);
    });
    answer.maxLength = MaxAnswer;
    answer.addEventListener("input", () => state.setLesson({ answer: answer.value }));

    // --- The teacher's panel: the mode, what shows, the challenge, the link.
    const shows = byId("shows"), boxes = Array.from(Hides, c => {
        const label = document.createElement("label"), box = document.createElement("input");
        box.type = "checkbox";
        box.addEventListener("change", () => state.setLesson({ hide: boxes.filter(b => !b.checked).map(b => b.value).join("") }));
        box.value = c;
        label.append(box, document.createElement("span"));
        shows.append(label);
        return box;
    });
    const options = (select, count) => {
        for (let i = select.length; i < count; i++)
            select.add(new Option("", i));
    };
    options(mode, Modes.length);
    options(task, module.challengeCount());
    mode.addEventListener("change", () => state.setLesson({ mode: Modes[mode.value], checked: false }));
    task.addEventListener("change", () => state.setLesson({ task: +task.value + 1 }));
    const copy = byId("copy-lesson");
    copy.addEventListener("click", () => {
        const q = String(teacherQuery(L));
        copyText(state, location.href.split(/[?#]/)[0] + (q ? "?" + q : "") + "#" + state.addressLink(), copy, "lessonCopied");
    });

    // --- What shows: the panel, the feedback, the challenge met or not.
    let met = -1;
    function show(key) {
        const predict = L.mode === "predict";
        byId("lesson").hidden = !L.mode;
        byId("predict").hidden = !predict;
        byId("lesson-title").textContent = t("modeNames")[Modes.indexOf(L.mode)];
        byId("lesson-task").textContent = predict ? t("predictTask") : t("tasks")[L.task - 1];
        byId("listen-guess").hidden = !L.checked || L.guess < 0;
        const [said, question] = lessonWords(state);
        byId("feedback").textContent = said || "";
        byId("question-box").hidden = !question;
        byId("question").textContent = question || "";
        if (answer.value !== L.answer)
            answer.value = L.answer;
        const zero = module.curveRow(0);
        guess.value = Height - 1 - (L.guess < 0 ? zero : L.guess);
        guess.setAttribute("aria-valuetext", L.guess < 0 ? t("noGuess") : decimal(module.curveAtRow(L.guess)));
        mode.value = Modes.indexOf(L.mode);
        task.value = L.task - 1;
        boxes.forEach(b => { b.checked = !L.hide.includes(b.value); });
        // A challenge met is said as it happens, after a step.
        const now = L.mode === "challenge" ? module.challengeMet(L.task) : -1;
        byId("task-state").textContent = now < 0 ? "" : t("taskState")[now];
        if (key === "curve" && now === 1 && met === 0)
            state.say(t("taskState")[1]);
        met = now;
    }
    function name() {
        for (const [select, names] of [[mode, t("modeNames")], [task, t("tasks")]])
            Array.from(select.options, (o, i) => { o.text = names[i]; });
        boxes.forEach((b, i) => { b.nextSibling.textContent = t("showNames")[i]; });
        show();
    }
    state.subscribe("lesson", () => {
        show();
        writeQuery();
    });
    state.subscribe("curve", () => show("curve"));
    state.subscribe("moving", show);
    state.subscribe("language", name);
    name();

    // The guess, drawn over everything, on paper and in the picture too:
    // a dashed line across [a, b] and a diamond on the curve at each guessed c.
    return (g, sx, sy, c) => {
        const u = Math.max((sx + sy) / 2, devicePixelRatio), X = k => module.sampleX(k) * sx;
        g.strokeStyle = g.fillStyle = c.guess;
        g.lineWidth = 2.5 * u;
        if (L.guess >= 0) {
            g.setLineDash([10 * u, 5 * u]);
            g.beginPath();
            g.moveTo(X(module.intervalFirst()), L.guess * sy);
            g.lineTo(X(module.intervalLast()), L.guess * sy);
            g.stroke();
            g.setLineDash([]);
        }
        for (const k of L.cs) {
            const x = X(k), y = Math.min(Math.max(module.sampleY(k), 0), Height - 1) * sy, r = 7 * u;
            g.beginPath();
            g.moveTo(x, y - r);
            g.lineTo(x + r, y);
            g.lineTo(x, y + r);
            g.lineTo(x - r, y);
            g.closePath();
            g.fill();
            g.lineWidth = 1.5 * u;
            g.strokeStyle = c.ink;
            g.stroke();
        }
    };
}
