// ReadPdf end to end on hand-made files: fonts and CMaps, line breaks and
// blanks from positions, forms, page order, fallbacks, encryption, caps,
// cancel; and, when ../shared is present, the samples against pdftotext.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "charset/codepage.h"
#include "convert/limits.h"
#include "convert/pdf/pdf_format.h"
#include "convert/messages.h"
#include "pdf_fixture.h"
#include "text_read.h"
#include "support/temp_dir.h"

namespace folian::convert {
namespace {

using folian::testing::OnePage;
using folian::testing::PageFont;
using folian::testing::PdfBuilder;
using folian::testing::ToUnicodeCMap;

using Result = folian::testing::TextRead;

Result Read(std::string_view file, std::size_t cap = kMaxOutputBytes, const ReadContext& ctx = ReadContext()) {
  return testing::ReadText(ReadPdf, file, ctx, cap);
}

// Reads a fixture that must succeed and returns its text.
std::string Text(std::string_view file) {
  const Result r = Read(file);
  EXPECT_TRUE(r.status.ok()) << r.status.message();
  return r.utf8;
}

const char kHelvetica[] = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";

// A composite font with Identity-H (or -V) codes and a ToUnicode map in object `cmap`.
std::string IdentityFont(int cmap, bool vertical = false) {
  return std::string("<< /Type /Font /Subtype /Type0 /BaseFont /SimSun /Encoding /Identity-") +
         (vertical ? "V" : "H") +
         " /DescendantFonts [<< /Type /Font /Subtype /CIDFontType2 /BaseFont /SimSun /CIDSystemInfo "
         "<< /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW 1000 >>] /ToUnicode " +
         std::to_string(cmap) + " 0 R >>";
}

std::string PredefinedFont(std::string_view encoding) {
  return "<< /Type /Font /Subtype /Type0 /BaseFont /STSong-Light /Encoding /" + std::string(encoding) +
         " /DescendantFonts [<< /Type /Font /Subtype /CIDFontType0 /BaseFont /STSong-Light /CIDSystemInfo "
         "<< /Registry (Adobe) /Ordering (GB1) /Supplement 2 >> >>] >>";
}

TEST(PdfReader, SimpleFontsDecodeThroughTheirEncoding) {
  const std::string times =
      "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman /Encoding << /BaseEncoding /WinAnsiEncoding "
      "/Differences [39 /quoteright 96 /quoteleft 128 /uni4E2D /f_i] >> >>";
  EXPECT_EQ(Text(OnePage("BT /F1 12 Tf 72 720 Td (Alice's `book' \\200\\201x \\223q\\224) Tj ET",
                         {{"F1", times}})),
            "Alice’s ‘book’ 中fix “q”");
}

TEST(PdfReader, HexStringsThroughToUnicodeOfTheFontTfSelected) {
  PdfBuilder cmaps;
  cmaps.Stream(100, ToUnicodeCMap({{"0001", "4E00"}, {"0002", "6587"}}, "0000", "FFFF"))
      .Stream(101, ToUnicodeCMap({{"0001", "4E8C"}}, "0000", "FFFF"));
  const std::string file = OnePage("BT /F1 12 Tf 72 720 Td <0001 0002> Tj /F2 12 Tf <0001> Tj (\\000\\001) Tj ET",
                                   {{"F1", IdentityFont(100)}, {"F2", IdentityFont(101)}}, true, cmaps);
  const Result r = Read(file);
  ASSERT_TRUE(r.status.ok());
  EXPECT_EQ(r.utf8, "一文二二") << "the same code means what the selected font says; literal octal escapes decode";
  EXPECT_EQ(r.encoding, TextEncoding::kGbk);
}

TEST(PdfReader, PredefinedChineseCMaps) {
  EXPECT_EQ(Text(OnePage("BT /F1 12 Tf 72 720 Td (PDF\\326\\320\\316\\304) Tj <C4E3BAC3> Tj ET",
                         {{"F1", PredefinedFont("GBK-EUC-H")}})),
            "PDF中文你好");
  EXPECT_EQ(Text(OnePage("BT /F1 12 Tf 72 720 Td <4E2D65870041> Tj ET", {{"F1", PredefinedFont("UniGB-UCS2-H")}})),
            "中文A");
  const Result r = Read(OnePage("BT /F1 12 Tf 72 720 Td <D840DC0B4E00> Tj ET", {{"F1", PredefinedFont("UniGB-UTF16-H")}}));
  ASSERT_TRUE(r.status.ok());
  EXPECT_EQ(r.utf8, "\xF0\xA0\x80\x8B一");
  EXPECT_EQ(r.encoding, TextEncoding::kUtf8Mark) << "U+2000B is not in GBK: UTF-8, nothing lost";
}

TEST(PdfReader, UnknownFontsPassBytesOnAsGbk) {
  EXPECT_EQ(Text(OnePage("BT /Nope 12 Tf 72 720 Td (\\326\\320A) Tj ET")), "中A");
}

TEST(PdfReader, MovesToAnotherBaselineEndTheLine) {
  const std::string content =
      "BT /F1 12 Tf 14 TL 72 720 Td (one) Tj T* (two) Tj (three) ' 1 2 (four) \" 0 -14 Td (five) Tj "
      "1 0 0 1 72 600 Tm (six) Tj ET BT /F1 12 Tf 72 500 Td (seven) Tj ET";
  EXPECT_EQ(Text(OnePage(content, {{"F1", kHelvetica}})), "one\r\ntwo\r\nthree\r\nfour\r\nfive\r\nsix\r\nseven");
}

TEST(PdfReader, GapsOnTheSameLine) {
  // "left" in Helvetica 12 is 16.008 wide: text placed right after it joins
  // it, text placed further on is a separate word; a raised "2" stays on the line.
  const std::string content =
      "BT /F1 12 Tf 1 0 0 1 72 700 Tm (left) Tj 1 0 0 1 88.008 700 Tm (more) Tj "
      "1 0 0 1 200 700 Tm (right) Tj 5 Ts (2) Tj 0 Ts ET "
      "BT /F1 12 Tf 72 700 Td 2 0 0 2 0 0 cm ET";
  EXPECT_EQ(Text(OnePage(content, {{"F1", kHelvetica}})), "leftmore right2");
  // Word spacing widens the gap inside a string, but blanks are only
  // written where the string has them.
  EXPECT_EQ(Text(OnePage("BT /F1 12 Tf 5 Tw 72 700 Td (a b) Tj ET", {{"F1", kHelvetica}})), "a b");
}

TEST(PdfReader, BlankGlyphsKeepTheGapBetweenWords) {
  // Code 3 is a blank glyph the ToUnicode map leaves out, code 4 one it maps
  // to a tab (both seen in real files): the words stay apart either way.
  PdfBuilder cmaps;
  cmaps.Stream(100, ToUnicodeCMap({{"0001", "4E00"}, {"0002", "4E8C"}, {"0004", "0009"}}, "0000", "FFFF"));
  EXPECT_EQ(Text(OnePage("BT /F1 12 Tf 72 700 Td <0001> Tj <0003> Tj <0002> Tj <0004> Tj <0001> Tj ET",
                         {{"F1", IdentityFont(100)}}, true, cmaps)),
            "一 二 一");
}

TEST(PdfReader, NumbersInTjArrays) {
  EXPECT_EQ(Text(OnePage("BT /F1 12 Tf 72 700 Td [(A) -250 (B) -1500 (C) -50 (D)] TJ ET", {{"F1", kHelvetica}})),
            "A B\tCD");
}

TEST(PdfReader, VerticalTextRunsDownColumns) {
  PdfBuilder cmaps;
  cmaps.Stream(100, ToUnicodeCMap({{"0001", "4E00"}, {"0002", "4E8C"}, {"0003", "4E09"}, {"0004", "56DB"}},
                                  "0000", "FFFF"));
  const std::string content =
      "BT /F1 12 Tf 1 0 0 1 500 700 Tm <0001> Tj <0002> Tj 1 0 0 1 480 700 Tm <00030004> Tj ET";
  EXPECT_EQ(Text(OnePage(content, {{"F1", IdentityFont(100, true)}}, true, cmaps)), "一二\r\n三四");
}

TEST(PdfReader, InlineImagesAreSkipped) {
  EXPECT_EQ(Text(OnePage("BI /W 4 /H 1 /BPC 8 /CS /G ID \x01(BT (fake) Tj ET)\xFF" " EI "
                         "BT /F1 12 Tf 72 700 Td (real) Tj ET",
                         {{"F1", kHelvetica}})),
            "real");
}

TEST(PdfReader, FormsAreDrawnOnceEvenWhenTheyDrawThemselves) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>")
      .Object(3, "<< /Type /Page /Parent 2 0 R /Resources << /XObject << /Fm1 5 0 R >> >> /Contents 4 0 R >>")
      .Stream(4, "q 1 0 0 1 50 50 cm /Fm1 Do Q /Missing Do")
      .Stream(5, "BT /F1 12 Tf 10 10 Td (in form) Tj ET /Fm1 Do",
              "/Type /XObject /Subtype /Form /BBox [0 0 500 500] /Resources << /Font << /F1 6 0 R >> "
              "/XObject << /Fm1 5 0 R >> >>")
      .Object(6, kHelvetica);
  EXPECT_EQ(Text(b.Build(1)), "in form");
}

TEST(PdfReader, PagesFollowThePageTreeAndContentArraysJoin) {
  PdfBuilder b;
  // Page two's content is cut between an operator and its operands.
  b.Stream(8, "BT /F1 12 Tf 72 720 Td (page two)")
      .Stream(9, "Tj ET")
      .Object(7, "<< /Type /Page /Parent 2 0 R /Contents [8 0 R 9 0 R] >>")
      .Stream(6, "BT /F1 12 Tf 72 720 Td (page one) Tj ET")
      .Object(5, "<< /Type /Page /Parent 2 0 R /Contents 6 0 R >>")
      .Object(4, kHelvetica)
      .Object(2, "<< /Type /Pages /Kids [5 0 R 7 0 R] /Count 2 /Resources << /Font << /F1 4 0 R >> >> >>")
      .Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  EXPECT_EQ(Text(b.Build(1)), "page one\r\npage two");
}

TEST(PdfReader, StoredContentStreamsAreRead) {
  // Without compression a content stream is text as it stands.
  EXPECT_EQ(Text(OnePage("BT /F1 12 Tf 72 720 Td (stored) Tj ET", {{"F1", kHelvetica}}, /*deflate=*/false)),
            "stored");
}

TEST(PdfReader, WithoutAPageTreeEveryStreamIsScanned) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog >>").Stream(2, "BT /F1 12 Tf 0 -14 TD (legacy) Tj ET Q");
  EXPECT_EQ(Text(b.Build(1)), "\r\nlegacy\r\n");
}

TEST(PdfReader, BadInputGivesAMessageAndNoText) {
  Result r = Read("Hello, this is no PDF");
  EXPECT_FALSE(r.status.ok());
  EXPECT_EQ(r.status.message(), msg::kPdfNotPdf);
  EXPECT_TRUE(r.utf8.empty());

  r = Read(std::string(2000, ' ') + "%PDF-1.4");
  EXPECT_EQ(r.status.message(), msg::kPdfNotPdf) << "the header must come in the first kilobyte";

  // A real PDF without text (a scan) converts to nothing.
  r = Read(OnePage("q 100 0 0 100 0 0 cm 0.5 g 0 0 1 1 re f Q"));
  EXPECT_TRUE(r.status.ok());
  EXPECT_TRUE(r.utf8.empty());
}

TEST(PdfReader, CapsAndCancel) {
  const std::string file = OnePage("BT /F1 12 Tf 72 720 Td (longer than five) Tj ET", {{"F1", kHelvetica}});
  Result r = Read(file, 5);
  EXPECT_EQ(r.status.message(), msg::kOutputTooLarge);
  EXPECT_TRUE(r.utf8.empty());

  CancelFlag cancel{true};
  ReadContext ctx;
  ctx.cancel = &cancel;
  r = Read(file, kMaxOutputBytes, ctx);
  EXPECT_EQ(r.status.message(), msg::kCancelled);

  struct Recorder : ProgressSink {
    std::int64_t hi = -1;
    std::int64_t last = -1;
    void SetRange(std::int64_t, std::int64_t h) override { hi = h; }
    void SetPosition(std::int64_t p) override { last = p; }
  } progress;
  ctx = ReadContext();
  ctx.progress = &progress;
  r = Read(file, kMaxOutputBytes, ctx);
  EXPECT_TRUE(r.status.ok());
  EXPECT_EQ(progress.hi, 1);
  EXPECT_EQ(progress.last, 1);

  // Hostile content: endless saves, absurd numbers, unclosed arrays.
  std::string hostile;
  for (int i = 0; i < 100000; ++i) hostile += "q ";
  const std::string huge = "1" + std::string(400, '0');
  hostile += huge + " 0 0 " + huge + " 0 0 cm [ [ [ BT /F1 99999999999999999999 Tf (still read) Tj ET";
  for (int i = 0; i < 100000; ++i) hostile += " Q";
  EXPECT_EQ(Text(OnePage(hostile, {{"F1", kHelvetica}})), "still read");
}

TEST(PdfReader, AContentStreamCutAtItsCapStopsTheConversion) {
  // A page's text padded with blanks: 9 MB inflating from a few KB passes the
  // stream cap (ten times the stored size, at least 8 MB).
  const std::string text = "BT /F1 12 Tf 72 720 Td (page) Tj ET";
  const Result bomb = Read(OnePage(text + std::string(std::size_t{9} << 20, ' '), {{"F1", kHelvetica}}));
  EXPECT_EQ(bomb.status.message(), msg::kPdfStreamTooLarge);
  EXPECT_TRUE(bomb.utf8.empty());
  // Under the floor the same page reads, however well it compresses.
  EXPECT_EQ(Text(OnePage(text + std::string(std::size_t{7} << 20, ' '), {{"F1", kHelvetica}})), "page");
}

std::string Fixture(const std::string& name) {
  return testing::ReadBytes(std::string(FOLIAN_SOURCE_DIR) + "/tests/convert/testdata/pdf/" + name);
}

TEST(PdfReader, OwnerPasswordFilesAreDecrypted) {
  // Made with qpdf from one small file: every revision of the standard
  // security handler, an object stream inside an encrypted file.
  for (const char* name : {"rc4-40-owner.pdf", "rc4-128-owner.pdf", "aes-128-owner.pdf", "aes-128-objstm-owner.pdf",
                           "aes-256-r5-owner.pdf", "aes-256-owner.pdf"}) {
    const std::string file = Fixture(name);
    ASSERT_FALSE(file.empty()) << name;
    EXPECT_EQ(Text(file), "Owner password only\r\nsecond line") << name;
  }
  for (const char* name : {"rc4-128-user-password.pdf", "aes-256-user-password.pdf"}) {
    const Result r = Read(Fixture(name));
    EXPECT_EQ(r.status.message(), msg::kPdfNeedsPassword) << name;
    EXPECT_TRUE(r.utf8.empty());
  }
}

}  // namespace
}  // namespace folian::convert
