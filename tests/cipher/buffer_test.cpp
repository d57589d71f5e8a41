// Properties of the buffer routines that catch faults the known answers
// might miss: writes outside the rounded length, the byte order of the
// halves, the result lengths and the counts that must write nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "cipher/blowfish.h"
#include "random_bytes.h"

namespace qor {
namespace {

using qor::test::RandomBytes;

constexpr std::uint8_t kKey[] = {'b', 'u', 'f', 'f', 'e', 'r', ' ', 0xE9, 0x00};
constexpr std::int32_t kKeyLength = 8;

std::size_t Rounded(std::int32_t count) {
  return (static_cast<std::size_t>(count) + 7) / 8 * 8;
}

TEST(CipherBuffer, DecryptUndoesEncryptForEveryCountUpTo40) {
  std::mt19937 rng(5);
  for (std::int32_t count = 0; count <= 40; ++count) {
    SCOPED_TRACE("count " + std::to_string(count));
    const std::size_t rounded = Rounded(count);
    std::vector<std::uint8_t> buffer = RandomBytes(rounded, rng);
    std::vector<std::uint8_t> expected(buffer.begin(), buffer.begin() + count);
    expected.resize(rounded, 0);

    EXPECT_EQ(BlowfishEncryptBuffer(buffer.data(), count, kKey, kKeyLength), rounded);
    if (count > 0) {
      EXPECT_NE(buffer, expected);
    }
    EXPECT_EQ(BlowfishDecryptBuffer(buffer.data(), static_cast<std::int32_t>(rounded), kKey,
                                    kKeyLength),
              static_cast<std::int32_t>(rounded));
    EXPECT_EQ(buffer, expected);
  }
}

TEST(CipherBuffer, NothingAtOrBeyondTheRoundedLengthIsWritten) {
  constexpr std::int32_t kModes[] = {0, 1, 2, -1};
  constexpr std::size_t kGuard = 16;
  std::mt19937 rng(6);
  for (const std::int32_t mode : kModes) {
    for (std::int32_t count = 0; count <= 40; ++count) {
      SCOPED_TRACE("mode " + std::to_string(mode) + ", count " + std::to_string(count));
      const std::size_t rounded = Rounded(count);

      // An exact-size heap block, so AddressSanitizer flags a one-byte overrun.
      auto exact = std::make_unique<std::uint8_t[]>(rounded);
      std::fill_n(exact.get(), rounded, std::uint8_t{0x5A});
      EXPECT_EQ(BlowfishCryptBuffer(exact.get(), count, kKey, kKeyLength, mode), 0);

      // And a guard after the rounded length, for builds without it.
      std::vector<std::uint8_t> guarded = RandomBytes(rounded + kGuard, rng);
      const std::vector<std::uint8_t> before = guarded;
      BlowfishCryptBuffer(guarded.data(), count, kKey, kKeyLength, mode);
      EXPECT_TRUE(std::equal(guarded.begin() + static_cast<std::ptrdiff_t>(rounded),
                             guarded.end(), before.begin() + static_cast<std::ptrdiff_t>(rounded)));
    }
  }
}

TEST(CipherBuffer, ModesOtherThanZeroAndOneLeaveTheBufferUnchanged) {
  constexpr std::int32_t kModes[] = {2, 3, -1, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max()};
  std::mt19937 rng(7);
  for (const std::int32_t mode : kModes) {
    for (const std::int32_t count : {1, 8, 17, 40}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + ", count " + std::to_string(count));
      std::vector<std::uint8_t> buffer = RandomBytes(Rounded(count), rng);
      const std::vector<std::uint8_t> before = buffer;
      EXPECT_EQ(BlowfishCryptBuffer(buffer.data(), count, kKey, kKeyLength, mode), 0);
      EXPECT_EQ(buffer, before);
    }
  }
}

// Data halves are little-endian: byte 0 of a block is the low byte of the left
// half, byte 4 the low byte of the right half.
TEST(CipherBuffer, BlockBytesAreTwoLittleEndianHalves) {
  struct Case {
    const char* name;
    std::uint8_t block[8];
    std::uint32_t left, right;
  };
  constexpr Case kCases[] = {
      {"01 00 00 00 00 00 00 00", {1, 0, 0, 0, 0, 0, 0, 0}, 1, 0},
      {"00 00 00 01 00 00 00 00", {0, 0, 0, 1, 0, 0, 0, 0}, 0x01000000u, 0},
      {"00 00 00 00 01 00 00 00", {0, 0, 0, 0, 1, 0, 0, 0}, 0, 1},
      {"01 02 03 04 05 06 07 08", {1, 2, 3, 4, 5, 6, 7, 8}, 0x04030201u, 0x08070605u},
  };
  BlowfishSchedule schedule;
  BlowfishSetKey(&schedule, kKey, kKeyLength);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::uint32_t left = c.left;
    std::uint32_t right = c.right;
    BlowfishEncryptBlock(&schedule, left, right);
    const std::uint8_t expected[8] = {
        static_cast<std::uint8_t>(left),        static_cast<std::uint8_t>(left >> 8),
        static_cast<std::uint8_t>(left >> 16),  static_cast<std::uint8_t>(left >> 24),
        static_cast<std::uint8_t>(right),       static_cast<std::uint8_t>(right >> 8),
        static_cast<std::uint8_t>(right >> 16), static_cast<std::uint8_t>(right >> 24)};

    std::uint8_t buffer[8];
    std::copy(std::begin(c.block), std::end(c.block), buffer);
    BlowfishEncryptBuffer(buffer, 8, kKey, kKeyLength);
    EXPECT_TRUE(std::equal(std::begin(buffer), std::end(buffer), std::begin(expected)));
  }
}

TEST(CipherBuffer, SameKeyGivesSameOutputWhateverCameBetween) {
  std::mt19937 rng(8);
  const std::vector<std::uint8_t> plain = RandomBytes(24, rng);
  std::vector<std::uint8_t> first = plain;
  BlowfishEncryptBuffer(first.data(), 24, kKey, kKeyLength);

  // Other keys, lengths and modes in between must leave no trace.
  const std::uint8_t otherKey[] = {0xFF, 0xFE, 0xFD, 0xFC, 0xFB};
  std::vector<std::uint8_t> scratch = RandomBytes(64, rng);
  BlowfishEncryptBuffer(scratch.data(), 61, otherKey, 5);
  BlowfishDecryptBuffer(scratch.data(), 64, otherKey, 3);
  BlowfishCryptBuffer(scratch.data(), 16, otherKey, 0, 2);

  std::vector<std::uint8_t> second = plain;
  BlowfishEncryptBuffer(second.data(), 24, kKey, kKeyLength);
  EXPECT_EQ(second, first);
}

// Result lengths of both wrappers, and the counts for which neither writes
// a byte: every count whose rounded length is not positive as a signed
// number, including negative counts when enciphering.
TEST(CipherBuffer, ResultLengthsAndCountsThatWriteNothing) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  struct Case {
    std::int32_t count;
    std::uint32_t encrypted;
    std::int32_t decrypted;
    bool writesNothing;
  };
  constexpr Case kCases[] = {
      {0, 0, 0, true},
      {1, 8, 0, false},
      {3, 8, 0, false},
      {4, 8, 4, false},
      {7, 8, 4, false},
      {8, 8, 8, false},
      {9, 16, 8, false},
      {13, 16, 12, false},
      {16, 16, 16, false},
      {17, 24, 16, false},
      {-1, 0, 0, true},
      {-4, 0, -4, true},
      {-5, 0, -4, true},
      {-7, 0, -4, true},
      {-8, 0xFFFFFFF8u, -8, true},
      {-9, 0xFFFFFFF8u, -8, true},
      {kMax - 6, 0x80000000u, kMax - 7, true},
      {kMax, 0x80000000u, kMax - 3, true},
      {kMin, 0x80000000u, kMin, true},
  };
  // The buffer starts in the middle of the storage, so writes in front of it
  // (as zero-filling from a negative count would do) show up as well.
  constexpr std::ptrdiff_t kOffset = 32;
  std::mt19937 rng(9);
  for (const Case& c : kCases) {
    SCOPED_TRACE("count " + std::to_string(c.count));
    const std::vector<std::uint8_t> original = RandomBytes(96, rng);

    std::vector<std::uint8_t> storage = original;
    EXPECT_EQ(BlowfishEncryptBuffer(storage.data() + kOffset, c.count, kKey, kKeyLength),
              c.encrypted);
    if (c.writesNothing) {
      EXPECT_EQ(storage, original);
    }

    storage = original;
    EXPECT_EQ(BlowfishDecryptBuffer(storage.data() + kOffset, c.count, kKey, kKeyLength),
              c.decrypted);
    if (c.writesNothing) {
      EXPECT_EQ(storage, original);
    }
  }
}

}  // namespace
}  // namespace qor
