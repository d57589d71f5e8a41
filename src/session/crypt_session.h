// One open session: a handle and its two keys. Data calls take a copy of the
// key under the session's own lock and run the cipher on that copy, so a key
// being replaced, or the session being closed, never disturbs a call in
// progress.
#pragma once

#include <cstdint>
#include <mutex>

#include "session/key_string.h"

namespace qor {

class CCryptSession {
 public:
  explicit CCryptSession(std::int32_t nHandle) noexcept : m_nHandle(nHandle) {}
  CCryptSession(const CCryptSession&) = delete;
  CCryptSession& operator=(const CCryptSession&) = delete;
  virtual ~CCryptSession() = default;

  std::int32_t Handle() const noexcept { return m_nHandle; }

  // Both throw std::bad_alloc, leaving the key as it was, when memory runs out.
  void SetPrivateKey(const char* key);
  void SetSessionKey(const char* key);

  // The caller has checked the arguments: length 0 .. 2^31-8, input readable
  // for length bytes, both slots writable. On success the slots receive a
  // recorded output buffer and its length; on std::bad_alloc nothing is
  // written and nothing is left allocated. Return nonzero.
  std::int32_t EncryptData(const std::uint8_t* input, std::int32_t length, std::uint8_t** output,
                           std::int32_t* outLength, bool bUseSessionKey) const;
  std::int32_t DecryptData(const std::uint8_t* input, std::int32_t length, std::uint8_t** output,
                           std::int32_t* outLength, bool bUseSessionKey) const;

  // Output buffers are tied to no session; any session releases any of them.
  static std::int32_t FreeBuffer(void* buffer) noexcept;

  // Held across fork() so that no child inherits a key lock taken by a
  // thread that does not exist in the child.
  void LockKeysForFork() const { m_keyMutex.lock(); }
  void UnlockKeysAfterFork() const { m_keyMutex.unlock(); }

 private:
  CKeyString KeyForCall(bool bUseSessionKey) const;

  const std::int32_t m_nHandle;
  mutable std::mutex m_keyMutex;  // guards both key strings
  CKeyString m_strPrivateKey;
  CKeyString m_strSessionKey;
};

}  // namespace qor
