'use strict';
// hoverhue's functions returning promises, as in Node's own fs/promises:
// each call of the DLL runs on libuv's pool, so the calling thread (an
// Electron main process, say) goes on while the screen is read. Any number
// may be pending at once.

const { supported, textNames, callAsync, cursor, colourOf } = require('./core.js');

// One GetCursorPos, which takes a microsecond: read in the calling thread,
// in its own coordinates.
async function cursorAsync() {
  return cursor();
}

async function colour() {
  return colourOf(await callAsync('colourHex'));
}

module.exports = { supported, cursor: cursorAsync, colour };
for (const name of textNames) module.exports[name] = () => callAsync(name);
