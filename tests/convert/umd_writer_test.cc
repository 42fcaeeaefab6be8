// The UMD writer's output, row by row of the layout: magic, the fixed
// sections, the one shared identifier, chunks of 32 KB with the padded last
// one, the two filler sections after their drawn chunks, the index, the
// cover and the end section. The bytes are walked here by hand, not by our
// reader, so a fault shared by both cannot hide.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "convert/umd/umd_cover.h"
#include "convert/umd/umd_writer.h"
#include "support/bytes.h"

namespace folian::convert {
namespace {

using folian::testing::Bytes;
using folian::testing::U32;
using folian::testing::Utf16;
std::uint32_t ReadU32(const std::string& s, std::size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8 |
         static_cast<unsigned char>(s[at + 2]) << 16 | std::uint32_t{static_cast<unsigned char>(s[at + 3])} << 24;
}

// A fixed sequence of "random" values: the shared id, the two positions,
// then chunk ids and the 0x0A value, in the order the writer draws them;
// then counting up from 0x1000.
UmdRandom Sequence(std::deque<std::uint32_t> values) {
  auto q = std::make_shared<std::deque<std::uint32_t>>(std::move(values));
  auto next = std::make_shared<std::uint32_t>(0x1000);
  return [q, next] {
    if (q->empty()) return (*next)++;
    const std::uint32_t v = q->front();
    q->pop_front();
    return v;
  };
}

std::string Inflated(std::string_view z) {
  std::string out(1 << 20, '\0');
  uLongf n = static_cast<uLongf>(out.size());
  EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(z.data()),
                       static_cast<uLong>(z.size())),
            Z_OK);
  out.resize(n);
  return out;
}

struct Walked {
  std::string head;                  // rows 1-14
  std::vector<std::uint32_t> chunk_ids;
  std::vector<std::string> chunks;   // inflated
  std::vector<std::string> between;  // sections after chunk i ("" if none)
  std::string tail;                  // rows 16-18
};

// Splits the file at the first content chunk and after the last one.
Walked Walk(const std::string& f, std::uint32_t id) {
  Walked w;
  // Rows 1-14 are followed by the first block whose id is not the shared one.
  std::size_t p = 0, head_end = 0;
  p = 4;
  while (p < f.size()) {
    if (f[p] == '#' && f[p + 1] == '\x81') break;  // the index: no chunks came
    if (f[p] == '#') {
      p += static_cast<unsigned char>(f[p + 4]);
    } else if (f[p] == '$') {
      if (ReadU32(f, p + 1) != id) break;
      p += ReadU32(f, p + 5);
    } else {
      ADD_FAILURE() << "unexpected byte at " << p;
      return w;
    }
  }
  head_end = p;
  w.head = f.substr(0, head_end);
  while (p < f.size() && f[p] == '$') {
    w.chunk_ids.push_back(ReadU32(f, p + 1));
    const std::uint32_t len = ReadU32(f, p + 5);
    w.chunks.push_back(Inflated(std::string_view(f).substr(p + 9, len - 9)));
    p += len;
    std::string between;
    while (p < f.size() && f[p] == '#' && (f[p + 1] == '\xF1' || f[p + 1] == '\x0A')) {
      between += f.substr(p, static_cast<unsigned char>(f[p + 4]));
      p += static_cast<unsigned char>(f[p + 4]);
    }
    w.between.push_back(between);
  }
  w.tail = f.substr(p);
  return w;
}

// Equal, or where the first difference lies (the files are too long to print).
::testing::AssertionResult Same(const std::string& got, const std::string& want) {
  if (got == want) return ::testing::AssertionSuccess();
  std::size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  return ::testing::AssertionFailure() << "sizes " << got.size() << " and " << want.size()
                                       << ", first difference at byte " << i;
}

std::string ExpectedHead(std::u16string_view title, std::u16string_view author, std::uint32_t length,
                         std::uint32_t id) {
  auto text = [](int type, std::u16string_view t) {
    return Bytes({'#', type, 0, 0, static_cast<int>(5 + 2 * t.size())}) + Utf16(t);
  };
  return Bytes({0x89, 0x9B, 0x9A, 0xDE}) + Bytes({'#', 1, 0, 0, 8, 1, 1, 0}) + text(2, title) +
         text(3, author) + text(4, u"2010") + text(5, u"1") + text(6, u"1") + text(7, u"现代文学") +
         text(8, u"（无）") + Bytes({'#', 0x0B, 0, 0, 9}) + U32(length) +
         Bytes({'#', 0x83, 0, 1, 9}) + U32(id) + "$" + U32(id) + Bytes({0x0D, 0, 0, 0, 0, 0, 0, 0}) +
         Bytes({'#', 0x84, 0, 1, 9}) + U32(id) + "$" + U32(id) + Bytes({0x0C, 0, 0, 0, 2, 0x31, 0});
}

std::string ExpectedTail(const std::vector<std::uint32_t>& chunk_ids, std::uint32_t id,
                         std::size_t file_size) {
  std::string index;
  for (std::uint32_t c : chunk_ids) index += U32(c);
  const std::string cover = umd::DrawCover();
  return Bytes({'#', 0x81, 0, 1, 9}) + U32(id) + "$" + U32(id) + U32(static_cast<std::uint32_t>(9 + index.size())) +
         index + Bytes({'#', 0x82, 0, 1, 10, 1}) + U32(id) + "$" + U32(id) +
         U32(static_cast<std::uint32_t>(9 + cover.size())) + cover + Bytes({'#', 0x0C, 0, 1, 9}) +
         U32(static_cast<std::uint32_t>(file_size));
}

TEST(UmdWriter, EveryRowOfTheLayoutForATwoChunkBook) {
  // 16,385 units: one full chunk and a second of 2 bytes, padded to 4,096.
  std::u16string text(16384, u'书');
  text += u'完';
  const std::uint32_t id = 0xA1B2C3D4;
  UmdBook book{u"水浒传", u"施耐庵", text};
  std::string f;
  // id, F1 after chunk 1, 0x0A after chunk 5 (left out: only two chunks), chunk ids.
  ASSERT_TRUE(WriteUmd(book, &f, Sequence({id, 0, 4, 0x11111111, 0x22222222})));

  const Walked w = Walk(f, id);
  EXPECT_TRUE(Same(w.head, ExpectedHead(u"水浒传", u"施耐庵", 32770, id)));
  ASSERT_EQ(w.chunks.size(), 2u);
  EXPECT_EQ(w.chunk_ids, (std::vector<std::uint32_t>{0x11111111, 0x22222222}));
  EXPECT_TRUE(Same(w.chunks[0], Utf16(std::u16string(16384, u'书'))));
  EXPECT_TRUE(Same(w.chunks[1], Utf16(u"完") + Utf16(std::u16string(2047, u' ')))) << "padded with blanks to 4096";
  EXPECT_EQ(w.between[0], "");
  EXPECT_EQ(w.between[1], Bytes({'#', 0xF1, 0, 0, 21}) + std::string(16, '\0'));
  EXPECT_TRUE(Same(w.tail, ExpectedTail(w.chunk_ids, id, f.size())));
  for (std::size_t i = 0; i < 2; ++i) {
    const std::size_t at = f.find(U32(w.chunk_ids[i]));
    EXPECT_EQ(static_cast<unsigned char>(f[at + 8]), 0x78) << "a zlib stream";
    EXPECT_EQ(static_cast<unsigned char>(f[at + 9]), 0xDA) << "deflated at level 9";
  }
}

TEST(UmdWriter, ExactlyOneChunkHoldsItsWholeSize) {
  std::string f;
  ASSERT_TRUE(WriteUmd({u"t", u"a", std::u16string(16384, u'书')}, &f, Sequence({3})));
  const Walked w = Walk(f, 3);
  ASSERT_EQ(w.chunks.size(), 1u);
  EXPECT_EQ(w.chunks[0].size(), 32768u) << "no padding";
}

TEST(UmdWriter, ReportsEachChunkCompressed) {
  struct Recorder : ProgressSink {
    std::int64_t hi = -1;
    std::vector<std::int64_t> positions;
    void SetRange(std::int64_t, std::int64_t h) override { hi = h; }
    void SetPosition(std::int64_t p) override { positions.push_back(p); }
  } progress;
  std::string f;
  ASSERT_TRUE(WriteUmd({u"t", u"a", std::u16string(16384 * 2 + 1, u'x')}, &f, Sequence({1}), &progress));
  EXPECT_EQ(progress.hi, 3);
  EXPECT_EQ(progress.positions, (std::vector<std::int64_t>{1, 2, 3}));
}

TEST(UmdWriter, FillerSectionsFollowTheirDrawnChunks) {
  const std::u16string text(16384 * 11 + 100, u'字');  // 12 chunks
  std::string f;
  // positions: F1 after chunk 1 + (9 % 10) = 10, 0x0A after chunk 1 + (12 % 10) = 3.
  ASSERT_TRUE(WriteUmd({u"t", u"a", text}, &f, Sequence({7, 9, 12})));
  const Walked w = Walk(f, 7);
  ASSERT_EQ(w.chunks.size(), 12u);
  for (std::size_t i = 0; i < 12; ++i) {
    if (i == 10) {
      EXPECT_EQ(w.between[i], Bytes({'#', 0xF1, 0, 0, 21}) + std::string(16, '\0'));
    } else if (i == 3) {
      ASSERT_EQ(w.between[i].size(), 9u);
      EXPECT_EQ(w.between[i].substr(0, 5), Bytes({'#', 0x0A, 0, 0, 9}));
    } else {
      EXPECT_EQ(w.between[i], "") << i;
    }
  }
}

TEST(UmdWriter, ChunkIdsNeverRepeatOrEqualTheSharedId) {
  const std::u16string text(16384 * 3, u'x');
  std::string f;
  // The sequence offers the shared id and a repeated id as chunk ids (both
  // filler sections drawn after chunk 10, which does not exist).
  ASSERT_TRUE(WriteUmd({u"t", u"a", text}, &f, Sequence({5, 9, 9, 5, 6, 6, 5, 7, 8})));
  const Walked w = Walk(f, 5);
  EXPECT_EQ(w.chunk_ids, (std::vector<std::uint32_t>{6, 7, 8}));
}

TEST(UmdWriter, EmptyTextHasNoChunksAndAnEmptyIndex) {
  std::string f;
  ASSERT_TRUE(WriteUmd({u"空", u"", u""}, &f, Sequence({0xCAFE})));
  const Walked w = Walk(f, 0xCAFE);
  EXPECT_TRUE(Same(w.head, ExpectedHead(u"空", u"", 0, 0xCAFE)));
  EXPECT_TRUE(w.chunks.empty());
  EXPECT_TRUE(Same(w.tail, ExpectedTail({}, 0xCAFE, f.size())));
}

TEST(UmdWriter, LongTitlesAreCutAtACharacterBoundary) {
  EXPECT_EQ(FitSectionText(std::u16string(125, u'a')).size(), 125u);
  EXPECT_EQ(FitSectionText(std::u16string(300, u'a')).size(), 125u);
  // A surrogate pair across the limit is left out whole.
  std::u16string pairs = std::u16string(124, u'a') + u"\U00020000\U00020000";
  EXPECT_EQ(FitSectionText(pairs), std::u16string(124, u'a'));
  std::string f;
  ASSERT_TRUE(WriteUmd({std::u16string(200, u'名'), std::u16string(130, u'者'), u"x"}, &f, Sequence({1})));
  EXPECT_EQ(static_cast<unsigned char>(f[8 + 4 + 4]), 255) << "title section at its longest";
  EXPECT_EQ(f.substr(8 + 4 + 5, 250), Utf16(std::u16string(125, u'名')));
}

TEST(UmdCover, IsA176By208EightBitBmp) {
  const std::string bmp = umd::DrawCover();
  ASSERT_EQ(bmp.size(), 14u + 40 + 1024 + 176 * 208);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(ReadU32(bmp, 2), bmp.size());
  EXPECT_EQ(ReadU32(bmp, 10), 14u + 40 + 1024) << "pixels after the palette";
  EXPECT_EQ(ReadU32(bmp, 14), 40u);
  EXPECT_EQ(ReadU32(bmp, 18), 176u);
  EXPECT_EQ(ReadU32(bmp, 22), 208u);
  EXPECT_EQ(bmp[28], 8) << "bits per pixel";
  EXPECT_EQ(ReadU32(bmp, 30), 0u) << "uncompressed";
  EXPECT_EQ(ReadU32(bmp, 46), 256u) << "palette entries";
  // A picture, not a blank: the background shades and the drawing's colours.
  std::vector<bool> used(256);
  for (std::size_t i = 1078; i < bmp.size(); ++i) used[static_cast<unsigned char>(bmp[i])] = true;
  EXPECT_GT(std::count(used.begin(), used.end(), true), 150);
  EXPECT_TRUE(bmp == umd::DrawCover()) << "the same bytes every time";
}

}  // namespace
}  // namespace folian::convert
