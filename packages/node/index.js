'use strict';
// The cursor position and the colour of the pixel under it, read through
// hoverhue.dll. Synchronous, as the calls underneath are; hoverhue/promises
// has the same functions, run off the calling thread. Importing it loads
// nothing, on any platform; the first call loads the DLL.

const { supported, textNames, call, cursor, colourOf } = require('./core.js');

function colour() {
  return colourOf(call('colourHex'));
}

module.exports = { supported, cursor, colour };
for (const name of textNames) module.exports[name] = () => call(name);
