// Checks the hoverhue package, installed beside this script, under Node.js
// for Windows over a screen whose every pixel names its physical position
// (position_screen): at each point given, in this process's own coordinates,
// the ten texts, cursor() and colour(), through require, import and
// hoverhue/promises; 600 promises at once; process.exit() with calls in
// flight; then, with HOVERHUE_CHECK_MEMORY=1, two overlapping promise loops,
// and two instances with two worker threads reading at once, each with
// memory bounded; last, workers ended by terminate() while they read. Under
// Wine, output to a pipe fails: it goes to OUT.
//   node --expose-gc --max-semi-space-size=1 check.js OUT SCALE X,Y [X,Y ...]
// SCALE is how much larger physical pixels are than this process's.
'use strict';
const { spawnSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { Worker } = require('worker_threads');

const { checker, checkReadings, moveCursor } = require('./screen.cjs');

const [out, scale, ...points] = process.argv.slice(2);
const { check, report, finish } = checker(out);

const committed = require('./committed.js');

// The copies of hoverhue.dll that this process has loaded, whatever their
// names: the modules that export both mousex and colourHex.
const koffi = require('koffi');
const kernel32 = koffi.load('kernel32.dll');
const currentProcess = kernel32.func('void *__stdcall GetCurrentProcess(void)')();
const enumModules = kernel32.func(
  'int __stdcall K32EnumProcessModules(void *process, void *modules, uint32_t size, _Out_ uint32_t *needed)');
const procAddress = kernel32.func('uintptr_t __stdcall GetProcAddress(uintptr_t module, const char *name)');
function copiesLoaded() {
  const modules = Buffer.alloc(8 * 4096), needed = [0];
  enumModules(currentProcess, modules, modules.length, needed);
  const size = koffi.sizeof('void *');
  let count = 0;
  for (let at = 0; at < Math.min(needed[0], modules.length); at += size) {
    const module = size === 8 ? modules.readBigUInt64LE(at) : modules.readUInt32LE(at);
    if (procAddress(module, 'mousex') && procAddress(module, 'colourHex')) count++;
  }
  return count;
}

// Workers that read, through both faces, ended by terminate() while they
// read; then this thread reads until its next load, which frees what they
// left.
async function terminatedWorkers(count, reloadReadings) {
  const code = `const { parentPort } = require('worker_threads');
    const h = require('hoverhue'), p = require('hoverhue/promises');
    h.colour();
    parentPort.postMessage('reading');
    (async () => { for (;;) { h.colour(); await p.colour(); } })();`;
  for (let i = 0; i < count; i++) {
    const worker = new Worker(code, { eval: true });
    await new Promise((done, fail) => { worker.once('message', done); worker.once('error', fail); });
    await worker.terminate();
  }
  const hoverhue = require('hoverhue');
  for (let i = 0; i < reloadReadings; i++) hoverhue.colour();
  return copiesLoaded();
}

// process.exit(code) with calls in flight, in a process of its own and in
// a worker: the code it gives, and no crash.
function exitWithCallsInFlight() {
  const inProcess = spawnSync(process.execPath, ['-e', `const p = require('hoverhue/promises');
    for (let i = 0; i < 50; i++) p.colour();
    setImmediate(() => process.exit(7));`], { cwd: __dirname, stdio: 'ignore', timeout: 60000 });
  const inWorker = new Promise((done) => {
    const worker = new Worker(`const p = require('hoverhue/promises');
      for (let i = 0; i < 50; i++) p.colour();
      setImmediate(() => process.exit(5));`, { eval: true });
    worker.once('exit', done);
  });
  return inWorker.then((workerCode) => [inProcess.status, workerCode]);
}

// Two loops of promises that overlap, as a UI poll and a logger would: each
// awaits its own reading while the other's is in flight.
async function overlappingLoops(warm, count) {
  const promises = require('hoverhue/promises');
  const loop = async (n) => { for (let i = 0; i < n; i++) { await promises.cursor(); await promises.colour(); } };
  await Promise.all([loop(warm), loop(warm)]);
  const before = committed();
  await Promise.all([loop(count), loop(count)]);
  return committed() - before;
}

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
  // Whatever stands at the path that copies once shared changes nothing.
  try { fs.writeFileSync(path.join(os.tmpdir(), 'hoverhue'), 'planted'); } catch { /* a folder is there */ }
  check('supported', hoverhue.supported, true);
  check('the default import is the module that require gives', imported.default === hoverhue, true);
  check('a named import is the function that require gives', imported.colour === hoverhue.colour, true);
  check('init', hoverhue.init(), 'mousex|mousey|colourRGB|colourR|colourG|colourB|colourHex|colourRx|colourGx|colourBx');
  let last;
  for (const point of points) {
    const [x, y] = point.split(',').map(Number);
    const physical = [Math.trunc(x * scale), Math.trunc(y * scale)];
    if (!moveCursor(x, y)) { check(`the cursor moves to (${x}, ${y})`, false, true); continue; }
    const texts = await checkReadings(check, hoverhue, promises, [x, y], physical);
    report(`at (${x}, ${y}): cursor() ${JSON.stringify(hoverhue.cursor())}, colour() ${JSON.stringify(hoverhue.colour())}`);
    last = texts;
  }

  const all = await Promise.all(Array.from({ length: 600 }, () => promises.colourHex()));
  check('600 promises at once all answer', all.filter((text) => text === last.colourHex).length, 600);
  check('process.exit(7) with calls in flight, and process.exit(5) in a worker', await exitWithCallsInFlight(), [7, 5]);

  const copy = path.join(__dirname, 'node_modules', 'other', 'node_modules', 'hoverhue');
  fs.cpSync(path.dirname(require.resolve('hoverhue/package.json')), copy, { recursive: true });
  const second = require(copy);
  const expected = `${last.mousex} ${last.colourHex}`;
  check('a second copy of the package reads the same texts', second.mousex() + ' ' + second.colourHex(), expected);
  // Memory first, before the workers below leave their environments to
  // be collected.
  if (process.env.HOVERHUE_CHECK_MEMORY === '1') {
    const loops = await overlappingLoops(20000, 40000);
    report(`two overlapping promise loops, 40000 readings each after 20000: committed memory grew by ${loops} bytes`);
    check('two overlapping promise loops reading 40000 times each stay within 1 MiB', loops < 1024 * 1024, true);
    const grown = await readTogether([hoverhue, second], expected, 20000, 40000);
    report(`two instances and two worker threads, 40000 readings each after 20000: committed memory grew by ${grown} bytes`);
    check('two instances and two worker threads reading 40000 times each stay within 1 MiB', grown < 1024 * 1024, true);
  } else {
    await readTogether([hoverhue, second], expected, 200, 200);
  }
  const workers = Number(process.env.HOVERHUE_CHECK_WORKERS || 100);
  const loaded = await terminatedWorkers(workers, 7300);  // 65536 bytes at 9 a colour
  report(`after ${workers} workers ended by terminate() while reading, and a reload here: ${loaded} copies of hoverhue.dll loaded`);
  check(`after ${workers} workers ended by terminate(), at most this thread's two copies (one for each instance) are loaded`, loaded <= 2, true);
}

main().then(() => finish(), finish);
