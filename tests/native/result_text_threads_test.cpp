// Texts claimed by many threads at once, under ThreadSanitizer: each claim
// is one atomic step, so no two threads get the same bytes, and no access
// to a block's count races with another.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <vector>

#include "plugin/result_text.h"

void* operator new[](size_t size, const LibraryHeap&) noexcept {
  return std::malloc(size);
}
void operator delete[](void* storage, const LibraryHeap&) noexcept {
  std::free(storage);
}

namespace {

struct Claimed {
  char* text;
  size_t capacity;
};

TEST(ResultTextThreads, EveryClaimHasBytesOfItsOwn) {
  constexpr int threads = 4, texts = 20000;
  std::vector<std::vector<Claimed>> claimed(threads);
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t)
    workers.emplace_back([t, &claimed] {
      for (int i = 0; i < texts; ++i) {
        size_t capacity = 1 + static_cast<size_t>(i % 33);
        char* text = newResultText(capacity);
        ASSERT_NE(text, nullptr);
        std::fill(text, text + capacity, static_cast<char>('a' + t));
        claimed[t].push_back({text, capacity});
      }
    });
  for (std::thread& worker : workers) worker.join();

  std::vector<Claimed> all;
  for (int t = 0; t < threads; ++t) {
    for (const Claimed& c : claimed[t])
      ASSERT_EQ(std::count(c.text, c.text + c.capacity, 'a' + t),
                static_cast<long>(c.capacity))
          << "a text of thread " << t << " was written by another";
    all.insert(all.end(), claimed[t].begin(), claimed[t].end());
  }
  std::sort(all.begin(), all.end(),
            [](const Claimed& a, const Claimed& b) { return a.text < b.text; });
  for (size_t i = 1; i < all.size(); ++i)
    ASSERT_LE(all[i - 1].text + all[i - 1].capacity, all[i].text)
        << "two texts share bytes";
}

}  // namespace
