#include "key_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "tool_error.h"

namespace qorcrypt {
namespace {

// A key file larger than this is surely the wrong file; the module would use
// at most 72 of its bytes anyway.
constexpr std::size_t kMaxKeyFileSize = std::size_t{1} << 20;
// The key schedule uses this many key bytes and ignores the rest.
constexpr std::size_t kKeyBytesUsed = 72;
// The module takes a key's length as a signed 16-bit number.
constexpr std::size_t kKeyLengthWraps = 32768;

struct FileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

[[noreturn]] void Fail(const std::string& message) { throw ToolError(ExitStatus::kFailure, message); }

void RejectZeroByte(const SecretBytes& key, const std::string& where) {
  const void* zero = std::memchr(key.Data(), 0, key.Size());
  if (zero == nullptr) return;
  const auto offset = static_cast<const char*>(zero) - key.Data();
  Fail(where + " has a zero byte at offset " + std::to_string(offset) +
       "; a key is a zero-terminated string and cannot contain one");
}

SecretBytes ReadKeyFile(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) Fail("key file '" + path + "' is a directory");
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) Fail("cannot open key file '" + path + "': " + std::strerror(errno));

  SecretBytes key;
  const auto size = std::filesystem::file_size(path, error);
  key.Reserve(error ? kMaxKeyFileSize + 1 : std::min<std::uintmax_t>(size, kMaxKeyFileSize) + 1);
  char block[4096];
  for (;;) {
    const std::size_t got = std::fread(block, 1, sizeof block, file.get());
    if (key.Size() + got > kMaxKeyFileSize) {
      WipeBytes(block, sizeof block);
      Fail("key file '" + path + "' is larger than 1 MiB; is it the right file?");
    }
    key.Append(block, got);
    if (got < sizeof block) break;
  }
  WipeBytes(block, sizeof block);
  if (std::ferror(file.get()) != 0) Fail("cannot read key file '" + path + "': " + std::strerror(errno));
  RejectZeroByte(key, "key file '" + path + "'");
  return key;
}

SecretBytes ReadKeyVariable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) Fail("environment variable " + name + " (named by --key-env) is not set");
  SecretBytes key;
  const std::size_t size = std::strlen(value);
  key.Reserve(size);
  key.Append(value, size);
  return key;
}

SecretBytes TakeKeyText(char* text) {
  SecretBytes key;
  const std::size_t size = std::strlen(text);
  key.Reserve(size);
  key.Append(text, size);
  // Shortens the time the key shows in the process list; it was visible
  // until now, which --help says.
  WipeBytes(text, size);
  return key;
}

void WarnAboutLength(std::size_t size) {
  if (size == 0) {
    std::fputs("qorcrypt: warning: the key is empty\n", stderr);
  } else if (size >= kKeyLengthWraps) {
    std::fprintf(stderr,
                 "qorcrypt: warning: the key is %zu bytes; the module takes the length modulo 2^16 as a "
                 "signed number, so this key acts as a much shorter one\n",
                 size);
  } else if (size > kKeyBytesUsed) {
    std::fprintf(stderr, "qorcrypt: warning: the key is %zu bytes; only the first %zu take part\n", size,
                 kKeyBytesUsed);
  }
}

}  // namespace

SecretBytes::~SecretBytes() { WipeBytes(m_bytes.data(), m_bytes.size()); }

void SecretBytes::Append(const char* data, std::size_t size) { m_bytes.insert(m_bytes.end(), data, data + size); }

void WipeBytes(void* data, std::size_t size) noexcept {
  volatile unsigned char* bytes = static_cast<volatile unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = 0;
}

SecretBytes LoadKey(const Options& options) {
  SecretBytes key;
  switch (options.keySource) {
    case KeySource::kFile:
      key = ReadKeyFile(options.keyArgument);
      break;
    case KeySource::kEnvironment:
      key = ReadKeyVariable(options.keyArgument);
      break;
    case KeySource::kText:
      key = TakeKeyText(options.keyText);
      break;
    case KeySource::kNone:
      throw ToolError(ExitStatus::kUsage, "no key given");
  }
  WarnAboutLength(key.Size());
  return key;
}

}  // namespace qorcrypt
