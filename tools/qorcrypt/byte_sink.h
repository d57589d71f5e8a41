// Where the result goes: standard output, or a file that appears only once
// it is complete.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace qorcrypt {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Throws ToolError when the bytes cannot be written.
  virtual void Write(std::span<const std::uint8_t> bytes) = 0;
  // Makes the output final. A sink destroyed without Commit leaves no trace
  // where it can (a file), and only what was already written where it cannot
  // (standard output).
  virtual void Commit() = 0;
};

// "-" gives standard output; anything else a file written under a temporary
// name in its directory and renamed onto `name` by Commit.
std::unique_ptr<ByteSink> OpenSink(const std::string& name);

}  // namespace qorcrypt
