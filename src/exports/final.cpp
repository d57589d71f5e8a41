#include "exports/entry_guard.h"
#include "session/session_map.h"

extern "C" QOR_API int32_t QOR_CALL sCRYPT_Final(void) {
  return qor::GuardedEntry(0, [] {
    qor::g_sessionMap.CloseAll();
    return 0;
  });
}
