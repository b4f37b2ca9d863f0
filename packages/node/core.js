'use strict';
// What the package's two faces (index.js, synchronous, and promises.js) share:
// hoverhue.dll called through the koffi FFI, loaded at the first call and
// given back on a schedule.
//
// Every text stays in the DLL's heap until the DLL is unloaded. koffi copies
// each into a JavaScript string at once, so after a set amount of texts the
// DLL is unloaded, its heap going with it, and loaded again. Windows loads a
// DLL once per process, so each thread that reads loads a copy of its own,
// which no other thread holds: its reloads really give its heap back, however
// many threads read. All instances of the package in one thread (a module
// evaluated again, say) share that thread's copy, its count and one 'exit'
// listener.

const fs = require('fs');
const os = require('os');
const path = require('path');
const { threadId } = require('worker_threads');

// Node.js's name of each Windows architecture, and the folder of its DLL.
const builds = { ia32: 'ia32', x64: 'x64', arm64: 'arm64' };
const supported = process.platform === 'win32' && Object.hasOwn(builds, process.arch);
const textNames = ['init', 'mousex', 'mousey', 'colourRGB', 'colourR', 'colourG',
  'colourB', 'colourHex', 'colourRx', 'colourGx', 'colourBx'];
// Bytes of the DLL's heap that one answer of each function keeps (init's
// list is constant); the others keep 4.
const capacity = { init: 0, mousex: 33, mousey: 33, colourRGB: 33, colourHex: 9 };
const defaultReloadBytes = 512 * 1024;

function failure(code, message, cause) {
  const error = new Error(message, cause === undefined ? undefined : { cause });
  error.code = code;
  return error;
}

// Windows cannot load a DLL from inside an Electron app's archive: packers
// put native files beside it, in app.asar.unpacked.
const source = path.join(__dirname.replace(/app\.asar(?=[\\/]|$)/, 'app.asar.unpacked'),
  builds[process.arch] ?? process.arch, 'hoverhue.dll');
const copies = path.join(os.tmpdir(), 'hoverhue');

// This thread's hold on its copy of the DLL, made by the first instance here.
const state = globalThis[Symbol.for(`hoverhue ${source}`)] ??= (() => {
  const made = { library: null, functions: null, copy: null, kept: 0, inFlight: 0, koffi: null };
  process.once('exit', () => made.library && unload(made));
  return made;
})();

function check() {
  if (!supported) {
    throw failure('HOVERHUE_UNSUPPORTED',
      `hoverhue runs on Windows only, for ia32, x64 and arm64 processes; ` +
      `this is ${process.platform} on ${process.arch}`);
  }
}

// HOVERHUE_RELOAD_BYTES: how many bytes of texts a copy of the DLL keeps
// before it is reloaded.
function reloadBytes() {
  const setting = process.env.HOVERHUE_RELOAD_BYTES;
  if (setting === undefined || setting === '') return defaultReloadBytes;
  if (!/^[1-9][0-9]*$/.test(setting) || !Number.isSafeInteger(Number(setting))) {
    throw failure('HOVERHUE_BAD_SETTING', 'HOVERHUE_RELOAD_BYTES must be a positive ' +
      `whole number of bytes, not ${JSON.stringify(setting)}`);
  }
  return Number(setting);
}

// Copies that processes which ended left behind (a process killed, a worker
// terminated) go when a process first loads the DLL.
let swept = false;
function sweep() {
  swept = true;
  let names = [];
  try { names = fs.readdirSync(copies); } catch { return; }
  for (const name of names) {
    const pid = Number(/^(\d+)-/.exec(name)?.[1]);
    if (!pid || pid === process.pid) continue;
    try { process.kill(pid, 0); continue; } catch (error) { if (error.code !== 'ESRCH') continue; }
    fs.rm(path.join(copies, name), { force: true }, () => {});
  }
}

function loadFailure(cause, why = cause.message) {
  return failure('HOVERHUE_LOAD_FAILED', `hoverhue cannot load ${source}: ${why}`, cause);
}

function load(hold) {
  if (hold.koffi === null) {
    try {
      hold.koffi = require('koffi');
    } catch (cause) {
      throw failure('HOVERHUE_NO_FFI', `hoverhue needs koffi's binary for win32 ` +
        `${process.arch}, which did not load (install the app's dependencies for ` +
        `this platform and architecture): ${cause.message}`, cause);
    }
  }
  if (!swept) sweep();
  hold.copy ??= path.join(copies, `${process.pid}-${threadId}-${Math.random().toString(36).slice(2)}.dll`);
  try {
    fs.mkdirSync(copies, { recursive: true });
    fs.copyFileSync(source, hold.copy);
  } catch (cause) {
    throw loadFailure(cause, cause.code === 'ENOENT' && !fs.existsSync(source)
      ? 'there is no such file (in an Electron app, unpack hoverhue from app.asar)'
      : cause.message);
  }
  let library;
  try {
    library = hold.koffi.load(hold.copy);
  } catch (cause) {
    throw loadFailure(cause);
  }
  try {
    const functions = {};
    for (const name of textNames) functions[name] = library.func(`const char *${name}(void)`);
    Object.assign(hold, { library, functions, kept: 0 });
  } catch (cause) {
    library.unload();
    throw loadFailure(cause);
  }
}

function unload(hold) {
  const { library } = hold;
  hold.library = hold.functions = null;
  library.unload();
  fs.rmSync(hold.copy, { force: true });
}

// The function to call for name, the DLL loaded, or reloaded when it is due
// and no call of this thread is in flight.
function prepare(name) {
  check();
  const threshold = reloadBytes();
  if (state.library !== null && state.kept >= threshold && state.inFlight === 0) unload(state);
  if (state.library === null) load(state);
  state.kept += capacity[name] ?? 4;
  return state.functions[name];
}

function call(name) {
  return prepare(name)();
}

// On one of koffi's worker threads, off the calling one.
function callAsync(name) {
  return new Promise((resolve, reject) => {
    const text = prepare(name);
    state.inFlight++;
    text.async((cause, answer) => {
      state.inFlight--;
      if (cause) reject(failure('HOVERHUE_CALL_FAILED', `hoverhue's ${name} failed: ${cause.message}`, cause));
      else resolve(answer);
    });
  });
}

function exhausted() {
  return failure('HOVERHUE_NO_MEMORY', 'hoverhue.dll answered with no text: its storage is exhausted');
}

// The cursor from the mousex and mousey texts, zero-based.
function cursorOf(x, y) {
  if (x === '' || y === '') throw exhausted();
  return { x: Number(x) - 1, y: Number(y) - 1 };
}

// The colour from one colourHex text.
function colourOf(text) {
  if (text === '') throw exhausted();
  const [r, g, b] = text.split(' ').map((pair) => parseInt(pair, 16));
  return { r, g, b, hex: `#${text.replace(/ /g, '').toLowerCase()}` };
}

module.exports = { supported, textNames, call, callAsync, cursorOf, colourOf };
