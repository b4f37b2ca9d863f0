// Times the hoverhue package as an app calls it, beside the same work done
// through koffi directly, in rounds that alternate so both meet the same
// load: cursor() beside one GetCursorPos; a reading (cursor() and colour())
// beside GetCursorPos and colourHex; the same reading from hoverhue/promises,
// each call awaited. The package's totals include its reloads. The direct
// calls go to a copy of the DLL of their own. A reload is timed as the
// package makes one: free a copy, load a spare one, find its functions.
// Writes Markdown to OUT (under Wine, output to a pipe fails).
//   node bench.js OUT                 the timing
//   node --expose-gc bench.js OUT memory READINGS
//                                     committed memory over READINGS readings
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const koffi = require('koffi');
const hoverhue = require('hoverhue');
const promises = require('hoverhue/promises');

const out = process.argv[2];
const dll = path.join(path.dirname(require.resolve('hoverhue')), process.arch, 'hoverhue.dll');
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'hoverhue-bench-'));
const copies = [1, 2].map((n) => path.join(folder, `${n}.dll`));
for (const copy of copies) fs.copyFileSync(dll, copy);

const kernel32 = koffi.load('kernel32.dll');
const loadLibrary = kernel32.func('void *__stdcall LoadLibraryW(const char16_t *path)');
const freeLibrary = kernel32.func('int __stdcall FreeLibrary(void *module)');
const procAddress = kernel32.func('uintptr_t __stdcall GetProcAddress(void *module, const char *name)');
koffi.struct('BenchPoint', { x: 'int32_t', y: 'int32_t' });
const getCursorPos = koffi.load('user32.dll').func('int __stdcall GetCursorPos(_Out_ BenchPoint *point)');
const library = koffi.load(copies[0]);
const colourHex = library.func('const char *colourHex(void)');
const names = ['init', 'mousex', 'mousey', 'colourRGB', 'colourR', 'colourG',
  'colourB', 'colourHex', 'colourRx', 'colourGx', 'colourBx'];

const microseconds = (start, n) => Number(process.hrtime.bigint() - start) / 1e3 / n;
const median = (values) => [...values].sort((a, b) => a - b)[values.length >> 1];

// Median per-item time of each job, over rounds of `n` items, the jobs
// taking turns within each round.
async function rounds(jobs, n) {
  const times = jobs.map(() => []);
  for (let round = 0; round < 21; round++) {
    for (let j = 0; j < jobs.length; j++) {
      const start = process.hrtime.bigint();
      await jobs[j](n);
      times[j].push(microseconds(start, n));
    }
  }
  return times.map(median);
}

async function timing() {
  const [cursor, rawCursor, reading, rawReading, promised] = await rounds([
    (n) => { for (let i = 0; i < n; i++) hoverhue.cursor(); },
    (n) => { for (let i = 0; i < n; i++) getCursorPos({}); },
    (n) => { for (let i = 0; i < n; i++) { hoverhue.cursor(); hoverhue.colour(); } },
    (n) => { for (let i = 0; i < n; i++) { getCursorPos({}); colourHex(); } },
    async (n) => { for (let i = 0; i < n; i++) { await promises.cursor(); await promises.colour(); } },
  ], 1000);
  // The package's reload: the retired copy freed, a spare one loaded, its
  // functions found (koffi made them callable once, at the first load).
  let module = loadLibrary(copies[1]);
  const [reload] = await rounds([(n) => {
    for (let i = 0; i < n; i++) {
      freeLibrary(module);
      module = loadLibrary(copies[1]);
      for (const name of names) procAddress(module, name);
    }
  }], 5);
  freeLibrary(module);
  const perReload = Math.floor(512 * 1024 / 9);
  const row = (what, us, beside, usBeside, goal) =>
    `| ${what} | ${us.toFixed(1)} | ${beside} | ${usBeside.toFixed(1)} | ${(us / usBeside).toFixed(3)} | ${goal} |`;
  return [
    '| The package | us | Through koffi directly | us | Ratio | Goal |',
    '|---|---:|---|---:|---:|---:|',
    row('`cursor()`', cursor, 'one `GetCursorPos`', rawCursor, '1.1'),
    row('`cursor()` and `colour()`', reading, '`GetCursorPos` and `colourHex`', rawReading, '1.05'),
    row('the same from `hoverhue/promises`, awaited', promised, '`GetCursorPos` and `colourHex`', rawReading, '-'),
    '',
    '| One reload, us | Readings between reloads | Reload per reading, amortised |',
    '|---:|---:|---:|',
    `| ${reload.toFixed(0)} | ${perReload} | ${(reload / perReload / reading * 100).toFixed(4)}% |`,
  ].join('\n');
}

// Committed memory after the first thousand readings and after READINGS.
function memory(readings) {
  const committed = require('./committed.js');
  const rows = ['| Readings | Committed memory, bytes | Since the first thousand |', '|---:|---:|---:|'];
  let first;
  for (let done = 0; done < readings;) {
    const step = done === 0 ? 1000 : Math.min(readings / 10, readings - done);
    for (let i = 0; i < step; i++) { hoverhue.cursor(); hoverhue.colour(); }
    done += step;
    const now = committed();
    if (first === undefined) first = now;
    rows.push(`| ${done} | ${now} | ${now - first >= 0 ? '+' : ''}${now - first} |`);
  }
  return rows.join('\n');
}

(async () => {
  const table = process.argv[3] === 'memory' ? memory(Number(process.argv[4])) : await timing();
  fs.writeFileSync(out, table + '\n');
  library.unload();
  fs.rmSync(folder, { recursive: true });
})();
