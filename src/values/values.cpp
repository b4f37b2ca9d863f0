#include "hoverhue.h"
#include "../plugin/result_text.h"
#include "../screen/screen.h"
#include "text.h"

// Capacities hold the longest text each function can write, with its NUL.
constexpr size_t positionCapacity = 33;
constexpr size_t decimalTripleCapacity = 33;
constexpr size_t hexTripleCapacity = 9;
constexpr size_t componentCapacity = 4;

// Positions are one-based. x + 1 is taken in 64 bits: at x = 2147483647 it
// does not fit a 32-bit integer.
const char* HOVERHUE_CALL mousex() {
  return answerWith<positionCapacity>(
      [](char* text) { writeDecimal(text, int64_t{readCursor().x} + 1); });
}

const char* HOVERHUE_CALL mousey() {
  return answerWith<positionCapacity>(
      [](char* text) { writeDecimal(text, int64_t{readCursor().y} + 1); });
}

const char* HOVERHUE_CALL colourRGB() {
  return answerWith<decimalTripleCapacity>(
      [](char* text) { writeColourDecimal(text, sampleScreen().colour); });
}

const char* HOVERHUE_CALL colourR() {
  return answerWith<componentCapacity>(
      [](char* text) { writeDecimal(text, redOf(sampleScreen().colour)); });
}

const char* HOVERHUE_CALL colourG() {
  return answerWith<componentCapacity>(
      [](char* text) { writeDecimal(text, greenOf(sampleScreen().colour)); });
}

const char* HOVERHUE_CALL colourB() {
  return answerWith<componentCapacity>(
      [](char* text) { writeDecimal(text, blueOf(sampleScreen().colour)); });
}

const char* HOVERHUE_CALL colourHex() {
  return answerWith<hexTripleCapacity>(
      [](char* text) { writeColourHex(text, sampleScreen().colour); });
}

const char* HOVERHUE_CALL colourRx() {
  return answerWith<componentCapacity>(
      [](char* text) { writeHexByte(text, redOf(sampleScreen().colour)); });
}

const char* HOVERHUE_CALL colourGx() {
  return answerWith<componentCapacity>(
      [](char* text) { writeHexByte(text, greenOf(sampleScreen().colour)); });
}

const char* HOVERHUE_CALL colourBx() {
  return answerWith<componentCapacity>(
      [](char* text) { writeHexByte(text, blueOf(sampleScreen().colour)); });
}
