'use strict';
// What the package's two faces (index.js, synchronous, and promises.js) share:
// hoverhue.dll called through the koffi FFI, loaded at the first call.
//
// Every text stays in the DLL's heap until the DLL is unloaded. koffi copies
// each into a JavaScript string at once, so once a copy of the DLL has kept
// HOVERHUE_RELOAD_BYTES of texts it is retired: new calls go to a fresh copy,
// and the retired one is freed, its heap with it, when its last call in
// flight settles. No pattern of calls can hold a reload off, and no DLL is
// freed under a call. Windows loads a file once per process, so every copy is
// a file of its own, which no other thread holds.
//
// Where state lives:
// - per thread (`thread`), shared by every instance of the package there:
//   koffi and the system's calls, bound once; the thread's own folder of
//   copies; the queue of asynchronous calls; the exit listener.
// - per instance in a thread (`copies`, one for each packaged DLL): the copy
//   that takes new calls, and the retired ones still finishing theirs.
// - per process: only the folders on disk, one a thread, each named for its
//   process and OS thread. Whichever thread loads next frees and removes
//   the copies of a thread of its process that has ended, however it ended
//   (a Worker's terminate() runs none of its listeners), and the folders of
//   processes that have ended.

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
// koffi runs asynchronous calls on libuv's pool, and refuses more than it can
// queue: more than the pool's threads at once would only wait there.
const poolSize = Math.min(Math.max(Number(process.env.UV_THREADPOOL_SIZE) || 4, 1), 64);

function failure(code, message, cause) {
  const error = new Error(message, cause === undefined ? undefined : { cause });
  error.code = code;
  return error;
}

// Windows cannot load a DLL from inside an Electron app's archive: packers
// put native files beside it, in app.asar.unpacked.
const source = path.join(__dirname.replace(/app\.asar(?=[\\/]|$)/, 'app.asar.unpacked'),
  builds[process.arch] ?? process.arch, 'hoverhue.dll');

const copies = globalThis[Symbol.for(`hoverhue ${source}`)] ??= { current: null, retired: new Set(), files: [] };

function check() {
  if (!supported) {
    throw failure('HOVERHUE_UNSUPPORTED',
      `hoverhue runs on Windows only, for ia32, x64 and arm64 processes; ` +
      `this is ${process.platform} on ${process.arch}`);
  }
}

// HOVERHUE_RELOAD_BYTES: how many bytes of texts a copy of the DLL keeps
// before it is retired. Read at the first call, and kept once it is good:
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

// The thread's bindings, shared by every instance of the package in it.
function thisThread() {
  return globalThis[Symbol.for('hoverhue thread 2')] ??= bind();
}

function bind() {
  let koffi;
  try {
    koffi = require('koffi');
  } catch (cause) {
    throw failure('HOVERHUE_NO_FFI', `hoverhue needs koffi's binary for win32 ` +
      `${process.arch}, which did not load (install the app's dependencies for ` +
      `this platform and architecture): ${cause.message}`, cause);
  }
  const kernel32 = koffi.load('kernel32.dll');
  const user32 = koffi.load('user32.dll');
  // koffi's type names are the process's: a set for each thread.
  koffi.struct(`HoverhuePoint${threadId}`, { x: 'int32_t', y: 'int32_t' });
  const thread = {
    koffi,
    text: koffi.proto(`const char *HoverhueText${threadId}(void)`),
    loadLibrary: kernel32.func('void *__stdcall LoadLibraryW(const char16_t *path)'),
    freeLibrary: kernel32.func('int __stdcall FreeLibrary(void *module)'),
    moduleHandle: kernel32.func('void *__stdcall GetModuleHandleW(const char16_t *path)'),
    procAddress: kernel32.func('uintptr_t __stdcall GetProcAddress(void *module, const char *name)'),
    lastError: kernel32.func('uint32_t __stdcall GetLastError(void)'),
    threadId: kernel32.func('uint32_t __stdcall GetCurrentThreadId(void)'),
    openThread: kernel32.func('void *__stdcall OpenThread(uint32_t access, int inherit, uint32_t id)'),
    waitFor: kernel32.func('uint32_t __stdcall WaitForSingleObject(void *handle, uint32_t ms)'),
    closeHandle: kernel32.func('int __stdcall CloseHandle(void *handle)'),
    cursorPos: user32.func(`int __stdcall GetCursorPos(_Out_ HoverhuePoint${threadId} *point)`),
    callable: new Map(),  // address: function
    folder: null, made: 0, queue: [], running: 0, instances: new Set(),
  };
  thread.osThread = thread.threadId();
  return thread;
}

// Where copies go: HOVERHUE_COPY_DIR, or the system's temporary folder.
function copyBase() {
  const setting = process.env.HOVERHUE_COPY_DIR;
  return setting ? path.resolve(setting) : os.tmpdir();
}

function copyFailure(base, cause) {
  return failure('HOVERHUE_LOAD_FAILED', `hoverhue cannot make its copies of the DLL in ` +
    `${base}: ${cause.message}. Set HOVERHUE_COPY_DIR to a folder where this user ` +
    `may write files and load DLLs from`, cause);
}

// A new folder of the thread's own, with a name nobody can guess.
function makeFolder(thread, base) {
  try {
    const folder = fs.mkdtempSync(path.join(base, `hoverhue-${process.pid}-${thread.osThread}-`));
    const stat = fs.lstatSync(folder);
    if (!stat.isDirectory() || stat.isSymbolicLink()) throw new Error(`${folder} is no plain folder`);
    process.once('exit', () => leave(thread));
    return folder;
  } catch (cause) {
    throw copyFailure(base, cause);
  }
}

const folderName = /^hoverhue-(\d+)-(\d+)-[0-9A-Za-z]{6}$/;

// Folders of this package's own making, whose thread or process has ended.
// Links are never followed, nor anything touched that is not one of these.
function sweep(thread, base) {
  let names = [];
  try { names = fs.readdirSync(base); } catch { return; }
  for (const name of names) {
    const [, pid, owner] = folderName.exec(name)?.map(Number) ?? [];
    if (pid === undefined || (pid === process.pid && owner === thread.osThread)) continue;
    const folder = path.join(base, name);
    try {
      const stat = fs.lstatSync(folder);
      if (!stat.isDirectory() || stat.isSymbolicLink()) continue;
      if (pid === process.pid) {
        if (!threadEnded(thread, owner)) continue;
        freeLeftIn(thread, folder);
      } else if (processAlive(pid)) {
        continue;
      }
      fs.rmSync(folder, { recursive: true, force: true });
    } catch {
      // In use, or not ours to remove: the next sweep tries again.
    }
  }
}

function processAlive(pid) {
  try { process.kill(pid, 0); return true; } catch (error) { return error.code !== 'ESRCH'; }
}

const synchronize = 0x00100000;
function threadEnded(thread, id) {
  const handle = thread.openThread(synchronize, 0, id);
  if (handle === null) return true;
  const signalled = thread.waitFor(handle, 0) === 0;
  thread.closeHandle(handle);
  return signalled;
}

// A thread that ended left its copies loaded. Node.js waits for a Worker's
// asynchronous native work before its thread exits, so none of their calls
// is still running.
function freeLeftIn(thread, folder) {
  for (const name of fs.readdirSync(folder)) {
    const file = path.join(folder, name);
    for (let module = thread.moduleHandle(file), n = 0; module !== null && n < 8; n++) {
      thread.freeLibrary(module);
      module = thread.moduleHandle(file);
    }
  }
}

// At the thread's end its copies are freed, but for one with a call in
// flight, which the system takes with the process; its folder goes once
// nothing of it is loaded, else the next sweep takes it.
function leave(thread) {
  try {
    let kept = 0;
    for (const instance of thread.instances) {
      for (const library of [instance.current, ...instance.retired]) {
        if (library?.inFlight === 0) free(library);
        else if (library) kept++;
      }
    }
    if (kept === 0) fs.rmSync(thread.folder, { recursive: true, force: true });
  } catch {
    // Never an error at exit.
  }
}

function loadFailure(cause, why = cause.message) {
  return failure('HOVERHUE_LOAD_FAILED', `hoverhue cannot load ${source}: ${why}`, cause);
}

// A file of the thread's folder that no loaded copy uses, made anew only
// when every one is in use, so that copies come back where they were. Even
// the first thread reads through a copy, never the packaged file: Windows
// would share that one module with every thread and instance that loads
// the same path, and no reload could then give its heap back.
function spareFile(thread) {
  const used = new Set([copies.current, ...copies.retired].map((library) => library?.file));
  const spare = copies.files.find((file) => !used.has(file));
  if (spare !== undefined) return spare;
  const file = path.join(thread.folder, `${++thread.made}.dll`);
  try {
    fs.accessSync(source);
  } catch (cause) {
    throw loadFailure(cause, cause.code === 'ENOENT'
      ? 'there is no such file (in an Electron app, unpack hoverhue from app.asar)'
      : cause.message);
  }
  try {
    fs.copyFileSync(source, file, fs.constants.COPYFILE_EXCL);
  } catch (cause) {
    throw copyFailure(thread.folder, cause);
  }
  copies.files.push(file);
  return file;
}

// koffi keeps some 35 KB of every library that it loads and binds, so the
// DLL is loaded and its functions found with the system's own calls, and a
// function is made callable anew only at an address not seen before.
function load() {
  const thread = thisThread();
  const base = thread.folder === null ? copyBase() : path.dirname(thread.folder);
  sweep(thread, base);
  thread.folder ??= makeFolder(thread, base);
  thread.instances.add(copies);
  const file = spareFile(thread);
  const module = thread.loadLibrary(file);
  if (module === null) {
    const error = thread.lastError();
    throw loadFailure(Object.assign(new Error(`LoadLibrary failed with error ${error}`), { errno: error }),
      `Windows could not load its copy ${file} (error ${error}${error === 193
        ? ': a DLL of another architecture'
        : '; where policy forbids DLLs in that folder, set HOVERHUE_COPY_DIR to another'})`);
  }
  const functions = {};
  for (const name of textNames) {
    const address = thread.procAddress(module, name);
    if (!address) {
      thread.freeLibrary(module);
      throw loadFailure(new Error(`no export ${name}`), `it exports no ${name}`);
    }
    if (!thread.callable.has(address)) thread.callable.set(address, thread.koffi.decode(address, thread.text));
    functions[name] = thread.callable.get(address);
  }
  return { module, functions, file, kept: 0, inFlight: 0, thread };
}

function free(library) {
  const { module } = library;
  library.module = library.functions = null;
  if (module !== null) library.thread.freeLibrary(module);
}

function retire(library) {
  copies.current = null;
  if (library.inFlight === 0) free(library);
  else copies.retired.add(library);
}

// The copy of the DLL that takes the next call of `name`.
function libraryFor(name) {
  check();
  const limit = reloadBytes();  // a bad setting fails the very first call
  if (copies.current !== null && copies.current.kept >= limit) retire(copies.current);
  copies.current ??= load();
  copies.current.kept += capacity[name] ?? 4;
  return copies.current;
}

function call(name) {
  return libraryFor(name).functions[name]();
}

// On libuv's pool, off the calling thread: no more at once than the pool has
// threads, the rest waiting their turn here, in order.
function callAsync(name) {
  return new Promise((resolve, reject) => {
    let thread;
    try {
      check();
      thread = thisThread();
    } catch (error) {
      reject(error);
      return;
    }
    // Started by whichever instance's call settles first: each job starts in
    // the instance it came from.
    thread.queue.push(() => startCall(thread, name, resolve, reject));
    startCalls(thread);
  });
}

function startCalls(thread) {
  while (thread.running < poolSize && thread.queue.length > 0) thread.queue.shift()();
}

function startCall(thread, name, resolve, reject) {
  let library;
  try {
    library = libraryFor(name);
  } catch (error) {
    reject(error);
    return;
  }
  const settled = () => {
    thread.running--;
    if (--library.inFlight === 0 && copies.retired.delete(library)) free(library);
    startCalls(thread);
  };
  const failed = (cause) => failure('HOVERHUE_CALL_FAILED', `hoverhue's ${name} failed: ${cause.message}`, cause);
  thread.running++;
  library.inFlight++;
  try {
    library.functions[name].async((cause, answer) => {
      settled();
      if (cause) reject(failed(cause));
      else resolve(answer);
    });
  } catch (cause) {
    settled();
    reject(failed(cause));
  }
}

// The cursor from one GetCursorPos of the calling thread, in its own
// coordinates: what mousex and mousey answer, less one. Where Windows cannot
// tell (a locked workstation), (0, 0), as they say.
function cursor() {
  check();
  const point = {};
  return thisThread().cursorPos(point) ? point : { x: 0, y: 0 };
}

function exhausted() {
  return failure('HOVERHUE_NO_MEMORY', 'hoverhue.dll answered with no text: its storage is exhausted');
}

// The colour from one colourHex text.
function colourOf(text) {
  if (text === '') throw exhausted();
  const [r, g, b] = text.split(' ').map((pair) => parseInt(pair, 16));
  return { r, g, b, hex: `#${text.replace(/ /g, '').toLowerCase()}` };
}

module.exports = { supported, textNames, call, callAsync, cursor, colourOf };
