#pragma once

#include <cstddef>

// The constant empty text: getparam's answer, and a value function's answer
// when storage is exhausted. No valid value is empty, so a host can tell.
extern const char emptyText[];

// A writable, uncleared buffer of capacity bytes from the library's heap, or
// null when storage is exhausted. The library never frees it: it goes away
// with the library's heap when the library is unloaded.
char* newResultText(std::size_t capacity);

// The frame of every value function: the buffer is obtained before the
// screen is touched, so exhausted storage takes no sample and holds no
// device context; then write samples the screen and fills the buffer.
template <std::size_t Capacity, typename Write>
const char* answerWith(Write write) {
  char* text = newResultText(Capacity);
  if (text == nullptr) return emptyText;
  write(text);
  return text;
}
