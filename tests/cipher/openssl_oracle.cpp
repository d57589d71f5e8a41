#include "openssl_oracle.h"

#include <algorithm>

#include "published_p_array.h"

namespace qor::test {
namespace {

constexpr std::size_t kKeyBytesUsed = 72;

// Written from the rule, not from the module's code: the k-th key byte used
// is key[k mod n] for a 16-bit signed length n >= 1, and key[0] otherwise.
std::uint8_t VariantKeyByte(const std::uint8_t* key, std::int32_t keyLength, std::size_t k) {
  std::int32_t n = keyLength & 0xFFFF;
  if (n >= 0x8000) n -= 0x10000;
  if (n < 1) return key[0];
  return key[k % static_cast<std::size_t>(n)];
}

std::uint32_t LoadLittleEndian(const std::uint8_t* p) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

void StoreLittleEndian(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i, v >>= 8) p[i] = static_cast<std::uint8_t>(v & 0xFF);
}

template <class Cipher>
void CryptBlocks(std::vector<std::uint8_t>& data, Cipher cipher) {
  for (std::size_t at = 0; at < data.size(); at += 8) {
    BF_LONG halves[2] = {LoadLittleEndian(&data[at]), LoadLittleEndian(&data[at + 4])};
    cipher(halves);
    StoreLittleEndian(&data[at], static_cast<std::uint32_t>(halves[0]));
    StoreLittleEndian(&data[at + 4], static_cast<std::uint32_t>(halves[1]));
  }
}

}  // namespace

void OracleSetKey(BF_KEY* out, const std::uint8_t* key, std::int32_t keyLength) {
  unsigned char steered[kKeyBytesUsed];
  for (std::size_t j = 0; j < 18; ++j) {
    std::uint32_t word = 0;
    for (std::size_t b = 0; b < 4; ++b) word = word << 8 | VariantKeyByte(key, keyLength, 4 * j + b);
    word ^= kPublishedInitialP[j];
    for (std::size_t b = 0; b < 4; ++b) {
      steered[4 * j + b] = static_cast<unsigned char>(word >> (24 - 8 * b));
    }
  }
  BF_set_key(out, static_cast<int>(kKeyBytesUsed), steered);
}

std::vector<std::uint8_t> OracleEncrypt(const BF_KEY& key, const std::uint8_t* plain,
                                        std::size_t count) {
  std::vector<std::uint8_t> data((count + 7) / 8 * 8, 0);
  std::copy(plain, plain + count, data.begin());
  CryptBlocks(data, [&key](BF_LONG* halves) { BF_encrypt(halves, &key); });
  return data;
}

std::vector<std::uint8_t> OracleDecrypt(const BF_KEY& key, const std::uint8_t* cipher,
                                        std::size_t length) {
  std::vector<std::uint8_t> data(cipher, cipher + length);
  CryptBlocks(data, [&key](BF_LONG* halves) { BF_decrypt(halves, &key); });
  return data;
}

}  // namespace qor::test
