#include "session/key_string.h"

#include <cstring>
#include <utility>

#include "support/module_heap.h"
#include "support/secure_wipe.h"

namespace qor {

CKeyString::CKeyString(const CKeyString& other) { AssignBytes(other.m_pBytes, other.m_nLength); }

CKeyString::CKeyString(CKeyString&& other) noexcept
    : m_pBytes(std::exchange(other.m_pBytes, nullptr)),
      m_nLength(std::exchange(other.m_nLength, 0)) {}

CKeyString& CKeyString::operator=(const CKeyString& other) {
  if (this != &other) AssignBytes(other.m_pBytes, other.m_nLength);
  return *this;
}

CKeyString& CKeyString::operator=(CKeyString&& other) noexcept {
  if (this != &other) {
    Release();
    m_pBytes = std::exchange(other.m_pBytes, nullptr);
    m_nLength = std::exchange(other.m_nLength, 0);
  }
  return *this;
}

CKeyString::~CKeyString() { Release(); }

void CKeyString::Assign(const char* text) {
  if (text == nullptr) {
    Release();
    return;
  }
  AssignBytes(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
}

void CKeyString::AssignBytes(const std::uint8_t* bytes, std::size_t length) {
  std::uint8_t* copy = nullptr;
  if (length > 0) {
    copy = static_cast<std::uint8_t*>(HeapAllocate(length + 1));
    std::memcpy(copy, bytes, length);
    copy[length] = 0;
  }
  Release();
  m_pBytes = copy;
  m_nLength = length;
}

void CKeyString::Release() noexcept {
  if (m_pBytes != nullptr) {
    SecureWipe(m_pBytes, m_nLength);
    HeapRelease(m_pBytes);
  }
  m_pBytes = nullptr;
  m_nLength = 0;
}

}  // namespace qor
