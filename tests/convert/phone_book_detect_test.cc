// UMD and JAR in the format registry: found by extension, and by their first
// bytes when renamed, without taking other ZIP books for phone e-books.
#include <gtest/gtest.h>

#include <string>

#include "convert/registry.h"
#include "zip_fixture.h"

namespace folian::convert {
namespace {

TEST(PhoneBookDetect, ByExtensionAndByMagic) {
  const Format* umd = FormatByName("umd");
  const Format* jar = FormatByName("jar");
  ASSERT_NE(umd, nullptr);
  ASSERT_NE(jar, nullptr);
  EXPECT_EQ(FormatByExtension("BOOK.UMD"), umd);
  EXPECT_EQ(FormatByExtension("book.jar"), jar);

  EXPECT_EQ(DetectFormat("renamed.txt", "\x89\x9B\x9A\xDE#\x01"), umd);
  for (const char* first : {"META-INF/MANIFEST.MF", "0", "1", "ebook/txt/1.txt", "DATA/xxxx/001"}) {
    EXPECT_EQ(DetectFormat("renamed.zip", testing::MakeZip({{first, "x"}})), jar) << first;
  }
  // Other archives are not phone books; the .jar name still reaches the JAR reader.
  EXPECT_NE(DetectFormat("book.zip", testing::MakeZip({{"mimetype", "application/epub+zip", true}})), jar);
  EXPECT_NE(DetectFormat("doc.zip", testing::MakeZip({{"[Content_Types].xml", "<x/>"}})), jar);
  EXPECT_EQ(DetectFormat("odd.jar", testing::MakeZip({{"a.class", "x"}})), jar);
  EXPECT_NE(DetectFormat("cut.zip", "PK\x03\x04 short"), jar) << "a header too short to name an entry";
}

}  // namespace
}  // namespace folian::convert
