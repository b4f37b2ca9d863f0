// What a TypeScript user writes; compiled with tsc --noEmit only.
import { colour, colourHex, cursor, init, type Colour, type Cursor } from 'hoverhue';

const at: Cursor = cursor();
const under: Colour = colour();
const x: number = at.x + at.y;
const hex: string = under.hex + colourHex() + init();
const components: number[] = [under.r, under.g, under.b, x];
console.log(hex, components);
