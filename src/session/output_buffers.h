// The output buffers handed to hosts and not yet given back. Keeping the
// record lets the module refuse to release an address it never handed out
// (or released already) and release the forgotten ones at unload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_set>

#include "support/module_heap.h"

namespace qor {

class COutputBuffers {
 public:
  COutputBuffers() = default;
  COutputBuffers(const COutputBuffers&) = delete;
  COutputBuffers& operator=(const COutputBuffers&) = delete;
  ~COutputBuffers();  // releases every buffer still out

  // Records a buffer from HeapAllocate as handed out. On std::bad_alloc the
  // buffer is not recorded and still belongs to the caller.
  void Record(void* buffer);

  // Releases a recorded buffer; false, releasing nothing, for any other
  // address.
  bool Release(void* buffer) noexcept;

  std::size_t Count() const;

  void LockForFork() { m_mutex.lock(); }
  void UnlockAfterFork() { m_mutex.unlock(); }

 private:
  mutable std::mutex m_mutex;
  std::unordered_set<void*, std::hash<void*>, std::equal_to<void*>, HeapAllocator<void*>> m_buffers;
};

extern COutputBuffers g_outputBuffers;

}  // namespace qor
