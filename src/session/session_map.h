// The process-wide table of open sessions, keyed by handle. One lock guards
// the table and the handle counter, and is held only while the table is read
// or changed: sessions are shared out, so a call keeps its session alive
// while another thread closes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "session/crypt_session.h"
#include "support/module_heap.h"

namespace qor {

class CSessionMap {
 public:
  using SessionPtr = std::shared_ptr<CCryptSession>;

  CSessionMap() = default;
  CSessionMap(const CSessionMap&) = delete;
  CSessionMap& operator=(const CSessionMap&) = delete;
  ~CSessionMap();  // destroys the sessions still open, wiping their keys

  // Registers a new session under the next handle and returns the handle, or
  // 0 when every handle up to 2^31 - 1 has been issued. Throws std::bad_alloc
  // with nothing registered and the counter unchanged.
  std::int32_t Open();

  // Null for a handle that names no open session.
  SessionPtr LookupSession(std::int32_t nHandle) const;

  // Removes the session; false when the handle named none.
  bool Close(std::int32_t nHandle);

  // Removes every session.
  void CloseAll();

  std::size_t Count() const;

  // Taken across fork(): the table's lock, then every session's key lock, so
  // the child starts with all of them free and consistent.
  void LockForFork();
  void UnlockAfterFork();

  // Test seam: the handle the next Open will issue.
  void SetNextHandleForTesting(std::int64_t nNextHandle);

 private:
  using Entry = std::pair<const std::int32_t, SessionPtr>;
  using Table = std::unordered_map<std::int32_t, SessionPtr, std::hash<std::int32_t>,
                                   std::equal_to<std::int32_t>, HeapAllocator<Entry>>;

  mutable std::mutex m_mutex;
  Table m_entries;
};

extern CSessionMap g_sessionMap;

}  // namespace qor
