// The classroom view's sound: the curve heard as a pitch that follows its
// height, against a steady tone at its mean, with a click at each point c.
// schedule() only plans, so that it runs without a browser; play() and
// blip() turn plans into Web Audio nodes; installSound() wires the buttons.
//   reads:   the model's curve and theorem; the state's selected sample,
//            language and what the lesson hides (no mean tone, no clicks)
//   changes: the saved key tone setting
import { textOf } from "./words.js";

export const Sweep = 3.5;   // seconds for the whole interval
export const Middle = 440;  // Hz, the pitch of height 0

// Height to pitch. Over the plot, from its bottom edge to its top (span: the
// height at the top edge), two octaves, evenly in pitch, so that equal
// steps of height sound as equal intervals; past the edges, curves drawn
// off the plot still rise, by at most one more octave each way. Strictly
// increasing, and smooth at the edges.
export function pitchOf(v, span) {
    const x = v / span;
    const octaves = Math.abs(x) <= 1 ? x : Math.sign(x) * (2 - 1 / Math.abs(x));
    return Middle * Math.pow(2, octaves || 0);   // NaN: the middle, not a silent node
}

// The plan of one listening: values are the samples, mean the mean over
// the interval, points the positions of the c's in samples (increasing);
// options: first and last, the interval in samples; span, as pitchOf takes
// it; stretches, [from, to] pairs of samples where the curve lies on its
// mean; duration in seconds. Times are from the start, in seconds.
//   tones: one glide a segment of the curve as drawn, k to k + 1:
//          { start, duration, frequency (at k), to (at k + 1) }
//   reference: { start, duration, frequency }, the mean's pitch throughout
//   clicks: { time, kind }, kind "c" for each point c, "stretch" at both
//          ends of each stretch on the mean
export function schedule(values, mean, points, options) {
    const { first, last, span } = options;
    const duration = options.duration || Sweep;
    const timeOf = p => (p - first) / (last - first) * duration;
    const tones = [];
    for (let k = first; k < last; k++)
        tones.push({ start: timeOf(k), duration: timeOf(k + 1) - timeOf(k),
                     frequency: pitchOf(values[k], span), to: pitchOf(values[k + 1], span) });
    const clicks = Array.from(points, p => ({ time: timeOf(p), kind: "c" }));
    for (const [from, to] of options.stretches || [])
        clicks.push({ time: timeOf(from), kind: "stretch" }, { time: timeOf(to), kind: "stretch" });
    clicks.sort((p, q) => p.time - q.time);
    return { duration: duration, tones: tones, clicks: clicks,
             reference: { start: 0, duration: duration, frequency: pitchOf(mean, span) } };
}

// The plan of the curve on the screen over the model's interval, with the
// theorem's mean, its c's and its stretches, all as the module gives them.
export function planOf(module, duration) {
    module.theorem();
    const memory = module.memory.buffer, count = module.stretchCount();
    const ends = new Int32Array(memory, module.stretchSamples(), 2 * count), stretches = [];
    for (let i = 0; i < count; i++)
        stretches.push([ends[2 * i], ends[2 * i + 1]]);
    return schedule(new Float64Array(memory, module.samples(), module.sampleCount() + 1), module.theoremMean(),
                    new Float64Array(memory, module.pointPositions(), module.pointCount()),
                    { first: module.intervalFirst(), last: module.intervalLast(), span: module.curveAtRow(0),
                      stretches: stretches, duration: duration });
}

// Loudness of each voice, under one another so that the sum never clips.
const CurveLevel = 0.22, ReferenceLevel = 0.08, ClickLevel = 0.3, Fade = 0.02;

// A tone from start to end, started and stopped here, with short fades so
// that it neither pops on nor off.
function voice(audio, out, type, frequency, level, start, end) {
    const osc = audio.createOscillator(), gain = audio.createGain();
    osc.type = type;
    osc.frequency.setValueAtTime(frequency, start);
    gain.gain.setValueAtTime(0, start);
    gain.gain.linearRampToValueAtTime(level, start + Fade);
    gain.gain.setValueAtTime(level, Math.max(start + Fade, end - Fade));
    gain.gain.linearRampToValueAtTime(0, end);
    osc.connect(gain).connect(out);
    osc.start(start);
    osc.stop(end);
    return osc;
}

// Plays a plan from now; gives back stop(), and calls ended() once it is
// over, by itself or stopped.
export function play(audio, plan, ended) {
    const t0 = audio.currentTime + 0.05, end = t0 + plan.duration;
    const out = audio.createGain();
    out.connect(audio.destination);
    const curve = voice(audio, out, "triangle", plan.tones.length ? plan.tones[0].frequency : plan.reference.frequency,
                        CurveLevel, t0, end);
    // The pitch glides evenly in pitch along each segment, as the height
    // does along the straight segment drawn between two samples.
    for (const tone of plan.tones)
        curve.frequency.exponentialRampToValueAtTime(tone.to, t0 + tone.start + tone.duration);
    const all = [curve, voice(audio, out, "sine", plan.reference.frequency, ReferenceLevel,
                              t0 + plan.reference.start, t0 + plan.reference.start + plan.reference.duration)];
    for (const click of plan.clicks) {
        const at = t0 + click.time;
        all.push(voice(audio, out, "square", click.kind === "c" ? 1760 : 660, ClickLevel, at, at + 0.04));
    }
    let over = false;
    const finish = () => {
        if (over)
            return;
        over = true;
        out.disconnect();
        ended();
    };
    curve.onended = finish;
    return () => {
        for (const osc of all)
            try { osc.stop(); } catch (e) { /* already stopped */ }
        finish();
    };
}

// A short tone at one pitch, for the keys.
export function blip(audio, frequency) {
    const t0 = audio.currentTime;
    voice(audio, audio.destination, "triangle", frequency, CurveLevel, t0, t0 + 0.15);
}

// Gives back toneOnKey(), which the plot's keys call after they move the
// selection or the curve, and tones(a, b), a prediction's guess against
// the mean, each a short tone at its height's pitch. The audio context is made on the first press of
// either button, never before: nothing sounds by itself.
export function installSound(state) {
    const module = state.module;
    const listen = document.getElementById("listen"), keyTone = document.getElementById("key-tone");
    const Audio = window.AudioContext || window.webkitAudioContext;
    if (!Audio) {
        listen.hidden = keyTone.hidden = true;
        return { toneOnKey: () => {}, tones: () => {} };
    }
    let audio = null, stop = null, keys = false;
    const context = () => {
        audio = audio || new Audio();
        if (audio.state === "suspended")
            audio.resume();
        return audio;
    };
    const span = module.curveAtRow(0);
    const samples = () => new Float64Array(module.memory.buffer, module.samples(), state.N + 1);

    const showListening = playing => {
        listen.dataset.t = playing ? "stop" : "listen";
        listen.textContent = textOf(state)(listen.dataset.t);
    };
    let cued = false;
    listen.addEventListener("click", () => {
        if (stop) {
            stop();
            return;
        }
        // The first time, the line says what the tones mean.
        if (!cued)
            state.say(textOf(state)("listenCue"));
        cued = true;
        const plan = planOf(module);
        if (state.hides("m"))
            plan.reference.duration = 0;
        if (state.hides("c"))
            plan.clicks = [];
        stop = play(context(), plan, () => {
            stop = null;
            showListening(false);
        });
        showListening(true);
    });

    const showKeys = () => keyTone.setAttribute("aria-pressed", String(keys));
    try { keys = localStorage.getItem("brisqual.keyTone") === "on"; } catch (e) { /* storage may be off */ }
    showKeys();
    keyTone.addEventListener("click", () => {
        keys = !keys;
        try { localStorage.setItem("brisqual.keyTone", keys ? "on" : "off"); } catch (e) { /* storage may be off */ }
        showKeys();
        if (keys)
            context();   // made in the press, as browsers allow sound only after one
    });
    return {
        toneOnKey: () => {
            if (keys)
                blip(context(), pitchOf(samples()[state.selected], span));
        },
        tones: (a, b) => {
            const t0 = context().currentTime;
            voice(audio, audio.destination, "triangle", pitchOf(a, span), CurveLevel, t0, t0 + 0.6);
            voice(audio, audio.destination, "sine", pitchOf(b, span), CurveLevel, t0 + 0.8, t0 + 1.4);
        }
    };
}
