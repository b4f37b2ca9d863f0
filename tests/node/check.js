// Checks the hoverhue package, installed beside this script, under Node.js
// for Windows over a screen whose every pixel names its physical position
// (position_screen): at each point given, in this process's own coordinates,
// the ten texts, cursor() and colour(), through require, import and
// hoverhue/promises; then, with HOVERHUE_CHECK_MEMORY=1, two instances and
// two worker threads reading at once, with memory bounded. Under Wine,
// output to a pipe fails: it goes to OUT.
//   node --expose-gc --max-semi-space-size=1 check.js OUT SCALE X,Y [X,Y ...]
// SCALE is how much larger physical pixels are than this process's.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const { Worker } = require('worker_threads');

const [out, scale, ...points] = process.argv.slice(2);
// Written as it goes, so that a run that hangs shows how far it came.
fs.writeFileSync(out, '');
const report = (line) => fs.appendFileSync(out, `${line}\n`);
let passed = 0, failed = 0;
function check(what, actual, expected) {
  const same = JSON.stringify(actual) === JSON.stringify(expected);
  same ? passed++ : failed++;
  if (!same) report(`FAIL ${what}: expected ${JSON.stringify(expected)}, got ${JSON.stringify(actual)}`);
}

// The colour position_screen paints at (x, y): x in red and the low nibble
// of green, y in blue and the high nibble.
function colourAt(x, y) {
  return [x & 0xff, ((x >> 8) & 0xf) | (((y >> 8) & 0xf) << 4), y & 0xff];
}
function expectedTexts(x, y, [r, g, b]) {
  const hex = (v) => v.toString(16).toUpperCase().padStart(2, '0');
  return {
    mousex: String(x + 1), mousey: String(y + 1), colourRGB: `R:${r} G:${g} B:${b}`,
    colourR: String(r), colourG: String(g), colourB: String(b),
    colourHex: `${hex(r)} ${hex(g)} ${hex(b)}`, colourRx: hex(r), colourGx: hex(g), colourBx: hex(b),
  };
}

// position_screen moves the cursor, in the same coordinates as this process.
function moveCursor(x, y) {
  try {
    execFileSync(path.join(__dirname, '..', 'position_screen.exe'), ['move', x, y], { stdio: 'ignore' });
    return true;
  } catch (error) {
    return false;
  }
}
const committed = require('./committed.js');

// Two instances of the package in this thread (the app's own and a second
// copy, as another package in the app may bring) and two worker threads,
// all reading at once: WARM readings each, then COUNT more, measured. With
// the DLL reloaded on schedule in every thread, committed memory stays
// within 1 MiB. Node's young generation is pinned (--max-semi-space-size
// here, resourceLimits in the workers), else it grows in steps of megabytes.
async function readTogether(instances, expected, warm, count) {
  const workerCode = `const { parentPort, workerData } = require('worker_threads');
    const h = require('hoverhue');
    const read = (n) => { for (let i = 0; i < n; i++) { h.cursor(); h.colour(); } };
    read(workerData.warm);
    global.gc();
    parentPort.postMessage('warm');
    parentPort.once('message', () => {
      read(workerData.count);
      global.gc();  // as committed() does in this thread
      parentPort.postMessage(h.mousex() + ' ' + h.colourHex());
      parentPort.once('message', () => {});  // alive until measured
    });`;
  const workers = [1, 2].map(() => new Worker(workerCode, {
    eval: true, workerData: { warm, count }, resourceLimits: { maxYoungGenerationSizeMb: 4 },
  }));
  const next = (worker) => new Promise((done, fail) => { worker.once('message', done); worker.once('error', fail); });
  // Each worker ends once it has answered, its copy of the DLL going with it.
  const ended = Promise.all(workers.map((worker) => new Promise((done) => worker.once('exit', done))));
  const read = (n) => { for (let i = 0; i < n; i++) for (const h of instances) { h.cursor(); h.colour(); } };
  let ready = Promise.all(workers.map(next));
  read(warm);
  await ready;
  const before = committed();
  const finished = Promise.all(workers.map(next));
  for (const worker of workers) worker.postMessage('go');
  read(count);
  const seen = await finished;
  const grown = committed() - before;
  for (const worker of workers) worker.postMessage('end');
  await ended;
  for (const last of seen) check('a worker thread reads the same texts', last, expected);
  return grown;
}

async function main() {
  const hoverhue = require('hoverhue');
  const promises = require('hoverhue/promises');
  const imported = await import('hoverhue');
  check('supported', hoverhue.supported, true);
  check('the default import is the module that require gives', imported.default === hoverhue, true);
  check('a named import is the function that require gives', imported.colour === hoverhue.colour, true);
  check('init', hoverhue.init(), 'mousex|mousey|colourRGB|colourR|colourG|colourB|colourHex|colourRx|colourGx|colourBx');
  let last;
  for (const point of points) {
    const [x, y] = point.split(',').map(Number);
    const physical = [Math.trunc(x * scale), Math.trunc(y * scale)];
    if (!moveCursor(x, y)) { check(`the cursor moves to (${x}, ${y})`, false, true); continue; }
    const [r, g, b] = colourAt(...physical);
    const texts = expectedTexts(x, y, [r, g, b]);
    const hex = '#' + [r, g, b].map((v) => v.toString(16).padStart(2, '0')).join('');
    for (const name of Object.keys(texts)) {
      check(`${name}() at (${x}, ${y})`, hoverhue[name](), texts[name]);
      check(`promises.${name}() at (${x}, ${y})`, await promises[name](), texts[name]);
    }
    check(`cursor() at (${x}, ${y})`, hoverhue.cursor(), { x, y });
    check(`colour() at (${x}, ${y}), physical (${physical})`, hoverhue.colour(), { r, g, b, hex });
    check(`promises.cursor() at (${x}, ${y})`, await promises.cursor(), { x, y });
    check(`promises.colour() at (${x}, ${y})`, await promises.colour(), { r, g, b, hex });
    report(`at (${x}, ${y}): cursor() ${JSON.stringify(hoverhue.cursor())}, colour() ${JSON.stringify(hoverhue.colour())}`);
    last = texts;
  }

  const copy = path.join(__dirname, 'node_modules', 'other', 'node_modules', 'hoverhue');
  fs.cpSync(path.dirname(require.resolve('hoverhue/package.json')), copy, { recursive: true });
  const second = require(copy);
  const expected = `${last.mousex} ${last.colourHex}`;
  check('a second copy of the package reads the same texts', second.mousex() + ' ' + second.colourHex(), expected);
  if (process.env.HOVERHUE_CHECK_MEMORY !== '1') {
    await readTogether([hoverhue, second], expected, 200, 200);
    return;
  }
  const grown = await readTogether([hoverhue, second], expected, 20000, 40000);
  report(`two instances and two worker threads, 40000 readings each after 20000: committed memory grew by ${grown} bytes`);
  check('two instances and two worker threads reading 40000 times each stay within 1 MiB', grown < 1024 * 1024, true);
}

main().catch((error) => { failed++; report(`FAIL ${error.stack}`); }).finally(() => {
  report(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
});
