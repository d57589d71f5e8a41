// The one exception type of qorcrypt: a message for the user and the exit
// status that goes with it. main() is the only place that catches it.
#pragma once

#include <stdexcept>
#include <string>

namespace qorcrypt {

// Exit statuses, documented in --help and the README.
enum class ExitStatus : int {
  kOk = 0,
  kFailure = 1,  // input, output, key or data could not be used
  kUsage = 2,    // the command line itself is wrong
  kModule = 3,   // the module cannot be found, loaded or fully resolved
};

class ToolError : public std::runtime_error {
 public:
  ToolError(ExitStatus status, const std::string& message)
      : std::runtime_error(message), m_status(status) {}
  ExitStatus Status() const noexcept { return m_status; }

 private:
  ExitStatus m_status;
};

// Decrypt input must be whole 8-byte blocks; whether the size is known up
// front or only at the end of a stream, the user reads the same message.
inline ToolError NotCiphertextError(const std::string& inputName, unsigned long long size) {
  return ToolError(ExitStatus::kFailure, "input " + inputName + " is " + std::to_string(size) +
                                             " bytes, not a multiple of 8: it is not ciphertext of this module");
}

}  // namespace qorcrypt
