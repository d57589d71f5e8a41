#include <algorithm>
#include <cstring>

#include "exports/entry_guard.h"

namespace {
constexpr char kAlgorithmName[] = "Blowfish";
constexpr std::size_t kAlgorithmNameLength = sizeof(kAlgorithmName) - 1;
constexpr double kAlgorithmVersion = 1.0;
constexpr int32_t kAlgorithmClassCode = 2;
}  // namespace

// The name is cut to fit and always terminated inside the buffer; every byte
// after it up to the end of the buffer is zeroed, so no stale byte can be read
// as part of the name.
extern "C" QOR_API char* QOR_CALL sCRYPT_GetAlgorithmInfo(char* name, int32_t nameSize,
                                                           double* version, int32_t* classCode) {
  if (name != nullptr && nameSize > 0) {
    const auto size = static_cast<std::size_t>(nameSize);
    const std::size_t letters = std::min(kAlgorithmNameLength, size - 1);
    std::memcpy(name, kAlgorithmName, letters);
    std::memset(name + letters, 0, size - letters);
  }
  if (version != nullptr) *version = kAlgorithmVersion;
  if (classCode != nullptr) *classCode = kAlgorithmClassCode;
  return name;
}
