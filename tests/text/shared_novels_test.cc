// Whole novels from the shared test material: loading the UTF-8 copy must give
// exactly the GBK copy, and saving must give back the original bytes.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "text/text_file.h"

namespace folian::text {
namespace {

using folian::testing::ReadBytes;
using folian::testing::TempDir;

const std::filesystem::path kShared = FOLIAN_SHARED_DIR;

TEST(SharedNovelsTest, Utf8AndGbkCopiesLoadAlike) {
  // These three have no characters GBK lacks, so their copies are equal.
  for (const char* name : {"xiyouji", "laocan", "rulin"}) {
    SCOPED_TRACE(name);
    auto utf8 = kShared / "text" / "clean" / (std::string(name) + ".utf8.txt");
    auto gbk = kShared / "text" / "clean" / (std::string(name) + ".gbk.txt");
    if (!std::filesystem::exists(utf8) || !std::filesystem::exists(gbk))
      GTEST_SKIP() << "shared novels not found under " << kShared;
    LoadedText from_utf8, from_gbk;
    ASSERT_TRUE(LoadTextFile(utf8, &from_utf8));
    ASSERT_TRUE(LoadTextFile(gbk, &from_gbk));
    EXPECT_EQ(from_utf8.encoding, (StoredEncoding{kBomUtf8, false}));
    EXPECT_EQ(from_gbk.encoding, (StoredEncoding{kBomAnsi, false}));
    EXPECT_EQ(from_utf8.unmappable, 0u);
    ASSERT_TRUE(from_utf8.text == from_gbk.text) << "the two loads differ";

    TempDir dir;
    ASSERT_TRUE(SaveTextFile(dir / "out.txt", from_utf8.text, from_utf8.encoding));
    EXPECT_TRUE(ReadBytes(dir / "out.txt") == ReadBytes(utf8)) << "save changed the UTF-8 file";
  }
}

TEST(SharedNovelsTest, MarkedAndAnsiVariantsOfAPollutedNovel) {
  auto ansi = kShared / "text" / "polluted" / "polluted-dev-01.txt";
  auto marked = kShared / "text" / "polluted" / "polluted-dev-01.utf8bom.txt";
  if (!std::filesystem::exists(ansi) || !std::filesystem::exists(marked))
    GTEST_SKIP() << "shared polluted novels not found under " << kShared;
  LoadedText a, m;
  ASSERT_TRUE(LoadTextFile(ansi, &a));
  ASSERT_TRUE(LoadTextFile(marked, &m));
  EXPECT_EQ(m.encoding, (StoredEncoding{kBomUtf8, true}));
  EXPECT_EQ(m.codepage, 65001);
  EXPECT_EQ(a.encoding.bom_class, kBomAnsi);
  EXPECT_TRUE(a.text == m.text);
  TempDir dir;
  ASSERT_TRUE(SaveTextFile(dir / "out.txt", m.text, m.encoding));
  EXPECT_TRUE(ReadBytes(dir / "out.txt") == ReadBytes(marked));
}

}  // namespace
}  // namespace folian::text
