// The round function and the 16-round network, inline so that the key
// expansion and the buffer loop run them without a call per block. The
// exported BlowfishF / BlowfishEncryptBlock / BlowfishDecryptBlock are thin
// wrappers over these.
//
// Not constant-time: every round indexes the S-boxes with bytes derived from
// the key and the data, so cache timing can leak them to a co-resident
// observer. The ciphertext format fixes the cipher, so this cannot be helped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cipher/blowfish.h"

namespace qor::blowfish_detail {

inline std::uint32_t RoundF(const BlowfishSchedule& s, std::uint32_t x) noexcept {
  return ((s.S[0][x >> 24] + s.S[1][(x >> 16) & 0xFFu]) ^ s.S[2][(x >> 8) & 0xFFu]) +
         s.S[3][x & 0xFFu];
}

// Runs `Lanes` independent blocks side by side through the network. One
// block's rounds form a chain of dependent table look-ups; running several
// chains interleaved lets the processor overlap their latencies. Each lane
// computes exactly what the single-block network does.
//
// Deciphering is the same network with the P-array walked backwards, so both
// directions read P through one index map: word k of the walk is P[k] forward
// and P[17 - k] backward.
//
// Two rounds per step with the halves kept in place instead of exchanged:
// after an even number of rounds the names line up again, so only the final
// exchange remains, done by storing the halves crosswise. The lanes are
// copied into locals so the compiler can keep them in registers without
// wondering whether the stores alias the schedule.
template <std::size_t Lanes, bool Backward>
inline void RunLanes(const BlowfishSchedule& s, std::uint32_t* left,
                     std::uint32_t* right) noexcept {
  const auto p = [&s](int k) { return Backward ? s.P[17 - k] : s.P[k]; };
  std::uint32_t l[Lanes];
  std::uint32_t r[Lanes];
  for (std::size_t k = 0; k < Lanes; ++k) {
    l[k] = left[k];
    r[k] = right[k];
  }
  for (int i = 0; i < 16; i += 2) {
    for (std::size_t k = 0; k < Lanes; ++k) {
      l[k] ^= p(i);
      r[k] ^= RoundF(s, l[k]);
    }
    for (std::size_t k = 0; k < Lanes; ++k) {
      r[k] ^= p(i + 1);
      l[k] ^= RoundF(s, r[k]);
    }
  }
  for (std::size_t k = 0; k < Lanes; ++k) {
    left[k] = r[k] ^ p(17);
    right[k] = l[k] ^ p(16);
  }
}

template <std::size_t Lanes>
inline void EncryptLanes(const BlowfishSchedule& s, std::uint32_t* left,
                         std::uint32_t* right) noexcept {
  RunLanes<Lanes, false>(s, left, right);
}

template <std::size_t Lanes>
inline void DecryptLanes(const BlowfishSchedule& s, std::uint32_t* left,
                         std::uint32_t* right) noexcept {
  RunLanes<Lanes, true>(s, left, right);
}

inline void EncryptHalves(const BlowfishSchedule& s, std::uint32_t& left,
                          std::uint32_t& right) noexcept {
  EncryptLanes<1>(s, &left, &right);
}

inline void DecryptHalves(const BlowfishSchedule& s, std::uint32_t& left,
                          std::uint32_t& right) noexcept {
  DecryptLanes<1>(s, &left, &right);
}

}  // namespace qor::blowfish_detail
