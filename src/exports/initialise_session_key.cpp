#include "exports/entry_guard.h"
#include "session/session_map.h"

extern "C" QOR_API int32_t QOR_CALL sCRYPT_InitialiseSessionKey(int32_t handle, const char* key) {
  return qor::GuardedEntry(0, [=] {
    const auto session = qor::g_sessionMap.LookupSession(handle);
    if (!session) return 0;
    session->SetSessionKey(key);
    return 1;
  });
}
