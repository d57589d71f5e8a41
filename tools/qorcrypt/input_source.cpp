#include "input_source.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tool_error.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace qorcrypt {
namespace {

[[noreturn]] void Fail(const std::string& message) { throw ToolError(ExitStatus::kFailure, message); }

}  // namespace

InputSource::InputSource(const std::string& name) {
  if (name == "-") {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    m_file = stdin;
    m_displayName = "standard input";
    return;
  }
  m_displayName = "'" + name + "'";
  std::error_code error;
  const auto status = std::filesystem::status(name, error);
  if (std::filesystem::is_directory(status)) Fail("input " + m_displayName + " is a directory");
  m_file = std::fopen(name.c_str(), "rb");
  if (m_file == nullptr) Fail("cannot open input " + m_displayName + ": " + std::strerror(errno));
  m_owned = true;
  if (std::filesystem::is_regular_file(status)) {
    const auto size = std::filesystem::file_size(name, error);
    if (!error) m_size = size;
  }
}

InputSource::~InputSource() {
  if (m_owned) std::fclose(m_file);
}

std::size_t InputSource::ReadFull(std::span<std::uint8_t> into) {
  std::size_t filled = 0;
  while (filled < into.size()) {
    const std::size_t got = std::fread(into.data() + filled, 1, into.size() - filled, m_file);
    filled += got;
    if (got == 0) break;
  }
  if (std::ferror(m_file) != 0) Fail("cannot read input " + m_displayName + ": " + std::strerror(errno));
  return filled;
}

}  // namespace qorcrypt
