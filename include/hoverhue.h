/* hoverhue: the mouse cursor's position and the colour of the screen pixel
 * under it, as short 8-bit texts. The twelve exports of hoverhue.dll, for C
 * and C++: 32-bit and 64-bit x86 Windows, and ARM64 Windows (a native ARM64
 * host loads the arm64 build; an x86 or x64 host that Windows on ARM runs
 * emulated keeps its x86 or x64 build).
 *
 * Who owns a text: the library. Every text stays valid until the library is
 * unloaded, when its private heap goes, taking every text along. Copy what
 * you keep; never free or write to a text.
 *
 * Every value call (all but init and getparam) samples the screen afresh
 * and allocates a new text that is kept until the unload: a few dozen bytes
 * a call, which a host that polls for hours should bear in mind.
 *
 * The empty text "" from a value call means the library's storage ran out;
 * no real answer is empty.
 *
 * The functions use the C calling convention (cdecl; on x64 and ARM64
 * there is only one). getparam is the only one with an argument: a 32-bit
 * host that wrongly assumes stdcall expects the callee to pop it, so each
 * call leaves its stack pointer 4 bytes low. A caller that restores its
 * stack from a frame pointer recovers at its epilogue; one that does not
 * drifts with
 * every call.
 *
 * Threads: any export may be called from any thread, at the same time as
 * any other; each call works on its own text and its own sample.
 *
 * Coordinates: mousex and mousey answer in the calling thread's own
 * coordinates, as Windows gives it the cursor, while the colour functions
 * read the pixel physically under the pointer (on Windows 10 1607 and
 * later). In a host that is not DPI aware, on a scaled display, the two
 * differ: at 150% with the pointer at physical pixel (900, 600), mousex
 * says 601 and the colour is that of (900, 600). */
#ifndef HOVERHUE_H
#define HOVERHUE_H

#if defined(_WIN32)
#define HOVERHUE_CALL __cdecl
#else
#define HOVERHUE_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* For hosts that find the exports with GetProcAddress: the type of init and
 * the ten value functions, and the type of getparam. */
typedef const char*(HOVERHUE_CALL* hoverhue_text_fn)(void);
typedef const char*(HOVERHUE_CALL* hoverhue_param_fn)(unsigned int index);

/* The names of the ten value functions, joined by '|'. Constant storage. */
const char* HOVERHUE_CALL init(void);
/* The empty parameter description, whatever the argument. Constant storage. */
const char* HOVERHUE_CALL getparam(unsigned int index);

/* The cursor's screen x and y plus one, in decimal: 1 at the primary
 * monitor's left and top edges. */
const char* HOVERHUE_CALL mousex(void);
const char* HOVERHUE_CALL mousey(void);
/* The pixel under the cursor: "R:7 G:10 B:200", then each in decimal. */
const char* HOVERHUE_CALL colourRGB(void);
const char* HOVERHUE_CALL colourR(void);
const char* HOVERHUE_CALL colourG(void);
const char* HOVERHUE_CALL colourB(void);
/* The same in upper-case hexadecimal: "07 0A C8", then "07", "0A", "C8". */
const char* HOVERHUE_CALL colourHex(void);
const char* HOVERHUE_CALL colourRx(void);
const char* HOVERHUE_CALL colourGx(void);
const char* HOVERHUE_CALL colourBx(void);

#ifdef __cplusplus
}
#endif

#endif
