// Simplified/traditional conversion of GBK text and the GBK <-> Big5 steps.
#include "charset/script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "charset/codepage.h"
#include "test_data.h"

namespace folian::charset {
namespace {

using testing::Bytes;

std::string Gbk(std::u16string_view text) { return FromWide(kGbk, text); }
std::string Big5(std::u16string_view text) { return FromWide(kBig5, text); }

std::string Convert(std::string text, ScriptMode mode) {
  EXPECT_TRUE(ConvertScript(text, mode));
  return text;
}

TEST(ConvertScript, SimplifiedAndTraditionalWithinGbk) {
  EXPECT_EQ(Convert(Gbk(u"简体"), ScriptMode::kGbToGbk), Gbk(u"簡體"));
  EXPECT_EQ(Convert(Gbk(u"发展，头发。"), ScriptMode::kGbToGbk), Gbk(u"發展，頭髮。"));
  EXPECT_EQ(Convert(Gbk(u"簡體"), ScriptMode::kGbkToGb), Gbk(u"简体"));
  EXPECT_EQ(Convert(Gbk(u"發展，頭髮。"), ScriptMode::kGbkToGb), Gbk(u"发展，头发。"));
  // ASCII, line breaks and full-width punctuation pass through.
  EXPECT_EQ(Convert(Gbk(u"第1章 开始\r\n　　他说：“好。”\r\n"), ScriptMode::kGbToGbk),
            Gbk(u"第1章 開始\r\n　　他說：“好。”\r\n"));
}

TEST(ConvertScript, ThroughBig5) {
  EXPECT_EQ(Convert(Gbk(u"简体中文"), ScriptMode::kGbToBig5), Big5(u"簡體中文"));
  EXPECT_EQ(Big5(u"簡體中文"), Bytes({0xC2, 0xB2, 0xC5, 0xE9, 0xA4, 0xA4, 0xA4, 0xE5}));
  EXPECT_EQ(Convert(Big5(u"簡體中文，發展"), ScriptMode::kBig5ToGb), Gbk(u"简体中文，发展"));
}

TEST(ConvertScript, CharactersTheTargetLacksBecomeQuestionMarks) {
  // U+2027 (Big5 A1 45) has no GBK code.
  EXPECT_EQ(Convert(Bytes({0xA4, 0xA4, 0xA1, 0x45, 0xA4, 0xE5}), ScriptMode::kBig5ToGb), Gbk(u"中?文"));
  // U+20AC is 0x80 in GBK; Big5 has it at A3 E1. A GBK-only symbol such as
  // U+2116 (A1ED) has no Big5 code.
  EXPECT_EQ(Convert(Gbk(u"\u20AC\u2116"), ScriptMode::kGbToBig5), Bytes({0xA3, 0xE1}) + "?");
}

TEST(ConvertScript, EmptyTextStaysEmpty) {
  for (ScriptMode mode : {ScriptMode::kGbToGbk, ScriptMode::kGbToBig5, ScriptMode::kBig5ToGb, ScriptMode::kGbkToGb}) {
    std::string text;
    EXPECT_TRUE(ConvertScript(text, mode));
    EXPECT_TRUE(text.empty());
  }
}

TEST(ConvertScript, BytesThatAreNotGbkSurviveWithinGbk) {
  // A stray lead byte before a line break, a NUL and a lone lead at the end:
  // the characters around them are converted, the bytes themselves kept.
  const std::string text = Gbk(u"发") + Bytes({0xD6}) + "\n" + Gbk(u"头") + std::string(1, '\0') +
                           Gbk(u"简") + Bytes({0x81});
  const std::string want = Gbk(u"發") + Bytes({0xD6}) + "\n" + Gbk(u"頭") + std::string(1, '\0') +
                           Gbk(u"簡") + Bytes({0x81});
  EXPECT_EQ(Convert(text, ScriptMode::kGbToGbk), want);
}

TEST(ConvertScript, ConcurrentFirstUseIsSafe) {
  std::vector<std::thread> threads;
  std::vector<std::string> results(6);
  for (int i = 0; i < 6; ++i) {
    threads.emplace_back([&results, i] {
      std::string text = Gbk(i % 2 ? u"簡體發展" : u"简体发展");
      ConvertScript(text, i % 2 ? ScriptMode::kGbkToGb : ScriptMode::kGbToGbk);
      results[i] = text;
    });
  }
  for (auto& t : threads) t.join();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(results[i], Gbk(i % 2 ? u"简体发展" : u"簡體發展")) << i;
}

TEST(ConvertScript, NovelRoundTripKeepsItsShape) {
  const auto novels = testing::SharedGbkNovels();
  if (novels.empty()) GTEST_SKIP() << "shared test material not found under " FOLIAN_SHARED_DIR;
  const std::string gbk = testing::ReadFile(novels.front()).substr(0, 60000);
  std::string text = gbk;
  ASSERT_TRUE(ConvertScript(text, ScriptMode::kGbToGbk));
  EXPECT_NE(text, gbk);
  // Each character stays a character: same length in GBK, same line breaks.
  EXPECT_EQ(ToWide(kGbk, text).size(), ToWide(kGbk, gbk).size());
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(gbk.begin(), gbk.end(), '\n'));
  ASSERT_TRUE(ConvertScript(text, ScriptMode::kGbkToGb));
  // Back to simplified: almost everything returns (a few characters have
  // several simplified forms).
  const std::u16string a = ToWide(kGbk, gbk), b = ToWide(kGbk, text);
  ASSERT_EQ(a.size(), b.size());
  std::size_t same = 0;
  for (std::size_t i = 0; i < a.size(); ++i) same += a[i] == b[i];
  EXPECT_GT(same * 1000, a.size() * 995);
}

}  // namespace
}  // namespace folian::charset
