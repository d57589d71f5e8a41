// Every allocation the module makes goes through here, so that exhausted
// memory has one shape (std::bad_alloc, caught at the C boundary) and tests
// can make any allocation fail on purpose.
#pragma once

#include <cstddef>
#include <new>

namespace qor {

// Never returns null: throws std::bad_alloc when memory can't be had.
void* HeapAllocate(std::size_t size);
void HeapRelease(void* block) noexcept;

// Allocator for standard containers that routes through HeapAllocate.
template <class T>
struct HeapAllocator {
  using value_type = T;
  HeapAllocator() noexcept = default;
  template <class U>
  HeapAllocator(const HeapAllocator<U>&) noexcept {}  // NOLINT(google-explicit-constructor)
  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(HeapAllocate(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t) noexcept { HeapRelease(p); }
  template <class U>
  bool operator==(const HeapAllocator<U>&) const noexcept { return true; }
};

// Test seam: the next `successes` allocations succeed and every one after
// them fails, until the seam is reset with a negative count (the default).
void FailAllocationsAfter(long successes) noexcept;

}  // namespace qor
