// The converter's segmentation and matching rules on small dictionaries,
// each case also checked against OpenCC configured with the same
// dictionaries (the reference for what the rules are).
#include "charset/script_table.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "charset/codepage.h"
#include "opencc_oracle.h"
#include "support/temp_dir.h"

namespace folian::charset {
namespace {

using testing::TextEntries;

std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8); }

Dictionary ToDictionary(const TextEntries& entries) {
  Dictionary d;
  for (const auto& [key, values] : entries) d.Add(key, std::string_view(values).substr(0, values.find(' ')));
  return d;
}

// One dictionary pair, as our table and as OpenCC's converter.
class Pair {
 public:
  Pair(const TextEntries& phrases, const TextEntries& characters) {
    testing::WriteTextDictionary(dir_ / "p.txt", phrases);
    testing::WriteTextDictionary(dir_ / "c.txt", characters);
    testing::WriteConfig(dir_ / "cfg.json", dir_ / "p.txt", dir_ / "c.txt", "text");
    oracle_ = std::make_unique<testing::OpenccOracle>(dir_ / "cfg.json");
    table_ = ScriptTable::Build(ToDictionary(phrases), ToDictionary(characters));
  }
  std::string Ours(std::string_view gbk) const { return table_->Convert(gbk); }
  std::string Theirs(std::string_view gbk) const { return oracle_->ConvertGbk(gbk); }

 private:
  folian::testing::TempDir dir_;
  std::unique_ptr<testing::OpenccOracle> oracle_;
  std::unique_ptr<const ScriptTable> table_;
};

// Converts UTF-8 `text` (as GBK) both ways; both must give `want`.
void Expect(const Pair& pair, std::string_view text, std::string_view want) {
  const std::string gbk = Gbk(text);
  EXPECT_EQ(GbkToUtf8(pair.Ours(gbk)), want) << text;
  EXPECT_EQ(GbkToUtf8(pair.Theirs(gbk)), want) << text << " (OpenCC)";
}

TEST(ScriptTable, LongestPhraseFirstThenCharacters) {
  const Pair pair({{"甲乙", "A"}, {"甲乙丙", "B"}, {"乙丙丁", "X"}},
                  {{"甲", "J"}, {"乙", "Y"}, {"丁", "D"}});
  Expect(pair, "甲乙丙丁", "BD");    // 甲乙丙 beats 甲乙; 乙丙丁 never starts
  Expect(pair, "甲乙丁", "AD");
  Expect(pair, "乙甲乙丙丁", "YBD");  // 乙 starts no phrase that matches here
  Expect(pair, "乙丙丁甲", "XJ");
  Expect(pair, "", "");
}

TEST(ScriptTable, CharacterKeysStopWherePhrasesStart) {
  // Between phrases the character dictionary converts, longest key first,
  // but a key never reaches into the next phrase.
  const Pair pair({{"丁戊", "Q"}}, {{"丙丁", "Z"}, {"丙", "c"}, {"丁", "d"}, {"丙丁己", "W"}});
  Expect(pair, "丙丁", "Z");
  Expect(pair, "丙丁戊", "cQ");
  Expect(pair, "丙丁己", "W");
  Expect(pair, "甲丙丁乙", "甲Z乙");  // the run 甲丙丁乙 is converted as one
}

TEST(ScriptTable, OneCharacterPhrasesAndValuesOfOtherLengths) {
  const Pair pair({{"甲", "一二"}, {"乙丙", "三"}}, {{"丁", "四五六七"}, {"戊", "ab"}});
  Expect(pair, "甲乙丙丁戊", "一二三四五六七ab");
}

TEST(ScriptTable, NothingMatchesAcrossBreaksOrBytesThatAreNotCharacters) {
  const Pair pair({{"甲乙", "A"}}, {{"丙丁", "B"}, {"甲", "j"}, {"乙", "y"}});
  for (const std::string& sep : std::vector<std::string>{"\n", "\r\n", std::string(1, '\0'), " "}) {
    Expect(pair, "甲" + sep + "乙", "j" + sep + "y");
    Expect(pair, "丙" + sep + "丁", "丙" + sep + "丁");
  }
  // A lead byte whose second byte cannot trail is copied as it is.
  const std::string broken = Gbk("甲") + "\x81\n" + Gbk("乙丙") + "\xD6";
  EXPECT_EQ(pair.Ours(broken), "j\x81\ny" + Gbk("丙") + "\xD6");
  EXPECT_EQ(pair.Theirs(broken), pair.Ours(broken));
}

TEST(ScriptTable, WhatGbkCannotHold) {
  // Values with characters GBK lacks (Thai, outside the BMP) give "?" for
  // each; keys with such characters can never match GBK text.
  const Pair pair({{"甲乙", "ก乙"}, {"ก甲", "X"}, {"丙𠀀", "Y"}}, {{"丙", "𠀀"}, {"丁", "丁ก丁"}});
  Expect(pair, "甲乙", "?乙");
  Expect(pair, "丙", "?");
  Expect(pair, "丁", "丁?丁");
  EXPECT_EQ(pair.Ours(Gbk("甲乙丙丁")), pair.Theirs(Gbk("甲乙丙丁")));
}

TEST(ScriptTable, ResumingAnywhereGivesOneRunsResult) {
  const Pair pair({{"甲乙", "A"}, {"乙丙丁戊", "B"}}, {{"丙丁", "Z"}, {"甲", "j"}});
  const std::string text = Gbk("甲乙丙丁戊甲\n乙丙丁戊丙丁甲a") + "\x81" + Gbk("乙丙");
  const std::string whole = pair.Ours(text);
  EXPECT_EQ(whole, pair.Theirs(text));
  const auto table = ScriptTable::Build(ToDictionary({{"甲乙", "A"}, {"乙丙丁戊", "B"}}),
                                        ToDictionary({{"丙丁", "Z"}, {"甲", "j"}}));
  for (std::size_t step = 1; step <= 9; ++step) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
      const std::size_t next = table->Convert(text, pos, pos + step, &out);
      ASSERT_GE(next, pos + std::min(step, text.size() - pos)) << step;
      pos = next;
    }
    EXPECT_EQ(out, whole) << "slices of " << step;
  }
}

// Random dictionaries over a few characters and random texts over the same
// characters plus line breaks, ASCII, NUL and bytes that are not GBK
// characters: every text converts as OpenCC converts it.
TEST(ScriptTable, RandomDictionariesAgreeWithOpencc) {
  const std::vector<std::string> chars = {"甲", "乙", "丙", "丁", "戊", "a"};
  const std::vector<std::string> value_chars = {"子", "丑", "ก", "𠀀", "b", "甲"};
  const std::vector<std::string> text_extras = {"\n", std::string(1, '\0'), "\x81", "\x80", "x"};
  std::mt19937 rng(2024);
  auto random_key = [&](std::size_t max_len) {
    std::string key;
    const std::size_t len = 1 + rng() % max_len;
    for (std::size_t i = 0; i < len; ++i) key += chars[rng() % chars.size()];
    return key;
  };
  auto random_value = [&] {
    std::string v;
    const std::size_t len = 1 + rng() % 3;
    for (std::size_t i = 0; i < len; ++i) v += value_chars[rng() % value_chars.size()];
    return v;
  };
  auto entries = [&](std::size_t count, std::size_t max_len) {
    std::set<std::string> keys;
    while (keys.size() < count) keys.insert(random_key(max_len));
    TextEntries out;
    for (const auto& k : keys) out.emplace_back(k, random_value());
    return out;
  };
  int compared = 0;
  for (int round = 0; round < 60; ++round) {
    const Pair pair(entries(1 + rng() % 12, 4), entries(1 + rng() % 6, 3));
    for (int t = 0; t < 40; ++t) {
      std::string text;
      const std::size_t len = rng() % 16;
      for (std::size_t i = 0; i < len; ++i) {
        text += rng() % 5 == 0 ? text_extras[rng() % text_extras.size()] : Gbk(chars[rng() % chars.size()]);
      }
      ASSERT_EQ(pair.Ours(text), pair.Theirs(text)) << "round " << round << " text " << GbkToUtf8(text);
      ++compared;
    }
  }
  EXPECT_EQ(compared, 60 * 40);
}

}  // namespace
}  // namespace folian::charset
