// The compound file reader on files built by cfb_fixture.h: streams in
// regular and mini sectors, both sector sizes, the DIFAT chain, and the
// damage a hostile or broken file brings (loops, sectors outside the file,
// lying sizes, cyclic directory trees).
#include "convert/doc/compound_file.h"

#include <gtest/gtest.h>

#include <string>

#include "cfb_fixture.h"
#include "convert/messages.h"

namespace folian::convert::doc {
namespace {

using testing::CfbOptions;
using testing::MakeCompoundFile;

std::string Pattern(std::size_t n, char seed) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + static_cast<char>(i * 7 % 251));
  return s;
}

std::string StreamOf(const CompoundFile& cf, std::u16string_view name) {
  const DirEntry* e = cf.FindInRoot(name);
  if (e == nullptr) return "<none>";
  std::string out;
  const Status st = cf.ReadStream(*e, &out);
  return st.ok() ? out : "<error>";
}

TEST(CompoundFile, ReadsRegularAndMiniStreamsWithBothSectorSizes) {
  const std::string big = Pattern(70000, 'a');   // regular sectors
  const std::string small = Pattern(100, 'b');   // two mini sectors
  const std::string tiny = "x";
  for (unsigned shift : {9u, 12u}) {
    CfbOptions opt;
    opt.sector_shift = shift;
    const std::string file = MakeCompoundFile({{u"Big", big}, {u"Small", small}, {u"Tiny", tiny}, {u"Empty", ""}}, opt);
    CompoundFile cf;
    ASSERT_TRUE(cf.Open(file).ok()) << shift;
    EXPECT_EQ(StreamOf(cf, u"Big"), big) << shift;
    EXPECT_EQ(StreamOf(cf, u"Small"), small) << shift;
    EXPECT_EQ(StreamOf(cf, u"Tiny"), tiny) << shift;
    EXPECT_EQ(StreamOf(cf, u"Empty"), "") << shift;
    EXPECT_EQ(StreamOf(cf, u"big"), big) << "names compare ignoring case";
    EXPECT_EQ(StreamOf(cf, u"Missing"), "<none>");
  }
}

TEST(CompoundFile, FollowsTheDifatPastTheHeadersHundredAndNineFatSectors) {
  CfbOptions opt;
  opt.extra_fat = 240;  // two DIFAT sectors' worth
  const std::string data = Pattern(9000, 'c');
  const std::string file = MakeCompoundFile({{u"WordDocument", data}}, opt);
  ASSERT_GT(static_cast<std::uint32_t>(testing::GetLe(file, 0x48, 4)), 1u) << "the fixture must need a DIFAT chain";
  CompoundFile cf;
  ASSERT_TRUE(cf.Open(file).ok());
  EXPECT_EQ(StreamOf(cf, u"WordDocument"), data);

  std::string cut = file;
  testing::PutLe(cut, 0x48, 1, 4);  // fewer DIFAT sectors than the FAT needs
  EXPECT_EQ(cf.Open(cut).message(), msg::kDocDamaged);

  // The link at the end of the first DIFAT sector, pointing outside the file
  // or at a chain mark instead of the second.
  const auto first_difat = static_cast<std::size_t>(testing::GetLe(file, 0x44, 4));
  const std::size_t link_at = (first_difat + 1) * 512 + 508;
  ASSERT_EQ(testing::GetLe(file, link_at, 4), first_difat + 1) << "the link slot";
  for (const std::uint32_t link : {0x00FFFFFFu, testing::kCfbEnd}) {
    std::string away = file;
    testing::PutLe(away, link_at, link, 4);
    EXPECT_EQ(cf.Open(away).message(), msg::kDocDamaged) << link;
  }
}

TEST(CompoundFile, FindsOnlyTheRootsChildren) {
  // An embedded document's stream of the same name must not be taken.
  const std::string file =
      MakeCompoundFile({{u"WordDocument", "inner", u"ObjectPool"}, {u"Other", "root's own"}});
  CompoundFile cf;
  ASSERT_TRUE(cf.Open(file).ok());
  EXPECT_EQ(cf.FindInRoot(u"WordDocument"), nullptr);
  EXPECT_EQ(StreamOf(cf, u"Other"), "root's own");
}

TEST(CompoundFile, RefusesWhatIsNotACompoundFile) {
  CompoundFile cf;
  EXPECT_EQ(cf.Open("").message(), msg::kDocNotCompound);
  EXPECT_EQ(cf.Open(std::string(600, 'x')).message(), msg::kDocNotCompound);
  std::string file = MakeCompoundFile({{u"A", "a"}});
  EXPECT_TRUE(cf.Open(file).ok());
  EXPECT_EQ(cf.Open(file.substr(0, 511)).message(), msg::kDocNotCompound) << "shorter than a header";
  std::string bad_shift = file;
  testing::PutLe(bad_shift, 0x1E, 20, 2);
  EXPECT_EQ(cf.Open(bad_shift).message(), msg::kDocDamaged);
  std::string bad_order = file;
  testing::PutLe(bad_order, 0x1C, 0xFEFF, 2);
  EXPECT_EQ(cf.Open(bad_order).message(), msg::kDocDamaged);
  std::string many_fat = file;
  testing::PutLe(many_fat, 0x2C, 0x7FFFFFFF, 4);  // more FAT sectors than the file has sectors
  EXPECT_EQ(cf.Open(many_fat).message(), msg::kDocDamaged);
}

TEST(CompoundFile, ALoopingOrEscapingChainIsDamageNotAHang) {
  const std::string data = Pattern(8192, 'd');  // sectors 0..15
  const std::string file = MakeCompoundFile({{u"S", data}});
  CompoundFile cf;

  std::string loop = file;
  testing::SetFatEntry(&loop, 5, 2);  // 0 1 2 3 4 5 -> 2 ...
  ASSERT_TRUE(cf.Open(loop).ok());
  EXPECT_EQ(StreamOf(cf, u"S"), "<error>");

  std::string self = file;
  testing::SetFatEntry(&self, 0, 0);
  ASSERT_TRUE(cf.Open(self).ok());
  EXPECT_EQ(StreamOf(cf, u"S"), "<error>");

  std::string outside = file;
  testing::SetFatEntry(&outside, 3, 0x00FFFFFF);
  ASSERT_TRUE(cf.Open(outside).ok());
  EXPECT_EQ(StreamOf(cf, u"S"), "<error>");

  std::string early_end = file;
  testing::SetFatEntry(&early_end, 3, testing::kCfbEnd);  // the chain is shorter than the size
  ASSERT_TRUE(cf.Open(early_end).ok());
  EXPECT_EQ(StreamOf(cf, u"S"), "<error>");

  std::string truncated = file.substr(0, file.size() / 2);  // sectors missing at the end
  if (cf.Open(truncated).ok()) {
    EXPECT_EQ(StreamOf(cf, u"S"), "<error>");
  }
}

TEST(CompoundFile, BadSectorNumbersInTheHeaderAreDamage) {
  const std::string file = MakeCompoundFile({{u"Big", Pattern(8192, 'f')}, {u"Small", "tiny"}});
  CompoundFile cf;
  ASSERT_TRUE(cf.Open(file).ok());
  ASSERT_EQ(StreamOf(cf, u"Small"), "tiny");
  struct Case {
    std::size_t at;
    std::uint32_t value;
    const char* what;
  } cases[] = {
      {0x4C, 0x00FFFFFF, "the first FAT sector outside the file"},
      {0x4C, testing::kCfbEnd, "the first FAT sector a chain mark"},
      {0x30, 0x00FFFFFF, "the directory outside the file"},
      {0x2C, 0x7FFFFFFF, "more FAT sectors than the file has"},
      {0x2C, 0, "no FAT"},
      {0x3C, 0x00FFFFFF, "the MiniFAT outside the file"},
      {0x40, 0x7FFFFFFF, "more MiniFAT sectors than the file has"},
  };
  for (const Case& c : cases) {
    std::string bad = file;
    testing::PutLe(bad, c.at, c.value, 4);
    EXPECT_FALSE(cf.Open(bad).ok()) << c.what;
  }
  // More FAT sectors than the header holds, with a DIFAT chain that loops
  // onto itself or leaves the file.
  std::string big = MakeCompoundFile({{u"S", "s"}}, CfbOptions{9, 120});
  ASSERT_TRUE(cf.Open(big).ok());
  const std::uint32_t first_difat = static_cast<std::uint32_t>(testing::GetLe(big, 0x44, 4));
  ASSERT_NE(first_difat, testing::kCfbEnd);
  std::string loop = big;
  testing::PutLe(loop, 0x48, 0x7FFFFFFF, 4);  // claims a DIFAT chain longer than the file
  testing::PutLe(loop, (std::size_t{first_difat} + 1) * 512 + 508, first_difat, 4);
  if (cf.Open(loop).ok()) {  // ends: the walk is bounded by the FAT's size, not by the claim
    EXPECT_NE(StreamOf(cf, u"S"), "<none>");
  }
  std::string away = big;
  testing::PutLe(away, 0x44, 0x00FFFFFF, 4);
  EXPECT_FALSE(cf.Open(away).ok()) << "a DIFAT chain that leaves the file";
  // A mini stream sector past the mini stream's end.
  std::string mini = file;
  const DirEntry* small = cf.Open(file).ok() ? cf.FindInRoot(u"Small") : nullptr;
  ASSERT_NE(small, nullptr);
  DirEntry moved = *small;
  moved.start = 0x00FFFFFF;
  std::string out;
  EXPECT_FALSE(cf.ReadStream(moved, &out).ok());
}

TEST(CompoundFile, ALyingStreamSizeIsRefused) {
  std::string file = MakeCompoundFile({{u"S", Pattern(5000, 'e')}});
  CompoundFile cf;
  ASSERT_TRUE(cf.Open(file).ok());
  const DirEntry* e = cf.FindInRoot(u"S");
  ASSERT_NE(e, nullptr);
  DirEntry huge = *e;
  huge.size = std::uint64_t{1} << 40;
  std::string out;
  EXPECT_FALSE(cf.ReadStream(huge, &out).ok());
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(cf.ReadStream(*e, &out, /*cap=*/100).ok()) << "over the caller's cap";
}

TEST(CompoundFile, ACyclicDirectoryTreeEnds) {
  std::string file = MakeCompoundFile({{u"A", "a"}, {u"B", "b"}});
  // Directory entries 1 and 2 point at each other on both sides.
  const std::uint32_t dir_sector = static_cast<std::uint32_t>(testing::GetLe(file, 0x30, 4));
  const std::size_t dir = (std::size_t{dir_sector} + 1) * 512;
  testing::PutLe(file, dir + 128 + 68, 2, 4);
  testing::PutLe(file, dir + 256 + 68, 1, 4);
  testing::PutLe(file, dir + 256 + 72, 1, 4);
  CompoundFile cf;
  ASSERT_TRUE(cf.Open(file).ok());
  EXPECT_EQ(cf.FindInRoot(u"Missing"), nullptr);
  EXPECT_EQ(StreamOf(cf, u"B"), "b");
}

TEST(CompoundFile, TheRootMustBeTheFirstEntry) {
  std::string file = MakeCompoundFile({{u"A", "a"}});
  const std::uint32_t dir_sector = static_cast<std::uint32_t>(testing::GetLe(file, 0x30, 4));
  file[(std::size_t{dir_sector} + 1) * 512 + 66] = 2;  // the root typed as a stream
  CompoundFile cf;
  EXPECT_EQ(cf.Open(file).message(), msg::kDocDamaged);
}

}  // namespace
}  // namespace folian::convert::doc
