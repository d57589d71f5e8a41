#include "session/session_map.h"

#include <limits>
#include <utility>

namespace qor {
namespace {

constexpr std::int64_t kLastHandle = std::numeric_limits<std::int32_t>::max();

// The next handle to issue; guarded by the table's lock. Kept wider than a
// handle so that the end of the range is a plain comparison, never a wrap
// into handles that are still in use.
std::int64_t g_nNextHandle = 1;

}  // namespace

CSessionMap g_sessionMap;

CSessionMap::~CSessionMap() = default;

std::int32_t CSessionMap::Open() {
  std::lock_guard lock(m_mutex);
  if (g_nNextHandle > kLastHandle) return 0;
  const auto nHandle = static_cast<std::int32_t>(g_nNextHandle);
  auto session = std::allocate_shared<CCryptSession>(HeapAllocator<CCryptSession>(), nHandle);
  m_entries.emplace(nHandle, std::move(session));
  ++g_nNextHandle;
  return nHandle;
}

CSessionMap::SessionPtr CSessionMap::LookupSession(std::int32_t nHandle) const {
  std::lock_guard lock(m_mutex);
  const auto found = m_entries.find(nHandle);
  return found == m_entries.end() ? nullptr : found->second;
}

bool CSessionMap::Close(std::int32_t nHandle) {
  SessionPtr closing;  // destroyed after the lock is released
  std::lock_guard lock(m_mutex);
  const auto found = m_entries.find(nHandle);
  if (found == m_entries.end()) return false;
  closing = std::move(found->second);
  m_entries.erase(found);
  return true;
}

void CSessionMap::CloseAll() {
  Table closing;  // destroyed after the lock is released
  std::lock_guard lock(m_mutex);
  closing.swap(m_entries);
}

std::size_t CSessionMap::Count() const {
  std::lock_guard lock(m_mutex);
  return m_entries.size();
}

void CSessionMap::LockForFork() {
  m_mutex.lock();
  for (const auto& entry : m_entries) entry.second->LockKeysForFork();
}

void CSessionMap::UnlockAfterFork() {
  for (const auto& entry : m_entries) entry.second->UnlockKeysAfterFork();
  m_mutex.unlock();
}

void CSessionMap::SetNextHandleForTesting(std::int64_t nNextHandle) {
  std::lock_guard lock(m_mutex);
  g_nNextHandle = nNextHandle;
}

}  // namespace qor
