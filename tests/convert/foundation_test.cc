// The pieces every converter stands on: the bounded reader, capped
// inflation, the ZIP reader and the memory sink.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "convert/byte_reader.h"
#include "convert/inflate.h"
#include "convert/text_sink.h"
#include "convert/zip/zip_reader.h"
#include "zip_fixture.h"

namespace folian::convert {
namespace {

std::string Deflate(std::string_view data, int window_bits = MAX_WBITS) {
  z_stream z{};
  deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST(ByteReader, ReadsBoundedAndFailsWithoutMoving) {
  ByteReader r(std::string_view("\x01\x02\x03\x04\x05", 5));
  std::uint16_t a = 0;
  std::uint32_t b = 0;
  ASSERT_TRUE(r.U16Le(&a));
  EXPECT_EQ(a, 0x0201);
  ASSERT_TRUE(r.U16Be(&a));
  EXPECT_EQ(a, 0x0304);
  EXPECT_FALSE(r.U32Le(&b)) << "only one byte is left";
  EXPECT_EQ(r.pos(), 4u);
  EXPECT_FALSE(r.ok());
  std::string_view s;
  EXPECT_FALSE(r.Bytes(2, &s));
  EXPECT_TRUE(r.Bytes(1, &s));
  EXPECT_EQ(s, "\x05");
  EXPECT_FALSE(r.Seek(6));
  EXPECT_TRUE(r.Seek(5));
  EXPECT_FALSE(r.Skip(1));
}

TEST(ByteReader, SliceRejectsOverflowingRanges) {
  const std::string data(16, 'x');
  std::string_view out;
  EXPECT_TRUE(ByteReader::Slice(data, 4, 12, &out));
  EXPECT_EQ(out.size(), 12u);
  EXPECT_FALSE(ByteReader::Slice(data, 4, 13, &out));
  EXPECT_FALSE(ByteReader::Slice(data, 17, 0, &out));
  EXPECT_FALSE(ByteReader::Slice(data, 8, ~std::uint64_t{0} - 4, &out)) << "offset + length wraps";
}

TEST(Inflate, CompleteDamagedAndOverCap) {
  const std::string text(100000, 'a');
  const std::string packed = Deflate(text);
  std::string out = "keep:";
  EXPECT_EQ(Inflate(packed, 1 << 20, &out), InflateOutcome::kComplete);
  EXPECT_EQ(out, "keep:" + text) << "appends";

  out.clear();
  EXPECT_EQ(Inflate(packed, 4096, &out), InflateOutcome::kOverCap);
  EXPECT_EQ(out.size(), 4096u) << "never more than the cap";

  out.clear();
  EXPECT_EQ(Inflate(std::string_view(packed).substr(0, packed.size() / 2), 1 << 20, &out),
            InflateOutcome::kDamaged);
  EXPECT_LT(out.size(), text.size());

  out.clear();
  EXPECT_EQ(Inflate("not deflate data", 1 << 20, &out), InflateOutcome::kDamaged);
  EXPECT_TRUE(out.empty());

  out.clear();
  std::size_t used = 0;
  const std::string raw = Deflate("hello", -MAX_WBITS) + "trailing";
  EXPECT_EQ(Inflate(raw, 100, &out, InflateFormat::kRaw, &used), InflateOutcome::kComplete);
  EXPECT_EQ(out, "hello");
  EXPECT_EQ(used, raw.size() - 8) << "the bytes after the stream are not part of it";
}

TEST(ZipReader, ListsAndReadsEntries) {
  const std::string zip = folian::testing::MakeZip(
      {{"mimetype", "application/epub+zip", true}, {"OEBPS/Text/ch1.xhtml", std::string(5000, 'z')},
       {"META-INF/", ""}});
  ZipReader reader;
  ASSERT_TRUE(reader.Open(zip).ok());
  ASSERT_EQ(reader.entries().size(), 3u);
  EXPECT_TRUE(reader.entries()[2].directory);
  const ZipEntry* e = reader.Find("oebps/text/CH1.xhtml", /*ignore_case=*/true);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(reader.Find("oebps/text/CH1.xhtml"), nullptr);
  std::string data;
  ASSERT_TRUE(reader.Read(*e, &data).ok());
  EXPECT_EQ(data, std::string(5000, 'z'));
  ASSERT_TRUE(reader.Read(*reader.Find("mimetype"), &data).ok());
  EXPECT_EQ(data, "application/epub+zip");
}

TEST(ZipReader, CapsAndDamageEndWithAMessage) {
  const std::string zip = folian::testing::MakeZip({{"big.txt", std::string(200000, 'b')}});
  ZipReader reader;
  ASSERT_TRUE(reader.Open(zip).ok());
  std::string data;
  const Status capped = reader.Read(reader.entries()[0], &data, 1000);
  EXPECT_FALSE(capped.ok());
  EXPECT_NE(capped.message().find("big.txt"), std::string::npos);
  EXPECT_TRUE(data.empty()) << "a refused entry gives nothing";

  // Flip bytes inside the deflated data: inflation or the checksum fails.
  std::string broken = zip;
  const std::size_t data_at = 30 + 7;  // local header + name
  for (std::size_t i = data_at + 10; i < data_at + 40; ++i) broken[i] = static_cast<char>(broken[i] ^ 0x5A);
  ZipReader damaged;
  ASSERT_TRUE(damaged.Open(broken).ok());
  EXPECT_FALSE(damaged.Read(damaged.entries()[0], &data).ok());

  ZipReader none;
  EXPECT_FALSE(none.Open("PK\x03\x04 but nothing else").ok());
  EXPECT_FALSE(none.Open("").ok());
}

TEST(MemorySink, CapAndMarks) {
  MemorySink sink(8);
  sink.SetEncoding(TextEncoding::kUtf8Mark);
  EXPECT_TRUE(sink.Append("12345"));
  EXPECT_FALSE(sink.Append("6789")) << "past the cap";
  EXPECT_TRUE(sink.overflowed());
  EXPECT_FALSE(sink.Append("6")) << "stays failed";
  EXPECT_EQ(sink.FileBytes(), "\xEF\xBB\xBF" "12345");
  sink.SetEncoding(TextEncoding::kUtf16Le);
  EXPECT_EQ(sink.FileBytes().substr(0, 2), "\xFF\xFE");
  sink.SetEncoding(TextEncoding::kGbk);
  EXPECT_EQ(sink.FileBytes(), "12345");
}

}  // namespace
}  // namespace folian::convert
