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
  const made = { module: null, functions: null, copy: null, kept: 0, inFlight: 0, system: null };
  process.once('exit', () => {
    if (made.module) unload(made);
    if (made.copy) fs.rmSync(made.copy, { force: true });
  });
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
// before it is reloaded. Read at the first call, and kept once it is good:
// the environment is a system call away on Windows.
let threshold = null;
function reloadBytes() {
  threshold ??= readReloadBytes();
  return threshold;
}

function readReloadBytes() {
  const setting = process.env.HOVERHUE_RELOAD_BYTES;
  if (setting === undefined || setting === '') return defaultReloadBytes;
  if (!/^[1-9][0-9]*$/.test(setting) || !Number.isSafeInteger(Number(setting))) {
    throw failure('HOVERHUE_BAD_SETTING', 'HOVERHUE_RELOAD_BYTES must be a positive ' +
      `whole number of bytes, not ${JSON.stringify(setting)}`);
  }
  return Number(setting);
}

// Copies that processes which ended left behind go when a process first
// loads the DLL; a copy goes with its process.
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

// koffi, and the system's loader through it, bound once for the thread. The
// DLL is loaded and its functions found with the system's own calls, and a
// function is made callable anew only where the DLL came back at another
// address: koffi keeps some 35 KB of every library that it loads and binds,
// which reloads would otherwise heap up.
function system(hold) {
  // Shared by every copy of the package in the thread: koffi names the
  // function type once for them all, and a callable function suits any
  // DLL that has a text function at its address.
  hold.system ??= globalThis[Symbol.for('hoverhue system 1')] ??= bindSystem();
  return hold.system;
}

function bindSystem() {
  let koffi;
  try {
    koffi = require('koffi');
  } catch (cause) {
    throw failure('HOVERHUE_NO_FFI', `hoverhue needs koffi's binary for win32 ` +
      `${process.arch}, which did not load (install the app's dependencies for ` +
      `this platform and architecture): ${cause.message}`, cause);
  }
  const kernel32 = koffi.load('kernel32.dll');
  return {
    koffi,
    text: koffi.proto(`const char *HoverhueText${threadId}(void)`),
    loadLibrary: kernel32.func('void *__stdcall LoadLibraryW(const char16_t *path)'),
    freeLibrary: kernel32.func('int __stdcall FreeLibrary(void *module)'),
    procAddress: kernel32.func('uintptr_t __stdcall GetProcAddress(void *module, const char *name)'),
    lastError: kernel32.func('uint32_t __stdcall GetLastError(void)'),
    callable: new Map(),  // address: function
  };
}

function load(hold) {
  const { koffi, text, loadLibrary, freeLibrary, procAddress, lastError, callable } = system(hold);
  if (!swept) sweep();
  // One copy for the thread's whole life, so that the system maps it where
  // it did before; the package's own DLL must still be there.
  hold.copy ??= path.join(copies, `${process.pid}-${threadId}-${Math.random().toString(36).slice(2)}.dll`);
  try {
    fs.accessSync(source);
    if (!fs.existsSync(hold.copy)) {
      fs.mkdirSync(copies, { recursive: true });
      fs.copyFileSync(source, hold.copy);
    }
  } catch (cause) {
    throw loadFailure(cause, cause.code === 'ENOENT'
      ? 'there is no such file (in an Electron app, unpack hoverhue from app.asar)'
      : cause.message);
  }
  const module = loadLibrary(hold.copy);
  if (module === null) {
    const error = lastError();
    throw loadFailure(Object.assign(new Error(`LoadLibrary failed with error ${error}`), { errno: error }),
      `Windows could not load it (error ${error}${error === 193 ? ': a DLL of another architecture' : ''})`);
  }
  const functions = {};
  for (const name of textNames) {
    const address = procAddress(module, name);
    if (!address) {
      freeLibrary(module);
      throw loadFailure(new Error(`no export ${name}`), `it exports no ${name}`);
    }
    if (!callable.has(address)) callable.set(address, koffi.decode(address, text));
    functions[name] = callable.get(address);
  }
  Object.assign(hold, { module, functions, kept: 0 });
}

function unload(hold) {
  const { module } = hold;
  hold.module = hold.functions = null;
  hold.system.freeLibrary(module);
}

// The function to call for name, the DLL loaded, or reloaded when it is due
// and no call of this thread is in flight.
function prepare(name) {
  check();
  const limit = reloadBytes();  // a bad setting fails the very first call
  if (state.module !== null && state.kept >= limit && state.inFlight === 0) unload(state);
  if (state.module === null) load(state);
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
