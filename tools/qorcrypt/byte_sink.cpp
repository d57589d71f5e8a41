#include "byte_sink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "atomic_file_sink.h"
#include "tool_error.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace qorcrypt {
namespace {

class StdoutSink final : public ByteSink {
 public:
  StdoutSink() {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);
#endif
  }

  void Write(std::span<const std::uint8_t> bytes) override {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) Fail();
  }

  void Commit() override {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) Fail();
  }

 private:
  [[noreturn]] static void Fail() {
    throw ToolError(ExitStatus::kFailure, std::string("cannot write standard output: ") + std::strerror(errno));
  }
};

}  // namespace

std::unique_ptr<ByteSink> OpenSink(const std::string& name) {
  if (name == "-") return std::make_unique<StdoutSink>();
  return std::make_unique<AtomicFileSink>(name);
}

}  // namespace qorcrypt
