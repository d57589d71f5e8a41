// Zeroing that the optimiser may not drop, for key bytes, key schedules and
// any other copy of secret material before its storage is released or reused.
#pragma once

#include <cstddef>

namespace qor {

void SecureWipe(void* data, std::size_t size) noexcept;

}  // namespace qor
