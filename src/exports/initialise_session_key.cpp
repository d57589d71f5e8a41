#include "exports/session_calls.h"

extern "C" QOR_API int32_t QOR_CALL sCRYPT_InitialiseSessionKey(int32_t handle, const char* key) {
  return qor::CallKeyMethod(&qor::CCryptSession::SetSessionKey, handle, key);
}
