// A key held by a session: a zero-terminated byte string whose bytes are
// wiped whenever its storage is released or replaced.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qor {

class CKeyString {
 public:
  CKeyString() noexcept = default;
  CKeyString(const CKeyString& other);
  CKeyString(CKeyString&& other) noexcept;
  CKeyString& operator=(const CKeyString& other);
  CKeyString& operator=(CKeyString&& other) noexcept;
  ~CKeyString();

  // Takes the bytes before the first zero byte; null gives the empty key.
  // Strong guarantee: if memory runs out (std::bad_alloc) the old key stays.
  void Assign(const char* text);

  // Never null: the empty key is a single zero byte, which the key schedule
  // reads for a length of 0.
  const std::uint8_t* Bytes() const noexcept { return m_pBytes != nullptr ? m_pBytes : &kEmpty; }
  std::size_t Length() const noexcept { return m_nLength; }

 private:
  void AssignBytes(const std::uint8_t* bytes, std::size_t length);
  void Release() noexcept;

  static constexpr std::uint8_t kEmpty = 0;
  std::uint8_t* m_pBytes = nullptr;  // m_nLength bytes and a zero, or null when empty
  std::size_t m_nLength = 0;
};

}  // namespace qor
