// The round function and the 16-round network, inline so that the key
// expansion and the buffer loop run them without a call per block. The
// exported BlowfishF / BlowfishEncryptBlock / BlowfishDecryptBlock are thin
// wrappers over these.
//
// Not constant-time: every round indexes the S-boxes with bytes derived from
// the key and the data, so cache timing can leak them to a co-resident
// observer. The ciphertext format fixes the cipher, so this cannot be helped.
#pragma once

#include <cstdint>

#include "cipher/blowfish.h"

namespace qor::blowfish_detail {

inline std::uint32_t RoundF(const BlowfishSchedule& s, std::uint32_t x) noexcept {
  return ((s.S[0][x >> 24] + s.S[1][(x >> 16) & 0xFFu]) ^ s.S[2][(x >> 8) & 0xFFu]) +
         s.S[3][x & 0xFFu];
}

// Two rounds per step with the halves kept in place instead of exchanged:
// after an even number of rounds the names line up again, so only the final
// exchange remains, done by storing the halves crosswise.
inline void EncryptHalves(const BlowfishSchedule& s, std::uint32_t& left,
                          std::uint32_t& right) noexcept {
  std::uint32_t l = left;
  std::uint32_t r = right;
  for (int i = 0; i < 16; i += 2) {
    l ^= s.P[i];
    r ^= RoundF(s, l);
    r ^= s.P[i + 1];
    l ^= RoundF(s, r);
  }
  left = r ^ s.P[17];
  right = l ^ s.P[16];
}

inline void DecryptHalves(const BlowfishSchedule& s, std::uint32_t& left,
                          std::uint32_t& right) noexcept {
  std::uint32_t l = left;
  std::uint32_t r = right;
  for (int i = 17; i > 1; i -= 2) {
    l ^= s.P[i];
    r ^= RoundF(s, l);
    r ^= s.P[i - 1];
    l ^= RoundF(s, r);
  }
  left = r ^ s.P[0];
  right = l ^ s.P[1];
}

}  // namespace qor::blowfish_detail
