#include "result_text.h"

#include <new>

const char emptyText[] = "";

char* newResultText(std::size_t capacity) {
  return new (std::nothrow) char[capacity];
}
