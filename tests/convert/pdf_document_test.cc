// The light object scan: which definition of an object wins, object
// streams, stream bodies never taken for objects, lengths by reference,
// loops and deep nesting; the page tree.
#include <gtest/gtest.h>

#include <string>

#include "convert/pdf/document.h"
#include "convert/pdf/lexer.h"
#include "convert/pdf/object.h"
#include "convert/pdf/page_tree.h"
#include "pdf_fixture.h"

namespace folian::convert::pdf {
namespace {

using folian::testing::PdfBuilder;

std::string NameOf(Document& doc, std::uint32_t num, std::string_view key) {
  const Object* o = doc.Get(num);
  const Object* v = doc.Lookup(o, key);
  return v != nullptr && (v->is_name() || v->is_string()) ? v->str : "<none>";
}

TEST(PdfDocument, LaterDefinitionsWinAndStreamBodiesAreSkipped) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(5, "<< /Which /first >>")
      // A stream whose bytes look like an object definition.
      .Stream(6, "junk\n99 0 obj\n<< /Which /fake >>\nendobj\n5 0 obj << /Which /fake >> endobj", "", false)
      .Raw("5 0 obj\n<< /Which /second >>\nendobj\n");
  std::string file = b.Build(1);
  file.replace(file.find("xref"), 4, "xREF");  // the table is never read
  Document doc(file);
  ASSERT_TRUE(doc.Index());
  EXPECT_EQ(NameOf(doc, 5, "Which"), "second");
  EXPECT_EQ(doc.Get(99), nullptr);
  EXPECT_EQ(doc.catalog(), 1u);
  std::string data;
  ASSERT_TRUE(doc.StreamBytes(*doc.Get(6), &data));
  EXPECT_EQ(data.substr(0, 5), "junk\n");
}

TEST(PdfDocument, ObjectStreams) {
  // Objects 10 and 11 live in object stream 20; object 11 is also defined
  // before it at the top level (an older revision) and 12 after it.
  const std::string ten = "<< /Which /ten >>";
  const std::string header = "10 0 11 " + std::to_string(ten.size() + 1) + " ";
  const std::string objects = ten + " << /Which /eleven-new >>";
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(11, "<< /Which /eleven-old >>")
      .Stream(20, header + objects, "/Type /ObjStm /N 2 /First " + std::to_string(header.size()))
      .Object(12, "<< /Which /twelve >>");
  const std::string file = b.Build(1);
  Document doc(file);
  ASSERT_TRUE(doc.Index());
  EXPECT_EQ(NameOf(doc, 10, "Which"), "ten");
  EXPECT_EQ(NameOf(doc, 11, "Which"), "eleven-new");
  EXPECT_EQ(NameOf(doc, 12, "Which"), "twelve");
}

TEST(PdfDocument, LengthByReferenceAndMissingEndOfLine) {
  // The data holds "endstream" itself; only /Length tells where it ends.
  const std::string data = "abc endstream def";
  std::string file = "%PDF-1.4\n1 0 obj\n<< /Length 2 0 R >>\nstream\n" + data +
                     "endstream\nendobj\n2 0 obj\n" + std::to_string(data.size()) + "\nendobj\n";
  Document doc(file);
  ASSERT_TRUE(doc.Index());
  std::string out;
  ASSERT_TRUE(doc.StreamBytes(*doc.Get(1), &out));
  EXPECT_EQ(out, data);
}

TEST(PdfDocument, ReferenceLoopsAndDeepNesting) {
  std::string deep(20000, '[');
  PdfBuilder b;
  b.Object(1, "2 0 R").Object(2, "1 0 R").Object(3, deep).Object(4, "<< /A " + deep + " >>");
  const std::string file = b.Build(1);
  Document doc(file);
  ASSERT_TRUE(doc.Index());
  const Object* loop = doc.Resolve(doc.Get(1));
  ASSERT_NE(loop, nullptr);
  EXPECT_TRUE(loop->is_null());
  EXPECT_TRUE(doc.Get(3)->is_array());
  EXPECT_TRUE(doc.Get(4)->is_dict());
}

TEST(PdfDocument, CatalogFoundWithoutATrailer) {
  PdfBuilder b;
  b.Object(7, "<< /Type /Catalog /Pages 8 0 R >>");
  std::string file = b.Build(7);
  file.resize(file.find("trailer"));
  Document doc(file);
  ASSERT_TRUE(doc.Index());
  EXPECT_EQ(doc.catalog(), 7u);
}

TEST(PdfPageTree, OrderInheritanceAndLoops) {
  PdfBuilder b;
  // Pages are written in reverse; the tree gives the order. Node 3 lists
  // itself (a loop) and page 5 twice.
  b.Object(6, "<< /Type /Page /Parent 3 0 R /Which /second >>")
      .Object(5, "<< /Type /Page /Parent 3 0 R /Which /first /Resources << /Own true >> >>")
      .Object(4, "<< /Type /Page /Parent 2 0 R /Which /third >>")
      .Object(3, "<< /Type /Pages /Parent 2 0 R /Kids [5 0 R 3 0 R 6 0 R 5 0 R] >>")
      .Object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Resources << /Inherited true >> >>")
      .Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  const std::string file = b.Build(1);
  Document doc(file);
  ASSERT_TRUE(doc.Index());
  const std::vector<PageRef> pages = CollectPages(doc);
  ASSERT_EQ(pages.size(), 3u);
  const char* order[] = {"first", "second", "third"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(doc.Lookup(pages[static_cast<std::size_t>(i)].page, "Which")->str, order[i]);
  }
  EXPECT_NE(pages[0].resources->Find("Own"), nullptr);
  EXPECT_NE(pages[1].resources->Find("Inherited"), nullptr);
  EXPECT_NE(pages[2].resources->Find("Inherited"), nullptr);
}

TEST(PdfPageTree, LoosePagesWhenTheTreeIsBroken) {
  PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 9 0 R >>")
      .Object(2, "<< /Resources << /Up true >> >>")
      .Object(3, "<< /Type /Page /Parent 2 0 R /Which /a >>")
      .Object(4, "<< /Type /Page /Which /b >>");
  const std::string file = b.Build(1);
  Document doc(file);
  ASSERT_TRUE(doc.Index());
  const std::vector<PageRef> pages = CollectPages(doc);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(doc.Lookup(pages[0].page, "Which")->str, "a");
  ASSERT_NE(pages[0].resources, nullptr);
  EXPECT_NE(pages[0].resources->Find("Up"), nullptr);
  EXPECT_EQ(pages[1].resources, nullptr);
}

TEST(PdfLexer, TokensAndLenientNumbers) {
  Lexer lx("/Na#6De (a(b)\\)\\101\\\nc) <48 6> 12 -.5 --3 1.2.3 R % comment\n<< >> [ ]");
  Token t;
  lx.Next(&t);
  EXPECT_EQ(t.kind, TokenKind::kName);
  EXPECT_EQ(t.text, "Name");
  lx.Next(&t);
  EXPECT_EQ(t.kind, TokenKind::kString);
  EXPECT_EQ(t.text, "a(b))Ac") << "nesting, escapes, octal and a line continuation";
  lx.Next(&t);
  EXPECT_EQ(t.kind, TokenKind::kHexString);
  EXPECT_EQ(t.text, "H`");
  const double numbers[] = {12, -0.5, -3, 1.2};
  for (const double n : numbers) {
    lx.Next(&t);
    ASSERT_EQ(t.kind, TokenKind::kNumber);
    EXPECT_DOUBLE_EQ(t.number, n);
  }
  lx.Next(&t);
  EXPECT_EQ(t.kind, TokenKind::kKeyword);
  EXPECT_EQ(t.raw, "R");
  lx.Next(&t);
  EXPECT_EQ(t.kind, TokenKind::kDictOpen) << "the comment is skipped";
  lx.Next(&t);
  EXPECT_EQ(t.kind, TokenKind::kDictClose);
  lx.Next(&t);
  EXPECT_EQ(t.kind, TokenKind::kArrayOpen);
  lx.Next(&t);
  EXPECT_EQ(t.kind, TokenKind::kArrayClose);
  lx.Next(&t);
  EXPECT_EQ(t.kind, TokenKind::kEnd);

  const std::string digits(400, '9');
  Lexer huge(digits);
  huge.Next(&t);
  EXPECT_EQ(t.kind, TokenKind::kNumber);
  EXPECT_LE(t.number, 1e30) << "hundreds of digits stay finite";
  // A real too large for an integer (a fuzzer's find): no undefined cast.
  const std::string real = std::string(40, '7') + ".5";
  Lexer big(real);
  big.Next(&t);
  EXPECT_EQ(t.kind, TokenKind::kNumber);
  EXPECT_FALSE(t.integer);
}

}  // namespace
}  // namespace folian::convert::pdf
