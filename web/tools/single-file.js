// Makes the self-contained kestrel.html from the built page: the style sheet
// and the page script inlined, the worker's script (zip library, WebAssembly
// batch with its module embedded, worker) carried as a text from which the
// page makes its worker, so that the file works opened from disk.
//
//   node single-file.js OUTDIR     (reads OUTDIR/index.html and its parts)
'use strict';

const fs = require('fs');
const path = require('path');

const outDir = process.argv[2];
if (!outDir) {
    console.error('usage: node single-file.js OUTDIR');
    process.exit(2);
}
const read = (name) => fs.readFileSync(path.join(outDir, name), 'utf8');

// A script inlined in HTML must not close its own element.
function inlineScript(source) {
    if (/<\/script/i.test(source) || /<!--/.test(source)) {
        throw new Error('a script to inline holds "</script" or "<!--"');
    }
    return source;
}

const workerSource = [read('fflate.js'), read('kestrel.js'), read('worker.js')].join('\n;\n');
// As a JSON string with '<' escaped, the text cannot end the script early.
const workerLiteral = JSON.stringify(workerSource).replace(/</g, '\\u003c');

let html = read('index.html');
const replaceOnce = (what, by) => {
    if (!html.includes(what)) {
        throw new Error('index.html does not hold ' + what);
    }
    html = html.replace(what, () => by);
};
replaceOnce('<link rel="stylesheet" href="style.css">', '<style>\n' + read('style.css') + '</style>');
replaceOnce('<script src="page.js"></script>',
    '<script>window.kestrelWorkerSource = ' + workerLiteral + ';</script>\n<script>\n' +
    inlineScript(read('page.js')) + '</script>');
// Inline scripts and styles, and a worker made from a blob.
replaceOnce("script-src 'self' 'wasm-unsafe-eval'; worker-src 'self' blob:; style-src 'self';",
    "script-src 'unsafe-inline' 'wasm-unsafe-eval'; worker-src blob:; style-src 'unsafe-inline';");
fs.writeFileSync(path.join(outDir, 'kestrel.html'), html);
