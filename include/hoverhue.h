/* hoverhue: the mouse cursor's position and the colour of the screen pixel
 * under it, as short 8-bit texts. The twelve exports of hoverhue.dll, for C
 * and C++, 32-bit and 64-bit Windows.
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
 * The functions use the C calling convention (cdecl; on x64 there is only
 * one). getparam is the only one with an argument: a 32-bit host that
 * wrongly assumes stdcall expects the callee to pop it, so each call leaves
 * its stack pointer 4 bytes low. A caller that restores its stack from a
 * frame pointer recovers at its epilogue; one that does not drifts with
 * every call. */
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
