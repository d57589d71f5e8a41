// The bytes to work on: a named file or standard input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

namespace qorcrypt {

class InputSource {
 public:
  // "-" is standard input. Throws ToolError for a file that is missing, is a
  // directory or cannot be opened, with the reason.
  explicit InputSource(const std::string& name);
  InputSource(const InputSource&) = delete;
  InputSource& operator=(const InputSource&) = delete;
  ~InputSource();

  // Fills `into` completely unless the input ends first, so that every chunk
  // but the last is whole: a short chunk in the middle would be padded by the
  // module and change the ciphertext. Returns the count read; throws
  // ToolError on a read error.
  std::size_t ReadFull(std::span<std::uint8_t> into);

  // The total size when known in advance (a regular file), for checks that
  // should happen before any output and for the progress bar.
  std::optional<std::uint64_t> KnownSize() const noexcept { return m_size; }
  const std::string& DisplayName() const noexcept { return m_displayName; }

 private:
  std::FILE* m_file = nullptr;
  bool m_owned = false;
  std::optional<std::uint64_t> m_size;
  std::string m_displayName;
};

}  // namespace qorcrypt
