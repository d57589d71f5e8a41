// The command line of qorcrypt, parsed into one plain record.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace qorcrypt {

enum class Command { kHelp, kInfo, kEncrypt, kDecrypt };
enum class KeySource { kNone, kFile, kEnvironment, kText };

// 1 MiB: large enough that the per-call cost of the module (a fresh key
// schedule every call) vanishes, small enough to keep memory flat.
inline constexpr std::size_t kDefaultChunkSize = std::size_t{1} << 20;

struct Options {
  Command command = Command::kHelp;
  std::string modulePath;  // empty: search the default places
  KeySource keySource = KeySource::kNone;
  std::string keyArgument;  // the file or variable name for kFile / kEnvironment
  char* keyText = nullptr;  // for kText: points into argv, wiped once copied
  std::string input = "-";
  std::string output = "-";
  std::optional<std::uint64_t> length;  // decrypt only
  std::size_t chunkSize = kDefaultChunkSize;
  bool progress = true;
  std::chrono::milliseconds progressDelay{1000};
};

// Throws ToolError(kUsage) for anything it cannot make sense of.
Options ParseOptions(int argc, char** argv);

}  // namespace qorcrypt
