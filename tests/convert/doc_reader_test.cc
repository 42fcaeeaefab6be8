// The Word 97-2003 reader on documents built by cfb_fixture.h: pieces of
// both widths and in stored-out-of-order files, the characters Word keeps
// structure in (paragraphs, breaks, fields, cells and rows), notes, the
// output encoding, and the refusals (encrypted, Word 6/95, not Word,
// damaged piece tables).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "cfb_fixture.h"
#include "charset/codepage.h"
#include "convert/doc/doc_format.h"
#include "convert/doc/piece_table.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "zip_fixture.h"
#include "text_read.h"

namespace folian::convert {
namespace {

using testing::MakeWordDocument;
using testing::WordPiece;
using testing::WordLayout;

using Result = folian::testing::TextRead;

Result Read(std::string_view file) { return testing::ReadText(ReadDoc, file); }

std::string Text(const WordLayout& layout) {
  const Result r = Read(MakeWordDocument(layout));
  EXPECT_TRUE(r.status.ok()) << r.status.message();
  return r.utf8;
}

TEST(DocReader, ReadsEightBitAndUtf16PiecesInCpOrder) {
  WordLayout layout;
  layout.pieces = {{u"He said \u201Chi\u201D \u2019", true}, {u"第一回 宴桃园", false}, {u" end\r", true}};
  EXPECT_EQ(Text(layout), "He said “hi” ’第一回 宴桃园 end\r\n");
  layout.stored_backwards = true;  // a fast-saved file keeps pieces out of order
  EXPECT_EQ(Text(layout), "He said “hi” ’第一回 宴桃园 end\r\n");
  layout.prc_before_pieces = false;
  layout.table1 = false;  // tables in 0Table
  EXPECT_EQ(Text(layout), "He said “hi” ’第一回 宴桃园 end\r\n");
}

TEST(DocReader, StructureCharactersBecomeLineEndsAndTabs) {
  WordLayout layout;
  // paragraph, line break, page break, column break, tab, no-break and
  // optional hyphens, a picture anchor, a footnote reference.
  layout.pieces = {{u"a\rb\vc\fd\x0E" u"e\tf\x1Eg\x1Fh\x01i\x02j\r", false}};
  EXPECT_EQ(Text(layout), "a\r\nb\r\nc\r\nd\r\ne\tf-ghij\r\n");
}

TEST(DocReader, FieldsKeepTheirResultsAndDropTheirInstructions) {
  WordLayout layout;
  layout.pieces = {{u"See \x13 HYPERLINK \"http://x\" \x14the site\x15, page \x13PAGE\x14" u"3\x15.\r", false}};
  EXPECT_EQ(Text(layout), "See the site, page 3.\r\n");
  // Nested: a field inside another's instruction, a field inside a result,
  // and an index entry without a result.
  layout.pieces = {{u"A\x13IF \x13PAGE\x14" u"1\x15 = 1 \x14[\x13PAGE\x14" u"2\x15]\x15" u"B\x13XE \"x\"\x15" u"C\r", false}};
  EXPECT_EQ(Text(layout), "A[2]BC\r\n");
  // Unbalanced marks do not swallow the rest of the text.
  layout.pieces = {{u"x\x15y\x14z\r", false}};
  EXPECT_EQ(Text(layout), "xyz\r\n");
}

TEST(DocReader, TableCellsAreTabsAndRowsEndLines) {
  WordLayout layout;
  //                 0123 4 5678 9
  layout.pieces = {{u"Name\x07" u"Age\x07\x07" u"Li\x07\x07\x07" u"after\r", false}};
  layout.row_ends = {9, 14};  // the marks after "Age\x07" and after "Li\x07\x07"
  // A row's empty last cells leave no tabs at the line's end.
  EXPECT_EQ(Text(layout), "Name\tAge\r\nLi\r\nafter\r\n");
  layout.pieces[0].compressed = true;  // the same marks found through 8-bit offsets
  EXPECT_EQ(Text(layout), "Name\tAge\r\nLi\r\nafter\r\n");
  layout.row_ends.clear();  // without the row flags every mark reads as a cell end
  EXPECT_EQ(Text(layout), "Name\tAge\t\tLi\t\t\tafter\r\n");
}

TEST(DocReader, NotesFollowTheTextAfterABlankLine) {
  WordLayout layout;
  layout.pieces = {{u"Body\x02.\r", false}, {u"\x02 A note.\r\r", false}, {u"Header\r", false}, {u"\x02 An endnote.\r", false}};
  layout.ccp_text = 7;
  layout.ccp_footnotes = 11;
  layout.ccp_headers = 7;
  layout.ccp_endnotes = 14;
  EXPECT_EQ(Text(layout), "Body.\r\n\r\n A note.\r\n\r\n An endnote.\r\n");
  layout.pieces = {{u"Body\r", false}, {u"\r\r", false}};  // notes of nothing but marks
  layout.ccp_text = 5;
  layout.ccp_footnotes = 2;
  layout.ccp_headers = 0;
  layout.ccp_endnotes = 0;
  EXPECT_EQ(Text(layout), "Body\r\n");
}

TEST(DocReader, GbkUnlessACharacterIsNotInGbk) {
  WordLayout layout;
  layout.pieces = {{u"第一回\r", false}};
  Result r = Read(MakeWordDocument(layout));
  EXPECT_EQ(r.encoding, TextEncoding::kGbk);
  EXPECT_EQ(r.utf8, "第一回\r\n");
  layout.pieces = {{u"第一回 ", false}, {u"\u00E9t\u00E9 \U0001F600 \u20A9\r", false}};
  r = Read(MakeWordDocument(layout));
  EXPECT_EQ(r.encoding, TextEncoding::kUtf8Mark);
  EXPECT_EQ(r.utf8, "第一回 été 😀 ₩\r\n");
  // Symbol fonts' glyph numbers are dropped rather than turning the book into UTF-8.
  layout.pieces = {{u"\uF0B7 item\r", false}};
  r = Read(MakeWordDocument(layout));
  EXPECT_EQ(r.encoding, TextEncoding::kGbk);
  EXPECT_EQ(r.utf8, " item\r\n");
}

TEST(DocReader, RefusesWhatItCannotRead) {
  WordLayout layout;
  layout.pieces = {{u"secret\r", true}};
  layout.encrypted = true;
  EXPECT_EQ(Read(MakeWordDocument(layout)).status.message(), msg::kDocEncrypted);
  layout.encrypted = false;
  layout.nfib = 0x0068;  // Word 95
  EXPECT_EQ(Read(MakeWordDocument(layout)).status.message(), msg::kDocOldVersion);
  EXPECT_EQ(Read(testing::MakeCompoundFile({{u"Workbook", std::string(5000, 'x')}})).status.message(),
            msg::kDocNotWord);
  EXPECT_EQ(Read(testing::MakeCompoundFile({{u"WordDocument", std::string(5000, 'x')}})).status.message(),
            msg::kDocNotWord)
      << "no Word signature";
  EXPECT_EQ(Read("plain text, not a document").status.message(), msg::kDocNotCompound);
}

TEST(DocReader, DamagedPieceTablesAndPiecesOutsideTheStream) {
  WordLayout layout;
  layout.pieces = {{u"kept\r", true}};
  std::string file = MakeWordDocument(layout);
  // The piece's offset points far past the WordDocument stream.
  const std::size_t fc_at = file.find(std::string("\x02\x10\x00\x00\x00", 5));  // Pcdt, lcb 16
  ASSERT_NE(fc_at, std::string::npos);
  std::string outside = file;
  testing::PutLe(outside, fc_at + 5 + 8 + 2, 0x40000000u | 0x3FFFFFF0u, 4);
  EXPECT_EQ(Read(outside).status.message(), msg::kDocDamaged);
  std::string no_pcdt = file;
  no_pcdt[fc_at] = '\x07';  // neither Prc nor Pcdt
  EXPECT_EQ(Read(no_pcdt).status.message(), msg::kDocDamaged);

  // A readable piece next to a broken one: the readable text is kept.
  layout.pieces = {{u"good ", true}, {u"bad\r", false}};
  file = MakeWordDocument(layout);
  const std::size_t pcdt = file.find(std::string("\x02\x1C\x00\x00\x00", 5));  // lcb 28
  ASSERT_NE(pcdt, std::string::npos);
  testing::PutLe(file, pcdt + 5 + 12 + 8 + 2, 0x3FFFFFF0u, 4);
  const Result r = Read(file);
  EXPECT_TRUE(r.status.ok());
  EXPECT_EQ(r.utf8, "good ");
}

TEST(PieceTable, ParsesAndRejects) {
  std::vector<doc::Piece> pieces;
  // Prc (size 2), then Pcdt with two pieces: CPs 0, 3, 5.
  std::string clx("\x01\x02\x00\xAA\xBB\x02", 6);
  std::string plc;
  for (std::uint32_t cp : {0u, 3u, 5u}) testing::AddLe(plc, cp, 4);
  testing::AddLe(plc, 0, 2);
  testing::AddLe(plc, 0x40000000u | 2048u, 4);
  testing::AddLe(plc, 0, 2);
  testing::AddLe(plc, 0, 2);
  testing::AddLe(plc, 4096u, 4);
  testing::AddLe(plc, 0, 2);
  testing::AddLe(clx, static_cast<std::uint32_t>(plc.size()), 4);
  clx += plc;
  ASSERT_TRUE(doc::ParsePieceTable(clx, &pieces));
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_TRUE(pieces[0].compressed);
  EXPECT_EQ(pieces[0].fc, 1024u) << "8-bit pieces store twice their byte offset";
  EXPECT_EQ(pieces[1].cp_start, 3u);
  EXPECT_EQ(pieces[1].cp_end, 5u);
  EXPECT_EQ(pieces[1].fc, 4096u);
  EXPECT_FALSE(doc::ParsePieceTable(clx.substr(0, clx.size() - 1), &pieces)) << "cut short";
  std::string backwards = clx;
  testing::PutLe(backwards, 6 + 4 + 8, 0, 4);  // CPs 0, 3, 0
  EXPECT_FALSE(doc::ParsePieceTable(backwards, &pieces)) << "positions going back";
  EXPECT_FALSE(doc::ParsePieceTable(std::string("\x01\xFF\xFF", 3), &pieces)) << "a Prc running past the end";
  EXPECT_FALSE(doc::ParsePieceTable("", &pieces));
}

TEST(DocReader, WordsOtherFormatsUnderADocName) {
  // RTF and .docx saved as .doc are read by their own readers.
  Result r = Read("{\\rtf1\\ansi RTF body\\par}");
  EXPECT_TRUE(r.status.ok());
  EXPECT_EQ(r.utf8, "RTF body\r\n");
  const std::string docx = testing::MakeZip(
      {{"[Content_Types].xml", "<Types/>"},
       {"word/document.xml",
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body><w:p><w:r><w:t>"
        "docx body</w:t></w:r></w:p></w:body></w:document>"}});
  r = Read(docx);
  EXPECT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.utf8, "docx body\r\n");
}

TEST(DocReader, LooksLikeDocTestsTheSignature) {
  EXPECT_TRUE(LooksLikeDoc(testing::MakeCompoundFile({{u"A", "a"}})));
  EXPECT_FALSE(LooksLikeDoc("\xD0\xCF\x11\xE0"));
  EXPECT_FALSE(LooksLikeDoc("{\\rtf1"));
}

}  // namespace
}  // namespace folian::convert
