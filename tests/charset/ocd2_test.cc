// Reading OpenCC's .ocd2 dictionaries, checked against OpenCC's own reading
// of the same files: the installed ones and ones OpenCC writes for us.
#include "charset/ocd2.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "opencc_oracle.h"
#include "support/temp_dir.h"
#include "test_data.h"

namespace folian::charset {
namespace {

using testing::TextEntries;

TextEntries Ours(const Ocd2Result& r) {
  TextEntries out;
  for (std::size_t i = 0; i < r.dict.size(); ++i) out.emplace_back(r.dict.key(i), r.dict.value(i));
  return out;
}

// Reads `ocd2` both ways and compares every key and default value, in order.
void ExpectSameAsOpencc(const std::filesystem::path& ocd2) {
  const Ocd2Result ours = ReadOcd2File(ocd2);
  ASSERT_EQ(ours.status, Ocd2Status::kOk) << ocd2 << ": " << Ocd2StatusText(ours.status) << " at " << ours.offset;
  EXPECT_EQ(ours.offset, std::filesystem::file_size(ocd2)) << ocd2;
  const TextEntries theirs = testing::ReadOcd2WithOpencc(ocd2);
  const TextEntries mine = Ours(ours);
  ASSERT_EQ(mine.size(), theirs.size()) << ocd2;
  for (std::size_t i = 0; i < mine.size(); ++i) {
    ASSERT_EQ(mine[i], theirs[i]) << ocd2 << " entry " << i;
  }
}

TEST(Ocd2, InstalledDictionariesReadAsOpenccReadsThem) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(FOLIAN_OPENCC_DATA_DIR, ec)) {
    if (e.path().extension() == ".ocd2") files.push_back(e.path());
  }
  if (files.empty()) GTEST_SKIP() << "no OpenCC dictionaries under " FOLIAN_OPENCC_DATA_DIR;
  for (const auto& f : files) ExpectSameAsOpencc(f);
}

// Keys built to exercise every part of the trie format: shared prefixes and
// suffixes (links into nested tries), long tails, keys that are prefixes of
// others, a one-character key, several values.
TextEntries ShapedEntries(unsigned seed, std::size_t count) {
  const std::vector<std::string> alphabet = {"一", "二", "三", "四", "发", "頭", "a", "Z", "𠀀"};
  std::mt19937 rng(seed);
  std::set<std::string> keys;
  keys.insert("一");
  std::string long_key;
  for (int i = 0; i < 60; ++i) long_key += alphabet[static_cast<std::size_t>(i) % alphabet.size()];
  keys.insert(long_key);
  keys.insert(long_key.substr(0, 30));
  while (keys.size() < count) {
    std::string key;
    const std::size_t len = 1 + rng() % (rng() % 4 == 0 ? 24 : 5);
    for (std::size_t i = 0; i < len; ++i) key += alphabet[rng() % alphabet.size()];
    keys.insert(key);
  }
  TextEntries entries;
  for (const auto& key : keys) {
    std::string values = key + "v";
    if (rng() % 3 == 0) values += " " + key + "w";
    entries.emplace_back(key, values);
  }
  return entries;
}

TEST(Ocd2, DictionariesOpenccWritesReadBackWhole) {
  folian::testing::TempDir dir;
  for (const std::size_t count : {std::size_t{1}, std::size_t{40}, std::size_t{3000}}) {
    testing::WriteTextDictionary(dir / "d.txt", ShapedEntries(static_cast<unsigned>(count), count));
    testing::WriteOcd2(dir / "d.txt", dir / "d.ocd2");
    SCOPED_TRACE(count);
    ExpectSameAsOpencc(dir / "d.ocd2");
  }
}

class DamagedOcd2 : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WriteTextDictionary(dir_ / "d.txt", ShapedEntries(7, 60));
    testing::WriteOcd2(dir_ / "d.txt", dir_ / "d.ocd2");
    bytes_ = testing::ReadFile(dir_ / "d.ocd2");
    ASSERT_EQ(ParseOcd2(bytes_).status, Ocd2Status::kOk);
  }
  folian::testing::TempDir dir_;
  std::string bytes_;
};

TEST_F(DamagedOcd2, EveryTruncationIsRefused) {
  for (std::size_t n = 0; n < bytes_.size(); ++n) {
    const Ocd2Result r = ParseOcd2(std::string_view(bytes_).substr(0, n));
    ASSERT_NE(r.status, Ocd2Status::kOk) << "cut at " << n;
    EXPECT_TRUE(r.dict.empty());
    EXPECT_LE(r.offset, n);
  }
}

TEST_F(DamagedOcd2, EachPartNamesItsFault) {
  std::string b = bytes_;
  b[0] = 'X';
  EXPECT_EQ(ParseOcd2(b).status, Ocd2Status::kBadHeader);

  b = bytes_;
  b[19] = 'w';  // "We love Marisa." after the OpenCC magic
  EXPECT_EQ(ParseOcd2(b).status, Ocd2Status::kBadTrie);

  // The last value's length points past the value strings.
  b = bytes_;
  b[b.size() - 1] = '\x7F';
  EXPECT_EQ(ParseOcd2(b).status, Ocd2Status::kBadValues);

  EXPECT_EQ(ReadOcd2File(dir_ / "absent.ocd2").status, Ocd2Status::kCannotRead);
}

TEST_F(DamagedOcd2, FlippedBytesNeverCrash) {
  std::mt19937 rng(11);
  std::size_t refused = 0;
  for (int i = 0; i < 3000; ++i) {
    std::string b = bytes_;
    const int flips = 1 + static_cast<int>(rng() % 3);
    for (int k = 0; k < flips; ++k) b[rng() % b.size()] ^= static_cast<char>(1u << (rng() % 8));
    const Ocd2Result r = ParseOcd2(b);
    if (r.status != Ocd2Status::kOk) {
      ++refused;
      EXPECT_TRUE(r.dict.empty());
    }
  }
  EXPECT_GT(refused, 0u);
}

}  // namespace
}  // namespace folian::charset
