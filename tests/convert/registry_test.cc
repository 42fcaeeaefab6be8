// Choosing a reader: by extension, by magic where the extension lies.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "convert/registry.h"

namespace folian::convert {
namespace {

TEST(Registry, EveryFormatHasOneReaderAUniqueNameAndLowerCaseExtensions) {
  std::set<std::string_view> names;
  for (const Format& f : Formats()) {
    EXPECT_TRUE(names.insert(f.name).second) << f.name;
    EXPECT_NE(f.read_text == nullptr, f.read_pages == nullptr) << f.name;
    EXPECT_FALSE(f.extensions.empty()) << f.name;
    for (std::string_view ext : f.extensions) {
      EXPECT_EQ(ext.front(), '.') << ext;
      for (char c : ext) EXPECT_FALSE(c >= 'A' && c <= 'Z') << ext;
      EXPECT_EQ(FormatByExtension("x" + std::string(ext)), &f) << ext;
    }
    EXPECT_EQ(FormatByName(f.name), &f);
  }
}

TEST(Registry, ByExtensionInAnyCase) {
  ASSERT_NE(FormatByName("html"), nullptr);
  EXPECT_EQ(FormatByExtension("CHAPTER.HTM"), FormatByName("html"));
  EXPECT_EQ(FormatByExtension("a.b.html"), FormatByName("html"));
  EXPECT_EQ(FormatByName("HTML"), FormatByName("html"));
  EXPECT_EQ(FormatByExtension("novel.txt"), nullptr);
  EXPECT_EQ(FormatByExtension("html"), nullptr) << "a name, not an extension";
  EXPECT_EQ(FormatByName("htm"), nullptr);
}

TEST(Registry, MagicDecidesWhereTheExtensionLies) {
  const Format* html = FormatByName("html");
  EXPECT_EQ(DetectFormat("page.htm", "no markup at all"), html)
      << "no other magic: the extension's reader says what is wrong";
  EXPECT_EQ(DetectFormat("page.dat", "<!DOCTYPE html><p>x"), html) << "renamed page";
  EXPECT_EQ(DetectFormat("notes.txt", "plain text"), nullptr);
  const Format* pdf = FormatByName("pdf");
  ASSERT_NE(pdf, nullptr);
  EXPECT_EQ(DetectFormat("book.PDF", "%PDF-1.7\n"), pdf);
  EXPECT_EQ(DetectFormat("scan.bin", std::string(500, '\0') + "%PDF-1.4"), pdf) << "junk before the header";
  EXPECT_EQ(DetectFormat("page.pdf", "<!DOCTYPE html><p>x"), html) << "a page named .pdf";
  EXPECT_EQ(DetectFormat("noext", ""), nullptr);
}

}  // namespace
}  // namespace folian::convert
