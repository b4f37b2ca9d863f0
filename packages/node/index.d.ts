/** The cursor in the calling process's own screen coordinates, zero-based. */
export interface Cursor {
  x: number;
  y: number;
}

/** One pixel: components 0 to 255, and hex in CSS notation ("#ff8000"). */
export interface Colour {
  r: number;
  g: number;
  b: number;
  hex: string;
}

/**
 * True on Windows in an ia32, x64 or arm64 process. Elsewhere the package
 * imports as well, and every call throws an Error with code
 * HOVERHUE_UNSUPPORTED.
 */
export const supported: boolean;

/**
 * Where the cursor is, from one sample: what mousex() and mousey() answer,
 * less one, in the calling thread's own coordinates. Left of or above the
 * primary monitor, x or y is negative. Throws an Error with code
 * HOVERHUE_UNSUPPORTED off Windows, or HOVERHUE_NO_FFI when koffi's binary
 * for this platform did not load.
 */
export function cursor(): Cursor;

/**
 * The pixel physically under the cursor, on any monitor at any scale, from
 * one sample of the DLL's (another than cursor()'s). Throws an Error with
 * code HOVERHUE_NO_MEMORY when the DLL's storage is exhausted, and like
 * every call of the DLL, HOVERHUE_UNSUPPORTED, HOVERHUE_NO_FFI,
 * HOVERHUE_LOAD_FAILED (the DLL or its copy would not load, with the folder
 * and why; the next call tries again; HOVERHUE_COPY_DIR names another folder
 * for the copies) or HOVERHUE_BAD_SETTING (HOVERHUE_RELOAD_BYTES is no
 * positive whole number).
 */
export function colour(): Colour;

/** The plug-in's function list: the ten names below, joined by "|". */
export function init(): string;

/** The plug-in's own texts, exactly: positions one-based ("1" at the left). */
export function mousex(): string;
export function mousey(): string;
/** "R:255 G:128 B:0" */
export function colourRGB(): string;
export function colourR(): string;
export function colourG(): string;
export function colourB(): string;
/** "FF 80 00" */
export function colourHex(): string;
export function colourRx(): string;
export function colourGx(): string;
export function colourBx(): string;
