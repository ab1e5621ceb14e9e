// Firefox ESR for the engine suite: Debian's firefox-esr, headless, driven by
// puppeteer-core over WebDriver BiDi. Python sends one JSON command a line on
// stdin and reads one JSON answer a line on stdout, so that the cases are
// written once for every engine (tests/web/engines_test.py).
'use strict';
const readline = require('readline');
const path = require('path');
const puppeteer = require(path.join(__dirname, 'node_modules', 'puppeteer-core'));

const KEYS = {Up: 'ArrowUp', Down: 'ArrowDown', Left: 'ArrowLeft', Right: 'ArrowRight', Ctrl: 'Control'};

async function main() {
    const browser = await puppeteer.launch({
        browser: 'firefox', executablePath: process.env.BRISQUAL_FIREFOX || '/usr/bin/firefox-esr',
        // Headful on the X display in $DISPLAY when a screen reader is to see it.
        protocol: 'webDriverBiDi', headless: !process.env.BRISQUAL_FIREFOX_HEADFUL,
        // Canvas pixels as drawn: no colour management, no fingerprinting noise.
        extraPrefsFirefox: {'gfx.color_management.mode': 0, 'privacy.resistFingerprinting': false},
    });
    // The tab Firefox opens with never gets the window's focus, so that
    // focus events do not fire in it; a tab opened now does.
    const first = await browser.pages();
    const page = await browser.newPage();
    for (const p of first) await p.close();
    const commands = {
        async goto(url) { await page.goto(url, {waitUntil: 'load'}); return null; },
        async evaluate(body, args) {
            // The body of a function of `args`; a promise it returns is awaited.
            return page.evaluate((body, args) => Promise.resolve(new Function('args', body)(args)), body, args);
        },
        async viewport(width, height, scale) {
            // The size and density alone: page.setViewport also sends
            // emulation.setScreenOrientationOverride, which Firefox ESR 140
            // does not know, and an orientation is not what the cases set.
            await page.mainFrame().browsingContext.setViewport({viewport: {width, height}, devicePixelRatio: scale});
            return null;
        },
        async pointer(steps) {
            // [kind, x, y]: kind down, move or up, in viewport CSS pixels.
            for (const [kind, x, y] of steps) {
                await page.mouse.move(x, y);
                if (kind === 'down') await page.mouse.down();
                else if (kind === 'up') await page.mouse.up();
            }
            return null;
        },
        async keys(chords) {
            for (const chord of chords) {
                const names = chord.split('+').map(k => KEYS[k] || k);
                const last = names.pop();
                for (const m of names) await page.keyboard.down(m);
                await page.keyboard.press(last.length === 1 && names.includes('Shift') ? last.toUpperCase() : last);
                for (const m of names.reverse()) await page.keyboard.up(m);
            }
            return null;
        },
        async screenshot(file) { await page.screenshot({path: file}); return null; },
        async version() { return browser.version(); },
    };
    const lines = readline.createInterface({input: process.stdin});
    for await (const line of lines) {
        const {cmd, args} = JSON.parse(line);
        let answer;
        try {
            answer = {value: await commands[cmd](...args)};
        } catch (e) {
            answer = {error: String(e && e.message || e)};
        }
        process.stdout.write(JSON.stringify(answer === undefined ? {value: null} : answer) + '\n');
    }
    await browser.close();
}

main().catch(e => {
    process.stderr.write('firefox_bridge: ' + (e && e.message || e) + '\n');
    process.exit(1);
});
