// The same module for import, by name.
import hoverhue from './index.js';

export const {
  cursor, colour, init, mousex, mousey, colourRGB, colourR, colourG, colourB,
  colourHex, colourRx, colourGx, colourBx,
} = hoverhue;
