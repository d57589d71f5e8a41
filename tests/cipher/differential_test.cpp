// The module's cipher against OpenSSL's Blowfish steered into the variant
// (openssl_oracle.h): the key schedule word for word, and whole buffers in
// both directions, over key lengths that exercise every rule of the key
// handling and data lengths around the block size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "cipher/blowfish.h"
#include "openssl_oracle.h"
#include "random_bytes.h"

namespace qor {
namespace {

using qor::test::RandomBytes;

enum class KeyFill { kRandom, kAllFF, kZeroFirst };

struct KeyCase {
  const char* name;
  std::int32_t length;  // as the buffer routines take it
  KeyFill fill;
};

constexpr KeyCase kKeys[] = {
    {"empty, first byte the terminator", 0, KeyFill::kZeroFirst},
    {"empty, first byte nonzero", 0, KeyFill::kRandom},
    {"1 byte", 1, KeyFill::kRandom},
    {"3 bytes, index runs on across words", 3, KeyFill::kRandom},
    {"8 bytes", 8, KeyFill::kRandom},
    {"56 bytes", 56, KeyFill::kRandom},
    {"72 bytes", 72, KeyFill::kRandom},
    {"73 bytes", 73, KeyFill::kRandom},
    {"100 bytes", 100, KeyFill::kRandom},
    {"2^15 - 1, largest positive 16-bit", 0x7FFF, KeyFill::kRandom},
    {"2^15, negative as 16 bits", 0x8000, KeyFill::kRandom},
    {"2^16 - 1, -1 as 16 bits", 0xFFFF, KeyFill::kRandom},
    {"2^16, zero as 16 bits", 0x10000, KeyFill::kRandom},
    {"2^16 + 3, three as 16 bits", 0x10003, KeyFill::kRandom},
    {"-1", -1, KeyFill::kRandom},
    {"INT32_MIN", std::numeric_limits<std::int32_t>::min(), KeyFill::kRandom},
    {"8 bytes 0xFF", 8, KeyFill::kAllFF},
    {"72 bytes 0xFF", 72, KeyFill::kAllFF},
    {"5 bytes 0xFF", 5, KeyFill::kAllFF},
};

constexpr std::int32_t kCounts[] = {0, 1, 7, 8, 9, 15, 16, 17, 63, 64, 65, 65536 + 5};

// The bytes the key schedule may read for a given length, and not one more:
// the key lives in a heap block of exactly this size so that AddressSanitizer
// reports any read past it.
std::size_t ReadableKeyBytes(std::int32_t length) {
  const auto low16 = static_cast<std::int16_t>(length);
  return static_cast<std::size_t>(std::clamp<int>(low16, 1, 72));
}

std::vector<std::uint8_t> MakeKey(const KeyCase& c, std::mt19937& rng) {
  std::vector<std::uint8_t> key(ReadableKeyBytes(c.length));
  for (auto& b : key) b = c.fill == KeyFill::kAllFF ? 0xFF : static_cast<std::uint8_t>(rng() | 1u);
  if (c.fill == KeyFill::kZeroFirst) key[0] = 0;
  return key;
}

TEST(CipherDifferential, KeyScheduleEqualsOpenSslSteeredSchedule) {
  std::mt19937 rng(1);
  for (const KeyCase& c : kKeys) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> key = MakeKey(c, rng);
    BF_KEY expected;
    test::OracleSetKey(&expected, key.data(), c.length);
    BlowfishSchedule actual;
    BlowfishSetKey(&actual, key.data(), static_cast<std::int16_t>(c.length));

    EXPECT_TRUE(std::equal(std::begin(actual.P), std::end(actual.P), std::begin(expected.P)));
    const std::uint32_t* s = &actual.S[0][0];
    EXPECT_TRUE(std::equal(s, s + 1024, std::begin(expected.S)));
  }
}

TEST(CipherDifferential, BlockOperationsMatchOpenSsl) {
  struct Halves {
    const char* name;
    std::uint32_t left, right;
  };
  constexpr Halves kHalves[] = {
      {"all zero", 0, 0},
      {"all ones", 0xFFFFFFFFu, 0xFFFFFFFFu},
      {"left 1", 1, 0},
      {"right high bit", 0, 0x80000000u},
      {"mixed", 0x01234567u, 0x89ABCDEFu},
  };
  const std::uint8_t key[] = {0x51, 0x6F, 0x72, 0xFE, 0x00, 0x80, 0x7F};
  BF_KEY oracle;
  test::OracleSetKey(&oracle, key, sizeof key);
  BlowfishSchedule schedule;
  BlowfishSetKey(&schedule, key, sizeof key);
  for (const Halves& h : kHalves) {
    SCOPED_TRACE(h.name);
    BF_LONG expected[2] = {h.left, h.right};
    BF_encrypt(expected, &oracle);
    std::uint32_t left = h.left;
    std::uint32_t right = h.right;
    BlowfishEncryptBlock(&schedule, left, right);
    EXPECT_EQ(left, expected[0]);
    EXPECT_EQ(right, expected[1]);

    BF_decrypt(expected, &oracle);
    BlowfishDecryptBlock(&schedule, left, right);
    EXPECT_EQ(left, expected[0]);
    EXPECT_EQ(right, expected[1]);
    EXPECT_EQ(left, h.left);
    EXPECT_EQ(right, h.right);
  }
}

TEST(CipherDifferential, BuffersMatchOpenSslInBothDirections) {
  std::mt19937 rng(2);
  for (const KeyCase& k : kKeys) {
    const std::vector<std::uint8_t> key = MakeKey(k, rng);
    BF_KEY oracle;
    test::OracleSetKey(&oracle, key.data(), k.length);
    for (const std::int32_t count : kCounts) {
      SCOPED_TRACE(std::string(k.name) + ", count " + std::to_string(count));
      const auto n = static_cast<std::size_t>(count);
      const std::vector<std::uint8_t> plain = RandomBytes(n, rng);
      const std::vector<std::uint8_t> expected = test::OracleEncrypt(oracle, plain.data(), n);

      // Exactly the rounded size, with junk in the tail that must not leak
      // into the ciphertext.
      std::vector<std::uint8_t> buffer(expected.size(), 0xC5);
      std::copy(plain.begin(), plain.end(), buffer.begin());
      EXPECT_EQ(BlowfishEncryptBuffer(buffer.data(), count, key.data(), k.length),
                expected.size());
      EXPECT_EQ(buffer, expected);

      // Arbitrary bytes decipher as OpenSSL does, over the whole rounded
      // length even for an uneven count: decryption zeroes nothing.
      const std::vector<std::uint8_t> noise = RandomBytes(expected.size(), rng);
      buffer = noise;
      BlowfishDecryptBuffer(buffer.data(), count, key.data(), k.length);
      EXPECT_EQ(buffer, test::OracleDecrypt(oracle, noise.data(), noise.size()));
    }
  }
}

}  // namespace
}  // namespace qor
