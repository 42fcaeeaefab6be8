// .exe books to pages: the program file's headers and resource tree read
// from our own PE32 and PE32+ files, the pages and archives found in them,
// and damaged or hostile files ending with a message and nothing written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "chm_fixture.h"
#include "convert/chm/chm_reader.h"
#include "convert/messages.h"
#include "convert/pe/pe_image.h"
#include "convert/pe/pe_reader.h"
#include "convert/registry.h"
#include "pe_fixture.h"
#include "text/atomic_write.h"
#include "text_read.h"
#include "zip_fixture.h"

namespace folian::convert {
namespace {

namespace fs = std::filesystem;
using testing::MakePe;
using testing::PeFile;
using testing::PeResourceItem;
using testing::PeContents;

using testing::RecordingSink;

std::uint32_t Get32(std::string_view s, std::size_t at) { return static_cast<std::uint32_t>(testing::GetLe(s, at, 4)); }

const std::string kPage = "<html><head><title>1</title></head><body><p>\xB5\xDA\xD2\xBB\xBB\xD8</p></body></html>";
const std::string kGif = std::string("GIF89a\x01\x00\x01\x00", 10) + "pixels";

// One book with every kind of resource the reader tells apart.
PeContents BookContents() {
  PeContents book;
  book.resources = {
      {kRtHtml, {}, 0, u"INDEX.HTM", 0x804,
       "<HTML><HEAD><LINK href='book.css'></HEAD><BODY><a href=\"CH1.HTM\">1</a><img src=\"img/LOGO.GIF\"></BODY></HTML>"},
      {kRtHtml, {}, 0, u"CH1.HTM", 0x804, kPage},
      {kRtHtml, {}, 0, u"LOGO.GIF", 0x804, kGif},
      {kRtHtml, {}, 0, u"UNUSED.GIF", 0x804, kGif},
      {kRtRcdata, {}, 101, {}, 0x804, "\xEF\xBB\xBF<!DOCTYPE html><html><body>rc</body></html>"},
      {kRtRcdata, {}, 102, {}, 0x804, "\x01\x02 binary settings, not a page"},
      {0, u"PAGES", 0, u"\u7B2C\u4E8C\u56DE", 0x804, "<!-- saved --><meta charset=gbk><p>2</p>"},
      {6, {}, 7, {}, 0x804, "<html>a string table, the program's own</html>"},
      // RT_HTML holds pages without markup at the start, and style sheets.
      {kRtHtml, {}, 0, u"FRAG.HTM", 0x804, "<p>a fragment</p>"},
      {kRtHtml, {}, 0, u"BOOK.CSS", 0x804, "p { margin: 0 }"},
  };
  return book;
}

// ---- headers and the resource tree -----------------------------------------

TEST(PeImage, Pe32AndPe32PlusGiveTheSameTreeAndOverlay) {
  for (bool plus : {false, true}) {
    PeContents book = BookContents();
    book.pe32_plus = plus;
    book.overlay = "APPENDED";
    const PeFile pe = MakePe(book);
    PeImage image;
    ASSERT_TRUE(ReadPeImage(pe.bytes, &image).ok()) << plus;
    EXPECT_EQ(image.pe32_plus, plus);
    EXPECT_EQ(image.bad_resources, 0u);
    ASSERT_EQ(image.resources.size(), book.resources.size());
    std::map<std::string, std::string> by_name;
    for (const PeResource& r : image.resources) {
      by_name[(r.type_name.empty() ? std::to_string(r.type_id) : r.type_name) + "/" +
              (r.name.empty() ? std::to_string(r.id) : r.name)] = std::string(r.bytes);
      EXPECT_EQ(r.language, 0x804u);
    }
    EXPECT_EQ(by_name["23/CH1.HTM"], kPage);
    EXPECT_EQ(by_name["10/102"], book.resources[5].data);
    EXPECT_EQ(by_name["PAGES/\xE7\xAC\xAC\xE4\xBA\x8C\xE5\x9B\x9E"], book.resources[6].data) << "UTF-16 names as UTF-8";
    EXPECT_EQ(image.overlay_begin, pe.overlay_offset);
    EXPECT_EQ(pe.bytes.substr(image.overlay_begin, image.overlay_end - image.overlay_begin), "APPENDED");
  }
}

TEST(PeImage, ASignatureBlockClosesTheOverlay) {
  PeContents book;
  book.overlay = "ARCHIVE";
  book.signature_block = std::string(100, 'S');
  const PeFile pe = MakePe(book);
  PeImage image;
  ASSERT_TRUE(ReadPeImage(pe.bytes, &image).ok());
  EXPECT_EQ(pe.bytes.substr(image.overlay_begin, image.overlay_end - image.overlay_begin), "ARCHIVE");
}

TEST(PeImage, BrokenHeadersAreRefusedWithAMessage) {
  const std::string good = MakePe(BookContents()).bytes;
  PeImage image;
  EXPECT_EQ(ReadPeImage("PK\x03\x04", &image).message(), msg::kPeNotExe);
  // Every cut inside the headers and section table fails cleanly.
  for (std::size_t n : {2u, 0x3Fu, 0x40u, 0x83u, 0x90u, 0x100u, 0x17Fu}) {
    EXPECT_EQ(ReadPeImage(good.substr(0, n), &image).message(), msg::kPeBadHeaders) << n;
  }
  std::string far = good;
  testing::PutLe(far, 0x3C, 0xFFFFFFF0u, 4);  // e_lfanew past the end
  EXPECT_EQ(ReadPeImage(far, &image).message(), msg::kPeBadHeaders);
  std::string no_sig = good;
  no_sig[0x80] = 'N';
  EXPECT_EQ(ReadPeImage(no_sig, &image).message(), msg::kPeBadHeaders);
  std::string many = good;
  many[0x86] = static_cast<char>(0xFF);  // 0x??FF sections
  many[0x87] = static_cast<char>(0xFF);
  EXPECT_EQ(ReadPeImage(many, &image).message(), msg::kPeBadHeaders);
  std::string magic = good;
  magic[0x98] = 0x0B;
  magic[0x99] = 0x03;  // neither PE32 nor PE32+
  EXPECT_EQ(ReadPeImage(magic, &image).message(), msg::kPeBadHeaders);
}

TEST(PeImage, DamagedTreesLoseOnlyTheirBadParts) {
  PeContents book;
  book.resources = {{kRtHtml, {}, 1, {}, 0x804, kPage}, {kRtHtml, {}, 2, {}, 0x804, kPage}};
  const PeFile pe = MakePe(book);
  const std::size_t root = pe.rsrc_offset;
  const std::size_t type_dir = root + (Get32(pe.bytes, root + 20) & 0x7FFFFFFF);
  const std::size_t name1_dir = pe.rsrc_offset + (Get32(pe.bytes, type_dir + 20) & 0x7FFFFFFF);
  const std::size_t entry1 = pe.rsrc_offset + Get32(pe.bytes, name1_dir + 20);
  PeImage image;

  std::string loop = pe.bytes;  // the first name points back at the root
  testing::PutLe(loop, type_dir + 20, 0x80000000u, 4);
  ASSERT_TRUE(ReadPeImage(loop, &image).ok());
  EXPECT_EQ(image.resources.size(), 1u);
  EXPECT_GE(image.bad_resources, 1u);

  std::string deep = pe.bytes;  // a language entry that is a directory again
  testing::PutLe(deep, name1_dir + 20, 0x80000000u | static_cast<std::uint32_t>(name1_dir - root), 4);
  ASSERT_TRUE(ReadPeImage(deep, &image).ok());
  EXPECT_EQ(image.resources.size(), 1u);

  std::string outside = pe.bytes;  // a resource's RVA in no section
  testing::PutLe(outside, entry1, 0x00F00000u, 4);
  ASSERT_TRUE(ReadPeImage(outside, &image).ok());
  EXPECT_EQ(image.resources.size(), 1u);

  std::string huge = pe.bytes;  // a resource claiming 4 GB
  testing::PutLe(huge, entry1 + 4, 0xFFFFFFFFu, 4);
  ASSERT_TRUE(ReadPeImage(huge, &image).ok());
  EXPECT_EQ(image.resources.size(), 1u);

  PeContents shared;  // the second name's entry claims the first one's bytes
  shared.resources = {{kRtHtml, {}, 1, {}, 0x804, std::string(3000, 'a')}, {kRtHtml, {}, 2, {}, 0x804, "b"}};
  const PeFile shared_pe = MakePe(shared);
  std::string twice = shared_pe.bytes;
  {
    const std::size_t at = shared_pe.rsrc_offset;
    const std::size_t t = at + (Get32(twice, at + 20) & 0x7FFFFFFF);
    const std::size_t n1 = at + (Get32(twice, t + 20) & 0x7FFFFFFF);
    const std::size_t n2 = at + (Get32(twice, t + 28) & 0x7FFFFFFF);
    testing::PutLe(twice, at + Get32(twice, n2 + 20), Get32(twice, at + Get32(twice, n1 + 20)), 4);
    testing::PutLe(twice, at + Get32(twice, n2 + 20) + 4, 3000, 4);
  }
  ASSERT_TRUE(ReadPeImage(twice, &image).ok());
  ASSERT_LT(twice.size(), 6000u);
  EXPECT_EQ(image.resources.size(), 1u) << "resources together never pass the file's size";

  std::string counts = pe.bytes;  // 65535 + 65535 entries claimed at the root
  testing::PutLe(counts, root + 12, 0xFFFFFFFFu, 4);
  ASSERT_TRUE(ReadPeImage(counts, &image).ok());
  EXPECT_GE(image.bad_resources, 1u);

  std::string past = pe.bytes;  // the resource section's bytes claimed far past the file's end
  testing::PutLe(past, pe.section_table + 40 + 16, 0x7FFFFFFFu, 4);
  ASSERT_TRUE(ReadPeImage(past, &image).ok());
  EXPECT_EQ(image.resources.size(), 2u) << "the part that is there is still read";
  EXPECT_EQ(image.overlay_begin, past.size());
}

// ---- pages -----------------------------------------------------------------

TEST(ReadPe, ResourcePagesKeepTheirNamesAndNumberedOnesBecomeIdHtm) {
  RecordingSink sink;
  ASSERT_TRUE(ReadPe(MakePe(BookContents()).bytes, sink, ReadContext{}).ok());
  std::vector<std::string> names;
  for (const auto& [name, bytes] : sink.files) names.push_back(name);
  const std::vector<std::string> expected = {"101.htm",  "BOOK.CSS", "CH1.HTM", "FRAG.HTM", "INDEX.HTM",
                                             "LOGO.GIF", "\xE7\xAC\xAC\xE4\xBA\x8C\xE5\x9B\x9E.htm"};
  EXPECT_EQ(names, expected) << "UNUSED.GIF is named by no page; 102 is no page; type 6 is the program's";
  EXPECT_EQ(sink.files["CH1.HTM"], kPage);
  EXPECT_EQ(sink.files["LOGO.GIF"], kGif);
}

TEST(ReadPe, HtmlIsRecognisedInEveryEncodingMarkAndCase) {
  const std::string utf16 = std::string("\xFF\xFE<\0H\0T\0M\0L\0>\0", 14);
  const std::string utf16be = std::string("\xFE\xFF\0<\0b\0o\0d\0y\0>", 14);
  EXPECT_TRUE(LooksLikeHtmlResource(utf16));
  EXPECT_TRUE(LooksLikeHtmlResource(utf16be));
  EXPECT_TRUE(LooksLikeHtmlResource(std::string("<\0h\0e\0a\0d\0>\0", 12)));
  EXPECT_TRUE(LooksLikeHtmlResource("\xEF\xBB\xBF<!DocType HTML>"));
  EXPECT_TRUE(LooksLikeHtmlResource("<script>var a;</script>\r\n<HEAD><META charset=gbk>"));
  EXPECT_TRUE(LooksLikeHtmlResource("<title>x</title>"));
  EXPECT_FALSE(LooksLikeHtmlResource("<htmlx>"));
  EXPECT_FALSE(LooksLikeHtmlResource(std::string(1100, ' ') + "<html>")) << "too far from the start";
  EXPECT_FALSE(LooksLikeHtmlResource("plain text"));
  EXPECT_FALSE(LooksLikeHtmlResource(""));
}

TEST(ReadPe, UnsafeNamesAreRefusedAndEqualNumbersKeptApart) {
  PeContents book;
  book.resources = {
      {kRtHtml, {}, 0, u"..\\..\\evil.htm", 0x804, kPage},
      {kRtHtml, {}, 0, u"C:EVIL.HTM", 0x804, kPage},
      {kRtHtml, {}, 0, u"SUB\\PAGE", 0x804, kPage},
      {kRtHtml, {}, 0, std::u16string(256, u'L') + u".htm", 0x804, kPage},  // longer than a file name may be
      {kRtHtml, {}, 5, {}, 0x804, kPage},
      {kRtHtml, {}, 5, {}, 0x409, kPage + "en"},
      {kRtRcdata, {}, 5, {}, 0x804, kPage + "rc"},
  };
  RecordingSink sink;
  ASSERT_TRUE(ReadPe(MakePe(book).bytes, sink, ReadContext{}).ok());
  const std::vector<std::string> expected = {"SUB/PAGE.htm", "5.htm", "5_2.htm", "5_3.htm"};
  EXPECT_EQ(sink.order, expected);

  PeContents only_bad;
  only_bad.resources = {{kRtHtml, {}, 0, u"../evil.htm", 0x804, kPage}};
  RecordingSink none;
  EXPECT_EQ(ReadPe(MakePe(only_bad).bytes, none, ReadContext{}).message(), msg::kPeNamesRefused);
  EXPECT_TRUE(none.order.empty());
}

// ---- archives inside -------------------------------------------------------

TEST(ReadPe, AnAppendedZipGivesEveryEntry) {
  // A self-extractor: a program with no pages of its own and a ZIP after it.
  PeContents book;
  book.overlay = testing::MakeZip({{"book/index.html", kPage},
                                   {"book/\xB5\xDA\xD2\xBB\xBB\xD8.txt", "text"},  // a GBK name
                                   {"book/", ""},
                                   {"../escape.htm", "x"},
                                   {"book/style.css", "p{}", true}});
  book.signature_block = std::string(70000, 'S');  // longer than the ZIP's comment may be
  RecordingSink sink;
  const Status s = ReadPe(MakePe(book).bytes, sink, ReadContext{});
  ASSERT_TRUE(s.ok()) << s.message();
  const std::vector<std::string> expected = {"book/index.html", "book/\xE7\xAC\xAC\xE4\xB8\x80\xE5\x9B\x9E.txt",
                                             "book/style.css"};
  EXPECT_EQ(sink.order, expected);
  EXPECT_EQ(sink.files["book/index.html"], kPage);
}

TEST(ReadPe, AnArchiveWhoseOffsetsCountFromTheProgramsStartIsReadToo) {
  PeContents book;
  const std::string zip = testing::MakeZip({{"a.htm", kPage}});
  const std::size_t prefix = MakePe(book).bytes.size();
  // Shift the central directory's offsets as `zip -A` does.
  std::string adjusted = zip;
  const std::size_t eocd = adjusted.rfind("PK\x05\x06");
  const std::size_t cd = Get32(adjusted, eocd + 16);
  testing::PutLe(adjusted, eocd + 16, static_cast<std::uint32_t>(cd + prefix), 4);
  testing::PutLe(adjusted, cd + 42, static_cast<std::uint32_t>(Get32(adjusted, cd + 42) + prefix), 4);
  book.overlay = adjusted;
  RecordingSink sink;
  ASSERT_TRUE(ReadPe(MakePe(book).bytes, sink, ReadContext{}).ok());
  EXPECT_EQ(sink.files["a.htm"], kPage);
}

TEST(ReadPe, ZipAndChmInResourcesAndAChmAppended) {
  PeContents book;
  book.resources = {
      {kRtRcdata, {}, 1, {}, 0x804, testing::MakeZip({{"z.htm", "<p>z</p>"}})},
      {0, u"CHM", 2, {}, 0x804,
       testing::MakeChm({{"/c.htm", "<p>c</p>"}, {"/toc.hhc", "<param name=\"Local\" value=\"c.htm\">"}})},
      {kRtHtml, {}, 0, u"C.HTM", 0x804, "<html>the same page again</html>"},
  };
  book.overlay = testing::MakeChm({{"/appended/d.htm", "<p>d</p>"}, {"/z.htm", "<p>same name</p>"}});
  RecordingSink sink;
  ASSERT_TRUE(ReadPe(MakePe(book).bytes, sink, ReadContext{}).ok());
  EXPECT_EQ(sink.files["c.htm"], "<p>c</p>");
  EXPECT_EQ(sink.files["appended/d.htm"], "<p>d</p>");
  EXPECT_EQ(sink.files["z.htm"], "<p>same name</p>") << "the first of two equal names is kept";
  EXPECT_EQ(sink.files.size(), 3u);
  EXPECT_EQ(sink.reading_order, std::vector<std::string>{"c.htm"});
}

TEST(ReadPe, ADamagedArchiveAndNothingElseSaysSo) {
  PeContents book;
  std::string zip = testing::MakeZip({{"a.htm", kPage}});
  zip[zip.rfind("PK\x05\x06") + 16] ^= 0x40;  // the central directory moved away
  book.overlay = zip;
  RecordingSink sink;
  EXPECT_EQ(ReadPe(MakePe(book).bytes, sink, ReadContext{}).message(), msg::kPeArchiveDamaged);
  EXPECT_TRUE(sink.order.empty());
}

TEST(ReadPe, AProgramWithoutPagesChangesNothing) {
  PeContents book;
  book.resources = {{3, {}, 1, {}, 0x804, "icon"}, {kRtRcdata, {}, 9, {}, 0x804, "data"}};
  book.overlay = "installer data";
  RecordingSink sink;
  EXPECT_EQ(ReadPe(MakePe(book).bytes, sink, ReadContext{}).message(), msg::kPeUnreadable);
  EXPECT_TRUE(sink.order.empty());
  EXPECT_EQ(ReadPe("not a program", sink, ReadContext{}).message(), msg::kPeNotExe);
  // Headers cut short and no archive: the header message, nothing written.
  EXPECT_EQ(ReadPe(MakePe(book).bytes.substr(0, 0x90), sink, ReadContext{}).message(), msg::kPeBadHeaders);
  EXPECT_TRUE(sink.order.empty());
}

TEST(ReadPe, BrokenHeadersStillGiveAnArchiveThatClosesTheFile) {
  PeContents book;
  book.overlay = testing::MakeZip({{"a.htm", kPage}});
  std::string bytes = MakePe(book).bytes;
  testing::PutLe(bytes, 0x3C, 0xFFFFFF00u, 4);
  RecordingSink sink;
  ASSERT_TRUE(ReadPe(bytes, sink, ReadContext{}).ok());
  EXPECT_EQ(sink.files["a.htm"], kPage);
}

TEST(ReadPe, AWriteErrorStopsTheReaderAndACancelToo) {
  RecordingSink failing;
  failing.fail_after = 1;
  EXPECT_EQ(ReadPe(MakePe(BookContents()).bytes, failing, ReadContext{}).message(), "disk full");
  EXPECT_EQ(failing.order.size(), 1u);

  CancelFlag cancel;
  cancel.store(true);
  ReadContext ctx;
  ctx.cancel = &cancel;
  RecordingSink sink;
  EXPECT_EQ(ReadPe(MakePe(BookContents()).bytes, sink, ctx).message(), msg::kCancelled);
  EXPECT_TRUE(sink.order.empty());
}

TEST(ReadPe, EveryPrefixAndEveryByteFlipEndsCleanly) {
  PeContents book = BookContents();
  book.overlay = testing::MakeZip({{"a.htm", kPage}});
  const std::string good = MakePe(book).bytes;
  for (std::size_t n = 0; n <= good.size(); n += 7) {
    RecordingSink sink;
    const Status s = ReadPe(good.substr(0, n), sink, ReadContext{});
    EXPECT_TRUE(s.ok() || !s.message().empty());
    EXPECT_EQ(s.ok(), !sink.order.empty()) << n;
  }
  for (std::size_t i = 0; i < good.size(); i += 3) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0xFF);
    RecordingSink sink;
    const Status s = ReadPe(bad, sink, ReadContext{});
    EXPECT_EQ(s.ok(), !sink.order.empty()) << i;
  }
}

// ---- the format registry and real help files -------------------------------

TEST(ReadPe, OnlyFilesNamedExeAreTakenForPrograms) {
  const std::string pe = MakePe(BookContents()).bytes;
  const Format* exe = FormatByName("exe");
  ASSERT_NE(exe, nullptr);
  EXPECT_EQ(DetectFormat("BOOK.EXE", pe), exe);
  EXPECT_EQ(DetectFormat("book.bin", pe), nullptr) << "MZ alone does not make a book";
  EXPECT_EQ(DetectFormat("book.exe", testing::MakeChm({{"/a.htm", "a"}})), FormatByName("chm"));
  EXPECT_TRUE(exe->own_folder);
  EXPECT_NE(exe->read_pages, nullptr);
}

TEST(ReadPe, ASharedHelpFileHeldAsAResourceGivesTheSamePages) {
  const fs::path file = fs::path(FOLIAN_SHARED_DIR) / "formats" / "generated" / "chm" / "en_alice.chmcmd.chm";
  if (!fs::exists(file)) GTEST_SKIP() << "sample missing: " << file;
  const std::string chm = testing::ReadBytes(file);
  RecordingSink direct;
  ASSERT_TRUE(ReadChm(chm, direct, ReadContext{}).ok());
  for (bool appended : {false, true}) {
    PeContents book;
    if (appended) {
      book.overlay = chm;
    } else {
      book.resources = {{kRtRcdata, {}, 200, {}, 0x804, chm}};
    }
    RecordingSink sink;
    ASSERT_TRUE(ReadPe(MakePe(book).bytes, sink, ReadContext{}).ok()) << appended;
    EXPECT_EQ(sink.files, direct.files) << appended;
    EXPECT_EQ(sink.reading_order, direct.reading_order) << appended;
  }
}

}  // namespace
}  // namespace folian::convert
