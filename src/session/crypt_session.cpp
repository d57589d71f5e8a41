#include "session/crypt_session.h"

#include <cstring>
#include <memory>

#include "cipher/blowfish.h"
#include "session/output_buffers.h"
#include "support/block_rounding.h"
#include "support/module_heap.h"

namespace qor {
namespace {

struct HeapReleaser {
  void operator()(std::uint8_t* block) const noexcept { HeapRelease(block); }
};
using HeapBlock = std::unique_ptr<std::uint8_t[], HeapReleaser>;

HeapBlock AllocateOutput(std::size_t size) {
  return HeapBlock(static_cast<std::uint8_t*>(HeapAllocate(size)));
}

// The buffer is recorded before the host's slots are written, so a host that
// sees an address can always give it back.
std::int32_t HandOut(HeapBlock buffer, std::int32_t length, std::uint8_t** output,
                     std::int32_t* outLength) {
  g_outputBuffers.Record(buffer.get());
  *output = buffer.release();
  *outLength = length;
  return 1;
}

// The cipher takes the key length as a 32-bit count and keeps its low 16
// bits; the conversion keeps the low 32 bits of longer keys the same way.
std::int32_t CipherKeyLength(const CKeyString& key) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(key.Length()));
}

}  // namespace

void CCryptSession::SetPrivateKey(const char* key) {
  std::lock_guard lock(m_keyMutex);
  m_strPrivateKey.Assign(key);
}

void CCryptSession::SetSessionKey(const char* key) {
  std::lock_guard lock(m_keyMutex);
  m_strSessionKey.Assign(key);
}

CKeyString CCryptSession::KeyForCall(bool bUseSessionKey) const {
  std::lock_guard lock(m_keyMutex);
  return bUseSessionKey ? m_strSessionKey : m_strPrivateKey;
}

std::int32_t CCryptSession::EncryptData(const std::uint8_t* input, std::int32_t length,
                                        std::uint8_t** output, std::int32_t* outLength,
                                        bool bUseSessionKey) const {
  const CKeyString key = KeyForCall(bUseSessionKey);
  const std::uint32_t rounded = RoundUpToBlock(length);
  HeapBlock buffer = AllocateOutput(rounded);
  // Zero first: the tail of the last block is part of the ciphertext format.
  std::memset(buffer.get(), 0, rounded);
  if (length > 0) std::memcpy(buffer.get(), input, static_cast<std::size_t>(length));
  const std::uint32_t produced = BlowfishEncryptBuffer(
      buffer.get(), static_cast<std::int32_t>(rounded), key.Bytes(), CipherKeyLength(key));
  return HandOut(std::move(buffer), static_cast<std::int32_t>(produced), output, outLength);
}

std::int32_t CCryptSession::DecryptData(const std::uint8_t* input, std::int32_t length,
                                        std::uint8_t** output, std::int32_t* outLength,
                                        bool bUseSessionKey) const {
  const CKeyString key = KeyForCall(bUseSessionKey);
  const auto size = static_cast<std::size_t>(length);
  HeapBlock buffer = AllocateOutput(size + kBlockSize);
  if (size > 0) std::memcpy(buffer.get(), input, size);
  // A length that is not a whole number of blocks makes the last block reach
  // past the input; zeros there make the result depend on the input alone.
  std::memset(buffer.get() + size, 0, kBlockSize);
  const std::int32_t produced =
      BlowfishDecryptBuffer(buffer.get(), length, key.Bytes(), CipherKeyLength(key));
  return HandOut(std::move(buffer), produced, output, outLength);
}

std::int32_t CCryptSession::FreeBuffer(void* buffer) noexcept {
  if (buffer == nullptr) return 0;
  return g_outputBuffers.Release(buffer) ? 1 : 0;
}

}  // namespace qor
