#include "exports/entry_guard.h"
#include "session/session_map.h"

extern "C" QOR_API int32_t QOR_CALL sCRYPT_FreeBuffer(int32_t handle, void* buffer) {
  return qor::GuardedEntry(0, [=] {
    if (!qor::g_sessionMap.LookupSession(handle)) return 0;
    return qor::CCryptSession::FreeBuffer(buffer);
  });
}
