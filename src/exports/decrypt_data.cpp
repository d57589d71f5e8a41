#include "exports/session_calls.h"

extern "C" QOR_API int32_t QOR_CALL sCRYPT_DecryptData(int32_t handle, const uint8_t* input,
                                                       int32_t length, uint8_t** output,
                                                       int32_t* outLength) {
  return qor::CallDataMethod(&qor::CCryptSession::DecryptData, handle, input, length, output, outLength);
}
