#include "exports/session_calls.h"

extern "C" QOR_API int32_t QOR_CALL sCRYPT_InitialisePrivateKey(int32_t handle, const char* key) {
  return qor::CallKeyMethod(&qor::CCryptSession::SetPrivateKey, handle, key);
}
