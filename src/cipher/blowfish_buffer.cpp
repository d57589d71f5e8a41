#include <cstddef>
#include <cstring>

#include "cipher/blowfish.h"
#include "cipher/blowfish_rounds.h"
#include "support/block_rounding.h"
#include "support/secure_wipe.h"

namespace qor {
namespace {

enum : std::int32_t { kModeEncrypt = 0, kModeDecrypt = 1 };

// Data blocks are two little-endian halves, unlike the big-endian key words:
// the ciphertext format hosts have stored depends on this byte order.
std::uint32_t LoadLittleEndian(const std::uint8_t* p) noexcept {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void StoreLittleEndian(std::uint8_t* p, std::uint32_t v) noexcept {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

// The one loop over the blocks of a buffer. Blocks are independent (no
// chaining), so this is where a faster version may keep several in flight.
template <void (*Cipher)(const BlowfishSchedule&, std::uint32_t&, std::uint32_t&) noexcept>
void CryptBlocks(const BlowfishSchedule& schedule, std::uint8_t* data, std::size_t blocks) {
  std::uint32_t left = 0;
  std::uint32_t right = 0;
  for (std::size_t b = 0; b < blocks; ++b, data += kBlockSize) {
    left = LoadLittleEndian(data);
    right = LoadLittleEndian(data + 4);
    Cipher(schedule, left, right);
    StoreLittleEndian(data, left);
    StoreLittleEndian(data + 4, right);
  }
  SecureWipe(&left, sizeof left);
  SecureWipe(&right, sizeof right);
}

}  // namespace

std::int32_t BlowfishCryptBuffer(std::uint8_t* data, std::int32_t count,
                                 const std::uint8_t* key, std::int32_t keyLength,
                                 std::int32_t mode) {
  BlowfishSchedule schedule;
  // Only the low 16 bits of the length count, read as a signed number.
  BlowfishSetKey(&schedule, key, static_cast<std::int16_t>(keyLength));

  // The rounded length is tested as a signed number: counts from 2^31 - 7 up
  // round to 0x80000000 and write nothing, as do all negative counts (mode 0
  // would otherwise zero-fill bytes in front of the buffer).
  const auto rounded = static_cast<std::int32_t>(RoundUpToBlock(count));
  if (rounded > 0 && (mode == kModeEncrypt || mode == kModeDecrypt)) {
    const auto length = static_cast<std::size_t>(rounded);
    const auto blocks = length / static_cast<std::size_t>(kBlockSize);
    if (mode == kModeEncrypt) {
      // Zero the tail of the last block so the ciphertext never carries
      // whatever the caller left there; rounded > 0 implies count >= 1.
      const auto used = static_cast<std::size_t>(count);
      std::memset(data + used, 0, length - used);
      CryptBlocks<blowfish_detail::EncryptHalves>(schedule, data, blocks);
    } else {
      CryptBlocks<blowfish_detail::DecryptHalves>(schedule, data, blocks);
    }
  }

  SecureWipe(&schedule, sizeof schedule);
  return 0;
}

std::uint32_t BlowfishEncryptBuffer(std::uint8_t* data, std::int32_t count,
                                    const std::uint8_t* key, std::int32_t keyLength) {
  BlowfishCryptBuffer(data, count, key, keyLength, kModeEncrypt);
  return RoundUpToBlock(count);
}

std::int32_t BlowfishDecryptBuffer(std::uint8_t* data, std::int32_t count,
                                   const std::uint8_t* key, std::int32_t keyLength) {
  BlowfishCryptBuffer(data, count, key, keyLength, kModeDecrypt);
  // Modulo 4, not 8, and truncated toward zero: -5 gives -4. Hosts have
  // always been told this length, so it stays.
  return count - count % 4;
}

}  // namespace qor
