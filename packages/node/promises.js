'use strict';
// hoverhue's functions returning promises, as in Node's own fs/promises:
// each call runs on one of koffi's worker threads, so the calling thread (an
// Electron main process, say) goes on while the screen is read.

const { supported, textNames, callAsync, cursorOf, colourOf } = require('./core.js');

async function cursor() {
  const x = await callAsync('mousex');
  return cursorOf(x, await callAsync('mousey'));
}

async function colour() {
  return colourOf(await callAsync('colourHex'));
}

module.exports = { supported, cursor, colour };
for (const name of textNames) module.exports[name] = () => callAsync(name);
