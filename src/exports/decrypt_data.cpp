#include "exports/entry_guard.h"
#include "session/session_map.h"

extern "C" QOR_API int32_t QOR_CALL sCRYPT_DecryptData(int32_t handle, const uint8_t* input,
                                                       int32_t length, uint8_t** output,
                                                       int32_t* outLength) {
  return qor::GuardedEntry(0, [=] {
    if (!qor::ValidDataArguments(input, length, output, outLength)) return 0;
    const auto session = qor::g_sessionMap.LookupSession(handle);
    if (!session) return 0;
    return session->DecryptData(input, length, output, outLength, false);
  });
}
