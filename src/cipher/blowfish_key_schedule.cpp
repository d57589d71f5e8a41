#include <cstring>

#include "cipher/blowfish.h"
#include "cipher/blowfish_rounds.h"

namespace qor {

std::int16_t BlowfishSetKey(BlowfishSchedule* schedule, const std::uint8_t* key,
                            std::int16_t keyLength) {
  BlowfishSchedule& s = *schedule;
  std::memcpy(s.S, kBlowfishInitialSBoxes, sizeof s.S);

  // The P-array starts at zero, not at pi as in published Blowfish, so each
  // P word is simply the key word. Key words are big-endian and the byte index
  // runs on across words; the signed compare makes a length <= 0 reuse key[0]
  // for every byte, which is why key[0] must be readable even for length 0.
  const int n = keyLength;
  int i = 0;
  for (std::uint32_t& p : s.P) {
    std::uint32_t word = 0;
    for (int b = 0; b < 4; ++b) {
      word = (word << 8) | key[i];
      if (++i >= n) i = 0;
    }
    p = word;
  }

  // Each encipherment sees every word stored before it, so the expansion
  // must run in this exact order over the live schedule.
  std::uint32_t left = 0;
  std::uint32_t right = 0;
  for (int j = 0; j < 18; j += 2) {
    blowfish_detail::EncryptHalves(s, left, right);
    s.P[j] = left;
    s.P[j + 1] = right;
  }
  for (auto& box : s.S) {
    for (int j = 0; j < 256; j += 2) {
      blowfish_detail::EncryptHalves(s, left, right);
      box[j] = left;
      box[j + 1] = right;
    }
  }
  return 0;
}

}  // namespace qor
