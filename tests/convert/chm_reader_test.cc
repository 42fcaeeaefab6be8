// CHM to pages: which entries are pages and under which names, the pages
// copied whole from our own small CHM files, damaged and hostile files
// ending with a message, and the real help files of ../shared with their
// listing by an independent tool as the expected result.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "chm_fixture.h"
#include "text_read.h"
#include "convert/chm/chm_reader.h"
#include "convert/chm/hhc_order.h"
#include "charset/codepage.h"
#include "convert/messages.h"
#include "convert/registry.h"
#include "support/temp_dir.h"

namespace folian::convert {
namespace {

namespace fs = std::filesystem;
using testing::ChmItem;
using testing::MakeChm;

using testing::RecordingSink;

TEST(ChmPageName, PagesKeepTheirFoldersAndEverythingElseStaysInside) {
  const std::pair<std::string, std::string> cases[] = {
      {"/index.htm", "index.htm"},
      {"/html/Intro.HTML", "html/Intro.HTML"},
      {"/CH01.HTM", "CH01.HTM"},
      {"/sub\\page.htm", "sub/page.htm"},  // a backslash is a folder separator
      {"/\xE7\xAC\xAC\xE4\xB8\x80\xE7\xAB\xA0.htm", "\xE7\xAC\xAC\xE4\xB8\x80\xE7\xAB\xA0.htm"},
      {"/css/style.css", ""},
      {"/images/a.htm.png", ""},
      {"/toc.hhc", ""},
      {"/#SYSTEM", ""},
      {"/$WWKeywordLinks/page.htm", ""},  // a system storage is never entered
      {"/sub/$WWKeywordLinks.htm", "sub/$WWKeywordLinks.htm"},
      // Refused: names that climb, absolute names, drive letters, empty
      // parts, control bytes, bytes that are not UTF-8.
      {"/../evil.htm", ""},
      {"/a/../../evil.htm", ""},
      {"/..\\evil.htm", ""},
      {"//etc/evil.htm", ""},
      {"/C:/evil.htm", ""},
      {"/C:evil.htm", ""},
      {"/a//b.htm", ""},
      {"/./a.htm", ""},
      {"/a\x01.htm", ""},
      {"/\xB5\xDA.htm", ""},  // GBK bytes, not UTF-8
      {"", ""},
      {"/", ""},
  };
  for (const auto& [stored, expected] : cases) {
    EXPECT_EQ(ChmPageName(stored), expected) << "stored as \"" << stored << "\"";
  }
}

TEST(ReadChm, WritesOnlyThePagesWholeUnderTheirStoredNames) {
  const std::string big(16384, 'x');  // one copy buffer exactly
  const std::string chm = MakeChm({
      {"/#SYSTEM", "system"},
      {"/index.htm", "<p>index</p>"},
      {"/chapters/CH01.HTM", "<p>one</p>"},
      {"/chapters/deep/two.html", big},
      {"/css/style.css", "p{}"},
      {"/images/logo.png", "\x89PNG"},
      {"/toc.hhc", "<ul></ul>"},
      {"/empty.htm", ""},
  });
  RecordingSink sink;
  Status s = ReadChm(chm, sink, ReadContext{});
  ASSERT_TRUE(s.ok()) << s.message();
  const std::map<std::string, std::string> expected = {
      {"index.htm", "<p>index</p>"},
      {"chapters/CH01.HTM", "<p>one</p>"},
      {"chapters/deep/two.html", big},
      {"empty.htm", ""},
  };
  EXPECT_EQ(sink.files, expected);
}

TEST(ReadChm, RefusedNamesAreLeftOutAndTheOthersWritten) {
  RecordingSink sink;
  Status s = ReadChm(MakeChm({{"/../evil.htm", "bad"}, {"/ok.htm", "good"}, {"/C:/x.htm", "bad"}}), sink,
                     ReadContext{});
  ASSERT_TRUE(s.ok()) << s.message();
  EXPECT_EQ(sink.order, std::vector<std::string>{"ok.htm"});

  RecordingSink none;
  s = ReadChm(MakeChm({{"/../evil.htm", "bad"}}), none, ReadContext{});
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(s.message(), msg::kChmNamesRefused);
  EXPECT_TRUE(none.files.empty());
}

TEST(ReadChm, OpensFilesWhoseCompilerRepeatsTheFirstClassId) {
  std::string chm = MakeChm({{"/a.htm", "<p>a</p>"}});
  ASSERT_EQ(chm[0x28], '\x11');
  chm[0x28] = '\x10';  // as Free Pascal's chmcmd writes it
  RecordingSink sink;
  Status s = ReadChm(chm, sink, ReadContext{});
  ASSERT_TRUE(s.ok()) << s.message();
  EXPECT_EQ(sink.order, std::vector<std::string>{"a.htm"});
}

TEST(ReadChm, FilesWithoutPagesOrNotChmSaySo) {
  RecordingSink sink;
  Status s = ReadChm(MakeChm({{"/a.css", "x"}, {"/b.png", "y"}}), sink, ReadContext{});
  EXPECT_EQ(s.message(), msg::kChmNoPages);
  s = ReadChm("PK\x03\x04 not a help file", sink, ReadContext{});
  EXPECT_EQ(s.message(), msg::kChmNotChm);
  s = ReadChm("", sink, ReadContext{});
  EXPECT_EQ(s.message(), msg::kChmNotChm);
  EXPECT_TRUE(sink.files.empty());
}

TEST(ReadChm, DamagedFilesEndWithAMessageAtEveryLength) {
  const std::string chm = MakeChm({{"/a.htm", "<p>first page</p>"}, {"/b.htm", std::string(300, 'b')}});
  // Every cut of the file: the directory or the pages are missing.
  for (std::size_t n = 0; n < chm.size(); n += (n < 0x200 ? 1 : 97)) {
    RecordingSink sink;
    Status s = ReadChm(std::string_view(chm).substr(0, n), sink, ReadContext{});
    if (!s.ok()) {
      EXPECT_FALSE(s.message().empty());
      EXPECT_TRUE(sink.files.empty()) << n;
    } else {
      // Only pages whose bytes are all there are written, and whole.
      for (const auto& [name, bytes] : sink.files) {
        EXPECT_TRUE(bytes == "<p>first page</p>" || bytes == std::string(300, 'b')) << name << " at " << n;
      }
    }
  }
}

TEST(ReadChm, APageReachingPastTheEndIsLeftOut) {
  std::string chm = MakeChm({{"/a.htm", "<p>a</p>"}, {"/b.htm", "<p>bb</p>"}});
  chm.resize(chm.size() - 3);  // b.htm's last bytes are gone
  RecordingSink sink;
  Status s = ReadChm(chm, sink, ReadContext{});
  ASSERT_TRUE(s.ok()) << s.message();
  EXPECT_EQ(sink.order, std::vector<std::string>{"a.htm"});

  chm.resize(chm.size() - 10);  // both
  RecordingSink none;
  s = ReadChm(chm, none, ReadContext{});
  EXPECT_EQ(s.message(), msg::kChmPagesDamaged);
}

TEST(ReadChm, ASinkErrorOrAStopRequestEndsTheRun) {
  const std::string chm = MakeChm({{"/a.htm", "a"}, {"/b.htm", "b"}, {"/c.htm", "c"}});
  RecordingSink sink;
  sink.fail_after = 1;
  Status s = ReadChm(chm, sink, ReadContext{});
  EXPECT_EQ(s.message(), "disk full");
  EXPECT_EQ(sink.files.size(), 1u);

  CancelFlag cancel{true};
  ReadContext ctx;
  ctx.cancel = &cancel;
  RecordingSink stopped;
  s = ReadChm(chm, stopped, ctx);
  EXPECT_EQ(s.message(), msg::kCancelled);
  EXPECT_TRUE(stopped.files.empty());
}

TEST(ReadChm, TheRegistryFindsItByNameAndByMagic) {
  const std::string chm = MakeChm({{"/a.htm", "a"}});
  const Format* f = DetectFormat("BOOK.CHM", chm);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->name, "chm");
  EXPECT_EQ(f->read_pages, &ReadChm);
  f = DetectFormat("renamed.htm", chm);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->name, "chm") << "the magic wins over a wrong extension";
}

TEST(HhcPageOrder, PagesInTheOrderTheTableNamesThemEachOnce) {
  const std::string hhc =
      "<HTML><BODY><UL>"
      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"x.htm\">"
      "<param name=\"Local\" value=\"html/ch2.htm#sec1\"></OBJECT>"
      "<LI><OBJECT><param name='local' value='./ch1.htm'></OBJECT>"
      "<LI><OBJECT><param name=Local value=/HTML/CH2.HTM></OBJECT>"  // the same page again
      "<LI><OBJECT><param name=\"Local\" value=\"ms-its:book.chm::/a&amp;b.htm\"></OBJECT>"
      "<LI><OBJECT><param name=\"Local\" value=\"sub\\c.htm\"></OBJECT>"
      "<LI><OBJECT><paramx name=\"Local\" value=\"no.htm\"><param name=\"Local\" value=\"#only\"></OBJECT>"
      "</UL></BODY></HTML>";
  EXPECT_EQ(HhcPageOrder(hhc), (std::vector<std::string>{"html/ch2.htm", "ch1.htm", "a&b.htm", "sub/c.htm"}));
  // Older compilers wrote the table in GBK.
  const std::string gbk = charset::Utf8ToGbk("<param name=\"Local\" value=\"第一章.htm\">");
  EXPECT_EQ(HhcPageOrder(gbk), std::vector<std::string>{"第一章.htm"});
  EXPECT_TRUE(HhcPageOrder("<param name=\"Local\" value=\"unterminated").empty());
}

TEST(ReadChm, TellsTheSinkTheTableOfContentsOrder) {
  RecordingSink sink;
  const std::string chm = MakeChm({{"/sub/toc.hhc", "<param name=\"Local\" value=\"no.htm\">"},
                                   {"/a.htm", "a"},
                                   {"/Main.HHC", "<param name=\"Local\" value=\"a.htm\">"}});
  ASSERT_TRUE(ReadChm(chm, sink, ReadContext{}).ok());
  EXPECT_EQ(sink.reading_order, std::vector<std::string>{"a.htm"}) << "the table at the top wins";
}

// ---- the help files of ../shared --------------------------------------------

const fs::path kShared = fs::path(FOLIAN_SHARED_DIR) / "formats";

// The pages an independent CHM tool lists (path, size), from its listing.
std::map<std::string, std::size_t> ListedPages(const fs::path& listing) {
  std::map<std::string, std::size_t> pages;
  std::istringstream in(testing::ReadBytes(listing));
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    const std::size_t t1 = line.find('\t'), t2 = line.rfind('\t');
    if (t1 == std::string::npos || t1 == t2) continue;
    const std::string path = line.substr(0, t1);
    const std::string name = ChmPageName("/" + path);
    if (!name.empty()) pages[name] = std::stoul(line.substr(t1 + 1, t2 - t1 - 1));
  }
  return pages;
}

TEST(ReadChmSamples, RealHelpFilesGiveEveryPageTheToolLists) {
  const fs::path files[] = {kShared / "third_party" / "chm" / "music_down-help.hhw-zh.chm",
                            kShared / "generated" / "chm" / "en_alice.chmcmd.chm"};
  for (const fs::path& file : files) {
    if (!fs::exists(file)) GTEST_SKIP() << "sample missing: " << file;
    const auto expected = ListedPages(file.string() + ".extract_chmLib.txt");
    ASSERT_FALSE(expected.empty()) << file;
    RecordingSink sink;
    Status s = ReadChm(testing::ReadBytes(file), sink, ReadContext{});
    ASSERT_TRUE(s.ok()) << file << ": " << s.message();
    std::map<std::string, std::size_t> got;
    for (const auto& [name, bytes] : sink.files) got[name] = bytes.size();
    EXPECT_EQ(got, expected) << file;
  }
}

TEST(ReadChmSamples, MalformedHelpFilesGiveAMessageOrSafePages) {
  const fs::path dir = kShared / "third_party" / "chm";
  if (!fs::exists(dir)) GTEST_SKIP() << "samples missing: " << dir;
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("libmspack-", 0) != 0 || entry.path().extension() != ".chm") continue;
    ++seen;
    RecordingSink sink;
    Status s = ReadChm(testing::ReadBytes(entry.path()), sink, ReadContext{});
    if (s.ok()) {
      EXPECT_FALSE(sink.files.empty()) << name;
    } else {
      EXPECT_FALSE(s.message().empty()) << name;
      EXPECT_TRUE(sink.files.empty()) << name;
    }
    for (const auto& [page, bytes] : sink.files) {
      EXPECT_EQ(ChmPageName("/" + page), page) << name << ": unsafe name " << page;
    }
  }
  EXPECT_EQ(seen, 5);
}

}  // namespace
}  // namespace folian::convert
