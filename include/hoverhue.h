/* hoverhue.h: the twelve exports of hoverhue.dll, for C (C89 and later) and
 * C++ (C++98 and later), on 32-bit and 64-bit x86 and on ARM64 Windows.
 *
 * Include it as it is to call the exports by name, linked to an import
 * library (libhoverhue.dll.a or hoverhue.lib). A host that finds them with
 * GetProcAddress needs only the function-pointer types: define
 * HOVERHUE_NO_PROTOTYPES first, and no global init or getparam is declared
 * to clash with its own. README describes what each function answers, who
 * owns a text and for how long, threads and scaled displays. */
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

/* The type of init and of the ten value functions, and that of getparam. */
typedef const char*(HOVERHUE_CALL* hoverhue_text_fn)(void);
typedef const char*(HOVERHUE_CALL* hoverhue_param_fn)(unsigned int index);

#if !defined(HOVERHUE_NO_PROTOTYPES)
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
#endif

#ifdef __cplusplus
}
#endif

#endif
