// The formula table and the elementary functions in WebAssembly (run here
// through Node's WASI) against the native build of the same program: the
// same bits, line for line.
// usage: node formula_bits_test.js MODULE.wasm NATIVE-PROGRAM OUTPUT-DIR
'use strict';
const fs = require('fs');
const path = require('path');
const { spawnSync } = require('child_process');
const { WASI } = require('wasi');

async function main() {
    const [wasmFile, native, outDir] = process.argv.slice(2);
    fs.mkdirSync(outDir, { recursive: true });
    const wasmOut = path.join(outDir, 'formula-bits-wasm.txt');
    const fd = fs.openSync(wasmOut, 'w');
    const wasi = new WASI({ version: 'preview1', args: ['formula_bits'], env: {}, stdout: fd, returnOnExit: true });
    const module = await WebAssembly.compile(fs.readFileSync(wasmFile));
    // Node.js 18 has no getImportObject(); wasiImport is in every version.
    const instance = await WebAssembly.instantiate(module, { wasi_snapshot_preview1: wasi.wasiImport });
    const status = wasi.start(instance);
    fs.closeSync(fd);
    const ours = fs.readFileSync(wasmOut, 'utf8').split('\n');
    const run = spawnSync(native, [], { encoding: 'utf8', maxBuffer: 64 << 20 });
    if (status !== 0 || run.status !== 0) {
        console.log(`exit status: WebAssembly ${status}, native ${run.status}`);
        process.exit(1);
    }
    const theirs = run.stdout.split('\n');
    for (let i = 0; i < Math.max(ours.length, theirs.length); i++) {
        if (ours[i] !== theirs[i]) {
            console.log(`line ${i + 1} differs:\n  WebAssembly: ${ours[i]}\n  native:      ${theirs[i]}`);
            process.exit(1);
        }
    }
    console.log(`${ours.length - 1} lines, the same bits in WebAssembly and natively`);
    for (const line of ours)
        if (/hash/.test(line)) console.log(line);
}

main().catch((e) => {
    console.log(e.stack);
    process.exit(1);
});
