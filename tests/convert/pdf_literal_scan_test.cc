// The literal-string scan: the 15-byte window, BT/ET, the numbers before TD
// and before "(", escapes; and the stream search over a whole file.
#include <gtest/gtest.h>

#include <string>

#include "convert/pdf/document.h"
#include "convert/pdf/literal_scan.h"
#include "convert/pdf/pdf_limits.h"
#include "convert/pdf/text_builder.h"
#include "pdf_fixture.h"

namespace folian::convert::pdf {
namespace {

std::string Scan(std::string_view content) {
  TextBuilder out(1 << 20);
  ScanLiteralText(content, &out);
  return out.Finish();
}

TEST(PdfLiteralScan, TextObjectWithTdGivesLineBreaks) {
  // The magnitude 14 before TD is over 1: a line break, then the string,
  // then a line break once the byte after the blank after ET is scanned.
  EXPECT_EQ(Scan("BT /F1 12 Tf 0 -14 TD (Hello) Tj ET Q more"), "\r\nHello\r\n");
  // Nothing after "ET ": the window never sees the next byte.
  EXPECT_EQ(Scan("BT (Hi) Tj ET "), "Hi");
  // TD's operand under 1 gives a tab, exactly 1 nothing.
  EXPECT_EQ(Scan("BT 5 0.5 TD (a) Tj 0 1 TD (b) Tj ET Q"), "\ta" "b\r\n");
  // A failed read counts as -1: a tab.
  EXPECT_EQ(Scan("BT /X TD (a) Tj ET Q"), "\ta\r\n");
  // Without white space after TD the operator is not seen.
  EXPECT_EQ(Scan("BT 0 -14 TD(a) Tj ET Q"), "a\r\n");
}

TEST(PdfLiteralScan, NumbersBeforeStringsGiveBlanksAndTabs) {
  EXPECT_EQ(Scan("BT [(A) -250 (B)] TJ ET Q"), "A B\r\n");
  EXPECT_EQ(Scan("BT [(A) -1500 (B)] TJ ET Q"), "A\tB\r\n");
  EXPECT_EQ(Scan("BT [(A) -80 (B)] TJ ET Q"), "AB\r\n");
  // The sign is not part of the number: +250 is a blank too.
  EXPECT_EQ(Scan("BT [(A)250(B)] TJ ET Q"), "A B\r\n");
}

TEST(PdfLiteralScan, EscapesAsTheScanHasThem) {
  EXPECT_EQ(Scan("BT (a\\)b) Tj ET Q"), "a)b\r\n");
  EXPECT_EQ(Scan("BT (a\\\\b) Tj ET Q"), "a\\b\r\n");
  // The byte after a backslash is written as it is: octal codes stay digits.
  EXPECT_EQ(Scan("BT (\\101\\n) Tj ET Q"), "101n\r\n");
}

TEST(PdfLiteralScan, OnlyRealTextObjectsCount) {
  // BT followed by a tab opens nothing.
  EXPECT_EQ(Scan("BT\t(x) Tj ET Q"), "");
  // Strings outside text objects are not text.
  EXPECT_EQ(Scan("(outside) Tj BT (in) Tj ET Q (after)"), "in\r\n");
  // Bytes below 0x20 and 0x7F inside strings are dropped.
  EXPECT_EQ(Scan("BT (a\x01\x1f\x7f" "b\tc) Tj ET Q"), "abc\r\n");
}

TEST(PdfLiteralScan, BalancedParenthesesStayInTheString) {
  // They need no backslash; the text after the inner ')' is kept.
  EXPECT_EQ(Scan("BT (f(x) = y) Tj ET Q"), "f(x) = y\r\n");
  EXPECT_EQ(Scan("BT (a\\(b) Tj (c) Tj ET Q"), "a(bc\r\n");
}

std::string ScanFile(const std::string& file) {
  TextBuilder out(1 << 26);
  EXPECT_TRUE(ScanAllStreams(file, &out, nullptr));
  return out.Finish();
}

TEST(PdfLiteralScan, EveryDeflatedStreamIsScannedInFileOrder) {
  using folian::testing::ZlibDeflate;
  const std::string file = "%PDF-1.4\n1 0 obj\n<< /Filter /FlateDecode >>\nstream\r\n" +
                           ZlibDeflate("BT 0 -14 TD (one) Tj ET Q") + "\r\nendstream\nendobj\n" +
                           "2 0 obj\n<< >>\nstream\nBT (stored) Tj ET Q\nendstream\nendobj\n" +
                           "3 0 obj\n<< /Filter /FlateDecode >>\nstream\n" + ZlibDeflate("BT (two) Tj ET Q") +
                           "\nendstream\nendobj\n";
  // The stored stream is no zlib data: skipped.
  EXPECT_EQ(ScanFile(file), "\r\none\r\ntwo\r\n");
}

TEST(PdfLiteralScan, FileWithoutCompressedStreamsGivesNothing) {
  EXPECT_EQ(ScanFile("%PDF-1.4\n1 0 obj\n<< >>\nstream\nBT (x) Tj ET Q\nendstream\nendobj\n"), "");
  EXPECT_EQ(ScanFile("%PDF-1.4\nno streams at all\n"), "");
}

TEST(PdfLiteralScan, InflationIsCutAtTheCap) {
  using folian::testing::ZlibDeflate;
  // 9 MB of text from a few kilobytes: over ten times the stored size and
  // over the floor, so the scan sees only the first kStreamCapFloor bytes.
  std::string content = "BT (";
  content.append(9u << 20, 'a');
  content += ") Tj ET Q";
  const std::string file = "%PDF-1.4\n1 0 obj\n<< >>\nstream\n" + ZlibDeflate(content) + "\nendstream\nendobj\n";
  const std::string text = ScanFile(file);
  EXPECT_EQ(text.size(), kStreamCapFloor - 4) << "the cap minus \"BT (\"";
  EXPECT_EQ(Document::StreamCap(100), kStreamCapFloor);
  EXPECT_EQ(Document::StreamCap(2u << 20), 20u << 20) << "ten times once that is above the floor";
}

}  // namespace
}  // namespace folian::convert::pdf
