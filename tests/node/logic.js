// The npm package's own logic, natively, with Node's test runner: on this
// platform as it is, where the package must import and refuse each call,
// and as if on Windows over a fake koffi whose loads, unloads and calls it
// counts: when the DLL loads and reloads, what a failed load leaves, the
// setting, and the listeners.
//   node --test logic.js    (HOVERHUE_PACKAGE names the package's folder)
'use strict';
const assert = require('assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const test = require('node:test');
const { pathToFileURL } = require('url');

const packageDir = path.resolve(process.env.HOVERHUE_PACKAGE);
const texts = { init: 'mousex|mousey', mousex: '401', mousey: '301', colourHex: 'FF 80 00' };

// A fresh app with the package and a fake koffi: each app's DLL path is its
// own, and so is the package's hold on it.
function app() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'hoverhue-logic-'));
  const hoverhue = path.join(dir, 'node_modules', 'hoverhue');
  fs.mkdirSync(path.join(hoverhue, process.arch), { recursive: true });
  for (const file of fs.readdirSync(packageDir)) {
    if (/\.(js|mjs|json)$/.test(file)) fs.copyFileSync(path.join(packageDir, file), path.join(hoverhue, file));
  }
  fs.writeFileSync(path.join(hoverhue, process.arch, 'hoverhue.dll'), 'MZ');
  const koffi = path.join(dir, 'node_modules', 'koffi');
  fs.mkdirSync(koffi);
  fs.writeFileSync(path.join(koffi, 'index.js'), `
    // The counters of the test that runs now: the package binds koffi once
    // a thread, whichever app's it finds first.
    const fake = new Proxy({}, {
      get: (_, key) => globalThis.fakeKoffi[key],
      set: (_, key, value) => { globalThis.fakeKoffi[key] = value; return true; },
    });
    const texts = ${JSON.stringify(texts)};
    const names = ['init', 'mousex', 'mousey', 'colourRGB', 'colourR', 'colourG',
      'colourB', 'colourHex', 'colourRx', 'colourGx', 'colourBx'];
    exports.proto = () => ({});
    // A function at an address: 1000 and up, 2000 and up once the DLL moved.
    exports.decode = (address) => {
      fake.decoded++;
      const text = () => texts[names[address % 1000]] ?? '7';
      text.async = (done) => fake.pending.push(() => done(null, text()));
      return text;
    };
    exports.load = () => ({
      func(declaration) {
        return {
          LoadLibraryW: (file) => {
            if (!require('fs').existsSync(file)) return null;
            fake.loads++; fake.loaded++;
            return {};
          },
          FreeLibrary: () => { fake.unloads++; fake.loaded--; return 1; },
          GetProcAddress: (module, name) =>
            name === fake.missing ? 0 : (fake.moved ? 2000 : 1000) + names.indexOf(name),
          GetLastError: () => 126,
        }[/(\\w+)\\(/.exec(declaration)[1]];
      },
    });`);
  return { dir, dll: path.join(hoverhue, process.arch, 'hoverhue.dll'), require: (name) => require(path.join(dir, 'node_modules', name)) };
}

function asWindows(body) {
  return async () => {
    const platform = process.platform;
    Object.defineProperty(process, 'platform', { value: 'win32' });
    globalThis.fakeKoffi = { loads: 0, unloads: 0, loaded: 0, decoded: 0, pending: [], missing: '', moved: false };
    try {
      await body(globalThis.fakeKoffi);
    } finally {
      Object.defineProperty(process, 'platform', { value: platform });
      delete process.env.HOVERHUE_RELOAD_BYTES;
    }
  };
}

const failsWith = (code) => (error) => error.code === code;

test('on this platform it imports, says it is unsupported, and each call refuses', async () => {
  const { dir, require: load } = app();
  const hoverhue = load('hoverhue');
  assert.strictEqual(hoverhue.supported, false);
  assert.throws(() => hoverhue.colour(), (error) => error.code === 'HOVERHUE_UNSUPPORTED' &&
    error.message.endsWith(`this is ${process.platform} on ${process.arch}`));
  await assert.rejects(load('hoverhue/promises.js').cursor(), failsWith('HOVERHUE_UNSUPPORTED'));
  const url = pathToFileURL(path.join(dir, 'node_modules', 'hoverhue', 'index.mjs'));
  const imported = await import(url);
  assert.strictEqual(imported.default, hoverhue);
  assert.strictEqual(imported.colour, hoverhue.colour);
  const promises = await import(new URL('promises.mjs', url));
  assert.strictEqual(promises.default.colour, promises.colour);
});

test('the DLL loads at the first call, and again after each threshold of texts', asWindows((fake) => {
  process.env.HOVERHUE_RELOAD_BYTES = '100';
  const hoverhue = app().require('hoverhue');
  assert.strictEqual(fake.loads, 0, 'loaded at require');
  assert.deepStrictEqual(hoverhue.colour(), { r: 255, g: 128, b: 0, hex: '#ff8000' });
  // 9 bytes a colour: the 13th and the 25th call find 108 bytes kept.
  for (let i = 1; i < 26; i++) hoverhue.colour();
  assert.deepStrictEqual([fake.loads, fake.unloads], [3, 2]);
  // koffi keeps what it makes: functions are made once, while the DLL
  // comes back where it was, and anew only where it moved.
  assert.strictEqual(fake.decoded, 11);
  fake.moved = true;
  for (let i = 0; i < 12; i++) hoverhue.colour();
  assert.strictEqual(fake.decoded, 22);
}));

test('a load that fails throws HOVERHUE_LOAD_FAILED with its cause, and the next call loads again', asWindows((fake) => {
  process.env.HOVERHUE_RELOAD_BYTES = '9';
  const { dll, require: load } = app();
  const hoverhue = load('hoverhue');
  assert.strictEqual(hoverhue.colourHex(), 'FF 80 00');
  fs.renameSync(dll, `${dll}.away`);
  for (let i = 0; i < 2; i++) {
    assert.throws(() => hoverhue.colourHex(), (error) =>
      error.code === 'HOVERHUE_LOAD_FAILED' && error.cause !== undefined && error.message.includes(dll));
  }
  fs.renameSync(`${dll}.away`, dll);
  assert.strictEqual(hoverhue.colourHex(), 'FF 80 00');
  fake.missing = 'colourBx';  // and a reload is due
  assert.throws(() => hoverhue.colourHex(), failsWith('HOVERHUE_LOAD_FAILED'));
  assert.strictEqual(fake.loaded, 0, 'a DLL left loaded without its functions');
}));

test('HOVERHUE_RELOAD_BYTES must be a positive whole number of bytes', asWindows((fake) => {
  const hoverhue = app().require('hoverhue');
  for (const setting of ['-1', '0.5', '0', 'abc', '10KiB', '1e6']) {
    process.env.HOVERHUE_RELOAD_BYTES = setting;
    assert.throws(() => hoverhue.mousex(), (error) => error.code === 'HOVERHUE_BAD_SETTING' &&
      error.message.includes(JSON.stringify(setting)), setting);
  }
  process.env.HOVERHUE_RELOAD_BYTES = '65536';
  assert.strictEqual(hoverhue.mousex(), '401');
  assert.strictEqual(fake.loads, 1);
}));

test('instances in one thread share one hold and one exit listener', asWindows((fake) => {
  const { require: load } = app();
  const listeners = process.listenerCount('exit');
  for (let i = 0; i < 12; i++) {
    for (const file of Object.keys(require.cache)) if (file.includes('hoverhue-logic-')) delete require.cache[file];
    assert.strictEqual(load('hoverhue').mousey(), '301');
  }
  assert.strictEqual(process.listenerCount('exit'), listeners + 1);
  assert.deepStrictEqual([fake.loads, fake.loaded], [1, 1]);
}));

test('promises answer as the calls do, and no reload comes while one is in flight', asWindows(async (fake) => {
  process.env.HOVERHUE_RELOAD_BYTES = '9';
  const promises = app().require('hoverhue/promises');
  const first = promises.colour(), second = promises.colourHex();
  assert.strictEqual(fake.unloads, 0, 'unloaded under a call in flight');
  for (const settle of fake.pending.splice(0)) settle();
  assert.deepStrictEqual(await first, { r: 255, g: 128, b: 0, hex: '#ff8000' });
  assert.strictEqual(await second, 'FF 80 00');
  const cursor = promises.cursor();
  assert.strictEqual(fake.unloads, 1, 'no reload once the calls were done');
  fake.pending.splice(0)[0]();
  await new Promise(setImmediate);
  for (const settle of fake.pending.splice(0)) settle();
  assert.deepStrictEqual(await cursor, { x: 400, y: 300 });
}));
