#include "support/module_heap.h"

#include <atomic>
#include <cstdlib>

namespace qor {
namespace {

// Negative: no failure injected. Otherwise the number of allocations that may
// still succeed.
std::atomic<long> g_allocationsBeforeFailure{-1};

bool InjectedFailure() noexcept {
  long left = g_allocationsBeforeFailure.load(std::memory_order_relaxed);
  while (left >= 0) {
    if (left == 0) return true;
    if (g_allocationsBeforeFailure.compare_exchange_weak(left, left - 1,
                                                         std::memory_order_relaxed)) {
      return false;
    }
  }
  return false;
}

}  // namespace

void* HeapAllocate(std::size_t size) {
  if (InjectedFailure()) throw std::bad_alloc();
  // malloc(0) may return null; one byte keeps "never null" true.
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void HeapRelease(void* block) noexcept { std::free(block); }

void FailAllocationsAfter(long successes) noexcept {
  g_allocationsBeforeFailure.store(successes < 0 ? -1 : successes,
                                   std::memory_order_relaxed);
}

}  // namespace qor
