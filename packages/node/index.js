'use strict';
// The cursor position and the colour of the pixel under it, read through
// hoverhue.dll with the koffi FFI. Synchronous, as the calls underneath are.

const fs = require('fs');
const path = require('path');

// Node.js's name of each Windows architecture, and the folder of its DLL.
const builds = { ia32: 'ia32', x64: 'x64', arm64: 'arm64' };
const valueNames = ['mousex', 'mousey', 'colourRGB', 'colourR', 'colourG',
  'colourB', 'colourHex', 'colourRx', 'colourGx', 'colourBx'];
// Bytes of the DLL's heap that one answer of each function keeps (init's
// list is constant).
const capacity = { init: 0, mousex: 33, mousey: 33, colourRGB: 33, colourHex: 9 };

function failure(code, message) {
  return Object.assign(new Error(message), { code });
}

if (process.platform !== 'win32' || !(process.arch in builds)) {
  throw failure('HOVERHUE_UNSUPPORTED',
    `hoverhue runs on Windows only, for ia32, x64 and arm64 processes; ` +
    `this is ${process.platform} on ${process.arch}`);
}

let koffi;
try {
  koffi = require('koffi');
} catch (cause) {
  throw failure('HOVERHUE_NO_FFI',
    `hoverhue needs koffi's binary for win32 ${process.arch}, which did not ` +
    `load (install the app's dependencies for this platform and ` +
    `architecture): ${cause.message}`);
}

// Windows cannot load a DLL from inside an Electron app's archive: packers
// put native files beside it, in app.asar.unpacked.
const dll = path.join(__dirname.replace(/app\.asar(?=[\\/]|$)/, 'app.asar.unpacked'),
  builds[process.arch], 'hoverhue.dll');

// Every text stays in the DLL's heap until the DLL is unloaded. koffi copies
// each into a JavaScript string at once, so after this many bytes of texts
// the DLL is unloaded, its heap going with it, and loaded again.
const reloadAfter = Number(process.env.HOVERHUE_RELOAD_BYTES) || 512 * 1024;
let library = null, functions = null, kept = 0;

function load() {
  if (!fs.existsSync(dll)) {
    throw failure('HOVERHUE_LOAD_FAILED', `hoverhue cannot load ${dll}: there is ` +
      `no such file (in an Electron app, unpack hoverhue from app.asar)`);
  }
  try {
    library = koffi.load(dll);
  } catch (cause) {
    throw failure('HOVERHUE_LOAD_FAILED', `hoverhue cannot load ${dll}: ${cause.message}`);
  }
  functions = {};
  for (const name of ['init', ...valueNames]) {
    functions[name] = library.func(`const char *${name}(void)`);
  }
  kept = 0;
}

function call(name) {
  if (kept >= reloadAfter) {
    library.unload();
    library = null;
  }
  if (library === null) load();
  kept += capacity[name] ?? 4;
  return functions[name]();
}

function exhausted() {
  return failure('HOVERHUE_NO_MEMORY',
    'hoverhue.dll answered with no text: its storage is exhausted');
}

// The cursor in the calling process's own screen coordinates, zero-based.
// x and y are read one after the other, as two samples.
function cursor() {
  const x = call('mousex'), y = call('mousey');
  if (x === '' || y === '') throw exhausted();
  return { x: Number(x) - 1, y: Number(y) - 1 };
}

// The pixel physically under the cursor, from one sample.
function colour() {
  const text = call('colourHex');
  if (text === '') throw exhausted();
  const [r, g, b] = text.split(' ').map((pair) => parseInt(pair, 16));
  return { r, g, b, hex: `#${text.replace(/ /g, '').toLowerCase()}` };
}

load();
// A worker thread that ends gives its hold on the DLL back.
process.once('exit', () => library && library.unload());
// Every call goes through call(), so none reaches a DLL that was unloaded
// and failed to load again.
module.exports = { cursor, colour, init: () => call('init') };
for (const name of valueNames) module.exports[name] = () => call(name);
