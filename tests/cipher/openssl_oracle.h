// A reference implementation of the module's cipher that shares no code with
// it: OpenSSL's published Blowfish, steered into the variant's schedule.
//
// The variant differs from published Blowfish only in the P-array's starting
// value (zero instead of pi), and both XOR the key words into that start
// before the expansion. So handing OpenSSL a 72-byte key whose words are
// (our key word j) XOR (published initial P[j]) makes BF_set_key produce our
// schedule exactly; BF_encrypt / BF_decrypt then run our block cipher.
#pragma once

#include <openssl/blowfish.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qor::test {

// `keyLength` is the 32-bit count the buffer routines take; its low 16 bits,
// read as a signed number, decide which key bytes are used.
void OracleSetKey(BF_KEY* out, const std::uint8_t* key, std::int32_t keyLength);

// Zero-fills the plaintext to whole blocks and enciphers each block, read as
// two little-endian halves.
std::vector<std::uint8_t> OracleEncrypt(const BF_KEY& key, const std::uint8_t* plain,
                                        std::size_t count);

// Deciphers whole blocks; `length` must be a multiple of 8.
std::vector<std::uint8_t> OracleDecrypt(const BF_KEY& key, const std::uint8_t* cipher,
                                        std::size_t length);

}  // namespace qor::test
