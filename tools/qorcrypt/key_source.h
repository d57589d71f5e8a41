// Where the key comes from, and the rules a key must meet before the module
// sees it: it is a zero-terminated byte string, so it cannot hold a zero byte.
#pragma once

#include <cstddef>
#include <vector>

#include "options.h"

namespace qorcrypt {

// Key bytes that are overwritten before their storage is released.
class SecretBytes {
 public:
  SecretBytes() = default;
  SecretBytes(const SecretBytes&) = delete;
  SecretBytes& operator=(const SecretBytes&) = delete;
  SecretBytes(SecretBytes&&) noexcept = default;
  SecretBytes& operator=(SecretBytes&&) noexcept = default;
  ~SecretBytes();

  // Room for `size` bytes, taken up front so that appending never moves the
  // bytes and leaves an unwiped copy behind.
  void Reserve(std::size_t size) { m_bytes.reserve(size); }
  void Append(const char* data, std::size_t size);
  const char* Data() const noexcept { return m_bytes.data(); }
  std::size_t Size() const noexcept { return m_bytes.size(); }

 private:
  std::vector<char> m_bytes;
};

// Overwrites memory in a way the compiler may not drop as a dead store.
void WipeBytes(void* data, std::size_t size) noexcept;

// The key named by the options (without the terminating zero). Throws
// ToolError for an unreadable file, an unset variable or a zero byte, and
// names the offset of the zero byte. Warns on standard error about key
// lengths that the module shortens. Wipes the --key text in argv.
SecretBytes LoadKey(const Options& options);

}  // namespace qorcrypt
