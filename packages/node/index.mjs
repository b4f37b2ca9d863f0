// The same module for import, by name or as a default.
import hoverhue from './index.js';

export default hoverhue;
export const {
  supported, cursor, colour, init, mousex, mousey, colourRGB, colourR, colourG, colourB,
  colourHex, colourRx, colourGx, colourBx,
} = hoverhue;
