// Long random sequences of entry-point calls, valid and invalid, checked call
// by call against a model of what the module must hold: open handles and
// their keys, the next handle, the output buffers out with their contents.
// Some calls run with an allocation made to fail; such a call may report 0,
// and then must have changed nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "cipher/blowfish.h"
#include "qor_enc1.h"
#include "session/output_buffers.h"
#include "session/session_map.h"
#include "support/block_rounding.h"
#include "support/module_heap.h"

namespace qor {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct OutBuffer {
  std::uint8_t* address;
  Bytes contents;
};

// What the module must hold, and the expected output of a data call.
struct Model {
  std::int32_t nextHandle = 0;
  std::map<std::int32_t, std::string> privateKeys;  // open sessions
  std::vector<std::int32_t> gone;                    // closed or cleared
  std::vector<OutBuffer> buffers;
  std::vector<std::uint8_t*> released;

  Bytes Encipher(const std::string& key, const Bytes& input) const {
    Bytes out(RoundUpToBlock(static_cast<std::int32_t>(input.size())), 0);
    std::copy(input.begin(), input.end(), out.begin());
    BlowfishEncryptBuffer(out.data(), static_cast<std::int32_t>(out.size()),
                          reinterpret_cast<const std::uint8_t*>(key.c_str()), static_cast<std::int32_t>(key.size()));
    return out;
  }
  Bytes Decipher(const std::string& key, const Bytes& input) const {
    Bytes out(input.size() + 8, 0);
    std::copy(input.begin(), input.end(), out.begin());
    BlowfishDecryptBuffer(out.data(), static_cast<std::int32_t>(input.size()),
                          reinterpret_cast<const std::uint8_t*>(key.c_str()), static_cast<std::int32_t>(key.size()));
    return out;
  }
};

class CallSequence {
 public:
  explicit CallSequence(unsigned seed) : m_random(seed) {
    m_model.nextHandle = sCRYPT_Open();
    sCRYPT_Close(m_model.nextHandle);
    m_model.gone.push_back(m_model.nextHandle++);
  }

  void Step() {
    // Now and then one call runs with an allocation failing.
    const bool starve = Pick(8) == 0;
    if (starve) FailAllocationsAfter(static_cast<long>(Pick(3)));
    switch (Pick(12)) {
      case 0: case 1: Open(starve); break;
      case 2: Close(); break;
      case 3: if (Pick(6) == 0) Final(); break;
      case 4: SetKey(starve); break;
      case 5: SetSessionKey(starve); break;
      case 6: case 7: Data(true, starve); break;
      case 8: Data(false, starve); break;
      case 9: case 10: Free(); break;
      default: KeyMaterial(); break;
    }
    FailAllocationsAfter(-1);
  }

  void CheckState() {
    EXPECT_EQ(g_sessionMap.Count(), m_model.privateKeys.size());
    EXPECT_EQ(g_outputBuffers.Count(), m_model.buffers.size());
    for (const OutBuffer& buffer : m_model.buffers) {
      ASSERT_EQ(Bytes(buffer.address, buffer.address + buffer.contents.size()), buffer.contents)
          << "an output buffer changed while it was the host's";
    }
  }

  // Gives every buffer back and closes everything.
  void Finish() {
    const std::int32_t handle = sCRYPT_Open();
    for (const OutBuffer& buffer : m_model.buffers) EXPECT_EQ(sCRYPT_FreeBuffer(handle, buffer.address), 1);
    m_model.buffers.clear();
    EXPECT_EQ(sCRYPT_Final(), 0);
    EXPECT_EQ(g_outputBuffers.Count(), 0u);
    EXPECT_EQ(g_sessionMap.Count(), 0u);
  }

 private:
  std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random); }

  // A handle of every kind: open, gone, never issued, 0 or negative.
  std::int32_t AnyHandle() {
    switch (Pick(6)) {
      case 0: return m_model.gone.empty() ? 0 : m_model.gone[Pick(m_model.gone.size())];
      case 1: return m_model.nextHandle + static_cast<std::int32_t>(Pick(3));
      case 2: return Pick(2) == 0 ? 0 : -static_cast<std::int32_t>(Pick(5)) - 1;
      default:
        if (m_model.privateKeys.empty()) return m_model.nextHandle;
        return std::next(m_model.privateKeys.begin(), static_cast<long>(Pick(m_model.privateKeys.size())))->first;
    }
  }
  bool IsOpen(std::int32_t handle) const { return m_model.privateKeys.count(handle) != 0; }

  std::string AnyKey() {
    static const char kLongKey[] =
        "a key of more than seventy-two bytes, which only counts up to its seventy-second byte";
    static const char* const keys[] = {"", "k", "0123456789", "\xFF\xFE\x80", kLongKey};
    return keys[Pick(std::size(keys))];
  }

  void Open(bool starve) {
    const std::int32_t handle = sCRYPT_Open();
    if (handle == 0 && starve) return;  // nothing registered, no number used up
    ASSERT_EQ(handle, m_model.nextHandle);
    m_model.privateKeys[handle] = "";
    ++m_model.nextHandle;
  }

  void Close() {
    const std::int32_t handle = AnyHandle();
    const bool open = IsOpen(handle);
    ASSERT_EQ(sCRYPT_Close(handle), open ? 1 : 0);
    if (open) {
      m_model.privateKeys.erase(handle);
      m_model.gone.push_back(handle);
    }
  }

  void Final() {
    ASSERT_EQ(sCRYPT_Final(), 0);
    for (const auto& entry : m_model.privateKeys) m_model.gone.push_back(entry.first);
    m_model.privateKeys.clear();
  }

  void SetKey(bool starve) {
    const std::int32_t handle = AnyHandle();
    const std::string key = AnyKey();
    const bool useNull = key.empty() && Pick(2) == 0;
    const std::int32_t result = sCRYPT_InitialisePrivateKey(handle, useNull ? nullptr : key.c_str());
    if (result == 0 && starve && IsOpen(handle)) return;  // the old key stays
    ASSERT_EQ(result, IsOpen(handle) ? 1 : 0);
    if (IsOpen(handle)) m_model.privateKeys[handle] = key;
  }

  void SetSessionKey(bool starve) {
    const std::int32_t handle = AnyHandle();
    const std::int32_t result = sCRYPT_InitialiseSessionKey(handle, AnyKey().c_str());
    if (result == 0 && starve) return;
    ASSERT_EQ(result, IsOpen(handle) ? 1 : 0);
  }

  void Data(bool encrypt, bool starve) {
    const std::int32_t handle = AnyHandle();
    Bytes input(Pick(40));
    for (auto& byte : input) byte = static_cast<std::uint8_t>(Pick(256));
    // Mostly real ciphertext for decryption, sometimes a bad length or pointer.
    if (!encrypt && Pick(3) != 0) input.resize(input.size() / 8 * 8);
    std::int32_t length = static_cast<std::int32_t>(input.size());
    const std::uint8_t* pointer = input.data();
    bool valid = true;
    switch (Pick(10)) {
      case 0: length = -static_cast<std::int32_t>(Pick(9)) - 1; valid = false; break;
      case 1: length = INT32_MAX - static_cast<std::int32_t>(Pick(7)); valid = false; break;
      case 2: if (length > 0) { pointer = nullptr; valid = false; } break;
      default: break;
    }
    std::uint8_t* const untouched = reinterpret_cast<std::uint8_t*>(&m_model);
    std::uint8_t* output = untouched;
    std::int32_t outLength = -12345;
    const std::int32_t result = (encrypt ? sCRYPT_EncryptData : sCRYPT_DecryptData)(
        handle, pointer, length, &output, &outLength);
    const bool expectSuccess = valid && IsOpen(handle);
    if (result == 0) {
      ASSERT_TRUE(!expectSuccess || starve) << "refused a valid call";
      ASSERT_EQ(output, untouched);
      ASSERT_EQ(outLength, -12345);
      return;
    }
    ASSERT_TRUE(expectSuccess);
    const std::string& key = m_model.privateKeys[handle];
    Bytes expected = encrypt ? m_model.Encipher(key, input) : m_model.Decipher(key, input);
    ASSERT_EQ(outLength, encrypt ? static_cast<std::int32_t>(expected.size()) : (length & ~3));
    ASSERT_EQ(Bytes(output, output + expected.size()), expected);
    m_model.buffers.push_back({output, std::move(expected)});
  }

  void Free() {
    const std::int32_t handle = AnyHandle();
    std::uint8_t* address = nullptr;
    switch (Pick(4)) {
      case 0: if (!m_model.released.empty()) address = m_model.released[Pick(m_model.released.size())]; break;
      case 1: if (!m_model.buffers.empty()) address = m_model.buffers[0].address + 1; break;
      default: if (!m_model.buffers.empty()) address = m_model.buffers[Pick(m_model.buffers.size())].address; break;
    }
    // A released address may have been handed out again since: it is live.
    const auto live = std::find_if(m_model.buffers.begin(), m_model.buffers.end(),
                                   [&](const OutBuffer& buffer) { return buffer.address == address; });
    const bool releases = IsOpen(handle) && live != m_model.buffers.end();
    ASSERT_EQ(sCRYPT_FreeBuffer(handle, address), releases ? 1 : 0);
    if (releases) {
      m_model.released.push_back(address);
      m_model.buffers.erase(live);
    }
  }

  void KeyMaterial() {
    const std::int32_t handle = AnyHandle();
    std::uint8_t marker = 0;
    std::uint8_t* slot = &marker;
    std::int32_t length = 99;
    const std::int32_t expected = IsOpen(handle) ? 1 : 0;
    switch (Pick(3)) {
      case 0:
        ASSERT_EQ(sCRYPT_GenerateSessionKey(handle, &slot, &length), expected);
        if (expected == 0) ASSERT_TRUE(slot == &marker && length == 99);
        else ASSERT_TRUE(slot == nullptr && length == 0);
        return;
      case 1: ASSERT_EQ(sCRYPT_GetPublicKey(handle, &slot, &length), expected); break;
      default: ASSERT_EQ(sCRYPT_DecryptSessionKey(handle, nullptr, 5, &slot, &length), expected); break;
    }
    ASSERT_TRUE(slot == nullptr && length == 0);
  }

  std::mt19937 m_random;
  Model m_model;
};

TEST(CallSequenceTest, RandomSequencesMatchTheModel) {
  for (unsigned seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    CallSequence sequence(seed);
    for (int step = 0; step < 3000; ++step) {
      sequence.Step();
      if (::testing::Test::HasFatalFailure()) return;
      if (step % 100 == 0) sequence.CheckState();
    }
    sequence.CheckState();
    sequence.Finish();
  }
}

}  // namespace
}  // namespace qor
