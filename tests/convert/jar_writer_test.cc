// txt2jar's archive: the manifest and entry "0" byte for byte, entry "1" for
// each source encoding, the entry order, and the user's reader template
// copied in first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/jar/jar_writer.h"
#include "convert/source_text.h"
#include "convert/zip/zip_reader.h"
#include "zip_fixture.h"

namespace folian::convert {
namespace {

std::string Counted(std::string_view s) { return static_cast<char>(s.size()) + std::string(s); }

std::vector<std::pair<std::string, std::string>> Entries(const std::string& archive) {
  ZipReader zip;
  EXPECT_TRUE(zip.Open(archive));
  std::vector<std::pair<std::string, std::string>> out;
  for (const ZipEntry& e : zip.entries()) {
    std::string data;
    EXPECT_TRUE(zip.Read(e, &data));
    out.emplace_back(e.name, data);
  }
  return out;
}

TEST(JarWriter, ManifestAsLaidOut) {
  EXPECT_EQ(JarManifest(),
            "Manifest-Version: 1.0\r\n"
            "MicroEdition-Configuration: CLDC-1.0\r\n"
            "MIDlet-Version: 1.06\r\n"
            "Created-By: 1.4.2 (Sun Microsystems Inc.)\r\n"
            "MIDlet-Vendor: V&U\r\n"
            "MicroEdition-Profile: MIDP-1.0\r\n"
            "MIDlet-1: ZUrir, , ZoriVuva\r\n"
            "MIDlet-Name: ZUrir\r\n"
            "MIDlet-Info-URL: https://folian.invalid/");
}

TEST(JarWriter, InfoEntryByteForByte) {
  bool cut = true;
  EXPECT_EQ(JarInfoEntry(1234, "水浒传", &cut),
            std::string("\x00\x01\x30\x00", 4) + Counted("ZUrir") + std::string("\x00\x01\x31\x00", 4) +
                Counted("1,1234,水浒传") + std::string(3, '\0') + Counted("作者：佚名") + '\0' +
                Counted("制作：quill_smith") + '\0' + Counted("联系：https://folian.invalid/"));
  EXPECT_FALSE(cut);

  // A long name is cut at a character boundary so its line fits one count byte.
  std::string name;
  for (int i = 0; i < 100; ++i) name += "书";
  const std::string info = JarInfoEntry(99, name, &cut);
  EXPECT_TRUE(cut);
  const std::size_t at = 4 + 6 + 4;
  const auto count = static_cast<unsigned char>(info[at]);
  EXPECT_EQ(count, 5 + 3 * 83) << "\"1,99,\" and 83 whole characters of three bytes";
  EXPECT_EQ(info.substr(at + 1, count), "1,99," + name.substr(0, 3 * 83));
  EXPECT_EQ(info.substr(at + 1 + count, 3), std::string(3, '\0'));
}

TEST(JarWriter, TextEntryForEachSourceEncoding) {
  const std::string gbk = "\xD6\xD0\xCE\xC4\r\n";  // 中文
  const std::string le = std::string("\x2D\x4E\x87\x65\r\0\n\0", 8);
  const std::string hb = "HB" + le + std::string(2, '\0');
  struct Case {
    const char* name;
    std::string file;
    std::string entry;
  } cases[] = {
      {"ANSI", gbk, hb},
      {"UTF-16LE keeps its bytes", "\xFF\xFE" + le, "\xFF\xFE" + le},
      {"UTF-8 as ANSI", "\xE4\xB8\xAD\xE6\x96\x87\r\n", hb},
      {"UTF-8 with a mark as ANSI", "\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87\r\n", hb},
      {"UTF-16BE as ANSI", std::string("\xFE\xFF\x4E\x2D\x65\x87\0\r\0\n", 10), hb},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JarTextEntry(DecodeSource(c.file), c.file), c.entry) << c.name;
  }
}

TEST(JarWriter, EntriesInOrderWithoutATemplate) {
  std::string archive;
  JarWriteInfo info;
  ASSERT_TRUE(WriteJar("HBtext", "book", {}, &archive, &info));
  const auto entries = Entries(archive);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].first, "META-INF/");
  EXPECT_EQ(entries[1], std::make_pair(std::string("META-INF/MANIFEST.MF"), JarManifest()));
  EXPECT_EQ(entries[2], std::make_pair(std::string("1"), std::string("HBtext")));
  EXPECT_EQ(entries[3], std::make_pair(std::string("0"), JarInfoEntry(6, "book")));
  EXPECT_EQ(info.template_entries, 0u);
}

TEST(JarWriter, TemplateEntriesComeFirstAndOursReplaceTheirs) {
  const std::string classes(3000, '\xCA');
  const std::string tmpl = testing::MakeZip({{"META-INF/", ""},
                                             {"META-INF/MANIFEST.MF", "theirs"},
                                             {"ZoriVuva.class", classes},
                                             {"a.class", "\xCA\xFE\xBA\xBE", true},
                                             {"1", "their book"},
                                             {"0", "their info"}});
  std::string archive;
  JarWriteInfo info;
  ASSERT_TRUE(WriteJar("HBtext", "book", tmpl, &archive, &info));
  EXPECT_EQ(info.template_entries, 3u);
  const auto entries = Entries(archive);
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.first);
  EXPECT_EQ(names, (std::vector<std::string>{"META-INF/", "ZoriVuva.class", "a.class",
                                             "META-INF/MANIFEST.MF", "1", "0"}));
  EXPECT_EQ(entries[1].second, classes);
  EXPECT_EQ(entries[2].second, "\xCA\xFE\xBA\xBE");
  EXPECT_EQ(entries[3].second, JarManifest());
  EXPECT_EQ(entries[4].second, "HBtext");
}

TEST(JarWriter, RefusesABadTemplate) {
  std::string archive;
  const Status not_zip = WriteJar("HB", "b", "not a zip at all", &archive);
  EXPECT_FALSE(not_zip);
  EXPECT_NE(not_zip.message().find("模板"), std::string::npos);
  // Entries that inflate past the template cap, from a small file.
  const std::string bomb = testing::MakeZip({{"a.class", std::string(jar::kMaxTemplateBytes / 2 + 1, 'a')},
                                             {"b.class", std::string(jar::kMaxTemplateBytes / 2 + 1, 'b')}});
  ASSERT_LT(bomb.size(), 1u << 20);
  const Status big = WriteJar("HB", "b", bomb, &archive);
  EXPECT_FALSE(big);
  EXPECT_NE(big.message().find("模板"), std::string::npos) << big.message();
}

}  // namespace
}  // namespace folian::convert
