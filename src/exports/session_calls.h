// The shared shape of the entry points that run one session method: check
// the arguments, look the handle up, call the method, and turn any exception
// into the failure result.
#pragma once

#include <cstdint>

#include "exports/entry_guard.h"
#include "session/session_map.h"

namespace qor {

using DataMethod = std::int32_t (CCryptSession::*)(const std::uint8_t*, std::int32_t, std::uint8_t**,
                                                   std::int32_t*, bool) const;
using KeyMethod = void (CCryptSession::*)(const char*);

// Data is always enciphered with the private key; the session key is never
// selected from outside.
inline std::int32_t CallDataMethod(DataMethod method, std::int32_t handle, const std::uint8_t* input,
                                   std::int32_t length, std::uint8_t** output,
                                   std::int32_t* outLength) noexcept {
  return GuardedEntry(0, [=] {
    if (!ValidDataArguments(input, length, output, outLength)) return 0;
    const auto session = g_sessionMap.LookupSession(handle);
    if (!session) return 0;
    return ((*session).*method)(input, length, output, outLength, false);
  });
}

inline std::int32_t CallKeyMethod(KeyMethod method, std::int32_t handle, const char* key) noexcept {
  return GuardedEntry(0, [=] {
    const auto session = g_sessionMap.LookupSession(handle);
    if (!session) return 0;
    ((*session).*method)(key);
    return 1;
  });
}

}  // namespace qor
