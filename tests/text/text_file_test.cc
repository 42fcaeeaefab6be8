#include "text/text_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "support/temp_dir.h"
#include "charset/codepage.h"
#include "text/decode.h"
#include "text/encoding_text.h"
#include "support/bytes.h"

namespace folian::text {
namespace {

using folian::testing::Utf16;
using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

// "第一章 雪夜\r\n中文€abc\r\n" in GBK (0x80 is the euro sign in code page 936).
const std::string kGbk = "\xB5\xDA\xD2\xBB\xD5\xC2 \xD1\xA9\xD2\xB9\r\n\xD6\xD0\xCE\xC4\x80" "abc\r\n";
const std::string kUtf8 =
    "\xE7\xAC\xAC\xE4\xB8\x80\xE7\xAB\xA0 \xE9\x9B\xAA\xE5\xA4\x9C\r\n"
    "\xE4\xB8\xAD\xE6\x96\x87\xE2\x82\xAC" "abc\r\n";
const std::u16string kWide = u"第一章 雪夜\r\n中文€abc\r\n";

LoadedText Load(const std::filesystem::path& p) {
  LoadedText t;
  std::string error;
  EXPECT_TRUE(LoadTextFile(p, &t, &error)) << error;
  return t;
}

TEST(ProbeBomClassTest, TwoByteMarks) {
  TempDir dir;
  auto probe = [&](std::string_view bytes) {
    WriteBytes(dir / "f.txt", bytes);
    return probe_bom_class(dir / "f.txt");
  };
  EXPECT_EQ(probe("\xEF\xBB\xBF" "a"), kBomUtf8);
  EXPECT_EQ(probe("\xEF\xBB" "a"), kBomUtf8) << "only two bytes are compared";
  EXPECT_EQ(probe("\xFF\xFE"), kBomUtf16LE);
  EXPECT_EQ(probe("\xFE\xFF" "ab"), kBomUtf16BE);
  EXPECT_EQ(probe("\xFF"), kBomAnsi);
  EXPECT_EQ(probe(""), kBomAnsi);
  EXPECT_EQ(probe(kGbk), kBomAnsi);
  EXPECT_EQ(probe_bom_class(dir / "missing.txt"), kBomCannotOpen);
}

TEST(LoadTextFileTest, EveryStoredEncodingGivesTheSameGbkText) {
  TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;
    StoredEncoding enc;
    int codepage, bom_flag;
  } cases[] = {
      {"ansi", kGbk, {kBomAnsi, false}, 936, 0},
      {"utf8", kUtf8, {kBomUtf8, false}, -1, 0},
      {"utf8bom", "\xEF\xBB\xBF" + kUtf8, {kBomUtf8, true}, 65001, 1},
      {"le", "\xFF\xFE" + Utf16(kWide, false), {kBomUtf16LE, true}, 1200, 1},
      {"be", "\xFE\xFF" + Utf16(kWide, true), {kBomUtf16BE, true}, 1201, 1},
      {"le-nomark", Utf16(kWide, false), {kBomUtf16LE, false}, 1200, 0},
      {"be-nomark", Utf16(kWide, true), {kBomUtf16BE, false}, 1201, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto path = dir / (std::string(c.name) + ".txt");
    WriteBytes(path, c.bytes);
    LoadedText t = Load(path);
    EXPECT_EQ(t.text, kGbk);
    EXPECT_EQ(t.encoding, c.enc);
    if (c.codepage != -1) {
      EXPECT_EQ(t.codepage, c.codepage);
    }
    EXPECT_EQ(t.bom_flag, c.bom_flag);
    EXPECT_EQ(t.unmappable, 0u);
    EXPECT_EQ(t.converted_size, kGbk.size());
  }
}

TEST(LoadTextFileTest, MarklessUtf16LeShowsTheMissingMark) {
  TempDir dir;
  WriteBytes(dir / "a.txt", Utf16(u"ab\r\n", false));
  LoadedText t = Load(dir / "a.txt");
  EXPECT_EQ(t.codepage, 1200);
  EXPECT_EQ(t.bom_flag, 0);
  EXPECT_EQ(EncodingText(t.codepage, t.bom_flag), "当前文件编码:UNICODE (LE)  *BOM");
  EXPECT_EQ(t.text, "ab\r\n");
}

TEST(LoadTextFileTest, SmallAndOddFiles) {
  TempDir dir;
  WriteBytes(dir / "one.txt", "\xB0");
  LoadedText one = Load(dir / "one.txt");
  EXPECT_EQ(one.encoding.bom_class, kBomAnsi);
  EXPECT_EQ(one.text, "\xB0") << "no trailing terminator is kept";

  WriteBytes(dir / "empty.txt", "");
  EXPECT_EQ(Load(dir / "empty.txt").text, "");

  WriteBytes(dir / "ascii.txt", "pure ascii\r\n");
  EXPECT_EQ(Load(dir / "ascii.txt").encoding.bom_class, kBomAnsi);

  // Zero bytes inside GBK text show as blanks.
  WriteBytes(dir / "zeros.txt", kGbk.substr(0, 6) + '\0' + kGbk.substr(6) + '\0');
  LoadedText zeros = Load(dir / "zeros.txt");
  EXPECT_EQ(zeros.encoding.bom_class, kBomAnsi);
  EXPECT_EQ(zeros.text, kGbk.substr(0, 6) + ' ' + kGbk.substr(6) + ' ');

  // A UTF-16 file cut in the middle of a unit: the half unit is counted as lost.
  WriteBytes(dir / "odd.txt", std::string("\xFF\xFE" "a\0b", 5));
  LoadedText odd = Load(dir / "odd.txt");
  EXPECT_EQ(odd.text, "a");
  EXPECT_EQ(odd.unmappable, 1u);

  LoadedText none;
  std::string error;
  EXPECT_FALSE(LoadTextFile(dir / "missing.txt", &none, &error));
  EXPECT_NE(error.find("missing.txt"), std::string::npos);
}

TEST(LoadTextFileTest, HalfUtf8MarkIsUtf8WithoutMark) {
  TempDir dir;
  WriteBytes(dir / "a.txt", "\xEF\xBB" "abc");
  LoadedText t = Load(dir / "a.txt");
  EXPECT_EQ(t.encoding, (StoredEncoding{kBomUtf8, false}));
  EXPECT_EQ(t.bom_flag, 0);
  // The stray bytes cannot be read as UTF-8 and are counted as lost.
  EXPECT_GE(t.unmappable, 1u);
  EXPECT_EQ(t.text.substr(t.text.size() - 3), "abc");
}

TEST(LoadTextFileTest, CharactersGbkLacksAreCounted) {
  TempDir dir;
  // "中", U+00E9 is in GBK; U+1F600 and U+0E01 (Thai) are not.
  WriteBytes(dir / "a.txt", "\xE4\xB8\xAD\xF0\x9F\x98\x80\xE0\xB8\x81" "x");
  LoadedText t = Load(dir / "a.txt");
  EXPECT_EQ(t.encoding.bom_class, kBomUtf8);
  EXPECT_EQ(t.text.substr(0, 2), "\xD6\xD0");
  EXPECT_EQ(t.text.back(), 'x');
  EXPECT_GE(t.unmappable, 2u);
  EXPECT_NE(t.text.find('?'), std::string::npos);
}

TEST(LoadTextFileTest, LookAlikesCountAsLost) {
  TempDir dir;
  // U+00C0 and U+0100 have no GBK code; they load as look-alikes, not "?".
  WriteBytes(dir / "u8.txt", "\xC3\x80\xC4\x80\xE4\xB8\xAD");
  LoadedText t = Load(dir / "u8.txt");
  EXPECT_EQ(t.encoding.bom_class, kBomUtf8);
  EXPECT_EQ(t.unmappable, 2u);
  EXPECT_EQ(t.text.substr(t.text.size() - 2), "\xD6\xD0");
  WriteBytes(dir / "le.txt", std::string("\xFF\xFE\xC0\x00\x2D\x4E", 6));
  EXPECT_EQ(Load(dir / "le.txt").unmappable, 1u);
  std::string error;
  EXPECT_FALSE(SaveTextFile(dir / "u8.txt", t.text, t.encoding, {t.unmappable, false}, &error));
  EXPECT_EQ(ReadBytes(dir / "u8.txt"), "\xC3\x80\xC4\x80\xE4\xB8\xAD");
}

TEST(SaveTextFileTest, RoundTripsEveryEncodingByteForByte) {
  TempDir dir;
  const StoredEncoding encodings[] = {{kBomAnsi, false},    {kBomUtf8, false},
                                      {kBomUtf8, true},     {kBomUtf16LE, true},
                                      {kBomUtf16LE, false}, {kBomUtf16BE, true},
                                      {kBomUtf16BE, false}};
  for (auto enc : encodings) {
    SCOPED_TRACE(enc.bom_class * 10 + enc.mark);
    auto path = dir / "rt.txt";
    std::string error;
    ASSERT_TRUE(SaveTextFile(path, kGbk, enc, &error)) << error;
    std::string written = ReadBytes(path);
    EXPECT_EQ(written, EncodeForFile(kGbk, enc));
    LoadedText t = Load(path);
    EXPECT_EQ(t.text, kGbk);
    EXPECT_EQ(t.encoding, enc) << "the encoding a file was loaded with is kept";
    ASSERT_TRUE(SaveTextFile(path, t.text, t.encoding, &error)) << error;
    EXPECT_EQ(ReadBytes(path), written);
  }
}

TEST(SaveTextFileTest, WritesMarksOnlyWhereAskedAndNoTerminator) {
  EXPECT_EQ(EncodeForFile("a", {kBomUtf8, true}), "\xEF\xBB\xBF" "a");
  EXPECT_EQ(EncodeForFile("a", {kBomUtf8, false}), "a");
  EXPECT_EQ(EncodeForFile("a", {kBomUtf16LE, true}), std::string("\xFF\xFE" "a\0", 4));
  EXPECT_EQ(EncodeForFile("a", {kBomUtf16BE, true}), std::string("\xFE\xFF\0a", 4));
  EXPECT_EQ(EncodeForFile("", {kBomUtf8, true}), "\xEF\xBB\xBF");
  EXPECT_EQ(EncodeForFile("", {kBomAnsi, false}), "");
  EXPECT_EQ(EncodeForFile(kGbk, {kBomUtf8, false}), kUtf8);
}

TEST(SaveTextFileTest, InvalidGbkBytesSurviveLoadAndSave) {
  TempDir dir;
  // A stray 0xFF, a lead byte with a bad trail, and a lead byte at the very end.
  const std::string bytes = "\xD6\xD0\xFF" "abc\x81\x20\xCE\xC4\xD6";
  WriteBytes(dir / "a.txt", bytes);
  LoadedText t = Load(dir / "a.txt");
  EXPECT_EQ(t.encoding.bom_class, kBomAnsi);
  EXPECT_EQ(t.text, bytes);
  std::string error;
  ASSERT_TRUE(SaveTextFile(dir / "a.txt", t.text, t.encoding, &error)) << error;
  EXPECT_EQ(ReadBytes(dir / "a.txt"), bytes);
  // The same bytes cannot be written as UTF-8 without loss: refused.
  std::size_t lost = 0;
  EXPECT_FALSE(SaveTextFile(dir / "a.txt", t.text, {kBomUtf8, true}, SaveRequest{}, &error, &lost));
  EXPECT_GE(lost, 2u);
  EXPECT_EQ(ReadBytes(dir / "a.txt"), bytes);
}

TEST(SaveTextFileTest, TextsOfManyPiecesConvertAsTheWholeWould) {
  // Over two pieces of lines that hold what a cut could disturb: a lead
  // byte before the line feed, a stray byte, a character the other side
  // lacks, and one line longer than a piece.
  std::string gbk, utf8;
  const std::string long_line(kConvertPieceBytes + 100, 'x');
  std::string zhong_gbk, zhong_utf8;
  for (int k = 0; k < 20; ++k) zhong_gbk += "\xD6\xD0", zhong_utf8 += "\xE4\xB8\xAD";
  for (int i = 0; gbk.size() < 2 * kConvertPieceBytes + 4096; ++i) {
    gbk += zhong_gbk + (i % 7 == 0 ? "\x81\n" : i % 5 == 0 ? "\xFF\r\n" : "\r\n");
    utf8 += zhong_utf8 + (i % 7 == 0 ? "\xE4\xB8\n" : i % 5 == 0 ? "\xF0\x9F\x98\x80\xC3\x80\r\n" : "\r\n");
    // Past the first piece, so the first cut falls among the characters.
    if (i == 120000) gbk += long_line, utf8 += long_line;
  }
  std::size_t whole_lost = 0;
  const std::u16string wide = GbkToWideCounted(gbk, &whole_lost);
  ASSERT_GT(whole_lost, 0u);
  std::size_t lost = 0;
  EXPECT_TRUE(EncodeForFile(gbk, {kBomUtf8, true}, &lost) == "\xEF\xBB\xBF" + charset::EncodeUtf8(wide));
  EXPECT_EQ(lost, whole_lost);
  std::string le = "\xFF\xFE";
  for (char16_t u : wide) le += static_cast<char>(u & 0xFF), le += static_cast<char>(u >> 8);
  EXPECT_TRUE(EncodeForFile(gbk, {kBomUtf16LE, true}, &lost) == le);
  EXPECT_EQ(lost, whole_lost);

  std::size_t defaulted = 0;
  const std::string expected = charset::Utf8ToGbk(utf8, &defaulted);
  const std::size_t inexact = charset::InexactCount(charset::kGbk, charset::ToWide(charset::kUtf8, utf8));
  EXPECT_TRUE(DecodeToGbk(utf8, kBomUtf8, &lost) == expected);
  EXPECT_EQ(lost, std::max(defaulted, inexact));
  EXPECT_GT(lost, 0u);
}

TEST(SaveTextFileTest, LossFromLoadingIsReportedBeforeWriting) {
  TempDir dir;
  const std::string original = "\xEF\xBB\xBF\xE4\xB8\xAD\xF0\x9F\x98\x80";
  WriteBytes(dir / "a.txt", original);
  LoadedText t = Load(dir / "a.txt");
  ASSERT_GE(t.unmappable, 1u);
  std::string error;
  std::size_t lost = 0;
  EXPECT_FALSE(SaveTextFile(dir / "a.txt", t.text, t.encoding, {t.unmappable, false}, &error, &lost));
  EXPECT_EQ(lost, t.unmappable);
  EXPECT_NE(error.find(std::to_string(lost)), std::string::npos) << error;
  EXPECT_EQ(ReadBytes(dir / "a.txt"), original);
  ASSERT_TRUE(SaveTextFile(dir / "a.txt", t.text, t.encoding, {t.unmappable, true}, &error));
  EXPECT_EQ(ReadBytes(dir / "a.txt"), "\xEF\xBB\xBF\xE4\xB8\xAD?");
}

TEST(SaveTextFileTest, FailedSaveLeavesTheOldFileIntact) {
  TempDir dir;
  auto path = dir / "novel.txt";
  std::string old_content;
  for (int i = 0; i < 300; ++i) old_content += kUtf8;
  WriteBytes(path, old_content);
  std::string big_gbk;
  for (int i = 0; i < 3000; ++i) big_gbk += kGbk;

  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{4096, 4096};
    if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(3);
    std::string error;
    ::_exit(SaveTextFile(path, big_gbk, {kBomUtf8, false}, &error) ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a failed save must report failure";
  EXPECT_EQ(ReadBytes(path), old_content);
}

}  // namespace
}  // namespace folian::text
