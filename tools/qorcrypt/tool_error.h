// The one exception type of qorcrypt: a message for the user and the exit
// status that goes with it. main() is the only place that catches it.
#pragma once

#include <stdexcept>
#include <string>

namespace qorcrypt {

// Exit statuses, documented in --help and docs/tool.md.
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

}  // namespace qorcrypt
