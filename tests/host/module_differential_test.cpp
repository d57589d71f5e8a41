// Whole encrypt and decrypt calls through the loaded module against an
// independent implementation of the cipher (OpenSSL's Blowfish steered into
// this variant's schedule), over a table of keys and lengths.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "openssl_oracle.h"
#include "qor_module.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct KeyRow {
  const char* what;
  std::string key;
};

std::string KeyOf(std::size_t length, std::uint8_t first, std::uint8_t step) {
  std::string key(length, '\0');
  for (std::size_t i = 0; i < length; ++i) {
    key[i] = static_cast<char>(1 + (first + i * step) % 255);  // never a zero byte
  }
  return key;
}

Bytes Call(const qor::host::EntryPoints& fn, sCRYPT_EncryptData_fn call, std::int32_t handle,
           const Bytes& input, std::int32_t* reported) {
  std::uint8_t* buffer = nullptr;
  if (call(handle, input.data(), static_cast<std::int32_t>(input.size()), &buffer, reported) == 0) return {};
  Bytes out(buffer, buffer + (input.size() + 7) / 8 * 8);
  EXPECT_EQ(fn.FreeBuffer(handle, buffer), 1);
  return out;
}

TEST(ModuleDifferentialTest, DataCallsMatchTheIndependentCipher) {
  qor::host::LoadedModule module;
  ASSERT_TRUE(module.Load(QOR_MODULE_PATH)) << module.Error();
  const auto& fn = module.Fn();

  const KeyRow keys[] = {
      {"empty", ""},
      {"1 byte", KeyOf(1, 7, 1)},
      {"3 bytes", KeyOf(3, 40, 3)},
      {"8 bytes", KeyOf(8, 90, 5)},
      {"56 bytes", KeyOf(56, 3, 11)},
      {"72 bytes", KeyOf(72, 200, 7)},
      {"73 bytes", KeyOf(73, 200, 7)},
      {"100 bytes", KeyOf(100, 13, 13)},
      {"0xFF bytes", std::string(16, '\xFF')},
      {"high bytes", std::string("\x80\x81\xFE\xC3\xA9")},
  };
  const std::size_t lengths[] = {0, 1, 7, 8, 9, 15, 16, 17, 31, 32, 33, 4096 + 5};
  std::mt19937 random(2026);
  for (const KeyRow& row : keys) {
    BF_KEY oracle;
    qor::test::OracleSetKey(&oracle, reinterpret_cast<const std::uint8_t*>(row.key.c_str()),
                            static_cast<std::int32_t>(row.key.size()));
    const std::int32_t handle = fn.Open();
    ASSERT_NE(fn.InitialisePrivateKey(handle, row.key.c_str()), 0);
    for (const std::size_t length : lengths) {
      SCOPED_TRACE(std::string(row.what) + " key, " + std::to_string(length) + " bytes");
      Bytes plain(length);
      for (auto& byte : plain) byte = static_cast<std::uint8_t>(random());
      std::int32_t reported = 0;

      const Bytes cipher = Call(fn, fn.EncryptData, handle, plain, &reported);
      EXPECT_EQ(cipher, qor::test::OracleEncrypt(oracle, plain.data(), plain.size()));

      // Arbitrary whole blocks decipher as the oracle says, in a buffer
      // whose last 8 bytes are zero.
      Bytes blocks(cipher.size());
      for (auto& byte : blocks) byte = static_cast<std::uint8_t>(random());
      Bytes expected = qor::test::OracleDecrypt(oracle, blocks.data(), blocks.size());
      expected.resize(blocks.size() + 8, 0);
      std::uint8_t* buffer = nullptr;
      ASSERT_NE(fn.DecryptData(handle, blocks.data(), static_cast<std::int32_t>(blocks.size()), &buffer, &reported), 0);
      EXPECT_EQ(Bytes(buffer, buffer + expected.size()), expected);
      EXPECT_EQ(reported, static_cast<std::int32_t>(blocks.size()));
      EXPECT_EQ(fn.FreeBuffer(handle, buffer), 1);
    }
    fn.Close(handle);
  }
}

}  // namespace
