// The require form, as a CommonJS TypeScript user writes it.
import hoverhue = require('hoverhue');

const text: string = hoverhue.mousex() + hoverhue.colourRGB();
const y: number = hoverhue.cursor().y;
console.log(text, y);
