// What a TypeScript user writes, imported; compiled with tsc --noEmit only.
import hoverhue, { colour, colourHex, cursor, init, supported, type Colour, type Cursor } from 'hoverhue';
import promises, * as each from 'hoverhue/promises';

const at: Cursor = cursor();
const under: Colour = colour();
const x: number = at.x + at.y + hoverhue.cursor().x;
const hex: string = under.hex + colourHex() + init() + hoverhue.colourRx();
const components: number[] = [under.r, under.g, under.b, x];
const soon: Promise<Cursor> = promises.cursor();
const later: Promise<string> = each.colourHex();
const ready: boolean = supported && hoverhue.supported && promises.supported;
console.log(hex, components, soon, later, ready);
