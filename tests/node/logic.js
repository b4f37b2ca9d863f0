// The npm package's own logic, natively, with Node's test runner: on this
// platform as it is, where the package must import and refuse each call,
// and as if on Windows over a fake koffi that counts loads, frees and calls
// and settles asynchronous calls when told. Everything it writes is in a
// private temporary folder, removed at the end.
//   node --test logic.js    (HOVERHUE_PACKAGE names the package's folder)
'use strict';
const assert = require('assert');
const { spawnSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { after, test } = require('node:test');
const { pathToFileURL } = require('url');

const packageDir = path.resolve(process.env.HOVERHUE_PACKAGE);
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'hoverhue-logic-'));
after(() => fs.rmSync(scratch, { recursive: true, force: true }));
const texts = { init: 'mousex|mousey', mousex: '401', mousey: '301', colourHex: 'FF 80 00' };
const names = ['init', 'mousex', 'mousey', 'colourRGB', 'colourR', 'colourG',
  'colourB', 'colourHex', 'colourRx', 'colourGx', 'colourBx'];

// The fake koffi's state, shared with a child process through a file.
const fakeKoffi = `
  const fs = require('fs');
  const fake = new Proxy({}, { get: (_, key) => globalThis.fakeKoffi[key] });
  const names = ${JSON.stringify(names)};
  exports.proto = () => ({});
  exports.struct = () => ({});
  // A function at an address: 1000 and up, 2000 and up once the DLL moved.
  exports.decode = (address) => {
    fake.counts.decoded++;
    const text = () => fake.texts[names[address % 1000]] ?? '7';
    text.async = (done) => {
      if (fake.asyncThrows) throw new Error('Too many asynchronous calls are running');
      fake.counts.running++;
      fake.counts.mostRunning = Math.max(fake.counts.mostRunning, fake.counts.running);
      const settle = () => { fake.counts.running--; done(fake.asyncFails ? new Error('boom') : null, text()); };
      if (fake.settleSoon) setImmediate(settle); else fake.pending.push(settle);
    };
    return text;
  };
  const calls = {
    LoadLibraryW: (file) => {
      if (!fs.existsSync(file)) return null;
      fake.counts.loads++;
      fake.loaded.add(file);
      fake.counts.mostLoaded = Math.max(fake.counts.mostLoaded, fake.loaded.size);
      return { file };
    },
    FreeLibrary: (module) => { fake.counts.frees++; fake.loaded.delete(module.file); return 1; },
    GetModuleHandleW: (file) => (fake.loaded.has(file) ? { file } : null),
    GetProcAddress: (module, name) => (name === fake.missing ? 0 : (fake.moved ? 2000 : 1000) + names.indexOf(name)),
    GetLastError: () => 126,
    GetCurrentThreadId: () => fake.osThread,
    OpenThread: (access, inherit, id) => (fake.endedThreads.includes(id) ? null : { id }),
    WaitForSingleObject: () => 0x102,
    CloseHandle: () => 1,
    GetCursorPos: (point) => { fake.counts.cursorReads++; point.x = 400; point.y = 300; return 1; },
  };
  exports.load = () => ({ func: (declaration) => calls[/(\\w+)\\(/.exec(declaration)[1]] });`;

function freshFake() {
  return {
    texts: { ...texts }, pending: [], loaded: new Set(), missing: '', moved: false, osThread: 7,
    endedThreads: [], settleSoon: false, asyncThrows: false, asyncFails: false,
    counts: { loads: 0, frees: 0, decoded: 0, running: 0, mostRunning: 0, mostLoaded: 0, cursorReads: 0 },
  };
}

// A fresh app with the package and the fake koffi, in `where` below the
// scratch folder: each app's DLL path is its own, and so is its instance.
let apps = 0;
function app(where = `app${++apps}`) {
  const dir = path.join(scratch, where);
  const hoverhue = path.join(dir, 'node_modules', 'hoverhue');
  fs.mkdirSync(path.join(hoverhue, process.arch), { recursive: true });
  for (const file of fs.readdirSync(packageDir)) {
    if (/\.(js|mjs|json)$/.test(file)) fs.copyFileSync(path.join(packageDir, file), path.join(hoverhue, file));
  }
  fs.writeFileSync(path.join(hoverhue, process.arch, 'hoverhue.dll'), 'MZ');
  fs.mkdirSync(path.join(dir, 'node_modules', 'koffi'));
  fs.writeFileSync(path.join(dir, 'node_modules', 'koffi', 'index.js'), fakeKoffi);
  return { dir, dll: path.join(hoverhue, process.arch, 'hoverhue.dll'), require: (name) => require(path.join(dir, 'node_modules', name)) };
}

// Each test is a new thread of a Windows process, its copies going to a
// folder of its own.
function asWindows(body) {
  return async () => {
    const platform = process.platform;
    Object.defineProperty(process, 'platform', { value: 'win32' });
    globalThis.fakeKoffi = freshFake();
    delete globalThis[Symbol.for('hoverhue thread 2')];
    process.env.HOVERHUE_COPY_DIR = fs.mkdtempSync(path.join(scratch, 'copies-'));
    try {
      await body(globalThis.fakeKoffi, process.env.HOVERHUE_COPY_DIR);
    } finally {
      Object.defineProperty(process, 'platform', { value: platform });
      delete process.env.HOVERHUE_RELOAD_BYTES;
      delete process.env.HOVERHUE_COPY_DIR;
    }
  };
}

const failsWith = (code) => (error) => error.code === code;
const settleAll = (fake) => { for (const settle of fake.pending.splice(0)) settle(); };

test('on this platform it imports, says it is unsupported, and each call refuses', async () => {
  const { dir, require: load } = app();
  const hoverhue = load('hoverhue');
  assert.strictEqual(hoverhue.supported, false);
  assert.throws(() => hoverhue.colour(), (error) => error.code === 'HOVERHUE_UNSUPPORTED' &&
    error.message.endsWith(`this is ${process.platform} on ${process.arch}`));
  await assert.rejects(load('hoverhue/promises.js').cursor(), failsWith('HOVERHUE_UNSUPPORTED'));
  // import gives exactly the names that require does, and require's module
  // as the default, through both entry points.
  for (const [mjs, cjs] of [['index.mjs', 'hoverhue'], ['promises.mjs', 'hoverhue/promises.js']]) {
    const imported = await import(pathToFileURL(path.join(dir, 'node_modules', 'hoverhue', mjs)));
    const required = load(cjs);
    assert.strictEqual(imported.default, required, mjs);
    assert.deepStrictEqual(Object.keys(imported).filter((name) => name !== 'default').sort(),
      Object.keys(required).sort(), mjs);
    for (const name of Object.keys(required)) assert.strictEqual(imported[name], required[name], `${mjs} ${name}`);
  }
});

test('the DLL loads at the first call, and a fresh copy takes over after each threshold of texts', asWindows((fake) => {
  process.env.HOVERHUE_RELOAD_BYTES = '100';
  const listeners = process.listenerCount('exit');
  const hoverhue = app().require('hoverhue');
  assert.deepStrictEqual([fake.counts.loads, process.listenerCount('exit')], [0, listeners], 'loaded at require');
  assert.deepStrictEqual(hoverhue.colour(), { r: 255, g: 128, b: 0, hex: '#ff8000' });
  // 9 bytes a colour: the 13th and the 25th call find 108 bytes kept.
  for (let i = 1; i < 26; i++) hoverhue.colour();
  assert.deepStrictEqual([fake.counts.loads, fake.counts.frees, fake.loaded.size], [3, 2, 1]);
  // koffi keeps what it makes: functions are made once, while the DLL
  // comes back where it was, and anew only where it moved.
  assert.strictEqual(fake.counts.decoded, 11);
  fake.moved = true;
  for (let i = 0; i < 12; i++) hoverhue.colour();
  assert.strictEqual(fake.counts.decoded, 22);
  assert.strictEqual(process.listenerCount('exit'), listeners + 1);
  fake.texts.colourHex = '';
  assert.throws(() => hoverhue.colour(), failsWith('HOVERHUE_NO_MEMORY'));
}));

test('cursor() is one GetCursorPos of the calling thread, and loads no DLL', asWindows(async (fake) => {
  const { require: load } = app();
  assert.deepStrictEqual(load('hoverhue').cursor(), { x: 400, y: 300 });
  assert.deepStrictEqual(await load('hoverhue/promises').cursor(), { x: 400, y: 300 });
  assert.deepStrictEqual([fake.counts.cursorReads, fake.counts.loads], [2, 0]);
}));

test('a load that fails throws HOVERHUE_LOAD_FAILED with its cause, and the next call loads again', asWindows((fake) => {
  process.env.HOVERHUE_RELOAD_BYTES = '9';
  const { dll, require: load } = app();
  const hoverhue = load('hoverhue');
  fs.renameSync(dll, `${dll}.away`);
  for (let i = 0; i < 2; i++) {
    assert.throws(() => hoverhue.colourHex(), (error) =>
      error.code === 'HOVERHUE_LOAD_FAILED' && error.cause !== undefined && error.message.includes(dll));
  }
  fs.renameSync(`${dll}.away`, dll);
  assert.strictEqual(hoverhue.colourHex(), 'FF 80 00');
  fake.missing = 'colourBx';  // and a reload is due
  assert.throws(() => hoverhue.colourHex(), failsWith('HOVERHUE_LOAD_FAILED'));
  assert.strictEqual(fake.loaded.size, 0, 'a DLL left loaded without its functions');
  fake.missing = '';
  assert.strictEqual(hoverhue.colourHex(), 'FF 80 00');
}));

test('settings: HOVERHUE_RELOAD_BYTES a positive whole number, HOVERHUE_COPY_DIR a folder that works', asWindows((fake, copyDir) => {
  const hoverhue = app().require('hoverhue');
  for (const setting of ['-1', '0.5', '0', 'abc', '10KiB', '1e6']) {
    process.env.HOVERHUE_RELOAD_BYTES = setting;
    assert.throws(() => hoverhue.mousex(), (error) => error.code === 'HOVERHUE_BAD_SETTING' &&
      error.message.includes(JSON.stringify(setting)), setting);
  }
  process.env.HOVERHUE_RELOAD_BYTES = '65536';
  const notAFolder = path.join(copyDir, 'file');
  fs.writeFileSync(notAFolder, '');
  process.env.HOVERHUE_COPY_DIR = notAFolder;
  assert.throws(() => hoverhue.mousex(), (error) => error.code === 'HOVERHUE_LOAD_FAILED' &&
    error.message.includes(notAFolder) && error.message.includes('HOVERHUE_COPY_DIR'));
  process.env.HOVERHUE_COPY_DIR = copyDir;
  assert.strictEqual(hoverhue.mousex(), '401');
  const [copy] = fake.loaded;
  assert.match(path.relative(copyDir, copy), new RegExp(`^hoverhue-${process.pid}-7-[0-9A-Za-z]{6}[\\\\/]1\\.dll$`));
}));

test('the sweep takes what ended threads and processes left, and nothing else', asWindows((fake, copyDir) => {
  const ended = spawnSync(process.execPath, ['-e', '0']).pid;
  const plant = (name) => { fs.mkdirSync(path.join(copyDir, name)); fs.writeFileSync(path.join(copyDir, name, '1.dll'), ''); return name; };
  const endedProcess = plant(`hoverhue-${ended}-3-abcdef`);
  const liveProcess = plant(`hoverhue-${process.ppid}-3-abcdef`);
  const notOurs = plant(`hoverhue-${ended}-3-abc`);
  const target = plant('elsewhere');
  fs.symlinkSync(path.join(copyDir, target), path.join(copyDir, `hoverhue-${ended}-4-abcdef`));
  fs.writeFileSync(path.join(copyDir, 'hoverhue'), 'the old shared path, as anyone may leave it');
  const first = app().require('hoverhue');
  assert.strictEqual(first.mousex(), '401');
  const [firstCopy] = fake.loaded;
  // A second thread of this process, then the first one ends.
  delete globalThis[Symbol.for('hoverhue thread 2')];
  fake.osThread = 8;
  const second = app().require('hoverhue');
  assert.strictEqual(second.mousex(), '401');
  assert.strictEqual(fake.loaded.size, 2, 'a live thread\'s copy freed');
  const [, secondCopy] = fake.loaded;
  fake.endedThreads.push(7);
  app().require('hoverhue').mousex();  // another instance's load sweeps
  assert.ok(!fake.loaded.has(firstCopy), 'the ended thread\'s copy is still loaded');
  assert.ok(!fs.existsSync(path.dirname(firstCopy)), 'the ended thread\'s folder is still there');
  assert.ok(fake.loaded.has(secondCopy));
  const left = fs.readdirSync(copyDir).filter((name) => !name.startsWith(`hoverhue-${process.pid}-8-`));
  assert.deepStrictEqual(left.sort(),
    [liveProcess, notOurs, target, `hoverhue-${ended}-4-abcdef`, 'hoverhue'].sort(), `${endedProcess} is gone`);
  assert.ok(fs.existsSync(path.join(copyDir, target, '1.dll')), 'a link was followed');
}));

test('overlapping promise loops reload on schedule: none waits for the others', asWindows(async (fake) => {
  process.env.HOVERHUE_RELOAD_BYTES = '90';
  fake.settleSoon = true;
  const promises = app().require('hoverhue/promises');
  const loop = async () => { for (let i = 0; i < 1000; i++) assert.strictEqual((await promises.colour()).hex, '#ff8000'); };
  await Promise.all([loop(), loop(), loop()]);
  // 27,000 bytes at 90 a copy: 300 loads.
  assert.ok(fake.counts.loads >= 295, `${fake.counts.loads} loads`);
  assert.ok(fake.counts.mostLoaded <= 4, `${fake.counts.mostLoaded} copies loaded at once`);
  assert.strictEqual(fake.loaded.size, 1);
}));

test('600 promises at once all answer, koffi never given more than the pool\'s threads', asWindows(async (fake) => {
  process.env.HOVERHUE_RELOAD_BYTES = '90';
  fake.settleSoon = true;
  const promises = app().require('hoverhue/promises');
  const answers = await Promise.all(Array.from({ length: 600 }, () => promises.colourHex()));
  assert.ok(answers.every((answer) => answer === 'FF 80 00'));
  assert.ok(fake.counts.mostRunning <= 4, `${fake.counts.mostRunning} at once`);
}));

test('every rejection has a code, leaves no count behind, and no copy is freed under a call', asWindows(async (fake) => {
  process.env.HOVERHUE_RELOAD_BYTES = '9';
  const promises = app().require('hoverhue/promises');
  const first = promises.colourHex(), second = promises.colourHex();
  await new Promise(setImmediate);
  assert.deepStrictEqual([fake.counts.loads, fake.counts.frees], [2, 0], 'freed under a call in flight');
  settleAll(fake);
  assert.deepStrictEqual([await first, await second, fake.counts.frees], ['FF 80 00', 'FF 80 00', 1]);
  fake.asyncFails = true;
  const failed = promises.colour();
  settleAll(fake);
  await assert.rejects(failed, failsWith('HOVERHUE_CALL_FAILED'));
  fake.asyncFails = false;
  fake.asyncThrows = true;
  await assert.rejects(promises.colourHex(), failsWith('HOVERHUE_CALL_FAILED'));
  fake.asyncThrows = false;
  fake.settleSoon = true;
  await promises.colourHex();
  assert.strictEqual(fake.loaded.size, 1, 'a copy kept by a call that never ran');
}));

test('in an Electron app the DLL comes from app.asar.unpacked', asWindows((fake) => {
  const { dir, require: load } = app('electron/resources/app.asar');
  fs.cpSync(dir, path.join(scratch, 'electron', 'resources', 'app.asar.unpacked'), { recursive: true });
  fs.rmSync(path.join(dir, 'node_modules', 'hoverhue', process.arch), { recursive: true });
  assert.strictEqual(load('hoverhue').mousey(), '301');
}));

// A child process, as if on Windows, over the fake koffi: its exit
// listeners report what was left loaded.
function runChild(script) {
  const { dir } = app();
  const file = path.join(dir, 'child.js');
  const copyDir = fs.mkdtempSync(path.join(scratch, 'copies-'));
  fs.writeFileSync(file, `
    Object.defineProperty(process, 'platform', { value: 'win32' });
    const texts = ${JSON.stringify(texts)};
    globalThis.fakeKoffi = (${freshFake})();
    const hoverhue = require('hoverhue'), promises = require('hoverhue/promises');
    const report = () => console.log(JSON.stringify({ loaded: [...fakeKoffi.loaded], folders: require('fs').readdirSync(${JSON.stringify(copyDir)}) }));
    ${script}`);
  const child = spawnSync(process.execPath, [file], { cwd: dir, encoding: 'utf8',
    env: { ...process.env, HOVERHUE_COPY_DIR: copyDir, NODE_PATH: path.join(dir, 'node_modules') } });
  return { status: child.status, stderr: child.stderr, ...JSON.parse(child.stdout || '{}') };
}

test('at exit the copy is freed and removed, never under a call in flight, and process.exit keeps its code', () => {
  const done = runChild(`hoverhue.colourHex(); process.on('exit', report);`);
  assert.deepStrictEqual([done.status, done.stderr, done.loaded, done.folders], [0, '', [], []]);
  const inFlight = runChild(`promises.colourHex(); process.on('exit', report); setImmediate(() => process.exit(7));`);
  assert.deepStrictEqual([inFlight.status, inFlight.stderr, inFlight.loaded.length, inFlight.folders.length], [7, '', 1, 1]);
});
