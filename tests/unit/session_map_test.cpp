#include <gtest/gtest.h>

#include <climits>

#include "qor_enc1.h"
#include "session/session_map.h"

namespace qor {
namespace {

class SessionMapTest : public ::testing::Test {
 protected:
  void TearDown() override {
    sCRYPT_Final();
    g_sessionMap.SetNextHandleForTesting(1);
  }
};

TEST_F(SessionMapTest, LookupFindsOnlyOpenSessions) {
  const std::int32_t a = g_sessionMap.Open();
  const std::int32_t b = g_sessionMap.Open();
  ASSERT_EQ(b, a + 1);
  const auto session = g_sessionMap.LookupSession(a);
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(session->Handle(), a);
  EXPECT_TRUE(g_sessionMap.Close(a));
  EXPECT_FALSE(g_sessionMap.Close(a));
  EXPECT_EQ(g_sessionMap.LookupSession(a), nullptr);
  EXPECT_EQ(session->Handle(), a) << "a caller's reference outlives the close";
  EXPECT_EQ(g_sessionMap.Count(), 1u);
  g_sessionMap.CloseAll();
  EXPECT_EQ(g_sessionMap.Count(), 0u);
  EXPECT_EQ(g_sessionMap.LookupSession(b), nullptr);
}

// The counter stops at the last positive handle instead of wrapping into
// negative numbers and then into handles still in use.
TEST_F(SessionMapTest, HandlesRunOutInsteadOfWrapping) {
  g_sessionMap.SetNextHandleForTesting(INT32_MAX - 1);
  EXPECT_EQ(sCRYPT_Open(), INT32_MAX - 1);
  EXPECT_EQ(sCRYPT_Open(), INT32_MAX);
  const auto last = g_sessionMap.LookupSession(INT32_MAX);
  EXPECT_EQ(sCRYPT_Open(), 0);
  EXPECT_EQ(sCRYPT_Open(), 0);
  EXPECT_EQ(g_sessionMap.Count(), 2u);
  EXPECT_EQ(g_sessionMap.LookupSession(INT32_MAX), last);
  EXPECT_EQ(sCRYPT_Final(), 0);
  EXPECT_EQ(sCRYPT_Open(), 0) << "closing sessions gives no handle back";
}

}  // namespace
}  // namespace qor
