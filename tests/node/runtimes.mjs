// Checks the hoverhue package, installed beside this script, under Deno or
// Bun for Windows over position_screen: at each point the ten texts,
// cursor() and colour(), synchronous and through hoverhue/promises; under
// Deno also the DLL called with no package, through Deno.dlopen. Points are
// given in the coordinates of a process that is not DPI aware; the check
// asks Windows whether this one is, and expects its own coordinates.
// Output goes to OUT, as for check.js.
//   deno run -A --node-modules-dir=manual runtimes.mjs OUT SCALE X,Y ...
//   bun runtimes.mjs OUT SCALE X,Y ...
// SCALE is how much larger physical pixels are than an unaware process's.
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';
import koffi from 'koffi';
import hoverhue from 'hoverhue';
import promises from 'hoverhue/promises';

const require = createRequire(import.meta.url);
const { colourAt, expectedTexts, moveCursor } = require('./screen.cjs');
const [outArgument, scale, ...points] = process.argv.slice(2);
// Bun under Wine opens no relative path above the current folder.
const out = path.resolve(outArgument);
const runtime = globalThis.Deno ? `Deno ${Deno.version.deno}` : `Bun ${Bun.version}`;
fs.writeFileSync(out, '');
const report = (line) => fs.appendFileSync(out, `${line}\n`);
let passed = 0, failed = 0;
function check(what, actual, expected) {
  const same = JSON.stringify(actual) === JSON.stringify(expected);
  same ? passed++ : failed++;
  if (!same) report(`FAIL ${runtime}: ${what}: expected ${JSON.stringify(expected)}, got ${JSON.stringify(actual)}`);
}

const aware = koffi.load('user32.dll').func('int __stdcall IsProcessDPIAware(void)')() !== 0;
// The DLL with no package: the recipe README gives for Deno.
function dlopenTexts() {
  const dll = path.join(path.dirname(require.resolve('hoverhue')), 'x64', 'hoverhue.dll');
  const symbols = Object.fromEntries(Object.keys(expectedTexts(0, 0, [0, 0, 0]))
    .map((name) => [name, { parameters: [], result: 'pointer' }]));
  const library = Deno.dlopen(dll, symbols);
  const texts = Object.fromEntries(Object.keys(symbols)
    .map((name) => [name, Deno.UnsafePointerView.getCString(library.symbols[name]())]));
  library.close();
  return texts;
}

try {
  check('supported', hoverhue.supported, true);
  for (const point of points) {
    const [ux, uy] = point.split(',').map(Number);
    const physical = [Math.trunc(ux * scale), Math.trunc(uy * scale)];
    const [x, y] = aware ? physical : [ux, uy];
    if (!moveCursor(ux, uy)) { check(`the cursor moves to (${ux}, ${uy})`, false, true); continue; }
    const [r, g, b] = colourAt(...physical);
    const texts = expectedTexts(x, y, [r, g, b]);
    const hex = '#' + [r, g, b].map((v) => v.toString(16).padStart(2, '0')).join('');
    for (const name of Object.keys(texts)) {
      check(`${name}() at (${x}, ${y})`, hoverhue[name](), texts[name]);
      check(`promises.${name}() at (${x}, ${y})`, await promises[name](), texts[name]);
    }
    check(`cursor() at (${x}, ${y})`, hoverhue.cursor(), { x, y });
    check(`colour() at (${x}, ${y})`, hoverhue.colour(), { r, g, b, hex });
    check(`promises.colour() at (${x}, ${y})`, await promises.colour(), { r, g, b, hex });
    if (globalThis.Deno) check(`Deno.dlopen at (${x}, ${y})`, dlopenTexts(), texts);
    report(`${runtime}${aware ? ', DPI aware' : ''}, at (${x}, ${y}): cursor() ${JSON.stringify(hoverhue.cursor())}, colour() ${JSON.stringify(hoverhue.colour())}`);
  }
} catch (error) {
  failed++;
  report(`FAIL ${runtime}: ${error.stack}`);
}
report(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
