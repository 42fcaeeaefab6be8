// The .docx reader end to end on packages built with minizip: the parts
// found through the relationships, the text of paragraphs, runs, tabs,
// breaks, fields, tables and notes, and what a damaged or hostile package
// gives.
#include <gtest/gtest.h>

#include <string>

#include "charset/codepage.h"
#include "convert/docx/docx_format.h"
#include "convert/docx/package.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/text_sink.h"
#include "zip_fixture.h"
#include "text_read.h"

namespace folian::convert {
namespace {

using testing::MakeZip;
using testing::ZipItem;

constexpr char kContentTypes[] =
    "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>";
constexpr char kNs[] = "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                       "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"";

std::string Document(std::string_view body) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document ") + kNs + "><w:body>" +
         std::string(body) + "<w:sectPr/></w:body></w:document>";
}

std::string Rels(std::string_view rels) {
  return "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
         std::string(rels) + "</Relationships>";
}

std::string Rel(std::string_view type, std::string_view target) {
  return "<Relationship Id=\"r" + std::to_string(target.size()) +
         "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + std::string(type) +
         "\" Target=\"" + std::string(target) + "\"/>";
}

using Result = folian::testing::TextRead;

Result Read(std::string_view file, const ReadContext& ctx = ReadContext()) { return testing::ReadText(ReadDocx, file, ctx); }

// The body's text in the simplest package.
std::string BodyText(std::string_view body) {
  Result r = Read(MakeZip({{"[Content_Types].xml", kContentTypes}, {"word/document.xml", Document(body)}}));
  EXPECT_TRUE(r.status.ok()) << r.status.message();
  return r.utf8;
}

std::string P(std::string_view runs) { return "<w:p>" + std::string(runs) + "</w:p>"; }
std::string R(std::string_view text) {
  return "<w:r><w:t xml:space=\"preserve\">" + std::string(text) + "</w:t></w:r>";
}

TEST(DocxReader, ParagraphsRunsTabsAndBreaks) {
  EXPECT_EQ(BodyText(P(R("第一回")) + P(R("Hello ") + R("world"))), "第一回\r\nHello world\r\n");
  EXPECT_EQ(BodyText(P("<w:r><w:t>a</w:t><w:tab/><w:t>b</w:t><w:br/><w:t>c</w:t><w:cr/><w:t>d</w:t></w:r>")),
            "a\tb\r\nc\r\nd\r\n");
  // Properties hold no text; a no-break hyphen is a hyphen; symbol-font glyphs are dropped.
  EXPECT_EQ(BodyText(P("<w:pPr><w:pStyle w:val=\"Title\"/></w:pPr><w:r><w:rPr><w:b/></w:rPr><w:t>x</w:t>"
                       "<w:noBreakHyphen/><w:sym w:font=\"Wingdings\" w:char=\"F0B7\"/>"
                       "<w:sym w:font=\"SimSun\" w:char=\"4E00\"/></w:r>")),
            "x-一\r\n");
  // An empty paragraph is an empty line; entities are decoded.
  EXPECT_EQ(BodyText(P("") + P(R("a &amp; b &lt;c&gt;"))), "\r\na & b <c>\r\n");
  // A default namespace instead of the w: prefix.
  Result r = Read(MakeZip({{"word/document.xml",
                            "<document xmlns=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                            "<body><p><r><t>plain</t></r></p></body></document>"}}));
  EXPECT_EQ(r.utf8, "plain\r\n");
}

TEST(DocxReader, FieldsDeletionsHiddenTextAndAlternates) {
  // A field's instruction is dropped and its result kept, nested fields too.
  EXPECT_EQ(BodyText(P(R("see ") + "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>"
                       "<w:r><w:instrText>HYPERLINK \"x\"</w:instrText></w:r>"
                       "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" + R("here") +
                       "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>" + R("."))),
            "see here.\r\n");
  // An unbalanced field end does not swallow the rest.
  EXPECT_EQ(BodyText(P("<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>" + R("kept"))), "kept\r\n");
  // Deleted text, hidden runs; inserted text is text.
  EXPECT_EQ(BodyText(P("<w:del><w:r><w:delText>gone</w:delText></w:r></w:del><w:ins>" + R("new") + "</w:ins>"
                       "<w:r><w:rPr><w:vanish/></w:rPr><w:t>hidden</w:t></w:r>"
                       "<w:r><w:rPr><w:vanish w:val=\"0\"/></w:rPr><w:t>!</w:t></w:r>")),
            "new!\r\n");
  // A text box in alternate content is read once.
  EXPECT_EQ(BodyText(P("<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:txbxContent>" + P(R("box")) +
                       "</w:txbxContent></mc:Choice><mc:Fallback><w:txbxContent>" + P(R("box")) +
                       "</w:txbxContent></mc:Fallback></mc:AlternateContent></w:r>")),
            "box\r\n\r\n");
}

TEST(DocxReader, TablesAreTabsAndRowsEndLines) {
  auto cell = [](std::string_view paras) { return "<w:tc><w:tcPr/>" + std::string(paras) + "</w:tc>"; };
  EXPECT_EQ(BodyText("<w:tbl><w:tblPr/><w:tr>" + cell(P(R("A"))) + cell(P(R("B"))) + "</w:tr><w:tr>" +
                     cell(P(R("C"))) + cell(P("")) + "</w:tr></w:tbl>" + P(R("after"))),
            "A\tB\r\nC\r\nafter\r\n");
  // A cell of two paragraphs keeps its line break.
  EXPECT_EQ(BodyText("<w:tbl><w:tr>" + cell(P(R("x")) + P(R("y"))) + cell(P(R("z"))) + "</w:tr></w:tbl>"),
            "x\r\ny\tz\r\n");
}

TEST(DocxReader, PartsThroughTheRelationshipsAndNotesAfterTheText) {
  const std::string notes = std::string("<w:footnotes ") + kNs +
                            "><w:footnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p>"
                            "</w:footnote><w:footnote w:id=\"1\">" + P(R("A note.")) + "</w:footnote></w:footnotes>";
  // The main part under another name, named by the package relationships.
  Result r = Read(MakeZip({{"[Content_Types].xml", kContentTypes},
                           {"_rels/.rels", Rels(Rel("officeDocument", "/doc/main.xml"))},
                           {"doc/_rels/main.xml.rels", Rels(Rel("footnotes", "../notes/fn.xml"))},
                           {"doc/main.xml", Document(P(R("Body")))},
                           {"notes/fn.xml", notes}}));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.utf8, "Body\r\n\r\nA note.\r\n");
  // A damaged notes part leaves the text as it is.
  r = Read(MakeZip({{"word/_rels/document.xml.rels", Rels(Rel("footnotes", "footnotes.xml"))},
                    {"word/document.xml", Document(P(R("Body")))},
                    {"word/footnotes.xml", "<w:footnotes"}}));
  EXPECT_EQ(r.utf8, "Body\r\n");
  // Targets resolve inside the package; ".." never climbs above its root.
  EXPECT_EQ(docx::ResolveTarget("word/document.xml", "../../../x.xml"), "x.xml");
  EXPECT_EQ(docx::ResolveTarget("word/document.xml", "./media/../footnotes.xml"), "word/footnotes.xml");
  EXPECT_EQ(docx::ResolveTarget("word/document.xml", "/word/a.xml"), "word/a.xml");
}

TEST(DocxReader, GbkUnlessACharacterIsNotInGbk) {
  Result r = Read(MakeZip({{"word/document.xml", Document(P(R("第一回")))}}));
  EXPECT_EQ(r.encoding, TextEncoding::kGbk);
  r = Read(MakeZip({{"word/document.xml", Document(P(R("第一回 😀 \u20A9")))}}));
  EXPECT_EQ(r.encoding, TextEncoding::kUtf8Mark);
  EXPECT_EQ(r.utf8, "第一回 😀 \u20A9\r\n");
}

TEST(DocxReader, DamagedAndHostilePackages) {
  EXPECT_EQ(Read("PK\x03\x04 not really").status.message(), msg::kDocxNotZip);
  EXPECT_EQ(Read(MakeZip({{"[Content_Types].xml", kContentTypes}, {"other.xml", "<a/>"}})).status.message(),
            msg::kDocxNoDocument);
  Result r = Read(MakeZip({{"word/document.xml", "<w:document><w:body><w:p>"}}));
  EXPECT_EQ(r.status.message(), std::string(msg::kDocxBadPart) + "word/document.xml");
  // Nesting deeper than the XML parser allows is refused, not a stack overflow.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<w:p>";
  EXPECT_FALSE(Read(MakeZip({{"word/document.xml", Document(deep)}})).status.ok());
  // A zip bomb's part: the sizes its headers claim are checked against the
  // cap before anything is inflated, and a claim smaller than what really
  // inflates is damage, not a licence to keep going (the archive reader
  // caps the real output by the claim).
  std::string zip = MakeZip({{"word/document.xml", Document(P(R(std::string(64 << 10, ' '))))}});
  const std::size_t central = zip.rfind(std::string("PK\x01\x02", 4));
  ASSERT_NE(central, std::string::npos);
  // The uncompressed size: offset 24 of the central entry, 22 of the local header.
  auto claim = [&](std::uint32_t size) {
    std::string z = zip;
    for (std::size_t at : {central + 24, std::size_t{22}}) {
      for (int i = 0; i < 4; ++i) z[at + i] = static_cast<char>(size >> (8 * i));
    }
    return z;
  };
  EXPECT_EQ(Read(claim(0xFFFFFFF0u)).status.message(), msg::kDocxPartTooLarge);
  r = Read(claim(1024));
  EXPECT_FALSE(r.status.ok());
  EXPECT_EQ(r.status.message().rfind(msg::kDocxBadPart, 0), 0u) << r.status.message();
  EXPECT_TRUE(Read(claim(static_cast<std::uint32_t>(Document(P(R(std::string(64 << 10, ' ')))).size()))).status.ok())
      << "the true size reads";
}

TEST(DocxReader, Cancel) {
  std::string body;
  for (int i = 0; i < 20000; ++i) body += P(R("line"));
  CancelFlag cancel{true};
  ReadContext ctx;
  ctx.cancel = &cancel;
  EXPECT_EQ(Read(MakeZip({{"word/document.xml", Document(body)}}), ctx).status.message(), msg::kCancelled);
}

}  // namespace
}  // namespace folian::convert
