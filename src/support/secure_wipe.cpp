#include "support/secure_wipe.h"

#include <cstring>

namespace qor {

void SecureWipe(void* data, std::size_t size) noexcept {
  if (data == nullptr || size == 0) return;
  std::memset(data, 0, size);
  // The empty asm claims to read the memory behind `data`, so the stores
  // above are live even when the storage is freed right after this call.
  __asm__ __volatile__("" : : "r"(data) : "memory");
}

}  // namespace qor
