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

// Blocks in flight at once in the bulk loop; a buffer's last few blocks
// go one at a time.
constexpr std::size_t kLanes = 4;
constexpr auto kBlockBytes = static_cast<std::size_t>(kBlockSize);

struct Encipher {
  template <std::size_t Lanes>
  static void Run(const BlowfishSchedule& s, std::uint32_t* l, std::uint32_t* r) noexcept {
    blowfish_detail::EncryptLanes<Lanes>(s, l, r);
  }
};

struct Decipher {
  template <std::size_t Lanes>
  static void Run(const BlowfishSchedule& s, std::uint32_t* l, std::uint32_t* r) noexcept {
    blowfish_detail::DecryptLanes<Lanes>(s, l, r);
  }
};

// The one loop over the blocks of a buffer. Blocks are independent (no
// chaining), so groups of them go through the network side by side.
template <class Direction, std::size_t Lanes>
std::uint8_t* CryptGroups(const BlowfishSchedule& schedule, std::uint8_t* data,
                          std::size_t groups, std::uint32_t* left, std::uint32_t* right) {
  for (std::size_t g = 0; g < groups; ++g, data += Lanes * kBlockBytes) {
    for (std::size_t k = 0; k < Lanes; ++k) {
      left[k] = LoadLittleEndian(data + k * kBlockBytes);
      right[k] = LoadLittleEndian(data + k * kBlockBytes + 4);
    }
    Direction::template Run<Lanes>(schedule, left, right);
    for (std::size_t k = 0; k < Lanes; ++k) {
      StoreLittleEndian(data + k * kBlockBytes, left[k]);
      StoreLittleEndian(data + k * kBlockBytes + 4, right[k]);
    }
  }
  return data;
}

template <class Direction>
void CryptBlocks(const BlowfishSchedule& schedule, std::uint8_t* data, std::size_t blocks) {
  std::uint32_t left[kLanes] = {};
  std::uint32_t right[kLanes] = {};
  data = CryptGroups<Direction, kLanes>(schedule, data, blocks / kLanes, left, right);
  CryptGroups<Direction, 1>(schedule, data, blocks % kLanes, left, right);
  SecureWipe(left, sizeof left);
  SecureWipe(right, sizeof right);
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
    const auto blocks = length / kBlockBytes;
    if (mode == kModeEncrypt) {
      // Zero the tail of the last block so the ciphertext never carries
      // whatever the caller left there; rounded > 0 implies count >= 1.
      const auto used = static_cast<std::size_t>(count);
      std::memset(data + used, 0, length - used);
      CryptBlocks<Encipher>(schedule, data, blocks);
    } else {
      CryptBlocks<Decipher>(schedule, data, blocks);
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
