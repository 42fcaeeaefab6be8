// folian-cli tidy as a user runs it: stdin to stdout, folders, -o, exit codes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "test_support.h"

namespace folian::tidy {
namespace {

namespace fs = std::filesystem;
using testing::G;

struct Result {
  int code;
  std::string out;
};

Result Cli(const std::string& args, const std::string& cwd) {
  const std::string cmd = "cd '" + cwd + "' && HOME='" + cwd + "' " + FOLIAN_CLI_PATH + " " + args;
  Result r{-1, {}};
  std::FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
  const int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void Write(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

class TidyCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("folian_cli_" + std::to_string(::getpid()) + "_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "in");
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(TidyCli, StdinToStdoutInGbk) {
  Write(dir_ / "input.txt", G("　　年份２０１０。\r\n\r\n"));
  const Result r = Cli("tidy - < input.txt", dir_.string());
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, G("年份2010。\r\n"));
  const Result full = Cli("tidy --num 1 --indent 3 --indent-count 2 - < input.txt", dir_.string());
  EXPECT_EQ(full.out, G("　　年份２０１０。\r\n"));
}

TEST_F(TidyCli, FolderIntoOutputFolderWithReportLines) {
  Write(dir_ / "in" / "a.txt", G("甲。\n"));
  Write(dir_ / "in" / "b.TXT", G("乙。\n"));
  Write(dir_ / "in" / "c.htm", "x");
  fs::create_directories(dir_ / "out");
  const Result r = Cli("tidy -j 2 -o out in", dir_.string());
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(Read(dir_ / "out" / "a.txt"), G("甲。\r\n"));
  EXPECT_EQ(Read(dir_ / "out" / "b.TXT"), G("乙。\r\n"));
  EXPECT_FALSE(fs::exists(dir_ / "out" / "c.htm"));
  EXPECT_EQ(Read(dir_ / "in" / "a.txt"), G("甲。\n"));  // originals untouched
  EXPECT_NE(r.out.find("a.txt\t"), std::string::npos);
  EXPECT_NE(r.out.find(" KB/s"), std::string::npos);
}

TEST_F(TidyCli, FailedWriteNamesTheFileAndExitsOne) {
  Write(dir_ / "in" / "a.txt", G("甲。\n"));
  const Result r = Cli("tidy -o missing/x.txt in/a.txt 2>&1", dir_.string());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("in/a.txt"), std::string::npos) << r.out;
  const Result gone = Cli("tidy in/none.txt 2>&1", dir_.string());
  EXPECT_EQ(gone.code, 1);
}

TEST_F(TidyCli, UsageErrorsExitTwo) {
  Write(dir_ / "in" / "a.txt", G("甲。\n"));
  EXPECT_EQ(Cli("tidy --punc 4 in/a.txt 2>&1", dir_.string()).code, 2);
  EXPECT_EQ(Cli("tidy --remove nofile.txt in/a.txt 2>&1", dir_.string()).code, 2);
  EXPECT_EQ(Cli("tidy --ads --no-ads in/a.txt 2>&1", dir_.string()).code, 2);
  EXPECT_EQ(Read(dir_ / "in" / "a.txt"), G("甲。\n"));
}

TEST_F(TidyCli, RemoveListAndAdsSwitch) {
  Write(dir_ / "list.txt", G("讨厌的广告") + "\r\n");
  Write(dir_ / "in" / "a.txt", G("正文讨厌的广告。\n"));
  Write(dir_ / "in" / "b.txt", G("正文讨厌的广告。\n"));
  EXPECT_EQ(Cli("tidy --remove list.txt in/a.txt", dir_.string()).code, 0);
  EXPECT_EQ(Read(dir_ / "in" / "a.txt"), G("正文。\r\n"));
  EXPECT_EQ(Cli("tidy --no-ads --remove list.txt in/b.txt", dir_.string()).code, 0);
  EXPECT_EQ(Read(dir_ / "in" / "b.txt"), G("正文讨厌的广告。\r\n"));
}

TEST_F(TidyCli, AdDetectorSwitchAndExplain) {
  // Advertising no rule row names, after the story's last sentence.
  const std::string story = "那老者慢慢走到门前，看了看天色，叹一口气，众人都低下头去，半晌没有人说话。";
  const std::string in = G(story + "云端免费小说天天看\r\n");
  Write(dir_ / "a.txt", in);
  Write(dir_ / "b.txt", in);
  Write(dir_ / "c.txt", in);
  EXPECT_EQ(Cli("tidy a.txt", dir_.string()).code, 0);
  // (Tidying ends the file without a line break.)
  EXPECT_EQ(Read(dir_ / "a.txt"), G(story));
  EXPECT_EQ(Cli("tidy --no-ad-detector b.txt", dir_.string()).code, 0);
  EXPECT_EQ(Read(dir_ / "b.txt"), G(story + "云端免费小说天天看"));
  // --explain names what would go and why, and writes nothing.
  const Result r = Cli("tidy --explain c.txt", dir_.string());
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("云端免费小说天天看"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("广告检测"), std::string::npos) << r.out;
  EXPECT_EQ(Read(dir_ / "c.txt"), in);
}

TEST_F(TidyCli, RulesFolderWithAndWithoutItsOwnWords) {
  const fs::path rules = dir_ / "rules";
  fs::create_directories(rules);
  for (const char* f : {"stage1.tsv", "stage2.tsv", "stage3.tsv", "stage4.tsv", "stage6.tsv", "stage8.tsv", "site.tsv"})
    fs::copy_file(fs::path(FOLIAN_SOURCE_DIR) / "data" / "ads" / f, rules / f);
  const std::string story = "那老者慢慢走到门前，看了看天色，叹一口气，众人都低下头去，半晌没有人说话。";
  const std::string in = G(story + "云端免费小说天天看\r\n");
  // The table's files alone: the detector keeps its own words.
  Write(dir_ / "a.txt", in);
  EXPECT_EQ(Cli("tidy --rules rules a.txt", dir_.string()).code, 0);
  EXPECT_EQ(Read(dir_ / "a.txt"), G(story));
  // A word list of the folder's own replaces them.
  Write(rules / "words.tsv", "# none of the slogan's words\n甲乙丙\t4\n");
  Write(dir_ / "b.txt", in);
  EXPECT_EQ(Cli("tidy --rules rules b.txt", dir_.string()).code, 0);
  EXPECT_EQ(Read(dir_ / "b.txt"), G(story + "云端免费小说天天看"));
  // A broken list, or a missing stage file, is named and nothing is written.
  Write(rules / "words.tsv", "免费\t9\n");
  Write(dir_ / "c.txt", in);
  Result r = Cli("tidy --rules rules c.txt 2>&1", dir_.string());
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.out.find("words.tsv"), std::string::npos) << r.out;
  EXPECT_EQ(Read(dir_ / "c.txt"), in);
  fs::remove(rules / "words.tsv");
  fs::remove(rules / "stage3.tsv");
  r = Cli("tidy --rules rules c.txt 2>&1", dir_.string());
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.out.find("stage3.tsv"), std::string::npos) << r.out;
  EXPECT_EQ(Read(dir_ / "c.txt"), in);
}

}  // namespace
}  // namespace folian::tidy

namespace folian::tidy {
namespace {

TEST_F(TidyCli, LayoutRuleJoinsByClosingPunctuationAlone) {
  // Indented paragraphs hard-wrapped at 30 characters, every wrapped line
  // ending in "。": following the layout joins each paragraph; the plain
  // rule ends a paragraph at every "。".
  std::string in, follow, rule;
  for (const char* c : {"甲", "乙", "丙", "丁"}) {
    std::string para;
    for (int line = 0; line < 3; ++line) {
      std::string l;
      for (int i = 0; i < (line == 2 ? 12 : 29); ++i) l += c;
      l += "。";
      in += (line == 0 ? "　　" : "") + l + "\r\n";
      para += l;
      rule += l + "\r\n";
    }
    follow += para + "\r\n";
  }
  Write(dir_ / "in.txt", G(in));
  EXPECT_EQ(Cli("tidy - < in.txt", dir_.string()).out, G(follow));
  EXPECT_EQ(Cli("tidy --layout follow - < in.txt", dir_.string()).out, G(follow));
  EXPECT_EQ(Cli("tidy --layout rule - < in.txt", dir_.string()).out, G(rule));
  EXPECT_EQ(Cli("tidy --layout none - < in.txt 2>&1", dir_.string()).code, 2);
}

}  // namespace
}  // namespace folian::tidy
