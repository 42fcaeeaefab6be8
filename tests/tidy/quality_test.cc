// Runs folian-cli tidy (default options) over the shared novels and scores
// the results with the shared measure: no story character of a clean novel
// may be lost, and the polluted samples must come out clean enough.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "test_support.h"

namespace folian::tidy {
namespace {

namespace fs = std::filesystem;

std::string Shell(const std::string& command, int* status) {
  std::string out;
  std::FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) {
    *status = -1;
    return out;
  }
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  *status = pclose(p);
  return out;
}

double Field(const std::string& text, const std::string& name) {
  std::smatch m;
  if (!std::regex_search(text, m, std::regex(name + "=([0-9.]+)"))) return -1;
  return std::stod(m[1]);
}

class TidyQuality : public ::testing::Test {
 protected:
  void SetUp() override {
    shared_ = testing::SharedText();
    if (!fs::exists(shared_ / "measure.py")) GTEST_SKIP() << "no shared measure under " << shared_;
    int status = 0;
    Shell("python3 -c 'import difflib' 2>&1", &status);
    if (status != 0) GTEST_SKIP() << "python3 not available";
    dir_ = fs::temp_directory_path() /
           ("folian_quality_" + std::to_string(::getpid()) + "_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  // Copies `files` into the work folder and tidies them there.
  void TidyCopies(const std::vector<fs::path>& files) {
    std::string command = std::string(FOLIAN_CLI_PATH) + " tidy -j 2";
    for (const fs::path& f : files) {
      fs::copy_file(f, dir_ / f.filename(), fs::copy_options::overwrite_existing);
      command += " '" + (dir_ / f.filename()).string() + "'";
    }
    int status = 0;
    const std::string out = Shell("cd '" + dir_.string() + "' && " + command + " 2>&1", &status);
    ASSERT_EQ(status, 0) << out;
  }

  fs::path shared_, dir_;
};

TEST_F(TidyQuality, CleanNovelsKeepEveryStoryCharacterAndParagraph) {
  std::vector<fs::path> files;
  for (const char* n : {"hongloumeng", "laocan", "rulin", "sanguo", "xiyouji"}) {
    files.push_back(shared_ / "clean" / (std::string(n) + ".gbk.txt"));
  }
  TidyCopies(files);
  for (const fs::path& f : files) {
    // The measure's own reading, normalising and in-order matching.
    const std::string script =
        "import sys; sys.path.insert(0, sys.argv[1]); import measure as m\n"
        "a = ''.join(m.CJK.findall(''.join(m.paragraphs(m.read_text(sys.argv[2])))))\n"
        "b = ''.join(m.CJK.findall(''.join(m.paragraphs(m.read_text(sys.argv[3])))))\n"
        "print('content_kept=%.6f' % (m.lcs_kept(a, b) / len(a)))\n"
        "from difflib import SequenceMatcher\n"
        "pa = [m.norm(p) for p in m.paragraphs(m.read_text(sys.argv[2]))]\n"
        "pb = [m.norm(p) for p in m.paragraphs(m.read_text(sys.argv[3]))]\n"
        "ok = sum(x.size for x in SequenceMatcher(None, pa, pb, autojunk=False).get_matching_blocks())\n"
        "print('paragraphs_ok=%.6f' % (ok / len(pa)))\n";
    std::ofstream(dir_ / "clean_measure.py") << script;
    int status = 0;
    const std::string out = Shell("python3 '" + (dir_ / "clean_measure.py").string() + "' '" +
                                    shared_.string() + "' '" + f.string() + "' '" +
                                    (dir_ / f.filename()).string() + "'",
                                &status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_GE(Field(out, "content_kept"), 0.999) << f.filename() << ": " << out;
    // One paragraph per line: the lines stay as they are (a line that starts
    // with a closing quote joins the one before).
    EXPECT_GE(Field(out, "paragraphs_ok"), 0.98) << f.filename() << ": " << out;
  }
}

TEST_F(TidyQuality, PollutedSamplesComeOutClean) {
  const char* names[] = {"polluted-dev-01", "polluted-dev-02", "polluted-dev-03"};
  std::vector<fs::path> files;
  for (const char* n : names) files.push_back(shared_ / "polluted" / (std::string(n) + ".txt"));
  files.push_back(shared_ / "polluted" / "polluted-dev-01.utf8bom.txt");
  TidyCopies(files);
  for (const fs::path& f : files) {
    std::string stem = f.filename().string();
    stem = stem.substr(0, stem.find('.'));
    int status = 0;
    const std::string out =
        Shell("python3 '" + (shared_ / "measure.py").string() + "' --tidied '" +
                (dir_ / f.filename()).string() + "' --truth '" +
                (shared_ / "polluted" / (stem + ".truth.json")).string() + "' 2>&1",
            &status);
    ASSERT_EQ(status, 0) << out;
    const std::string summary = out.substr(out.find("SUMMARY"));
    RecordProperty(f.filename().string(), summary);
    std::printf("%s: %s", f.filename().string().c_str(), summary.c_str());
    // No rule may take story text: every character of the clean text stays.
    EXPECT_GE(Field(out, "content_kept"), 0.999) << summary;
    // Floors just under what the current rule table reaches (goals: ad
    // recall 0.90, ad characters gone 0.85, paragraphs 0.95); they guard
    // against losing ground while the table grows.
    EXPECT_GE(Field(out, "ad_recall"), 0.97) << summary;
    EXPECT_GE(Field(out, "ad_chars_gone"), 0.93) << summary;
    EXPECT_GE(Field(out, "paragraphs_ok"), 0.97) << summary;
  }
}

// Novels hard-wrapped in layouts the scanner was not tuned on, by the
// evaluation generator (tools/eval/pollute.py), without advertising: the
// paragraphs come back.
TEST_F(TidyQuality, GeneratedLayoutsRebuildTheirParagraphs) {
  struct Case {
    const char* novel;
    const char* chapters;
    const char* options;
  };
  const Case cases[] = {
      // Traditional script, 「」 quotes, tabs and indentation mixed in one chapter.
      {"rulin", "30-33", "--width 20-60 --indent tab,mixed --blank some,never --breaks mixed,naive --split sentences"},
      {"laocan", "5-8", "--width 20-60 --indent full,none --indent-scope all,first --blank never --titles spaced"},
      // Narrow wraps, short dialogue paragraphs.
      {"sanguo", "40-44", "--width 20-23 --indent mixed --indent-scope first --split dialogue --breaks naive,kinsoku"},
  };
  const fs::path tool = fs::path(FOLIAN_SOURCE_DIR) / "tools" / "eval" / "pollute.py";
  std::vector<fs::path> files;
  int seed = 11;
  for (const Case& c : cases) {
    const fs::path stem = dir_ / (std::string("gen-") + c.novel);
    int status = 0;
    const std::string out = Shell("python3 '" + tool.string() + "' --novel '" +
                                      (shared_ / "clean" / (std::string(c.novel) + ".utf8.txt")).string() +
                                      "' --ad-density 0 --seed " + std::to_string(seed++) + " --chapter-range " +
                                      c.chapters + " " + c.options + " --out '" + stem.string() + "' 2>&1",
                                  &status);
    ASSERT_EQ(status, 0) << out;
    files.push_back(fs::path(stem.string() + ".txt"));
  }
  int status = 0;
  std::string command = std::string(FOLIAN_CLI_PATH) + " tidy -j 2";
  for (const fs::path& f : files) command += " '" + f.string() + "'";
  const std::string tidied = Shell("cd '" + dir_.string() + "' && " + command + " 2>&1", &status);
  ASSERT_EQ(status, 0) << tidied;
  for (const fs::path& f : files) {
    const std::string truth = f.string().substr(0, f.string().size() - 4) + ".truth.json";
    const std::string out = Shell("python3 '" + (shared_ / "measure.py").string() + "' --tidied '" + f.string() +
                                      "' --truth '" + truth + "' 2>&1",
                                  &status);
    ASSERT_EQ(status, 0) << out;
    const std::string summary = out.substr(out.find("SUMMARY"));
    std::printf("%s: %s", f.filename().string().c_str(), summary.c_str());
    EXPECT_GE(Field(out, "content_kept"), 0.9999) << summary;
    // Floor just under what the scanner reaches on these (0.977 to 0.997).
    EXPECT_GE(Field(out, "paragraphs_ok"), 0.97) << summary;
  }
}

}  // namespace
}  // namespace folian::tidy
