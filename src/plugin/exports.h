#pragma once

#include <cstdint>

// The twelve exports a host resolves by name, with the C calling convention
// (on x64 there is only one). getparam is the only export with an argument:
// a 32-bit host that wrongly assumes stdcall expects the callee to pop it,
// so each call leaves the host's stack pointer 4 bytes low. A caller that
// restores its stack from a frame pointer recovers at its epilogue; one
// that does not drifts with every call.
#if defined(_WIN32)
#define HOVERHUE_CALL __cdecl
#else
#define HOVERHUE_CALL
#endif

extern "C" {
// The names of the ten value functions, joined by '|'. Constant storage.
const char* HOVERHUE_CALL init();
// The empty parameter description, whatever the argument. Constant storage.
const char* HOVERHUE_CALL getparam(std::uint32_t);

// Each value function answers with a fresh text sampled from the screen now,
// valid until the library is unloaded; the empty text when storage runs out.
const char* HOVERHUE_CALL mousex();
const char* HOVERHUE_CALL mousey();
const char* HOVERHUE_CALL colourRGB();
const char* HOVERHUE_CALL colourR();
const char* HOVERHUE_CALL colourG();
const char* HOVERHUE_CALL colourB();
const char* HOVERHUE_CALL colourHex();
const char* HOVERHUE_CALL colourRx();
const char* HOVERHUE_CALL colourGx();
const char* HOVERHUE_CALL colourBx();
}
