// ePub books: container and package, spine order, manifest matching, hrefs
// inside the archive, and every way a book can be broken.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charset/codepage.h"
#include "convert/epub/archive_path.h"
#include "convert/epub/epub_reader.h"
#include "convert/epub/package.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/text_sink.h"
#include "zip_fixture.h"
#include "text_read.h"

namespace folian::convert {
namespace {

using testing::MakeZip;
using testing::ZipItem;

std::string Container(std::string_view attributes) {
  return "<?xml version=\"1.0\"?><container version=\"1.0\" "
         "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile " +
         std::string(attributes) + "/></rootfiles></container>";
}

std::string Opf(std::string_view manifest, std::string_view spine, std::string_view prefix = "") {
  const std::string p(prefix);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><" + p + "package xmlns" +
         (p.empty() ? "" : ":" + p.substr(0, p.size() - 1)) +
         "=\"http://www.idpf.org/2007/opf\" version=\"2.0\"><" + p + "manifest>" + std::string(manifest) +
         "</" + p + "manifest><" + p + "spine>" + std::string(spine) + "</" + p + "spine></" + p + "package>";
}

std::string Doc(std::string_view body) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"><head>"
         "<title>file name</title></head><body>" +
         std::string(body) + "</body></html>";
}

std::vector<ZipItem> Book(const std::string& opf, std::vector<ZipItem> docs,
                          std::string_view opf_path = "OEBPS/content.opf") {
  std::vector<ZipItem> items{{"mimetype", "application/epub+zip", true},
                             {"META-INF/container.xml",
                              Container("full-path=\"" + std::string(opf_path) +
                                        "\" media-type=\"application/oebps-package+xml\"")},
                             {std::string(opf_path), opf}};
  for (ZipItem& d : docs) items.push_back(std::move(d));
  return items;
}

using Read = folian::testing::TextRead;

Read Convert(std::string_view epub, const ReadContext& ctx = {}) { return testing::ReadText(ReadEpub, epub, ctx); }

Read Convert(const std::vector<ZipItem>& items) { return Convert(MakeZip(items)); }

const char kTwoItems[] =
    "<item id=\"c2\" href=\"c2.xhtml\" media-type=\"application/xhtml+xml\"/>"
    "<item href=\"c1.xhtml\" id=\"c1\" media-type=\"application/xhtml+xml\"/>"
    "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\"/>";

TEST(EpubReader, SpineOrderWhateverTheManifestOrderAndAttributeOrder) {
  const Read r = Convert(Book(Opf(kTwoItems, "<itemref idref=\"c1\"/><itemref idref=\"c2\"/>"),
                              {{"OEBPS/c2.xhtml", Doc("<h1>第二章</h1><p>乙</p>")},
                               {"OEBPS/c1.xhtml", Doc("<h1>第一章</h1><p>甲</p>")},
                               {"OEBPS/nav.xhtml", Doc("<p>目录</p>")}}));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.encoding, TextEncoding::kUtf8);
  EXPECT_EQ(r.text, "第一章\r\n甲\r\n第二章\r\n乙\r\n")
      << "spine order, no head titles, the navigation document not read";
}

TEST(EpubReader, PrefixedElementsAreRecognised) {
  const Read r = Convert(Book(Opf("<opf:item id=\"a\" href=\"a.html\" media-type=\"application/xhtml+xml\"/>",
                                  "<opf:itemref idref=\"a\"/>", "opf:"),
                              {{"OEBPS/a.html", Doc("<p>text</p>")}}));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text, "text\r\n");
}

TEST(EpubReader, WhichItemsAreContentDocuments) {
  const char manifest[] =
      "<item id=\"up\" href=\"UP.XHTML\"/>"
      "<item id=\"x\" href=\"x.xml\" media-type=\"application/xhtml+xml\"/>"
      "<item id=\"ncx\" href=\"toc.xml\" media-type=\"application/x-dtbncx+xml\"/>"
      "<item id=\"img\" href=\"p.jpg\" media-type=\"image/jpeg\"/>";
  const Read r = Convert(Book(Opf(manifest, "<itemref idref=\"up\"/><itemref idref=\"x\"/>"
                                            "<itemref idref=\"ncx\"/><itemref idref=\"img\"/>"
                                            "<itemref idref=\"nosuch\"/>"),
                              {{"OEBPS/UP.XHTML", Doc("<p>upper</p>")},
                               {"OEBPS/x.xml", Doc("<p>typed</p>")},
                               {"OEBPS/toc.xml", "<ncx><text>never</text></ncx>"},
                               {"OEBPS/p.jpg", "\xFF\xD8"}}));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text, "upper\r\ntyped\r\n");
}

TEST(EpubReader, HrefsResolveInsideTheArchiveIgnoringCase) {
  const char manifest[] =
      "<item id=\"a\" href=\"Text/Chapter%201.xhtml#top\" media-type=\"application/xhtml+xml\"/>"
      "<item id=\"b\" href=\"../shared/b.xhtml\" media-type=\"application/xhtml+xml\"/>"
      "<item id=\"c\" href=\"text/CHAPTER2.XHTML\" media-type=\"application/xhtml+xml\"/>"
      "<item id=\"d\" href=\"../../etc/passwd.xhtml\" media-type=\"application/xhtml+xml\"/>";
  const Read r = Convert(Book(Opf(manifest, "<itemref idref=\"a\"/><itemref idref=\"b\"/>"
                                            "<itemref idref=\"c\"/><itemref idref=\"d\"/>"),
                              {{"OEBPS/Text/Chapter 1.xhtml", Doc("<p>one</p>")},
                               {"shared/b.xhtml", Doc("<p>two</p>")},
                               {"OEBPS/Text/Chapter2.xhtml", Doc("<p>three</p>")},
                               {"etc/passwd.xhtml", Doc("<p>outside</p>")}}));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text, "one\r\ntwo\r\nthree\r\n");
}

TEST(EpubReader, PackageAtTheRootAndTypeBeforePath) {
  std::vector<ZipItem> items = Book(Opf("<item id=\"a\" href=\"a.htm\"/>", "<itemref idref=\"a\"/>"),
                                    {{"a.htm", Doc("<p>root</p>")}}, "content.opf");
  items[1].data = Container("media-type=\"application/oebps-package+xml\" full-path=\"content.opf\"");
  const Read r = Convert(items);
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text, "root\r\n");
}

TEST(EpubReader, EachDocumentEndsItsLineAndIsUtf8) {
  const std::string gbk_doc = "<html><head><meta charset=\"gbk\"/></head><body><p>" +
                              charset::Utf8ToGbk("第三章") + "</p></body></html>";
  const Read r = Convert(Book(Opf("<item id=\"a\" href=\"a.htm\"/><item id=\"b\" href=\"b.htm\"/>"
                                  "<item id=\"c\" href=\"c.htm\"/>",
                                  "<itemref idref=\"a\"/><itemref idref=\"b\"/><itemref idref=\"c\"/>"
                                  "<itemref idref=\"a\"/>"),
                              {{"OEBPS/a.htm", "unclosed <b>text"},
                               {"OEBPS/b.htm", "<h2>next</h2>"},
                               {"OEBPS/c.htm", gbk_doc}}));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text, "unclosed text\r\nnext\r\n第三章\r\nunclosed text\r\n")
      << "a spine entry named twice is read twice";
}

TEST(EpubReader, BrokenBooksSayWhatIsWrong) {
  EXPECT_EQ(Convert("not a zip").status.message(), msg::kEpubNotZip);
  EXPECT_EQ(Convert(std::vector<ZipItem>{{"a.htm", "<p>x</p>"}}).status.message(), msg::kEpubNoContainer);

  std::vector<ZipItem> no_rootfile = Book(Opf("", ""), {});
  no_rootfile[1].data = "<container><rootfiles/></container>";
  EXPECT_EQ(Convert(no_rootfile).status.message(), msg::kEpubBadContainer);
  no_rootfile[1].data = "<container><rootfiles><rootfile media-type=\"x\"/></rootfiles></container>";
  EXPECT_EQ(Convert(no_rootfile).status.message(), msg::kEpubBadContainer);
  no_rootfile[1].data = "<container><unclosed>";
  EXPECT_EQ(Convert(no_rootfile).status.message(), msg::kEpubBadContainer);

  std::vector<ZipItem> no_package = Book(Opf("", ""), {});
  no_package.erase(no_package.begin() + 2);
  EXPECT_EQ(Convert(no_package).status.message(), std::string(msg::kEpubNoPackage) + "OEBPS/content.opf");

  const Read bad_xml = Convert(Book("<package><manifest>", {}));
  EXPECT_EQ(bad_xml.status.message(), std::string(msg::kEpubBadPackage) + "OEBPS/content.opf");

  const Read nothing = Convert(Book(Opf("<item id=\"a\" href=\"a.htm\"/>", "<itemref idref=\"a\"/>"), {}));
  EXPECT_EQ(nothing.status.message(), msg::kEpubNoText) << "the spine's document is missing";
  EXPECT_TRUE(nothing.text.empty());

  // A content document whose data is damaged (its checksum no longer fits).
  std::string zip = MakeZip(Book(Opf("<item id=\"a\" href=\"a.htm\"/>", "<itemref idref=\"a\"/>"),
                                 {{"OEBPS/a.htm", std::string(2000, 'x'), true}}));
  const std::size_t at = zip.find(std::string(2000, 'x'));
  ASSERT_NE(at, std::string::npos);
  zip[at + 1000] = 'y';
  EXPECT_EQ(Convert(zip).status.message().rfind(msg::kEpubBadDocument, 0), 0u);
}

TEST(EpubReader, CapsOnTheSpineAndOnNames) {
  std::string spine;
  for (std::size_t i = 0; i <= epub::kMaxSpineItems; ++i) spine += "<itemref idref=\"a\"/>";
  EXPECT_EQ(Convert(Book(Opf("<item id=\"a\" href=\"a.htm\"/>", spine), {{"OEBPS/a.htm", "x"}})).status.message(),
            msg::kEpubTooManyItems);
  const std::string long_href(epub::kMaxReferenceBytes + 1, 'h');
  EXPECT_EQ(Convert(Book(Opf("<item id=\"a\" href=\"" + long_href + "\"/>", "<itemref idref=\"a\"/>"), {}))
                .status.message(),
            msg::kEpubReferenceTooLong);
}

TEST(EpubReader, StopsWhenAsked) {
  CancelFlag stop{true};
  ReadContext ctx;
  ctx.cancel = &stop;
  const Read r = Convert(MakeZip(Book(Opf("<item id=\"a\" href=\"a.htm\"/>", "<itemref idref=\"a\"/>"),
                                      {{"OEBPS/a.htm", "<p>x</p>"}})),
                         ctx);
  EXPECT_EQ(r.status.message(), msg::kCancelled);
}

TEST(ResolveHref, RelativeDecodedAndNeverAboveTheRoot) {
  const std::pair<std::pair<std::string_view, std::string_view>, std::string_view> cases[] = {
      {{"OEBPS/", "a.xhtml"}, "OEBPS/a.xhtml"},
      {{"", "a.xhtml"}, "a.xhtml"},
      {{"OEBPS/Text/", "../Styles/../Text/./b.xhtml"}, "OEBPS/Text/b.xhtml"},
      {{"OEBPS/", "%E7%AC%AC%201.xhtml#p3"}, "OEBPS/第 1.xhtml"},
      {{"OEBPS/", "a.xhtml?x=1"}, "OEBPS/a.xhtml"},
      {{"OEBPS/", "/top.xhtml"}, "top.xhtml"},
      {{"OEBPS/", "bad%zz%4"}, "OEBPS/bad%zz%4"},
      {{"OEBPS/", "../../x.xhtml"}, ""},
      {{"OEBPS/", "%2E%2E/%2e%2E/x.xhtml"}, ""},
      {{"OEBPS/", "http://example.com/a.xhtml"}, ""},
      {{"OEBPS/", "#only-a-fragment"}, ""},
  };
  for (const auto& [in, want] : cases) {
    EXPECT_EQ(epub::ResolveHref(in.first, in.second), want) << in.first << " + " << in.second;
  }
}

TEST(LooksLikeEpub, MimetypeOrContainerInAZip) {
  EXPECT_TRUE(LooksLikeEpub(MakeZip({{"mimetype", "application/epub+zip", true}})));
  EXPECT_TRUE(LooksLikeEpub(MakeZip({{"META-INF/container.xml", Container("full-path=\"a\"")}})));
  EXPECT_FALSE(LooksLikeEpub(MakeZip({{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0"}})));
  EXPECT_FALSE(LooksLikeEpub("<html>"));
}

}  // namespace
}  // namespace folian::convert
