#include <gtest/gtest.h>

#include <set>

#include "app/ad_report.h"
#include "app/tool_messages.h"
#include "batch/batch_test_util.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;

TEST(AdReportLines, ThirtyFiveDistinctLowerCaseSubstrings) {
  const auto list = AdReportSubstrings();
  EXPECT_EQ(list.size(), 35u);
  std::set<std::string_view> distinct(list.begin(), list.end());
  EXPECT_EQ(distinct.size(), list.size());
  for (std::string_view s : list) {
    for (char c : s) EXPECT_FALSE(c >= 'A' && c <= 'Z') << s;
  }
  for (std::string_view must : {"http", "ps:", "图片链接", "未完待续", "<", "@", "#", "&", "$", "^"}) {
    EXPECT_NE(distinct.count(must), 0u) << must;
  }
}

TEST(AdReportLines, ReportsMatchingLinesInAnyLetterCase) {
  const std::string text = Gbk(
      "第一章 开始\r\n"
      "请访问 HTTP://Example 获取\r\n"
      "他看见一把宝剑。\r\n"
      "PS:求推荐票\r\n"
      "未完待续\n"
      "价格 100$ 元");
  EXPECT_EQ(Utf8(AdReportLines(text)),
            "请访问 HTTP://Example 获取\r\nPS:求推荐票\r\n未完待续\r\n价格 100$ 元\r\n");
  EXPECT_EQ(AdReportLines(Gbk("干干净净的一行。\r\n又一行。")), "");
}

TEST(AdReportLines, TrailBytesAreNotLetters) {
  // 癚 is B0 51: its second byte is "Q" only to a byte-wise reader, and
  // lower-casing it would make "qq" out of 癚 followed by "q".
  EXPECT_EQ(AdReportLines("\xB0\x51q\r\n"), "");
  EXPECT_EQ(AdReportLines("QQ\r\n"), "QQ\r\n");
}

class AdReportCommand : public ShellFixture {};

TEST_F(AdReportCommand, WritesOpensAndDeletesOnATimer) {
  WriteGbkFile("a.txt", "正文第一行。\r\n加QQ群号 123456 免费阅读\r\n结束。\r\n");
  Open();
  tools_->AdReport();
  const fs::path report = File("a.txt.txt");
  ASSERT_EQ(view_.opened.size(), 1u);
  EXPECT_EQ(view_.opened[0], report);
  EXPECT_EQ(Utf8(ReadBytes(report)), "加QQ群号 123456 免费阅读\r\n");
  ASSERT_EQ(view_.timers.size(), 1u);
  EXPECT_EQ(view_.timers[0].first, std::chrono::milliseconds(5000));
  EXPECT_TRUE(fs::exists(report));  // the window did not wait
  view_.timers[0].second();
  EXPECT_FALSE(fs::exists(report));
}

TEST_F(AdReportCommand, AFileOfTheReportsNameIsNeverTouched) {
  WriteGbkFile("a.txt", "一行\r\nhttp://x\r\n");
  WriteGbkFile("a.txt.txt", "用户自己的文件。\r\n");
  const std::string own = ReadBytes(File("a.txt.txt"));
  Open();
  tools_->AdReport();
  ASSERT_EQ(view_.opened.size(), 1u);
  EXPECT_EQ(view_.opened[0], File("a.txt(1).txt"));
  view_.timers.at(0).second();
  EXPECT_EQ(ReadBytes(File("a.txt.txt")), own);
  EXPECT_FALSE(fs::exists(File("a.txt(1).txt")));
}

TEST_F(AdReportCommand, AOneLineDocumentGivesNoReport) {
  WriteGbkFile("a.txt", "只有一行 http://x");
  Open();
  tools_->AdReport();
  EXPECT_TRUE(view_.opened.empty());
  EXPECT_FALSE(fs::exists(File("a.txt.txt")));
}

TEST_F(AdReportCommand, NoProgramToOpenItShowsTheReportInOurOwnWindow) {
  WriteGbkFile("a.txt", "一行\r\nhttp://x\r\n干净的一行\r\n");
  Open();
  view_.open_succeeds = false;
  const std::size_t messages = view_.messages.size();
  tools_->AdReport();
  ASSERT_EQ(view_.reports.size(), 1u) << "the report is seen all the same";
  EXPECT_EQ(view_.reports[0].first, msg::kAdReportTitle);
  EXPECT_EQ(view_.reports[0].second, "http://x\r\n");
  EXPECT_EQ(view_.messages.size(), messages) << "no failure is reported";
  EXPECT_FALSE(fs::exists(File("a.txt.txt"))) << "the file is not needed";
  EXPECT_TRUE(view_.timers.empty());
}

}  // namespace
}  // namespace folian::app
