#include "exports/entry_guard.h"
#include "session/session_map.h"

// Session keys are not enciphered by this module: the input is never read and
// the output slots are cleared whatever the handle, before it is looked up.
// Exported under two names that share this one address.
extern "C" QOR_API int32_t QOR_CALL sCRYPT_EncryptSessionKey(int32_t handle, const uint8_t*,
                                                             int32_t, uint8_t** outBuffer,
                                                             int32_t* outLength) {
  qor::ClearKeyOutput(outBuffer, outLength);
  return qor::GuardedEntry(0, [=] { return qor::g_sessionMap.LookupSession(handle) ? 1 : 0; });
}

#if !defined(_WIN32)
// On Windows the module-definition file gives the second name the same address.
extern "C" QOR_API int32_t QOR_CALL sCRYPT_DecryptSessionKey(int32_t, const uint8_t*, int32_t,
                                                             uint8_t**, int32_t*)
    __attribute__((alias("sCRYPT_EncryptSessionKey")));
#endif
