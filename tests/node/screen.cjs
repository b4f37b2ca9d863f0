// What position_screen paints and how it moves the cursor, for the checks
// that run under Node.js, Deno and Bun for Windows.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');

// Checks that write to OUT as they go, so that a run that hangs shows how
// far it came (under Wine, output to a pipe fails); `finish` ends the
// process with the count.
function checker(out, prefix = '') {
  fs.writeFileSync(out, '');
  const report = (line) => fs.appendFileSync(out, `${line}\n`);
  const counts = { passed: 0, failed: 0 };
  function check(what, actual, expected) {
    const same = JSON.stringify(actual) === JSON.stringify(expected);
    counts[same ? 'passed' : 'failed']++;
    if (!same) report(`FAIL ${prefix}${what}: expected ${JSON.stringify(expected)}, got ${JSON.stringify(actual)}`);
  }
  function finish(error) {
    if (error) { counts.failed++; report(`FAIL ${prefix}${error.stack}`); }
    report(`${counts.passed} passed, ${counts.failed} failed`);
    process.exit(counts.failed === 0 ? 0 : 1);
  }
  return { check, report, finish };
}

// The colour position_screen paints at physical (x, y): x in red and the
// low nibble of green, y in blue and the high nibble.
function colourAt(x, y) {
  return [x & 0xff, ((x >> 8) & 0xf) | (((y >> 8) & 0xf) << 4), y & 0xff];
}

// The ten texts at (x, y) in the caller's coordinates, over colour [r, g, b].
function expectedTexts(x, y, [r, g, b]) {
  const hex = (v) => v.toString(16).toUpperCase().padStart(2, '0');
  return {
    mousex: String(x + 1), mousey: String(y + 1), colourRGB: `R:${r} G:${g} B:${b}`,
    colourR: String(r), colourG: String(g), colourB: String(b),
    colourHex: `${hex(r)} ${hex(g)} ${hex(b)}`, colourRx: hex(r), colourGx: hex(g), colourBx: hex(b),
  };
}

// Moves the cursor to (x, y) in the coordinates of a process that is not
// DPI aware, as Node.js is not; position_screen.exe stands in the folder
// above the app.
function moveCursor(x, y) {
  try {
    execFileSync(path.join(__dirname, '..', 'position_screen.exe'), ['move', String(x), String(y)], { stdio: 'ignore' });
    return true;
  } catch {
    return false;
  }
}

// Every text, cursor() and colour() with the cursor at (x, y) in the
// caller's coordinates over physical pixel `physical`, synchronous and
// through hoverhue/promises; gives the texts expected there.
async function checkReadings(check, hoverhue, promises, [x, y], physical) {
  const [r, g, b] = colourAt(...physical);
  const texts = expectedTexts(x, y, [r, g, b]);
  const hex = '#' + [r, g, b].map((v) => v.toString(16).padStart(2, '0')).join('');
  for (const name of Object.keys(texts)) {
    check(`${name}() at (${x}, ${y})`, hoverhue[name](), texts[name]);
    check(`promises.${name}() at (${x}, ${y})`, await promises[name](), texts[name]);
  }
  check(`cursor() at (${x}, ${y})`, hoverhue.cursor(), { x, y });
  check(`cursor() at (${x}, ${y}) is mousex() and mousey() less one`, hoverhue.cursor(),
    { x: Number(hoverhue.mousex()) - 1, y: Number(hoverhue.mousey()) - 1 });
  check(`colour() at (${x}, ${y}), physical (${physical})`, hoverhue.colour(), { r, g, b, hex });
  check(`promises.cursor() at (${x}, ${y})`, await promises.cursor(), { x, y });
  check(`promises.colour() at (${x}, ${y})`, await promises.colour(), { r, g, b, hex });
  return texts;
}

module.exports = { checker, colourAt, expectedTexts, moveCursor, checkReadings };
