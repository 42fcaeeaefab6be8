// Every combination of the Tidy options over parts of the shared novels:
// no line of indentation alone, no blank line at the start, no line of
// punctuation alone and no leftovers of a removed web address.
//
// The parts are the polluted novels' first lines (where download sites put
// their notices) with a stretch from their middle, and the openings of the
// clean novels, small enough that all 1,296 combinations run in seconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "charset/codepage.h"
#include "test_support.h"
#include "tidy/ad_removal.h"
#include "tidy/tidy_text.h"

namespace folian::tidy {
namespace {

using testing::U;

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Lines [from, from + count) of a text, with their line ends.
std::string Part(const std::string& text, std::size_t from, std::size_t count) {
  std::size_t begin = 0, line = 0;
  while (line < from && begin < text.size()) {
    begin = text.find('\n', begin);
    if (begin == std::string::npos) return {};
    ++begin;
    ++line;
  }
  std::size_t end = begin;
  for (std::size_t k = 0; k < count && end < text.size(); ++k) {
    end = text.find('\n', end);
    end = end == std::string::npos ? text.size() : end + 1;
  }
  return text.substr(begin, end - begin);
}

std::size_t LineCount(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

struct Sample {
  std::string name;
  std::string gbk;
};

std::vector<Sample> Samples() {
  std::vector<Sample> out;
  for (const auto& path : testing::SharedTextFiles()) {
    const std::string name = path.filename().string();
    if (name.find("utf8") != std::string::npos) continue;  // the same novel again
    const std::string text = ReadFile(path);
    if (name.starts_with("polluted")) {
      out.push_back({name, Part(text, 0, 30) + Part(text, LineCount(text) / 2, 30)});
    } else if (!out.empty() && out.front().name == "clean") {
      out.front().gbk += Part(text, 0, 4);
    } else {
      out.insert(out.begin(), {"clean", Part(text, 0, 4)});
    }
  }
  return out;
}

// Classes of the characters of a line, judged on its Unicode form
// independently of the engine's own GBK classes.
struct Kinds {
  bool blank = true;    // only blanks, tabs, full-width blanks (or nothing)
  bool content = false; // a Chinese character
  int alnum = 0;        // letters and digits of any script, numbers in circles
};

Kinds Classify(std::string_view gbk) {
  Kinds k;
  for (char16_t c : charset::ToWide(charset::kGbk, gbk)) {
    if (c == u' ' || c == u'\t' || c == u'\u3000') continue;
    k.blank = false;
    const bool ascii_alnum = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    const bool wide_alnum = (c >= u'\uFF10' && c <= u'\uFF19') || (c >= u'\uFF21' && c <= u'\uFF3A') ||
                            (c >= u'\uFF41' && c <= u'\uFF5A');
    const bool letters = (c >= u'\u00C0' && c <= u'\u1FFF') || (c >= u'\u2160' && c <= u'\u217F') ||
                         (c >= u'\u2460' && c <= u'\u24FF') || (c >= u'\u3040' && c <= u'\u312F');
    if (ascii_alnum || wide_alnum || letters) {
      ++k.alnum;
    } else if ((c >= u'\u3400' && c <= u'\u9FFF') || (c >= u'\uF900' && c <= u'\uFAFF') ||
               (c >= u'\uE000' && c <= u'\uF8FF')) {
      k.content = true;
    }
  }
  return k;
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> out;
  std::size_t from = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", from)) {
    out.emplace_back(text.substr(from, at - from));
    from = at + 2;
  }
  if (from < text.size()) out.emplace_back(text.substr(from));
  return out;
}

std::string Describe(const TidyOptions& o) {
  std::ostringstream s;
  s << "num=" << o.num_convert << " char=" << o.char_convert << " punc=" << o.punc_convert
    << " paragraph=" << o.paragraph << " indent=" << o.indent << " ads=" << o.has_adver
    << " split=" << o.split_at_fullstop;
  return s.str();
}

// The line without its indentation.
std::string_view Trimmed(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (line.starts_with("\xA1\xA1")) line.remove_prefix(2);
  return line;
}

// The checks on one tidied text; `plain` is the same text tidied without
// advertisement removal (null for that run itself).
void CheckText(const std::string& out, const std::vector<std::string>* plain, const std::string& where) {
  const std::vector<std::string> lines = Lines(out);
  if (!lines.empty()) {
    ASSERT_FALSE(Classify(lines.front()).blank) << where << ": starts with a blank line";
  }
  for (const std::string& line : lines) {
    const Kinds k = Classify(line);
    ASSERT_TRUE(line.empty() || !k.blank) << where << ": a line of indentation alone";
    if (k.blank) continue;
    ASSERT_TRUE(k.content || k.alnum > 0) << where << ": a line of punctuation alone: " << U(line);
    // Leftovers of an address: no Chinese, a few letters or digits, and not
    // in the text before the removal.
    if (plain != nullptr && !k.content && k.alnum <= 4) {
      const bool before = std::any_of(plain->begin(), plain->end(), [&](const std::string& p) {
        return Trimmed(p) == Trimmed(line);
      });
      ASSERT_TRUE(before) << where << ": leftovers of a removed advertisement: " << U(line);
    }
  }
}

// Advertisement removal costs the same whatever the layout options, so each
// sample is tidied once per choice of the other options with the layout
// left as it is, and the 12 layouts are laid over that result. That this
// is what a whole run with those options gives is checked by real runs: all
// of them without advertisement removal, and a spread of them with it.
TEST(LayoutProperty, EveryOptionCombinationOnTheSharedNovels) {
  const std::vector<Sample> samples = Samples();
  if (samples.empty()) GTEST_SKIP() << "shared text material not found under " << testing::SharedText();
  // The parts hold no paragraph of punctuation alone: their lines of it are
  // the tails of hard-wrapped paragraphs, which belong to the line before.
  const AdRemover remover(BuiltinRules());
  TidyParams params;
  params.remover = &remover;
  int combination = 0, checked = 0, whole_runs = 0;
  for (int num = 1; num <= 3; ++num)
  for (int chr = 1; chr <= 3; ++chr)
  for (int punc = 1; punc <= 3; ++punc)
  for (int split = 0; split <= 1; ++split, ++combination) {
    TidyOptions o = TidyOptions::AtStart();
    o.num_convert = num;
    o.char_convert = chr;
    o.punc_convert = punc;
    o.split_at_fullstop = split == 1;
    o.paragraph = 3;
    o.indent = 1;
    TidyOptions spread = o;
    spread.paragraph = 1 + combination % 3;
    spread.indent = 1 + combination / 3 % 4;
    for (const Sample& sample : samples) {
      std::optional<std::string> base[2];
      for (int ads = 0; ads <= 1; ++ads) {
        o.has_adver = spread.has_adver = ads;
        base[ads] = TidyText(sample.gbk, o, BuiltinRules(), params);
        ASSERT_TRUE(base[ads]);
        if (ads == 0 || combination % 9 == 0) {
          const auto whole = TidyText(sample.gbk, spread, BuiltinRules(), params);
          ASSERT_TRUE(whole);
          ASSERT_EQ(*whole, ApplyLayout(*base[ads], spread)) << sample.name << " " << Describe(spread);
          ++whole_runs;
        }
      }
      for (int paragraph = 1; paragraph <= 3; ++paragraph) {
        for (int indent = 1; indent <= 4; ++indent) {
          TidyOptions full = o;
          full.paragraph = paragraph;
          full.indent = indent;
          full.has_adver = 0;
          const std::string plain = ApplyLayout(*base[0], full);
          CheckText(plain, nullptr, sample.name + " " + Describe(full));
          full.has_adver = 1;
          const std::vector<std::string> plain_lines = Lines(plain);
          CheckText(ApplyLayout(*base[1], full), &plain_lines, sample.name + " " + Describe(full));
          if (::testing::Test::HasFatalFailure()) return;
          checked += 2;
        }
      }
    }
  }
  EXPECT_EQ(checked, 3 * 3 * 3 * 2 * 3 * 4 * 2 * static_cast<int>(samples.size()));
  EXPECT_GT(whole_runs, 54 * static_cast<int>(samples.size()));
}

}  // namespace
}  // namespace folian::tidy
