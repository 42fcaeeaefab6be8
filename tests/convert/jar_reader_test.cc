// Jar2txt: the three archive layouts, marks and terminating zeros, the
// choice of GBK or UTF-8, archives that hold no book, and the phone e-book
// in the shared samples against its true text.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "charset/codepage.h"
#include "convert/jar/jar_reader.h"
#include "convert/limits.h"
#include "support/temp_dir.h"
#include "zip_fixture.h"
#include "text_read.h"
#include "support/bytes.h"

namespace folian::convert {
namespace {

using folian::testing::Utf16;
using testing::MakeZip;

using Read = folian::testing::TextRead;

Read ReadArchive(const std::string& bytes) { return testing::ReadText(ReadJar, bytes); }

std::string Gbk(std::u16string_view t) { return charset::FromWide(charset::kGbk, t); }

TEST(JarReader, SmallInfoEntryMeansEntryOneIsTheWholeBook) {
  const std::u16string text = u"第一回\r\n正文?\r\n";
  for (const std::string& entry : {"HB" + Utf16(text) + std::string(2, '\0'), "\xFF\xFE" + Utf16(text)}) {
    const Read r = ReadArchive(MakeZip({{"META-INF/MANIFEST.MF", "m"}, {"0", std::string(1023, 'i')},
                                        {"1", entry}, {"2", "\xFF\xFE" + Utf16(std::u16string(600, u'多'))}}));
    ASSERT_TRUE(r.status) << r.status.message();
    EXPECT_EQ(r.encoding, TextEncoding::kGbk);
    EXPECT_EQ(r.text, Gbk(text)) << "no mark, no zero unit, \"?\" kept, entry 2 not read";
  }
}

TEST(JarReader, LargeInfoEntryMeansNumberedParts) {
  // "0" of 1,024 bytes and "2" of 1,024 bytes are parts; "1" of 1,023 is not.
  const std::u16string p0(511, u'甲'), p2(509, u'丙'), p4(600, u'戊');
  const Read r = ReadArchive(MakeZip({{"0", "\xFF\xFE" + Utf16(p0)},
                                      {"1", "\xFF\xFE" + Utf16(std::u16string(510, u'乙')) + "\x01"},
                                      {"2", "\xFF\xFE" + Utf16(p2) + std::string(4, '\0')},
                                      {"4", "\xFF\xFE" + Utf16(p4)}}));  // after the gap: not a part
  ASSERT_TRUE(r.status) << r.status.message();
  EXPECT_EQ(r.text, Gbk(p0 + p2));
}

TEST(JarReader, EbookTextEntry) {
  // Mostly simplified: its stray traditional character is simplified too.
  Read r = ReadArchive(MakeZip({{"ebook/txt/1.txt", "\xFF\xFE" + Utf16(u"这本書说得好")}}));
  ASSERT_TRUE(r.status) << r.status.message();
  EXPECT_EQ(r.text, Gbk(u"这本书说得好"));
  // A traditional text stays traditional, in GBK rather than Big5.
  r = ReadArchive(MakeZip({{"ebook/txt/1.txt", "\xFF\xFE" + Utf16(u"這本書說得好")}}));
  ASSERT_TRUE(r.status);
  EXPECT_EQ(r.encoding, TextEncoding::kGbk);
  EXPECT_EQ(r.text, Gbk(u"這本書說得好"));
}

TEST(JarReader, DataFolderFilesInArchiveOrder) {
  const Read r = ReadArchive(MakeZip({{"DATA/xxxx/", ""},
                                      {"data/xxxx/002", "\xEF\xBB\xBF第二章\r\n"},
                                      {"DATA/XXXX/info", "书名"},
                                      {"data/xxxx/001", "第一章\r\n"},
                                      {"data/xxxx/sub/deeper", "不是正文"},
                                      {"other/003", "不是正文"}}));
  ASSERT_TRUE(r.status) << r.status.message();
  EXPECT_EQ(r.text, Gbk(u"第二章\r\n第一章\r\n"));
}

TEST(JarReader, WritesUtf8WhenGbkCannotHoldTheBook) {
  const Read r = ReadArchive(MakeZip({{"0", "i"}, {"1", "\xFF\xFE" + Utf16(u"한국어 and 中文")}}));
  ASSERT_TRUE(r.status);
  EXPECT_EQ(r.encoding, TextEncoding::kUtf8Mark);
  EXPECT_EQ(r.text, "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 and \xE4\xB8\xAD\xE6\x96\x87");
}

TEST(JarReader, ArchivesWithoutABookAreRefused) {
  for (const std::string& bytes :
       {std::string("plain text, not an archive"), MakeZip({{"a.class", "\xCA\xFE"}, {"META-INF/MANIFEST.MF", "m"}})}) {
    const Read r = ReadArchive(bytes);
    EXPECT_FALSE(r.status);
    EXPECT_FALSE(r.status.message().empty());
    EXPECT_TRUE(r.text.empty());
  }
  // A damaged entry is reported, not read as far as it goes.
  std::u16string varied;
  for (int i = 0; i < 4000; ++i) varied += static_cast<char16_t>(0x4E00 + i * 7919 % 20000);
  std::string zip = MakeZip({{"0", "i"}, {"1", "\xFF\xFE" + Utf16(varied)}});
  const std::size_t data = zip.find("PK\x03\x04", 4) + 30 + 1;  // entry 1's data
  zip[data + 100] ^= 0x5A;
  EXPECT_FALSE(ReadArchive(zip).status);
}

std::vector<std::string> Lines(const std::string& utf8) {
  std::vector<std::string> out;
  std::istringstream in(utf8);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return out;
}

TEST(JarReader, SharedPhoneBookGivesItsTrueText) {
  const auto dir = std::filesystem::path(FOLIAN_SHARED_DIR) / "formats/generated/jar";
  const auto jar = dir / "zh_shuihu.layout1-numbered-whole.jar";
  if (!std::filesystem::exists(jar)) GTEST_SKIP() << "no shared samples at " << dir;
  const Read r = ReadArchive(testing::ReadBytes(jar));
  ASSERT_TRUE(r.status) << r.status.message();
  EXPECT_EQ(r.encoding, TextEncoding::kGbk);
  const auto truth = Lines(testing::ReadBytes(dir / "zh_shuihu.layout1-numbered-whole.jar.truth.txt"));
  const auto ours = Lines(charset::GbkToUtf8(r.text));
  EXPECT_EQ(ours.size(), truth.size());
  EXPECT_TRUE(ours == truth);
}

}  // namespace
}  // namespace folian::convert
