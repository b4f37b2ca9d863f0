#pragma once

#include <stddef.h>

// The library's heap, as the placement argument of array new:
// new (libraryHeap) char[n] gives storage that goes away whole when the
// library is unloaded, or null when storage is exhausted. The DLL's runtime
// provides it; the unit tests put a recording fake in its place.
struct LibraryHeap {};
extern const LibraryHeap libraryHeap;
void* operator new[](size_t size, const LibraryHeap&) noexcept;
void operator delete[](void* storage, const LibraryHeap&) noexcept;

// The constant empty text: getparam's answer, and a value function's answer
// when storage is exhausted. No valid value is empty, so a host can tell.
extern const char emptyText[];

// Result texts are packed end to end into blocks of this size taken from
// the library's heap: a text costs exactly its capacity, and only a block's
// unused tail and the heap's own header per block are spent beyond that.
constexpr size_t textBlockSize = 4096;
// The bytes of a block that texts are packed into, after its own count.
constexpr size_t textBlockCapacity = textBlockSize - sizeof(size_t);

// A writable, uncleared buffer of capacity bytes, or null when storage is
// exhausted. Never shared, and never freed by the library: it goes away
// with the library's heap when the library is unloaded. Safe on any number
// of threads at once.
char* newResultText(size_t capacity);

// Leaves the current block to the texts it holds: the next text opens a new
// one. For tests, which need to know where a block begins.
void closeTextBlock();

// The frame of every value function: the buffer is obtained before the
// screen is touched, so exhausted storage takes no sample and holds no
// device context; then write samples the screen and fills the buffer.
template <size_t Capacity, typename Write>
const char* answerWith(Write write) {
  char* text = newResultText(Capacity);
  if (text == nullptr) return emptyText;
  write(text);
  return text;
}
