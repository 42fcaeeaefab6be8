#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "test_support.h"
#include "tidy/ad_removal.h"
#include "tidy/replace_all.h"
#include "tidy/status_texts.h"

namespace folian::tidy {
namespace {

using testing::G;
using testing::U;

const RuleTable& Rules() { return testing::GenericRules(); }

// Runs both implementations and insists they agree; returns UTF-8.
std::string Remove(std::string_view utf8, const std::vector<std::string>& titles_utf8 = {},
                   const std::vector<std::string>& custom = {}) {
  std::vector<std::string> titles;
  for (const auto& t : titles_utf8) titles.push_back(G(t));
  AdRunInput in;
  in.titles = &titles;
  in.custom = &custom;
  std::string ref = G(utf8), fast = G(utf8);
  EXPECT_TRUE(RemoveAdsReference(ref, Rules(), in));
  static const AdRemover remover(Rules());
  EXPECT_TRUE(remover.Run(fast, in));
  EXPECT_EQ(U(fast), U(ref)) << "input: " << utf8;
  return U(ref);
}

TEST(ReplaceAll, CountsAndResumesAfterTheInsertedText) {
  std::string s = "aaaa";
  EXPECT_EQ(ReplaceAll(s, "aa", "a"), 2u);
  EXPECT_EQ(s, "aa");
  s = "abab";
  EXPECT_EQ(ReplaceAll(s, "ab", "abab"), 2u);
  EXPECT_EQ(s, "abababab");
  EXPECT_EQ(ReplaceAll(s, "x", "y"), 0u);
  EXPECT_EQ(ReplaceAll(s, "", "y"), 0u);
  s = "#####";
  EXPECT_EQ(ReplaceAllRepeat(s, "####", "###"), 2u);
  EXPECT_EQ(s, "###");
  s = "aXa";  // a replacement holding its find string runs once, not forever
  EXPECT_EQ(ReplaceAllRepeat(s, "a", "aa"), 2u);
  EXPECT_EQ(s, "aaXaa");
}

TEST(AdStages, ClosingReplacements) {
  EXPECT_EQ(Remove("她是少*妇，十有**是真的"), "她是少妇，十有八九是真的");
  EXPECT_EQ(Remove("漏*点和做*爱"), "漏点和做爱");
}

TEST(AdStages, RepeatedPunctuationRules) {
  EXPECT_EQ(Remove("甲#####乙"), "甲###乙");
  EXPECT_EQ(Remove("他说……………………"), "他说……");
  EXPECT_EQ(Remove("等等…。…。"), "等等……");
  EXPECT_EQ(Remove("断行——\r\n下文"), "断行\r\n下文");
  EXPECT_EQ(Remove("……\r\n……\r\n……\r\n"), "……\r\n……\r\n");
}

TEST(AdStages, PinyinRestorationIsByteExactAndCaseSensitive) {
  EXPECT_EQ(Remove("belonging"), "be弄ing");
  EXPECT_EQ(Remove("Long"), "Long");
  EXPECT_EQ(Remove("她的xiong口"), "她的胸口");
}

TEST(AdStages, WwwAndComPatternsInAnyCaseWithOneByteBetween) {
  EXPECT_EQ(Remove("看WwW.abc.CoM好"), "看.abc.好");
  EXPECT_EQ(Remove("看w_w-w好"), "看好");
  EXPECT_EQ(Remove("看c0m和C.O.M"), "看和");
  EXPECT_EQ(Remove("w__w"), "w__w");  // two bytes between: not a match
}

TEST(AdStages, EntitiesAndHtmlLeftovers) {
  EXPECT_EQ(Remove("a&lt;b&gt;c&nbsp;d&amp;e"), "a<b>c d&e");
  EXPECT_EQ(Remove("<center><b>标题"), "标题");
  // "</" goes before the whole closing tags are looked for.
  EXPECT_EQ(Remove("标题</b></center>"), "标题b>center>");
  EXPECT_EQ(Remove("（未完待续）下回"), "下回");
  EXPECT_EQ(Remove("说\r\n”好"), "说”好");
}

TEST(AdStages, CustomListDeletesLiterally) {
  EXPECT_EQ(Remove("甲广告词乙广告词", {}, {G("广告词")}), "甲乙");
  EXPECT_EQ(Remove("甲乙", {}, {}), "甲乙");
}

TEST(AdStages, DuplicatedTitlesCollapse) {
  EXPECT_EQ(Remove("\r\n第一章 开始\r\n第一章 开始\r\n\r\n正文。\r\n", {"第一章 开始", "第一章 开始"}),
            "\r\n第一章 开始\r\n\r\n\r\n正文。\r\n");
  // Both kinds of doubling, at different titles.
  EXPECT_EQ(Remove("\r\n序章\r\n\r\n正文。\r\n\r\n第二章\r\n第二章\r\n\r\n下文。\r\n",
                   {"序章", "第二章", "第二章"}),
            "\r\n序章\r\n\r\n正文。\r\n\r\n第二章\r\n\r\n\r\n下文。\r\n");
  // A single title list has nothing to compare.
  EXPECT_EQ(Remove("\r\nA\r\nA\r\n", {"A"}), "\r\nA\r\nA\r\n");
}

class StatusSink : public ProgressSink {
 public:
  void SetStatus(std::string_view s) override { log.push_back(std::string(s)); }
  void SetPosition(std::int64_t p) override { log.push_back(std::to_string(p)); }
  std::vector<std::string> log;
};

TEST(AdStages, StatusTextsAndPositionsInOrder) {
  const std::vector<std::string> expected = {
      std::string(status::kClearingAdText), "85", std::string(status::kClearingHtml), "90",
      std::string(status::kPunctuation),    "95", std::string(status::kCustomAds),
      std::string(status::kDeformedAds),    std::string(status::kDuplicateTitles)};
  for (int engine = 0; engine < 2; ++engine) {
    StatusSink sink;
    AdRunInput in;
    in.progress = &sink;
    std::string text = G("文字");
    if (engine == 0) {
      RemoveAdsReference(text, Rules(), in);
    } else {
      AdRemover(Rules()).Run(text, in);
    }
    EXPECT_EQ(sink.log, expected) << engine;
  }
}

TEST(AdStages, CancelStopsBothEngines) {
  CancelFlag cancel{true};
  AdRunInput in;
  in.cancel = &cancel;
  std::string text = G("少*妇");
  EXPECT_FALSE(RemoveAdsReference(text, Rules(), in));
  EXPECT_FALSE(AdRemover(Rules()).Run(text, in));
}

TEST(CustomRules, FileLinesLoseTheirLineBreaksAndEmptyLinesAreSkipped) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("folian_custom_rules_test_" + std::to_string(::getpid()) + ".txt");
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const std::string body = G("广告一") + "\r\n\r\n" + G("广告二") + "\n" + "last";
    std::fwrite(body.data(), 1, body.size(), f);
    std::fclose(f);
  }
  std::vector<std::string> lines;
  ASSERT_TRUE(LoadCustomRules(path.string(), &lines));
  EXPECT_EQ(lines, (std::vector<std::string>{G("广告一"), G("广告二"), "last"}));
  std::filesystem::remove(path);
  EXPECT_FALSE(LoadCustomRules(path.string(), &lines));
  // A CR LF line deletes the text, not the line break.
  EXPECT_EQ(Remove("甲广告一\r\n乙", {}, {G("广告一")}), "甲\r\n乙");
}

}  // namespace
}  // namespace folian::tidy
