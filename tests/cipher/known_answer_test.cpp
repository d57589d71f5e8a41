// Replays the checked-in known answers (made by OpenSSL, see known_answers.h)
// so the engine is checked where no OpenSSL is at hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "cipher/blowfish.h"
#include "known_answers.h"

namespace qor {
namespace {

TEST(CipherKnownAnswers, EncryptAndDecryptWholeBuffers) {
  for (const test::CipherKnownAnswer& row : test::kCipherKnownAnswers) {
    SCOPED_TRACE(row.name);
    const auto plainLength = static_cast<std::size_t>(row.plaintextLength);
    const auto cipherLength = static_cast<std::size_t>(row.ciphertextLength);
    const std::vector<std::uint8_t> cipher(row.ciphertext, row.ciphertext + cipherLength);

    // Junk after the plaintext: the last block must be zero-filled anyway.
    std::vector<std::uint8_t> buffer(cipherLength, 0x3C);
    std::copy_n(row.plaintext, plainLength, buffer.begin());
    EXPECT_EQ(BlowfishEncryptBuffer(buffer.data(), row.plaintextLength, row.key, row.keyLength),
              cipherLength);
    EXPECT_EQ(buffer, cipher);

    std::vector<std::uint8_t> padded(cipherLength, 0);
    std::copy_n(row.plaintext, plainLength, padded.begin());
    EXPECT_EQ(BlowfishDecryptBuffer(buffer.data(), row.ciphertextLength, row.key, row.keyLength),
              row.ciphertextLength);
    EXPECT_EQ(buffer, padded);
  }
}

}  // namespace
}  // namespace qor
