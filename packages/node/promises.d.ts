import type { Colour, Cursor } from './index.js';

export type { Colour, Cursor } from './index.js';

/** As hoverhue's own: true on Windows in an ia32, x64 or arm64 process. */
export const supported: boolean;

/**
 * hoverhue's functions, each call of the DLL run on libuv's pool, any
 * number pending at once: the promise resolves to what the synchronous
 * function returns, or rejects with the Error it throws, or with code
 * HOVERHUE_CALL_FAILED where koffi could not make the call (with its
 * cause). cursor() reads in the calling thread, as the synchronous one does.
 */
export function cursor(): Promise<Cursor>;
export function colour(): Promise<Colour>;
export function init(): Promise<string>;
export function mousex(): Promise<string>;
export function mousey(): Promise<string>;
export function colourRGB(): Promise<string>;
export function colourR(): Promise<string>;
export function colourG(): Promise<string>;
export function colourB(): Promise<string>;
export function colourHex(): Promise<string>;
export function colourRx(): Promise<string>;
export function colourGx(): Promise<string>;
export function colourBx(): Promise<string>;
