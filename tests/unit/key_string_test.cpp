#include <gtest/gtest.h>

#include <cstring>

#include "session/key_string.h"
#include "support/module_heap.h"

namespace qor {
namespace {

std::string Text(const CKeyString& key) {
  return {reinterpret_cast<const char*>(key.Bytes()), key.Length()};
}

TEST(KeyStringTest, HoldsTheBytesBeforeTheFirstZero) {
  struct Row {
    const char* what;
    const char* text;
    std::string expected;
  };
  const Row rows[] = {{"null", nullptr, ""},
                      {"empty", "", ""},
                      {"plain", "secret", "secret"},
                      {"zero inside", "abc\0def", "abc"},
                      {"high bytes", "\x80\xFF\xC3", "\x80\xFF\xC3"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    CKeyString key;
    key.Assign("previous value");
    key.Assign(row.text);
    EXPECT_EQ(Text(key), row.expected);
    ASSERT_NE(key.Bytes(), nullptr);
    EXPECT_EQ(key.Bytes()[key.Length()], 0) << "the schedule reads one byte even of the empty key";
  }
}

TEST(KeyStringTest, CopiesAreIndependentOfTheSourceAndOfEachOther) {
  char text[] = "original";
  CKeyString key;
  key.Assign(text);
  std::memset(text, 'x', sizeof text - 1);
  CKeyString copy = key;
  key.Assign("changed");
  EXPECT_EQ(Text(copy), "original");
  CKeyString moved = std::move(copy);
  EXPECT_EQ(Text(moved), "original");
  EXPECT_EQ(copy.Length(), 0u);  // NOLINT(bugprone-use-after-move): moved-from is empty by design
}

TEST(KeyStringTest, FailedAssignmentKeepsTheOldKey) {
  CKeyString key;
  key.Assign("kept");
  FailAllocationsAfter(0);
  EXPECT_THROW(key.Assign("lost"), std::bad_alloc);
  EXPECT_THROW(CKeyString{key}, std::bad_alloc);
  FailAllocationsAfter(-1);
  EXPECT_EQ(Text(key), "kept");
}

}  // namespace
}  // namespace qor
