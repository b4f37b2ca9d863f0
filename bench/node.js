// Times one reading through the hoverhue package, cursor() and colour(),
// synchronous and through hoverhue/promises (awaited one after another),
// beside the same three calls (mousex, mousey, colourHex) made through koffi
// directly, in rounds that alternate so all meet the same load; the totals
// include the package's reloads. The direct calls go to a copy of the DLL, a
// module of its own, so the package's reloads really unload its DLL.
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
const copy = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'hoverhue-')), 'hoverhue.dll');
fs.copyFileSync(dll, copy);

function bind(library) {
  const text = (name) => library.func(`const char *${name}(void)`);
  return { mousex: text('mousex'), mousey: text('mousey'), colourHex: text('colourHex') };
}
let library = koffi.load(copy), direct = bind(library);
const milliseconds = (start) => Number(process.hrtime.bigint() - start) / 1e6;

async function timing() {
  const rounds = 21, readings = 1000;
  let packaged = 0, promised = 0, raw = 0;
  for (let round = 0; round < rounds; round++) {
    let start = process.hrtime.bigint();
    for (let i = 0; i < readings; i++) { hoverhue.cursor(); hoverhue.colour(); }
    packaged += milliseconds(start);
    start = process.hrtime.bigint();
    for (let i = 0; i < readings; i++) { await promises.cursor(); await promises.colour(); }
    promised += milliseconds(start);
    start = process.hrtime.bigint();
    for (let i = 0; i < readings; i++) { direct.mousex(); direct.mousey(); direct.colourHex(); }
    raw += milliseconds(start);
  }
  // One reload as the package makes it: unload, copy the DLL anew, load, bind.
  const reloads = [];
  for (let i = 0; i < 21; i++) {
    const start = process.hrtime.bigint();
    library.unload();
    fs.rmSync(copy);
    fs.copyFileSync(dll, copy);
    library = koffi.load(copy);
    direct = bind(library);
    reloads.push(milliseconds(start));
  }
  reloads.sort((a, b) => a - b);
  const n = rounds * readings, perReading = raw / n, reload = reloads[10];
  const perReload = Math.floor(512 * 1024 / 75);
  return [
    '| One reading | us | Through koffi directly, us | Ratio |',
    '|---|---:|---:|---:|',
    `| \`cursor()\` and \`colour()\` | ${(packaged / n * 1000).toFixed(0)} | ` +
      `${(perReading * 1000).toFixed(0)} | ${(packaged / raw).toFixed(3)} |`,
    `| the same from \`hoverhue/promises\`, awaited | ${(promised / n * 1000).toFixed(0)} | ` +
      `${(perReading * 1000).toFixed(0)} | ${(promised / raw).toFixed(3)} |`,
    '',
    '| One reload, ms | Readings between reloads | Reload per reading, amortised |',
    '|---:|---:|---:|',
    `| ${reload.toFixed(2)} | ${perReload} | ${(reload / perReload / perReading * 100).toFixed(3)}% |`,
  ].join('\n');
}

// Committed memory after the first thousand readings and after READINGS.
function memory(readings) {
  const committed = require('./committed.js');
  library.unload();
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
  if (process.argv[3] !== 'memory') library.unload();
  fs.rmSync(path.dirname(copy), { recursive: true });
})();
