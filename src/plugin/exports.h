#pragma once

#include <cstdint>

// The twelve exports a host resolves by name. They use the C calling
// convention: getparam is the one export with an argument, and a cdecl callee
// leaves a host that wrongly assumes stdcall with a sound stack.
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
