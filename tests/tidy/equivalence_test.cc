// The fast advertisement removal must give byte-identical results to the
// full-pass reference: on texts built from the rules' own strings (so that
// rules fire, overlap and feed one another) and on the shared novels.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "test_support.h"
#include "tidy/ad_removal.h"
#include "tidy/tidy_text.h"

namespace folian::tidy {
namespace {

using testing::G;
using testing::U;

// Builds random texts out of pieces of a table's strings.
class FragmentTexts {
 public:
  FragmentTexts(const RuleTable& t, unsigned seed) : rng_(seed) {
    for (const auto& stage : t.stages) {
      for (const Rule& r : stage) {
        if (r.kind == RuleKind::kPatternDelete) {
          // Pattern rows: take their literal runs as fragments.
          std::string lit;
          for (char c : r.find) {
            if (std::string_view("\\.[](){}|*+?^$").find(c) == std::string_view::npos) {
              lit.push_back(c);
            }
          }
          pieces_.push_back(lit);
        } else {
          pieces_.push_back(r.find);
          if (!r.replace.empty()) pieces_.push_back(r.replace);
        }
      }
    }
    for (const char* s : {"第一章 开始", "第二章", "\r\n", "\r\n", "\r\n", "\r\n\r\n", "。", "……",
                          "文字", "他说道", "“", "”", "&#", ";", "w", "W", "c", "o", "m", " ",
                          "*", "#", "…", "-", "—", ".", "&#65;", "&#8226;", "小说", "更新"}) {
      fillers_.push_back(G(s));
    }
  }

  std::string Next() {
    std::string s;
    const int n = Uniform(3, 40);
    for (int i = 0; i < n; ++i) {
      const int kind = Uniform(0, 9);
      if (kind < 4) {
        s += Pick(fillers_);
      } else {
        const std::string& p = Pick(pieces_);
        if (kind < 8 || p.size() < 3) {
          s += p;
        } else {  // a cut piece: prefixes and suffixes of rows meet other rows
          const std::size_t a = static_cast<std::size_t>(Uniform(0, static_cast<int>(p.size()) - 1));
          s += p.substr(kind == 8 ? 0 : a, kind == 8 ? a + 1 : std::string::npos);
        }
      }
    }
    return s;
  }

  // Lines of `text` taken as the title list, a few of them doubled.
  std::vector<std::string> Titles(const std::string& text) {
    std::vector<std::string> lines, titles;
    std::size_t from = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", from)) {
      lines.push_back(text.substr(from, at - from));
      from = at + 2;
    }
    lines.push_back(text.substr(from));
    for (const std::string& l : lines) {
      if (Uniform(0, 2) == 0) titles.push_back(l);
      if (Uniform(0, 4) == 0) titles.push_back(l);
    }
    return titles;
  }

  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  const std::string& Pick(const std::vector<std::string>& v) {
    return v[static_cast<std::size_t>(Uniform(0, static_cast<int>(v.size()) - 1))];
  }

 private:
  std::mt19937 rng_;
  std::vector<std::string> pieces_, fillers_;
};

void CheckRandomTexts(const RuleTable& table, unsigned seed, int count) {
  const AdRemover remover(table);
  FragmentTexts gen(table, seed);
  int changed = 0;
  for (int i = 0; i < count; ++i) {
    const std::string text = gen.Next();
    const std::vector<std::string> titles = gen.Titles(text);
    std::vector<std::string> custom;
    if (i % 3 == 0) custom.push_back(gen.Pick(std::vector<std::string>{G("文字"), "\r", G("。"), "w"}));
    AdRunInput in;
    in.titles = &titles;
    in.custom = &custom;
    std::string ref = text, fast = text;
    ASSERT_TRUE(RemoveAdsReference(ref, table, in));
    ASSERT_TRUE(remover.Run(fast, in));
    if (ref != text) ++changed;
    ASSERT_EQ(fast, ref) << "case " << i << " input: " << U(text);
  }
  // The texts must actually exercise the rules.
  EXPECT_GT(changed, count * 3 / 4);
}

TEST(AdEquivalence, RandomTextsGenericRows) {
  CheckRandomTexts(testing::GenericRules(), 1234, 3000);
}

TEST(AdEquivalence, RandomTextsBuiltinTable) {
  CheckRandomTexts(BuiltinRules(), 98765, 2000);
}

// A small table over a tiny alphabet, so that rules whose find or
// replacement strings hold line breaks fire often, chain, and feed the rules
// after them; titles are drawn from the same alphabet, so doubled title lines
// are common.
RuleTable LineBreakTable() {
  RuleTable t;
  auto add = [&t](int stage, RuleKind kind, std::string find, std::string replace = {}) {
    t.stages[static_cast<std::size_t>(stage)].push_back({kind, std::move(find), std::move(replace)});
  };
  add(0, RuleKind::kReplace, "ab", "a\r\nb");          // the replacement breaks the line
  add(0, RuleKind::kReplace, "\r\nc", "c");            // the anchor is the last part
  add(0, RuleKind::kReplace, "xy", "x");
  add(1, RuleKind::kReplaceRepeat, "a\r\n", "\r\n");    // repeated, anchor on the first part
  add(1, RuleKind::kReplace, "b\r\nb\r\nb", "bb");      // a whole middle line
  add(1, RuleKind::kReplace, "\r\nb\r\n", "\r\n");      // the anchor is a middle line
  add(2, RuleKind::kReplace, "cc", "c\nc");             // a lone line feed
  add(2, RuleKind::kReplaceRepeat, "\r\n\r\n", "\r\n");
  add(2, RuleKind::kPatternDelete, "a.{0,1}c");
  add(3, RuleKind::kPatternDelete, "^y");               // not line-local: a whole-text pass
  add(3, RuleKind::kReplace, "y\r\ny", "y");
  add(5, RuleKind::kPatternDelete, "[a-c][x-y]q");       // too many byte values for a window
  add(5, RuleKind::kPatternDelete, "(pq|qp)b");          // no chain, no prefix: tried everywhere
  add(5, RuleKind::kPatternDelete, "xq");
  add(7, RuleKind::kReplace, "\n", "");                 // a find string that is only a break
  return t;
}

TEST(AdEquivalence, RandomTextsLineBreakRulesAndDoubledTitles) {
  const RuleTable table = LineBreakTable();
  const AdRemover remover(table);
  std::mt19937 rng(4242);
  auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  // The rules leave "p" and "q" alone, so title lines made of them survive
  // to the title stage.
  static constexpr const char* kPieces[] = {"a",  "b",   "c",   "x",    "y",    "ab",   "p",  "q",
                                            "qp", "pqp", "byq", "qpb", "\r\n", "\r\n", "\n", "\r"};
  static constexpr const char* kTitles[] = {"p", "q", "pq", "qp", "b", "y", "x\r"};
  int changed = 0, titles_fired = 0;
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    for (int k = uniform(2, 60); k > 0; --k) text += kPieces[uniform(0, std::size(kPieces) - 1)];
    std::vector<std::string> titles;
    for (int k = uniform(0, 10); k > 0; --k) {
      // A title with a line break in it sends the stage down its whole-text path.
      titles.push_back(kTitles[uniform(0, std::size(kTitles) - (i % 4 == 0 ? 1 : 2))]);
    }
    std::vector<std::string> custom;
    if (i % 5 == 0) custom.push_back(i % 10 == 0 ? "b\r\nb" : "x");
    AdRunInput in;
    in.titles = &titles;
    in.custom = &custom;
    std::string ref = text, fast = text;
    ASSERT_TRUE(RemoveAdsReference(ref, table, in));
    ASSERT_TRUE(remover.Run(fast, in));
    ASSERT_EQ(fast, ref) << "case " << i << " input: " << text;
    if (ref != text) ++changed;
    // The same run without titles tells whether the title stage did anything.
    AdRunInput no_titles = in;
    no_titles.titles = nullptr;
    std::string plain = text;
    ASSERT_TRUE(RemoveAdsReference(plain, table, no_titles));
    if (plain != ref) ++titles_fired;
  }
  EXPECT_GT(changed, 2500);
  EXPECT_GT(titles_fired, 150);
}

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(AdEquivalence, SharedNovelsEndToEnd) {
  const auto files = testing::SharedTextFiles();
  if (files.empty()) GTEST_SKIP() << "shared text material not found under " << testing::SharedText();
  const AdRemover remover(BuiltinRules());
  for (const auto& path : files) {
    std::string text = ReadFile(path);
    if (path.filename().string().find("utf8") != std::string::npos) {
      if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
      text = charset::Utf8ToGbk(text);
    }
    TidyParams fast;
    fast.remover = &remover;
    TidyParams ref;
    ref.engine = AdEngine::kReference;
    const auto options = TidyOptions::AtStart();
    const auto a = TidyText(text, options, BuiltinRules(), fast);
    const auto b = TidyText(text, options, BuiltinRules(), ref);
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(*a == *b) << path << ": fast and reference differ (sizes " << a->size() << ", "
                          << b->size() << ")";
  }
}

}  // namespace
}  // namespace folian::tidy
