// The installed s2t and t2s conversions against OpenCC, byte for byte: the
// shared novels both ways, and random GBK text built from the dictionaries'
// own keys (overlapping phrases, phrases cut by line breaks, characters
// whose conversion GBK cannot hold, bytes that are not characters).
#include <gtest/gtest.h>

#include <random>

#include "charset/codepage.h"
#include "charset/ocd2.h"
#include "charset/script.h"
#include "charset/script_table.h"
#include "opencc_oracle.h"
#include "test_data.h"

namespace folian::charset {
namespace {

struct Direction {
  const char* config;
  const char* phrases;
  const char* characters;
  ScriptDirection direction;
};
constexpr Direction kToTraditional = {"s2t.json", "STPhrases.ocd2", "STCharacters.ocd2",
                                      ScriptDirection::kToTraditional};
constexpr Direction kToSimplified = {"t2s.json", "TSPhrases.ocd2", "TSCharacters.ocd2",
                                     ScriptDirection::kToSimplified};

bool HaveOpencc() { return std::filesystem::exists(testing::OpenccConfig("s2t.json")); }

// Where two results part, for a readable failure.
std::string FirstDifference(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  const std::size_t from = i > 30 ? i - 30 : 0;
  return "at byte " + std::to_string(i) + ": ours \"" + GbkToUtf8(a.substr(from, 80)) + "\" OpenCC \"" +
         GbkToUtf8(b.substr(from, 80)) + "\"";
}

TEST(ScriptOpencc, SharedNovelsBothWays) {
  if (!HaveOpencc()) GTEST_SKIP() << "OpenCC's data is not installed";
  const auto novels = testing::SharedGbkNovels();
  if (novels.empty()) GTEST_SKIP() << "shared test material not found under " FOLIAN_SHARED_DIR;
  const testing::OpenccOracle s2t(testing::OpenccConfig("s2t.json"));
  const testing::OpenccOracle t2s(testing::OpenccConfig("t2s.json"));
  const ScriptTable* to_traditional = LoadScriptTable(ScriptDirection::kToTraditional);
  const ScriptTable* to_simplified = LoadScriptTable(ScriptDirection::kToSimplified);
  ASSERT_NE(to_traditional, nullptr);
  ASSERT_NE(to_simplified, nullptr);
  for (const auto& path : novels) {
    SCOPED_TRACE(path.filename().string());
    const std::string simplified = testing::ReadFile(path);
    const std::string traditional = s2t.ConvertGbk(simplified);
    const std::string ours = to_traditional->Convert(simplified);
    ASSERT_TRUE(ours == traditional) << FirstDifference(ours, traditional);
    // Back, from OpenCC's traditional text; for the first novel also
    // straight from the simplified text (mostly left alone, not entirely).
    std::vector<const std::string*> inputs = {&traditional};
    if (path == novels.front()) inputs.push_back(&simplified);
    for (const std::string* in : inputs) {
      const std::string want = t2s.ConvertGbk(*in);
      const std::string back = to_simplified->Convert(*in);
      ASSERT_TRUE(back == want) << FirstDifference(back, want);
    }
  }
}

// Random text made of one direction's own dictionary keys.
class KeyText {
 public:
  KeyText(const Direction& d, unsigned seed) : rng_(seed) {
    const auto dir = std::filesystem::path(FOLIAN_OPENCC_DATA_DIR);
    Collect(ReadOcd2File(dir / d.phrases), &phrases_);
    Collect(ReadOcd2File(dir / d.characters), &characters_);
    // Characters whose converted form GBK lacks, so the result has "?".
    const Ocd2Result chars = ReadOcd2File(dir / d.characters);
    for (std::size_t i = 0; i < chars.dict.size(); ++i) {
      std::size_t defaulted = 0;
      Utf8ToGbk(chars.dict.value(i), &defaulted);
      const std::string key = Utf8ToGbk(chars.dict.key(i));
      if (defaulted != 0 && GbkToUtf8(key) == chars.dict.key(i)) unholdable_.push_back(key);
    }
  }
  bool ok() const { return !phrases_.empty() && !characters_.empty() && !unholdable_.empty(); }

  std::string Next() {
    std::string text;
    const int pieces = 1 + static_cast<int>(rng_() % 12);
    for (int i = 0; i < pieces; ++i) {
      const unsigned kind = rng_() % 10;
      if (kind < 5) {
        text += Overlapped(Pick(phrases_));
      } else if (kind < 7) {
        text += Pick(characters_);
      } else if (kind == 7) {
        text += Pick(unholdable_);
      } else if (kind == 8) {
        text += CutByBreak(Pick(phrases_));
      } else {
        static const std::string kOthers[] = {"\r\n", "\n", " ", "1", std::string(1, '\0'), "\x81", "\xFF"};
        text += kOthers[rng_() % std::size(kOthers)];
      }
    }
    return text;
  }

 private:
  // Keys GBK can hold exactly.
  static void Collect(const Ocd2Result& r, std::vector<std::string>* out) {
    for (std::size_t i = 0; i < r.dict.size(); ++i) {
      std::size_t defaulted = 0;
      const std::string gbk = Utf8ToGbk(r.dict.key(i), &defaulted);
      if (defaulted == 0 && GbkToUtf8(gbk) == r.dict.key(i)) out->push_back(gbk);
    }
  }
  const std::string& Pick(const std::vector<std::string>& v) { return v[rng_() % v.size()]; }
  // A phrase whose first characters are the previous phrase's last ones,
  // so two phrases compete for the same characters.
  std::string Overlapped(const std::string& phrase) {
    if (phrase.size() < 4 || rng_() % 2 == 0) return phrase;
    const std::string& other = Pick(phrases_);
    return phrase + other.substr(std::min<std::size_t>(other.size(), 2 * (1 + rng_() % 2)));
  }
  std::string CutByBreak(const std::string& phrase) {
    if (phrase.size() < 4) return phrase + "\n";
    const std::size_t at = 2 * (1 + rng_() % (phrase.size() / 2 - 1));
    return phrase.substr(0, at) + (rng_() % 2 ? "\r\n" : "\n") + phrase.substr(at);
  }

  std::mt19937 rng_;
  std::vector<std::string> phrases_, characters_, unholdable_;
};

void RandomKeyText(const Direction& d, unsigned seed, int count) {
  if (!HaveOpencc()) GTEST_SKIP() << "OpenCC's data is not installed";
  KeyText gen(d, seed);
  ASSERT_TRUE(gen.ok());
  const testing::OpenccOracle oracle(testing::OpenccConfig(d.config));
  const ScriptTable* table = LoadScriptTable(d.direction);
  ASSERT_NE(table, nullptr);
  int with_question_marks = 0;
  for (int i = 0; i < count; ++i) {
    const std::string text = gen.Next();
    const std::string want = oracle.ConvertGbk(text);
    const std::string ours = table->Convert(text);
    ASSERT_TRUE(ours == want) << "text \"" << GbkToUtf8(text) << "\" " << FirstDifference(ours, want);
    with_question_marks += std::count(ours.begin(), ours.end(), '?') > std::count(text.begin(), text.end(), '?');
  }
  // The generator did reach the characters GBK cannot hold.
  EXPECT_GT(with_question_marks, count / 20);
}

TEST(ScriptOpencc, RandomTextFromSimplifiedKeys) { RandomKeyText(kToTraditional, 1, 4000); }
TEST(ScriptOpencc, RandomTextFromTraditionalKeys) { RandomKeyText(kToSimplified, 2, 4000); }

// The public entry point on one text: the same bytes as the table, and the
// Big5 modes around it.
TEST(ScriptOpencc, ConvertScriptModes) {
  if (!HaveOpencc()) GTEST_SKIP() << "OpenCC's data is not installed";
  const testing::OpenccOracle s2t(testing::OpenccConfig("s2t.json"));
  const testing::OpenccOracle t2s(testing::OpenccConfig("t2s.json"));
  const std::string text = Utf8ToGbk("头发和皇后在后面，里面的干部说：“於是乎…”\r\n第一回");
  std::string a = text;
  ASSERT_EQ(ConvertScript(a, ScriptMode::kGbToGbk, {}), ScriptStatus::kOk);
  EXPECT_EQ(a, s2t.ConvertGbk(text));
  std::string b = text;
  ASSERT_EQ(ConvertScript(b, ScriptMode::kGbToBig5, {}), ScriptStatus::kOk);
  EXPECT_EQ(b, FromWide(kBig5, ToWide(kGbk, s2t.ConvertGbk(text))));
  std::string c = b;
  ASSERT_EQ(ConvertScript(c, ScriptMode::kBig5ToGb, {}), ScriptStatus::kOk);
  EXPECT_EQ(c, t2s.ConvertGbk(FromWide(kGbk, ToWide(kBig5, b))));
  std::string d = a;
  ASSERT_EQ(ConvertScript(d, ScriptMode::kGbkToGb, {}), ScriptStatus::kOk);
  EXPECT_EQ(d, t2s.ConvertGbk(a));
}

}  // namespace
}  // namespace folian::charset
