#pragma once

#include <stdint.h>

#include "../screen/colour.h"

// Text writers for the value functions. Each writes its text and a NUL at
// out and returns the address of that NUL, so writers can be chained. They
// include nothing of the platform so that they build and test natively.

// Base 10, a leading '-' when negative, no padding, for any value whose
// magnitude fits 32 bits (a 32-bit coordinate plus one does): at most 11
// characters. The digits are taken in 32-bit arithmetic, which needs no
// compiler helper on i686.
char* writeDecimal(char* out, int64_t value);

// Two upper-case hexadecimal digits, zero-padded, as printf "%02X".
char* writeHexByte(char* out, unsigned byte);

// "R:<red> G:<green> B:<blue>" in decimal: at most 17 characters.
char* writeColourDecimal(char* out, ColourRef colour);

// "RR GG BB" in hexadecimal: always 8 characters.
char* writeColourHex(char* out, ColourRef colour);
