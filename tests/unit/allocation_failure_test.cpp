// Every allocation of every call fails in turn. Each call must then report 0,
// leave its outputs and the module's state as they were, and leak nothing
// (the ASan build checks the leaks).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "qor_enc1.h"
#include "session/output_buffers.h"
#include "session/session_map.h"
#include "support/module_heap.h"

namespace qor {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kPlain = [] {
  Bytes bytes(37);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 11 + 1);
  return bytes;
}();

Bytes EncryptOnce(std::int32_t handle) {
  std::uint8_t* buffer = nullptr;
  std::int32_t length = 0;
  if (sCRYPT_EncryptData(handle, kPlain.data(), static_cast<std::int32_t>(kPlain.size()), &buffer, &length) == 0) {
    return {};
  }
  Bytes out(buffer, buffer + length);
  sCRYPT_FreeBuffer(handle, buffer);
  return out;
}

class AllocationFailureTest : public ::testing::Test {
 protected:
  void TearDown() override {
    FailAllocationsAfter(-1);
    sCRYPT_Final();
  }
};

TEST_F(AllocationFailureTest, EveryCallFailsCleanly) {
  const std::int32_t reference = sCRYPT_Open();
  ASSERT_NE(sCRYPT_InitialisePrivateKey(reference, "old key"), 0);
  const Bytes underOld = EncryptOnce(reference);
  ASSERT_NE(sCRYPT_InitialisePrivateKey(reference, "new key"), 0);
  const Bytes underNew = EncryptOnce(reference);

  int sweepsWithoutFailure = 0;
  for (long successes = 0; sweepsWithoutFailure < 2; ++successes) {
    SCOPED_TRACE("allocations allowed: " + std::to_string(successes));
    const std::int32_t handle = sCRYPT_Open();
    ASSERT_NE(sCRYPT_InitialisePrivateKey(handle, "old key"), 0);
    const std::size_t sessions = g_sessionMap.Count();
    const std::size_t buffers = g_outputBuffers.Count();
    bool anyFailed = false;

    FailAllocationsAfter(successes);
    const std::int32_t opened = sCRYPT_Open();
    const std::int32_t keyed = sCRYPT_InitialisePrivateKey(handle, "new key");
    std::uint8_t* slot = nullptr;
    std::int32_t length = -1;
    const std::int32_t encrypted =
        sCRYPT_EncryptData(handle, kPlain.data(), static_cast<std::int32_t>(kPlain.size()), &slot, &length);
    std::uint8_t* plainSlot = nullptr;
    std::int32_t plainLength = -1;
    const std::int32_t decrypted = encrypted != 0 ? sCRYPT_DecryptData(handle, slot, length, &plainSlot, &plainLength) : 0;
    FailAllocationsAfter(-1);

    if (opened == 0) {
      anyFailed = true;
      EXPECT_EQ(g_sessionMap.Count(), sessions);
    } else {
      EXPECT_EQ(g_sessionMap.Count(), sessions + 1);
      EXPECT_EQ(sCRYPT_Close(opened), 1);
    }
    // A failed key change leaves the old key, never an empty one.
    anyFailed |= keyed == 0;
    EXPECT_EQ(EncryptOnce(handle), keyed != 0 ? underNew : underOld);
    if (encrypted == 0) {
      anyFailed = true;
      EXPECT_EQ(slot, nullptr);
      EXPECT_EQ(length, -1);
    } else {
      EXPECT_EQ(Bytes(slot, slot + length), keyed != 0 ? underNew : underOld);
      if (decrypted == 0) {
        anyFailed = true;
        EXPECT_EQ(plainSlot, nullptr);
        EXPECT_EQ(plainLength, -1);
      } else {
        EXPECT_EQ(std::memcmp(plainSlot, kPlain.data(), kPlain.size()), 0);
        EXPECT_EQ(sCRYPT_FreeBuffer(handle, plainSlot), 1);
      }
      EXPECT_EQ(sCRYPT_FreeBuffer(handle, slot), 1);
    }
    EXPECT_EQ(g_outputBuffers.Count(), buffers);
    EXPECT_EQ(sCRYPT_Close(handle), 1);
    sweepsWithoutFailure = anyFailed ? 0 : sweepsWithoutFailure + 1;
  }
}

TEST_F(AllocationFailureTest, FailedOpenUsesUpNoHandle) {
  const std::int32_t before = sCRYPT_Open();
  FailAllocationsAfter(0);
  EXPECT_EQ(sCRYPT_Open(), 0);
  FailAllocationsAfter(-1);
  EXPECT_EQ(sCRYPT_Open(), before + 1);
}

}  // namespace
}  // namespace qor
