// Every entry point runs its body through GuardedEntry: no C++ exception may
// cross into a C host, and the only one the module raises is std::bad_alloc,
// which the entry points report as their failure result.
#pragma once

#include <cstdint>
#include <utility>

#include "qor_enc1.h"

namespace qor {

template <class Result, class Body>
Result GuardedEntry(Result onFailure, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return onFailure;
  }
}

// Lengths a data call accepts: a 0 .. 2^31-8 byte count whose rounded length
// still fits a signed 32-bit result, readable input, writable slots.
inline bool ValidDataArguments(const std::uint8_t* input, std::int32_t length,
                               std::uint8_t** output, std::int32_t* outLength) noexcept {
  if (length < 0 || length > QOR_ENC1_MAX_DATA_LENGTH) return false;
  if (input == nullptr && length > 0) return false;
  return output != nullptr && outLength != nullptr;
}

// The key-material entry points have nothing to hand out; they report an
// empty buffer, skipping slots the host did not give.
inline void ClearKeyOutput(std::uint8_t** buffer, std::int32_t* length) noexcept {
  if (buffer != nullptr) *buffer = nullptr;
  if (length != nullptr) *length = 0;
}

}  // namespace qor
