#include "exports/entry_guard.h"
#include "session/session_map.h"

extern "C" QOR_API int32_t QOR_CALL sCRYPT_Initialise(int32_t handle) {
  return qor::GuardedEntry(0, [=] { return qor::g_sessionMap.LookupSession(handle) ? 1 : 0; });
}
