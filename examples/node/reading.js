// Reads the cursor and the colour under it with the hoverhue package
// (npm install the release tarball) and prints them, or writes them to a file.
//   node reading.js [OUTPUT_FILE]
const fs = require('fs');
const { cursor, colour } = require('hoverhue');

const line = `cursor() ${JSON.stringify(cursor())}, colour() ${JSON.stringify(colour())}\n`;
if (process.argv[2]) fs.writeFileSync(process.argv[2], line);
else process.stdout.write(line);
