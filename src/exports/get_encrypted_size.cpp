#include "exports/entry_guard.h"
#include "support/block_rounding.h"

extern "C" QOR_API int32_t QOR_CALL sCRYPT_GetEncryptedSize(int32_t length) {
  return static_cast<int32_t>(qor::RoundUpToBlock(length));
}
