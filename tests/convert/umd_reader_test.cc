// Umd2txt on hand-built files (the walk's states, where the text ends, line
// separators, damaged and hostile input) and on the book an independent UMD
// library wrote, against that library's own reading and a second reader's.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "charset/codepage.h"
#include "convert/limits.h"
#include "convert/text_sink.h"
#include "convert/umd/umd_reader.h"
#include "support/temp_dir.h"
#include "text_read.h"
#include "support/bytes.h"

namespace folian::convert {
namespace {

using folian::testing::U32;
using folian::testing::Utf16;
std::string Zlib(std::string_view data) {
  uLongf n = compressBound(static_cast<uLong>(data.size()));
  std::string out(n, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(data.data()),
            static_cast<uLong>(data.size()), 9);
  out.resize(n);
  return out;
}

// Builds UMD files section by section.
class Umd {
 public:
  Umd() : f_("\x89\x9B\x9A\xDE") {}
  Umd& Section(int type, std::string payload, int flag = 0) {
    f_ += '#';
    f_ += static_cast<char>(type & 0xFF);
    f_ += static_cast<char>(type >> 8);
    f_ += static_cast<char>(flag);
    f_ += static_cast<char>(5 + payload.size());
    f_ += payload;
    return *this;
  }
  Umd& Block(std::uint32_t id, std::string payload) {
    f_ += '$' + U32(id) + U32(static_cast<std::uint32_t>(9 + payload.size())) + payload;
    return *this;
  }
  Umd& Chunk(std::uint32_t id, std::u16string_view text) { return Block(id, Zlib(Utf16(text))); }
  // File kind, content length and the titles section with its list.
  Umd& Start(std::uint32_t length, int kind = 1) {
    Section(0x01, std::string{static_cast<char>(kind), 1, 0});
    Section(0x0B, U32(length));
    Section(0x84, U32(0x77), 1);
    return Block(0x77, "\x02\x31");
  }
  const std::string& bytes() const { return f_; }

 private:
  std::string f_;
};

using Read = folian::testing::TextRead;

Read ReadBytes(std::string_view bytes, const ReadContext& ctx = {}) { return testing::ReadText(ReadUmd, bytes, ctx); }

std::string Gbk(std::u16string_view t) { return charset::FromWide(charset::kGbk, t); }

TEST(UmdReader, JoinsChunksInFileOrderAcrossFillerSections) {
  const std::u16string a = u"第一章\u2029正文", b = u"第二章\u2029完";
  const std::u16string all = a + b;
  Umd u;
  u.Start(static_cast<std::uint32_t>(2 * all.size()))
      .Chunk(0x100, a)
      .Section(0xF1, std::string(16, '\0'))
      .Chunk(0x101, b)
      .Section(0x0A, U32(1))
      .Section(0x81, U32(0x55), 1)
      .Block(0x55, U32(0x101) + U32(0x100))  // the index order is not used
      .Section(0x82, "\x01" + U32(0x66), 1)
      .Block(0x66, "\x78\x01 picture bytes, not text")
      .Section(0x0C, U32(0), 1);
  const Read r = ReadBytes(u.bytes());
  ASSERT_TRUE(r.status) << r.status.message();
  EXPECT_EQ(r.encoding, TextEncoding::kGbk);
  EXPECT_EQ(r.text, Gbk(u"第一章\r\n正文第二章\r\n完"));
}

TEST(UmdReader, QuestionMarksStayAndLineSeparatorsBreakLines) {
  Umd u;
  u.Start(100).Chunk(1, u"为什么?\u2029真的？\u2028好\r\n了");
  const Read r = ReadBytes(u.bytes());
  ASSERT_TRUE(r.status);
  EXPECT_EQ(r.text, Gbk(u"为什么?\r\n真的？\r\n好\r\n了"));
}

TEST(UmdReader, TextEndsAtTheDeclaredLength) {
  // The last chunk padded with NULs (as real books are) and with blanks (as ours).
  for (char16_t pad : {u'\0', u' '}) {
    Umd u;
    u.Start(8).Chunk(1, u"正文" + std::u16string(2, u'了') + std::u16string(2040, pad));
    const Read r = ReadBytes(u.bytes());
    ASSERT_TRUE(r.status);
    EXPECT_EQ(r.text, Gbk(u"正文了了"));
  }
  // A declared length beyond the chunks keeps what the chunks hold; trailing NULs go.
  Umd longer;
  longer.Start(1000).Chunk(1, std::u16string(u"尾") + u'\0' + u'\0');
  EXPECT_EQ(ReadBytes(longer.bytes()).text, Gbk(u"尾"));
  // An odd declared length cannot cut a character in half.
  Umd odd;
  odd.Start(5).Chunk(1, u"一二三");
  EXPECT_EQ(ReadBytes(odd.bytes()).text, Gbk(u"一二"));
}

TEST(UmdReader, KeepsWhatGbkCannotHoldByWritingUtf8) {
  Umd u;
  u.Start(100).Chunk(1, u"\uFEFFCafé 𠀀 ☃");
  const Read r = ReadBytes(u.bytes());
  ASSERT_TRUE(r.status);
  EXPECT_EQ(r.encoding, TextEncoding::kUtf8Mark);
  EXPECT_EQ(r.text, "Caf\xC3\xA9 \xF0\xA0\x80\x80 \xE2\x98\x83") << "the book's own mark is dropped";
}

TEST(UmdReader, OnlyZlibBlocksAfterTheTitlesSectionAreText) {
  Umd u;
  u.Section(0x01, std::string("\x01\x01\x00", 3))
      .Section(0x0B, U32(4))
      .Section(0x83, U32(0x10), 1)
      .Block(0x10, Zlib(Utf16(u"章节偏移")))  // zlib, but after 0x83
      .Section(0x84, U32(0x20), 1)
      .Block(0x20, Zlib(Utf16(u"标题表")))  // the titles section's own block
      .Block(0x21, "\x02not zlib")
      .Chunk(0x22, u"正文")
      .Section(0x87, std::string(6, '\x01'), 1)
      .Block(0x23, Zlib(Utf16(u"页码")));
  const Read r = ReadBytes(u.bytes());
  ASSERT_TRUE(r.status) << r.status.message();
  EXPECT_EQ(r.text, Gbk(u"正文"));
}

TEST(UmdReader, EmptyBookGivesEmptyText) {
  Umd u;
  u.Start(0).Section(0x81, U32(9), 1).Block(9, "").Section(0x0C, U32(0), 1);
  const Read r = ReadBytes(u.bytes());
  ASSERT_TRUE(r.status) << r.status.message();
  EXPECT_EQ(r.text, "");
}

TEST(UmdReader, RefusesWhatIsNotATextBook) {
  EXPECT_EQ(ReadBytes("PK\x03\x04 not a umd").status.message(), kUmdWrongHeader);
  EXPECT_EQ(ReadBytes("\x89\x9B").status.message(), kUmdWrongHeader);
  Umd pictures;
  pictures.Start(0, 2).Block(0x30, "\xFF\xD8\xFF jpeg");
  EXPECT_NE(ReadBytes(pictures.bytes()).status.message().find("图片"), std::string::npos);
  Umd no_text;
  no_text.Start(100);
  const Read r = ReadBytes(no_text.bytes());
  EXPECT_FALSE(r.status);
  EXPECT_NE(r.status.message().find("没有找到正文"), std::string::npos);
}

TEST(UmdReader, DamagedStructureIsReportedWithItsOffset) {
  Umd good;
  good.Start(4).Chunk(1, u"正文");
  const std::string& g = good.bytes();
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"section cut short", g.substr(0, 4) + "#\x01\x00\x00\x20\x01"},
      {"section length below its header", g.substr(0, 4) + std::string("#\x02\x00\x00\x03", 5)},
      {"block length below its header", g + "$" + U32(5) + U32(8)},
      {"block running past the end", g + "$" + U32(5) + U32(0x7FFFFFFF) + "xx"},
      {"list section without its id", g.substr(0, 4) + std::string("#\x84\x00\x01\x07\x01\x02", 7)},
  };
  for (const Case& c : cases) {
    const Read r = ReadBytes(c.bytes);
    EXPECT_FALSE(r.status) << c.what;
    EXPECT_NE(r.status.message().find("已损坏"), std::string::npos) << c.what << ": " << r.status.message();
    EXPECT_TRUE(r.text.empty()) << c.what;
  }
}

TEST(UmdReader, ChunksThatDoNotInflateAreReportedNotCut) {
  Umd damaged;
  std::string z = Zlib(Utf16(std::u16string(3000, u'字')));
  z[z.size() / 2] ^= 0x55;
  damaged.Start(6000).Block(1, z);
  const Read d = ReadBytes(damaged.bytes());
  EXPECT_FALSE(d.status);
  EXPECT_NE(d.status.message().find("无法解压"), std::string::npos) << d.status.message();

  // A bomb: 2 MB of zeros in a few KB. Chunks that compress more than ten
  // times are fine (a chunk of blanks does); only the cap stops one.
  Umd bomb;
  bomb.Start(0xFFFFFFFF).Chunk(1, std::u16string(4096, u' ')).Block(2, Zlib(std::string(2 << 20, 'a')));
  const Read b = ReadBytes(bomb.bytes());
  EXPECT_FALSE(b.status);
  EXPECT_NE(b.status.message().find("第 2 个正文数据块"), std::string::npos) << b.status.message();
  EXPECT_TRUE(b.text.empty());
}

TEST(UmdReader, StopsWhenCancelled) {
  Umd u;
  u.Start(4).Chunk(1, u"正文");
  CancelFlag cancel{true};
  ReadContext ctx;
  ctx.cancel = &cancel;
  EXPECT_FALSE(ReadBytes(u.bytes(), ctx).status);
}

// --- a book written by an independent UMD library ---

std::vector<std::string> Lines(const std::string& utf8) {
  std::vector<std::string> out;
  std::istringstream in(utf8);
  std::string line;
  while (std::getline(in, line)) {
    const auto b = line.find_first_not_of(" \t\r"), e = line.find_last_not_of(" \t\r");
    if (b != std::string::npos) out.push_back(line.substr(b, e - b + 1));
  }
  return out;
}

// Every line of `peer` appears in `ours`, in order.
void ExpectInOrder(const std::vector<std::string>& peer, const std::vector<std::string>& ours,
                   const char* who) {
  std::size_t i = 0, missing = 0;
  for (const std::string& line : peer) {
    std::size_t j = i;
    while (j < ours.size() && ours[j] != line) ++j;
    if (j == ours.size()) {
      if (++missing <= 3) ADD_FAILURE() << who << ": missing or out of order: " << line;
    } else {
      i = j + 1;
    }
  }
  EXPECT_EQ(missing, 0u) << who;
  EXPECT_GT(peer.size(), 500u) << who;
}

TEST(UmdReader, ReadsTheIndependentLibrarysBookAsItsReadersDo) {
  const std::filesystem::path dir = std::filesystem::path(FOLIAN_SHARED_DIR) / "formats/generated/umd";
  const auto book = dir / "en_alice.legado-umdlib.umd";
  if (!std::filesystem::exists(book)) GTEST_SKIP() << "no shared samples at " << dir;
  const Read r = ReadBytes(testing::ReadBytes(book));
  ASSERT_TRUE(r.status) << r.status.message();
  const std::string utf8 =
      r.encoding == TextEncoding::kGbk ? charset::GbkToUtf8(r.text) : r.text;
  const std::vector<std::string> ours = Lines(utf8);
  EXPECT_EQ(utf8.find('\0'), std::string::npos);
  EXPECT_EQ(utf8.find("\r\r"), std::string::npos);

  // The library's reading: three header lines, then chapters under "=== chapter" lines.
  std::vector<std::string> peer;
  for (const std::string& l : Lines(testing::ReadBytes(dir / "en_alice.legado-umdlib.umd.legado-umdlib.txt"))) {
    if (!l.starts_with("title: ") && !l.starts_with("author: ") && !l.starts_with("chapters: ") &&
        !l.starts_with("=== chapter")) {
      peer.push_back(l);
    }
  }
  ExpectInOrder(peer, ours, "legado-umdlib");

  // The second reader indents the text by four blanks and adds chapter titles unindented.
  std::vector<std::string> second;
  std::istringstream in(testing::ReadBytes(dir / "en_alice.legado-umdlib.umd.qem-scq.txt"));
  for (std::string l; std::getline(in, l);) {
    if (l.starts_with("    ") && l.find_first_not_of(' ') != std::string::npos) second.push_back(Lines(l)[0]);
  }
  ExpectInOrder(second, ours, "qem-scq");
}

}  // namespace
}  // namespace folian::convert
