// Calls hoverhue.dll from Node.js through the koffi FFI (npm install koffi)
// and prints every function's answer as "name: text". Node's bitness picks
// the build: 64-bit Node loads the win64 DLL, 32-bit Node the win32 one.
//   node hoverhue.js [PATH_TO_DLL] [OUTPUT_FILE]
const fs = require('fs');
const path = require('path');
const koffi = require('koffi');

const lib = koffi.load(process.argv[2] || path.join(__dirname, 'hoverhue.dll'));
// 'const char *' copies each text into a JavaScript string and frees
// nothing: the library owns its texts, until it is unloaded.
const text = (name) => lib.func(`const char *${name}(void)`)();

const lines = text('init').split('|').map((name) => `${name}: ${text(name)}\n`);
if (process.argv[3]) fs.writeFileSync(process.argv[3], lines.join(''));
else process.stdout.write(lines.join(''));
