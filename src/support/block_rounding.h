// Lengths rounded up to whole 8-byte cipher blocks.
#pragma once

#include <cstdint>

namespace qor {

inline constexpr std::int32_t kBlockSize = 8;

// (length + 7) with the low three bits cleared, on the 32-bit pattern as
// unsigned: the addition wraps, so 2^31-7 .. 2^31-1 give 0x80000000 and
// -7 .. -1 give 0. Hosts have always seen exactly this value.
constexpr std::uint32_t RoundUpToBlock(std::int32_t length) noexcept {
  return (static_cast<std::uint32_t>(length) + 7u) & ~7u;
}

}  // namespace qor
