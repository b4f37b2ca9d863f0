// Checks the hoverhue package, installed beside this script, under Node.js
// for Windows over a screen whose every pixel names its physical position
// (position_screen): at each point given, in this process's own coordinates,
// the ten texts, cursor() and colour(); then the import form, worker
// threads and a second instance sharing the DLL, and the reload that keeps
// memory bounded. Under Wine, output to a pipe fails: it goes to OUT.
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

// Node.js itself grows by up to 2.5 MB over the first 25,000 readings or so,
// and as much again after worker threads have run (the test pins its young
// generation, which else grows in steps of megabytes); without the reloads
// the DLL's texts would add 3 MB over the 40,000 measured.
function boundedMemory(hoverhue, when) {
  for (let i = 0; i < 25000; i++) { hoverhue.cursor(); hoverhue.colour(); }
  const before = committed();
  for (let i = 0; i < 40000; i++) { hoverhue.cursor(); hoverhue.colour(); }
  const grown = committed() - before;
  report(`${when}: 40000 readings grew committed memory by ${grown} bytes`);
  check(`${when}: 40000 readings leave committed memory within 1 MiB`, grown < 1024 * 1024, true);
}

async function main() {
  const hoverhue = require('hoverhue');
  check('init', hoverhue.init(), 'mousex|mousey|colourRGB|colourR|colourG|colourB|colourHex|colourRx|colourGx|colourBx');
  let last;
  for (const point of points) {
    const [x, y] = point.split(',').map(Number);
    const physical = [Math.trunc(x * scale), Math.trunc(y * scale)];
    if (!moveCursor(x, y)) { check(`the cursor moves to (${x}, ${y})`, false, true); continue; }
    const [r, g, b] = colourAt(...physical);
    const texts = expectedTexts(x, y, [r, g, b]);
    for (const name of Object.keys(texts)) check(`${name}() at (${x}, ${y})`, hoverhue[name](), texts[name]);
    const hex = '#' + [r, g, b].map((v) => v.toString(16).padStart(2, '0')).join('');
    check(`cursor() at (${x}, ${y})`, hoverhue.cursor(), { x, y });
    check(`colour() at (${x}, ${y}), physical (${physical})`, hoverhue.colour(), { r, g, b, hex });
    report(`at (${x}, ${y}): cursor() ${JSON.stringify(hoverhue.cursor())}, colour() ${JSON.stringify(hoverhue.colour())}`);
    last = texts;
  }

  // The import form is the same module.
  const imported = await import('hoverhue');
  check('import gives the functions of require', imported.colour === hoverhue.colour, true);

  // Worker threads load the package each for itself, into the one DLL.
  const workerCode = `const h = require('hoverhue'); const { parentPort } = require('worker_threads');
    const texts = []; for (let i = 0; i < 200; i++) texts.push(h.mousex() + ' ' + h.colourHex());
    parentPort.postMessage([...new Set(texts)]);`;
  const results = await Promise.all([1, 2].map(() => new Promise((done, fail) => {
    const worker = new Worker(workerCode, { eval: true });
    worker.once('message', done);
    worker.once('error', fail);
  })));
  for (const seen of results) check('a worker thread reads the same texts', seen, [`${last.mousex} ${last.colourHex}`]);
  // Each worker's instance gave the DLL back as its thread ended. Wine under
  // qemu-user (32-bit where the kernel runs none, and ARM64) keeps about
  // 5 KB of every load and unload of a DLL (koffi.load and unload alone,
  // with no call, show it), which this test's frequent reloads add up to as
  // much as the texts they give back.
  if (process.env.HOVERHUE_QEMU_USER) report('memory: not measured under qemu-user, where Wine keeps about 5 KB per DLL load');
  else boundedMemory(hoverhue, 'after two worker threads ended');

  // A second instance of the package in this thread; both reload often
  // (the test runs with a low threshold), each while the other holds the DLL.
  const file = require.resolve('hoverhue');
  delete require.cache[file];
  const second = require(file);
  check('a second instance is its own', second !== hoverhue, true);
  const mixed = new Set();
  for (let i = 0; i < 2000; i++) mixed.add(`${hoverhue.colourHex()} ${second.mousey()} ${second.colourRGB()}`);
  check('two instances reloading in turn read the same texts', [...mixed],
    [`${last.colourHex} ${last.mousey} ${last.colourRGB}`]);
}

main().catch((error) => { failed++; report(`FAIL ${error.stack}`); }).finally(() => {
  report(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
});
