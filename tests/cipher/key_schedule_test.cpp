// Key schedule properties that do not need the OpenSSL oracle.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "cipher/blowfish.h"

namespace qor {
namespace {

bool SameSchedule(const BlowfishSchedule& a, const BlowfishSchedule& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(CipherKeySchedule, InitialSBoxesStartAndEndWithThePublishedWords) {
  EXPECT_EQ(kBlowfishInitialSBoxes[0][0], 0xd1310ba6u);
  EXPECT_EQ(kBlowfishInitialSBoxes[3][255], 0x3ac372e6u);
}

// The schedule of each key equals that of a 72-byte key that spells out the
// bytes the rule says are used: `period` bytes of the base key, repeated.
struct EquivalentKey {
  const char* name;
  std::int16_t length;
  std::size_t period;
};

constexpr EquivalentKey kEquivalentKeys[] = {
    {"length 0 repeats the first byte", 0, 1},
    {"length -1 repeats the first byte", -1, 1},
    {"most negative length repeats the first byte", std::numeric_limits<std::int16_t>::min(), 1},
    {"1 byte", 1, 1},
    {"3 bytes, index running on across words", 3, 3},
    {"8 bytes", 8, 8},
    {"73 bytes, the 73rd unread", 73, 72},
    {"100 bytes", 100, 72},
    {"largest 16-bit length", std::numeric_limits<std::int16_t>::max(), 72},
};

TEST(CipherKeySchedule, KeyLengthSelectsTheBytesUsed) {
  std::mt19937 rng(3);
  std::vector<std::uint8_t> base(100);
  for (auto& b : base) b = static_cast<std::uint8_t>(rng());
  base[0] = 0x9C;  // a high-bit byte where length <= 0 reads it 72 times
  for (const EquivalentKey& c : kEquivalentKeys) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> spelled(72);
    for (std::size_t k = 0; k < spelled.size(); ++k) spelled[k] = base[k % c.period];
    BlowfishSchedule expected;
    BlowfishSetKey(&expected, spelled.data(), 72);
    BlowfishSchedule actual;
    BlowfishSetKey(&actual, base.data(), c.length);
    EXPECT_TRUE(SameSchedule(actual, expected));
  }
}

TEST(CipherKeySchedule, EmptyKeyEqualsSeventyTwoZeroBytes) {
  const std::uint8_t terminator = 0;
  const std::vector<std::uint8_t> zeros(72, 0);
  BlowfishSchedule empty;
  BlowfishSetKey(&empty, &terminator, 0);
  BlowfishSchedule expected;
  BlowfishSetKey(&expected, zeros.data(), 72);
  EXPECT_TRUE(SameSchedule(empty, expected));
}

TEST(CipherKeySchedule, PreviousContentsOfTheStorageDoNotMatter) {
  const std::uint8_t key[] = {'k', 'e', 'y', 0xFF, 0x80, 0x01};
  auto zeroed = std::make_unique<BlowfishSchedule>();
  std::memset(zeroed.get(), 0, sizeof *zeroed);
  BlowfishSetKey(zeroed.get(), key, sizeof key);

  std::mt19937 rng(4);
  auto garbage = std::make_unique<BlowfishSchedule>();
  for (auto& word : garbage->P) word = static_cast<std::uint32_t>(rng());
  for (auto& box : garbage->S)
    for (auto& word : box) word = static_cast<std::uint32_t>(rng());
  BlowfishSetKey(garbage.get(), key, sizeof key);
  EXPECT_TRUE(SameSchedule(*garbage, *zeroed));

  // Refilling a ready schedule with another key and then the first one again
  // leaves nothing of the other key behind.
  const std::uint8_t other[] = {1, 2, 3};
  BlowfishSetKey(garbage.get(), other, sizeof other);
  BlowfishSetKey(garbage.get(), key, sizeof key);
  EXPECT_TRUE(SameSchedule(*garbage, *zeroed));
}

}  // namespace
}  // namespace qor
