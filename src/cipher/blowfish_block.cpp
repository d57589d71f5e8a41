#include "cipher/blowfish.h"
#include "cipher/blowfish_rounds.h"

namespace qor {

std::uint32_t BlowfishF(const BlowfishSchedule* schedule, std::uint32_t x) {
  return blowfish_detail::RoundF(*schedule, x);
}

void BlowfishEncryptBlock(const BlowfishSchedule* schedule, std::uint32_t& left,
                          std::uint32_t& right) {
  blowfish_detail::EncryptHalves(*schedule, left, right);
}

void BlowfishDecryptBlock(const BlowfishSchedule* schedule, std::uint32_t& left,
                          std::uint32_t& right) {
  blowfish_detail::DecryptHalves(*schedule, left, right);
}

}  // namespace qor
