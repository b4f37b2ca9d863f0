#include "result_text.h"

const LibraryHeap libraryHeap{};
const char emptyText[] = "";

namespace {

// Texts need no alignment and are never freed one by one, so they are
// claimed from a block by moving its count forward: no header, no rounding.
struct TextBlock {
  size_t used;
  char text[textBlockCapacity];
};
static_assert(sizeof(TextBlock) == textBlockSize, "a block is one allocation");

// The block texts are claimed from. Only ever replaced by a fresh block, and
// blocks once installed are never freed, so a pointer read here stays valid.
TextBlock* currentBlock = nullptr;

// The next capacity bytes of block, or null when they do not fit. The
// compare-exchange makes each claim one step: two threads never get the
// same bytes.
char* claim(TextBlock* block, size_t capacity) {
  size_t used = __atomic_load_n(&block->used, __ATOMIC_RELAXED);
  while (capacity <= textBlockCapacity - used) {
    if (__atomic_compare_exchange_n(&block->used, &used, used + capacity, true,
                                    __ATOMIC_RELAXED, __ATOMIC_RELAXED))
      return block->text + used;
  }
  return nullptr;
}

}  // namespace

char* newResultText(size_t capacity) {
  if (capacity > textBlockCapacity) return new (libraryHeap) char[capacity];
  for (;;) {
    TextBlock* block = __atomic_load_n(&currentBlock, __ATOMIC_ACQUIRE);
    if (block != nullptr) {
      if (char* text = claim(block, capacity)) return text;
    }
    // Full, or none yet: a new block, with this text first in it. Where no
    // whole block can be had, storage that still holds this one text is
    // used all the same.
    char* storage = new (libraryHeap) char[textBlockSize];
    if (storage == nullptr) return new (libraryHeap) char[capacity];
    TextBlock* next = reinterpret_cast<TextBlock*>(storage);
    next->used = capacity;
    if (__atomic_compare_exchange_n(&currentBlock, &block, next, false,
                                    __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE))
      return next->text;
    // Another thread installed a block first: this one is given back, and
    // the text is claimed from that one.
    operator delete[](storage, libraryHeap);
  }
}

void closeTextBlock() {
  __atomic_store_n(&currentBlock, nullptr, __ATOMIC_RELEASE);
}
