// What a TypeScript user writes, required; compiled with tsc --noEmit only.
import hoverhue = require('hoverhue');
import promises = require('hoverhue/promises');

const at: hoverhue.Cursor = hoverhue.cursor();
const under: hoverhue.Colour = hoverhue.colour();
const text: string = hoverhue.mousex() + hoverhue.colourHex() + under.hex + at.x;
const later: Promise<hoverhue.Colour> = promises.colour();
const ready: boolean = hoverhue.supported && promises.supported;
console.log(text, later, ready);
