#include <gtest/gtest.h>


#include "app/ad_report.h"
#include "app/tool_messages.h"
#include "batch/batch_test_util.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;

// The report lists what tidying would remove, each piece with its reason.
TEST(AdReportLines, ListsWhatTidyingWouldRemoveWithItsReason) {
  const std::string story = "那老者慢慢走到门前，看了看天色，叹一口气，众人都低下头去，半晌没有人说话。";
  const std::string text = Gbk("第一章 开始\r\n" + story + "\r\n请访问 http://www.example-novels.com 获取\r\n" +
                               story + "\r\n" + story + "云端免费小说天天看");
  const std::string report = Utf8(AdReportLines(text, tidy::TidyOptions::AtStart()));
  // One line a removal, each opening with its reason in 〔〕.
  std::size_t lines = 0;
  for (std::size_t at = 0; (at = report.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  ASSERT_GE(lines, 2u) << report;
  EXPECT_EQ(report.rfind("〔", 0), 0u) << report;
  EXPECT_NE(report.find("example-novels"), std::string::npos) << report;
  // Advertising no rule row names: the detector's reason, and the line it stood in.
  const std::size_t detected = report.find("〔广告检测");
  ASSERT_NE(detected, std::string::npos) << report;
  EXPECT_NE(report.find("云端免费小说天天看", detected), std::string::npos) << report;
  EXPECT_NE(report.find("所在行：" + story, detected), std::string::npos) << report;
  // The story itself is never listed.
  EXPECT_EQ(report.find("〕" + story), std::string::npos) << report;
}

TEST(AdReportLines, StoryAboutWebsitesAndUpdatesGivesNoReport) {
  const std::string text = Gbk(
      "第一章 开始\r\n"
      "他打开手机，看了看那个网站的更新，又翻到下一章节。\r\n"
      "“你的QQ号是多少？”她问道。\r\n");
  EXPECT_EQ(AdReportLines(text, tidy::TidyOptions::AtStart()), "");
  EXPECT_EQ(AdReportLines("", tidy::TidyOptions::AtStart()), "");
}

class AdReportCommand : public ShellFixture {};

TEST_F(AdReportCommand, WritesOpensAndDeletesOnATimer) {
  WriteGbkFile("a.txt", "正文第一行。\r\n加QQ群号 123456 免费阅读\r\n结束。\r\n");
  Open();
  tools_->AdReport();
  const fs::path report = File("a.txt.txt");
  ASSERT_EQ(view_.opened.size(), 1u);
  EXPECT_EQ(view_.opened[0], report);
  const std::string listed = Utf8(ReadBytes(report));
  EXPECT_EQ(listed.rfind("〔", 0), 0u) << listed;
  EXPECT_NE(listed.find("QQ群"), std::string::npos) << listed;
  EXPECT_EQ(listed.find("正文第一行"), std::string::npos) << listed;
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
  // What tidying would remove, with its reason, as in the file.
  const std::string& shown = view_.reports[0].second;
  EXPECT_EQ(shown.rfind("〔", 0), 0u) << shown;
  EXPECT_NE(shown.find("http://"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("干净的一行"), std::string::npos) << shown;
  EXPECT_EQ(view_.messages.size(), messages) << "no failure is reported";
  EXPECT_FALSE(fs::exists(File("a.txt.txt"))) << "the file is not needed";
  EXPECT_TRUE(view_.timers.empty());
}

}  // namespace
}  // namespace folian::app
