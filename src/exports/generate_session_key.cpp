#include "exports/entry_guard.h"
#include "session/session_map.h"

// Nothing is generated, and an invalid handle leaves the slots untouched.
extern "C" QOR_API int32_t QOR_CALL sCRYPT_GenerateSessionKey(int32_t handle, uint8_t** keyBuffer,
                                                              int32_t* keyLength) {
  return qor::GuardedEntry(0, [=] {
    if (!qor::g_sessionMap.LookupSession(handle)) return 0;
    qor::ClearKeyOutput(keyBuffer, keyLength);
    return 1;
  });
}
