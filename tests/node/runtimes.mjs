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
import path from 'node:path';
import { createRequire } from 'node:module';
import koffi from 'koffi';
import hoverhue from 'hoverhue';
import promises from 'hoverhue/promises';

const require = createRequire(import.meta.url);
const { checker, checkReadings, expectedTexts, moveCursor } = require('./screen.cjs');
const [out, scale, ...points] = process.argv.slice(2);
const runtime = globalThis.Deno ? `Deno ${Deno.version.deno}` : `Bun ${Bun.version}`;
// Bun under Wine opens no relative path above the current folder.
const { check, report, finish } = checker(path.resolve(out), `${runtime}: `);

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
    const texts = await checkReadings(check, hoverhue, promises, [x, y], physical);
    if (globalThis.Deno) check(`Deno.dlopen at (${x}, ${y})`, dlopenTexts(), texts);
    report(`${runtime}${aware ? ', DPI aware' : ''}, at (${x}, ${y}): cursor() ${JSON.stringify(hoverhue.cursor())}, colour() ${JSON.stringify(hoverhue.colour())}`);
  }
  finish();
} catch (error) {
  finish(error);
}
