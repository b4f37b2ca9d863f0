#include "text.h"

static char* writeLiteral(char* out, const char* text) {
  while (*text != '\0') *out++ = *text++;
  *out = '\0';
  return out;
}

char* writeDecimal(char* out, int64_t value) {
  auto magnitude = static_cast<uint32_t>(value < 0 ? -value : value);
  char digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) *out++ = '-';
  while (count > 0) *out++ = digits[--count];
  *out = '\0';
  return out;
}

char* writeHexByte(char* out, unsigned byte) {
  static const char hexDigits[] = "0123456789ABCDEF";
  out[0] = hexDigits[(byte >> 4) & 0xFu];
  out[1] = hexDigits[byte & 0xFu];
  out[2] = '\0';
  return out + 2;
}

char* writeColourDecimal(char* out, ColourRef colour) {
  out = writeDecimal(writeLiteral(out, "R:"), redOf(colour));
  out = writeDecimal(writeLiteral(out, " G:"), greenOf(colour));
  return writeDecimal(writeLiteral(out, " B:"), blueOf(colour));
}

char* writeColourHex(char* out, ColourRef colour) {
  out = writeHexByte(out, redOf(colour));
  out = writeHexByte(writeLiteral(out, " "), greenOf(colour));
  return writeHexByte(writeLiteral(out, " "), blueOf(colour));
}
