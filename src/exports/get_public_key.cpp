#include "exports/entry_guard.h"
#include "session/session_map.h"

// A symmetric module has no public key; the slots are cleared whatever the
// handle, before it is looked up.
extern "C" QOR_API int32_t QOR_CALL sCRYPT_GetPublicKey(int32_t handle, uint8_t** keyBuffer,
                                                        int32_t* keyLength) {
  qor::ClearKeyOutput(keyBuffer, keyLength);
  return qor::GuardedEntry(0, [=] { return qor::g_sessionMap.LookupSession(handle) ? 1 : 0; });
}
