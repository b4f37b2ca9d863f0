// On a platform the package cannot serve, require('hoverhue') throws its own
// error, naming the platform and the architecture and what is supported,
// before any native code is loaded.
//   node unsupported.js PACKAGE_DIR
'use strict';
const assert = require('assert');
const path = require('path');

assert.notStrictEqual(process.platform, 'win32', 'run this where Windows is not');
assert.throws(() => require(path.resolve(process.argv[2])), (error) => {
  console.log(`require('hoverhue') on ${process.platform} ${process.arch}: ${error.code}: ${error.message}`);
  assert.strictEqual(error.code, 'HOVERHUE_UNSUPPORTED');
  assert.match(error.message, new RegExp(`this is ${process.platform} on ${process.arch}$`));
  assert.match(error.message, /Windows only, for ia32, x64 and arm64/);
  return true;
});
console.log('1 passed, 0 failed');
