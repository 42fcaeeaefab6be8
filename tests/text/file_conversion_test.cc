#include "text/file_conversion.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/bytes.h"

namespace folian::text {
namespace {

using folian::testing::Utf16;
using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

// "第一章 雪夜\r\n中文€abc\r\n" in each encoding.
const std::string kGbk = "\xB5\xDA\xD2\xBB\xD5\xC2 \xD1\xA9\xD2\xB9\r\n\xD6\xD0\xCE\xC4\x80" "abc\r\n";
const std::string kUtf8 =
    "\xE7\xAC\xAC\xE4\xB8\x80\xE7\xAB\xA0 \xE9\x9B\xAA\xE5\xA4\x9C\r\n"
    "\xE4\xB8\xAD\xE6\x96\x87\xE2\x82\xAC" "abc\r\n";
const std::string kMark8 = "\xEF\xBB\xBF";

const std::string kLE = "\xFF\xFE" + Utf16(u"第一章 雪夜\r\n中文€abc\r\n", false);
const std::string kBE = "\xFE\xFF" + Utf16(u"第一章 雪夜\r\n中文€abc\r\n", true);

TEST(ElementaryConversionTest, MarksAndEncodings) {
  EXPECT_EQ(AnsiToUtf16LE(kGbk), kLE);
  EXPECT_EQ(AnsiToUtf16BE(kGbk), kBE);
  EXPECT_EQ(AnsiToUtf8(kGbk), kMark8 + kUtf8);
  EXPECT_EQ(Utf16ToAnsi(kLE, kBomUtf16LE), kGbk);
  EXPECT_EQ(Utf16ToAnsi(kBE, kBomUtf16BE), kGbk);
  EXPECT_EQ(Utf8ToAnsi(kMark8 + kUtf8), kGbk);
  // Empty text still gets its mark and no terminating zero.
  EXPECT_EQ(AnsiToUtf8(""), kMark8);
  EXPECT_EQ(AnsiToUtf16LE(""), "\xFF\xFE");
}

TEST(ElementaryConversionTest, FirstCharacterDroppedOnlyWhenItIsAMark) {
  EXPECT_EQ(Utf8ToAnsi(kUtf8), kGbk) << "no mark: the first character stays";
  EXPECT_EQ(Utf16ToAnsi(Utf16(u"第一章 雪夜\r\n中文€abc\r\n", false), kBomUtf16LE), kGbk);
  // A zero byte in ANSI text is kept: the whole file is converted.
  EXPECT_EQ(AnsiToUtf16LE(std::string("a\0b", 3)), std::string("\xFF\xFE" "a\0\0\0b\0", 8));
}

TEST(ElementaryConversionTest, UnmappableCharactersAreCounted) {
  std::size_t lost = 0;
  // U+0E01 (Thai) is not in GBK.
  std::string out = Utf8ToAnsi(kMark8 + "\xE4\xB8\xAD\xE0\xB8\x81", &lost);
  EXPECT_EQ(out, "\xD6\xD0?");
  EXPECT_EQ(lost, 1u);
  lost = 0;
  AnsiToUtf8("ok\xD6", &lost);
  EXPECT_EQ(lost, 1u) << "a lead byte without its trail byte cannot become UTF-8";
}

struct Fixture {
  TempDir dir;
  std::filesystem::path Put(const std::string& name, const std::string& bytes) {
    auto p = dir / name;
    WriteBytes(p, bytes);
    return p;
  }
};

TEST(ConvertFileEncodingTest, ToAnsiConvertsUtf16OfEitherOrderAndUtf8) {
  Fixture f;
  auto le = f.Put("le.txt", kLE), u8 = f.Put("u8.TXT", kMark8 + kUtf8),
       be = f.Put("be.txt", kBE), ansi = f.Put("ansi.txt", kGbk);
  EXPECT_EQ(ConvertFileEncoding(le, EncodingCommand::kToAnsi, false).outcome,
            ConversionOutcome::kConverted);
  EXPECT_EQ(ReadBytes(le), kGbk);
  auto r = ConvertFileEncoding(u8, EncodingCommand::kToAnsi, false);
  EXPECT_EQ(r.outcome, ConversionOutcome::kConverted) << "the extension is compared in any case";
  EXPECT_EQ(r.from, (StoredEncoding{kBomUtf8, true}));
  EXPECT_EQ(r.to, (StoredEncoding{kBomAnsi, false}));
  EXPECT_EQ(ReadBytes(u8), kGbk);
  r = ConvertFileEncoding(be, EncodingCommand::kToAnsi, false);
  EXPECT_EQ(r.outcome, ConversionOutcome::kConverted);
  EXPECT_EQ(r.from, (StoredEncoding{kBomUtf16BE, true}));
  EXPECT_EQ(ReadBytes(be), kGbk);
  EXPECT_EQ(ConvertFileEncoding(ansi, EncodingCommand::kToAnsi, false).outcome,
            ConversionOutcome::kLeftAlone);
  EXPECT_EQ(ReadBytes(ansi), kGbk);
}

TEST(ConvertFileEncodingTest, ToUnicodeFromAnsiAndUtf8Only) {
  Fixture f;
  auto ansi = f.Put("ansi.txt", kGbk), u8 = f.Put("u8.txt", kUtf8), be = f.Put("be.txt", kBE),
       le = f.Put("le.txt", kLE);
  EXPECT_EQ(ConvertFileEncoding(ansi, EncodingCommand::kToUnicode, false).outcome,
            ConversionOutcome::kConverted);
  EXPECT_EQ(ReadBytes(ansi), kLE);
  // A mark-less UTF-8 file is read as UTF-8, not taken for ANSI.
  auto r = ConvertFileEncoding(u8, EncodingCommand::kToUnicode, false);
  EXPECT_EQ(r.outcome, ConversionOutcome::kConverted);
  EXPECT_EQ(r.from, (StoredEncoding{kBomUtf8, false}));
  EXPECT_EQ(ReadBytes(u8), kLE);
  EXPECT_EQ(ConvertFileEncoding(be, EncodingCommand::kToUnicode, false).outcome,
            ConversionOutcome::kLeftAlone);
  EXPECT_EQ(ReadBytes(be), kBE);
  EXPECT_EQ(ConvertFileEncoding(le, EncodingCommand::kToUnicode, false).outcome,
            ConversionOutcome::kLeftAlone);
  EXPECT_EQ(ReadBytes(le), kLE);
}

TEST(ConvertFileEncodingTest, ToUtf8FromAnsiAndUtf16OfEitherOrder) {
  Fixture f;
  auto ansi = f.Put("ansi.txt", kGbk), le = f.Put("le.txt", kLE), be = f.Put("be.txt", kBE),
       u8 = f.Put("u8.txt", kUtf8);
  EXPECT_EQ(ConvertFileEncoding(ansi, EncodingCommand::kToUtf8, false).outcome,
            ConversionOutcome::kConverted);
  EXPECT_EQ(ReadBytes(ansi), kMark8 + kUtf8);
  EXPECT_EQ(ConvertFileEncoding(le, EncodingCommand::kToUtf8, false).outcome,
            ConversionOutcome::kConverted);
  EXPECT_EQ(ReadBytes(le), kMark8 + kUtf8);
  EXPECT_EQ(ConvertFileEncoding(be, EncodingCommand::kToUtf8, false).outcome,
            ConversionOutcome::kConverted);
  EXPECT_EQ(ReadBytes(be), kMark8 + kUtf8);
  EXPECT_EQ(ConvertFileEncoding(u8, EncodingCommand::kToUtf8, false).outcome,
            ConversionOutcome::kLeftAlone);
  EXPECT_EQ(ReadBytes(u8), kUtf8);
}

TEST(ConvertFileEncodingTest, OnlyTxtFilesAreTouched) {
  Fixture f;
  for (const char* name : {"page.htm", "page.html", "novel.txt.bak", "txt"}) {
    auto p = f.Put(name, kLE);
    EXPECT_EQ(ConvertFileEncoding(p, EncodingCommand::kToAnsi, false).outcome,
              ConversionOutcome::kNotTxt)
        << name;
    EXPECT_EQ(ReadBytes(p), kLE);
  }
  EXPECT_TRUE(IsTxtFile("a.Txt"));
  EXPECT_FALSE(IsTxtFile("a.txt2"));
}

TEST(ConvertFileEncodingTest, LossIsRefusedUnlessForced) {
  Fixture f;
  const std::string original = kMark8 + "\xE4\xB8\xAD\xE0\xB8\x81\xE0\xB8\x82";
  auto p = f.Put("thai.txt", original);
  auto r = ConvertFileEncoding(p, EncodingCommand::kToAnsi, false);
  EXPECT_EQ(r.outcome, ConversionOutcome::kRefusedLoss);
  EXPECT_EQ(r.unmappable, 2u);
  EXPECT_NE(r.error.find("2 character"), std::string::npos) << r.error;
  EXPECT_EQ(ReadBytes(p), original);
  // The two-step command counts the loss of its first step too.
  EXPECT_EQ(ConvertFileEncoding(p, EncodingCommand::kToUnicode, false).outcome,
            ConversionOutcome::kRefusedLoss);
  EXPECT_EQ(ReadBytes(p), original);

  r = ConvertFileEncoding(p, EncodingCommand::kToAnsi, true);
  EXPECT_EQ(r.outcome, ConversionOutcome::kConverted);
  EXPECT_EQ(r.unmappable, 2u);
  EXPECT_EQ(ReadBytes(p), "\xD6\xD0??");
}

TEST(ConvertFileEncodingTest, UnreadableFilesFail) {
  Fixture f;
  auto r = ConvertFileEncoding(f.dir / "missing.txt", EncodingCommand::kToUtf8, false);
  EXPECT_EQ(r.outcome, ConversionOutcome::kFailed);
  EXPECT_NE(r.error.find("missing.txt"), std::string::npos);
}

}  // namespace
}  // namespace folian::text
