#include "tidy/numerals.h"

#include <gtest/gtest.h>

#include <set>

#include "test_support.h"

namespace folian::tidy {
namespace {

using testing::G;
using testing::U;

TEST(Numerals, SpellingsOfBothFormsAcrossTheRange) {
  const std::pair<int, const char*> common[] = {
      {1, "一"},      {10, "十"},         {11, "十一"},       {20, "二十"},     {99, "九十九"},
      {100, "一百"},  {101, "一百零一"},  {110, "一百一十"},  {119, "一百一十九"},
      {200, "二百"},  {305, "三百零五"},  {512, "五百一十二"}};
  for (auto [n, s] : common) EXPECT_EQ(U(CommonNumeral(n)), s) << n;
  const std::pair<int, const char*> capital[] = {
      {1, "壹"}, {9, "玖"}, {10, "拾"}, {12, "拾贰"}, {40, "肆拾"}, {108, "壹佰零捌"},
      {250, "贰佰伍拾"}, {512, "伍佰壹拾贰"}};
  for (auto [n, s] : capital) EXPECT_EQ(U(CapitalNumeral(n)), s) << n;
  EXPECT_TRUE(CommonNumeral(0).empty());
  EXPECT_TRUE(CapitalNumeral(513).empty());
  EXPECT_TRUE(CommonNumeral(-1).empty());
}

TEST(Numerals, EveryEntryIsDistinctFitsElevenBytesAndReadsBack) {
  std::set<std::string_view> seen;
  for (int n = 1; n <= kNumeralMax; ++n) {
    for (std::string_view s : {CommonNumeral(n), CapitalNumeral(n)}) {
      EXPECT_LE(s.size(), 10u) << n;  // 11-byte entries with their terminator
      EXPECT_TRUE(seen.insert(s).second) << U(s);
      EXPECT_EQ(NumeralValue(s), n) << U(s);
    }
  }
}

TEST(Numerals, ValueOfStringsOutsideTheTables) {
  EXPECT_EQ(NumeralValue(""), 0);
  EXPECT_EQ(NumeralValue(G("一十一")), 0);  // written 十一
  EXPECT_EQ(NumeralValue(G("第一")), 0);
  EXPECT_EQ(NumeralValue(G("五百一十三")), 0);
  EXPECT_EQ(NumeralValue("12"), 0);
}

}  // namespace
}  // namespace folian::tidy
