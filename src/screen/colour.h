#pragma once

#include <stdint.h>

// A pixel's colour in the platform's COLORREF layout: red in bits 0-7,
// green in 8-15, blue in 16-23. The top byte never reaches a component.
using ColourRef = uint32_t;

constexpr unsigned redOf(ColourRef colour) { return colour & 0xFFu; }
constexpr unsigned greenOf(ColourRef colour) { return (colour >> 8) & 0xFFu; }
constexpr unsigned blueOf(ColourRef colour) { return (colour >> 16) & 0xFFu; }
