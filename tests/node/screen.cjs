// What position_screen paints and how it moves the cursor, for the checks
// that run under Node.js, Deno and Bun for Windows.
'use strict';
const { execFileSync } = require('child_process');
const path = require('path');

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

module.exports = { colourAt, expectedTexts, moveCursor };
