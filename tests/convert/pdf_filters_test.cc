// Stream filters: each decoder on known inputs, damage and caps, predictors,
// chains.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_map>

#include "convert/pdf/filters.h"
#include "pdf_fixture.h"

namespace folian::convert::pdf {
namespace {

// A plain LZW encoder (9 to 12 bits, EarlyChange 1), to round-trip data
// through the decoder.
std::string LzwEncode(std::string_view in) {
  std::string out;
  std::uint32_t buffer = 0;
  int buffered = 0;
  int bits = 9;
  auto put = [&](int code) {
    buffer = (buffer << bits) | static_cast<std::uint32_t>(code);
    buffered += bits;
    while (buffered >= 8) {
      out.push_back(static_cast<char>((buffer >> (buffered - 8)) & 0xFF));
      buffered -= 8;
    }
  };
  std::unordered_map<std::string, int> table;
  auto reset = [&] {
    table.clear();
    for (int i = 0; i < 256; ++i) table[std::string(1, static_cast<char>(i))] = i;
  };
  reset();
  int next = 258;
  put(256);
  std::string w;
  for (const char c : in) {
    std::string wc = w + c;
    if (table.count(wc)) {
      w = wc;
      continue;
    }
    put(table[w]);
    table[wc] = next++;
    // The decoder adds each entry one code later, so it widens one early.
    if (next >= 512 && bits == 9) bits = 10;
    if (next >= 1024 && bits == 10) bits = 11;
    if (next >= 2048 && bits == 11) bits = 12;
    if (next >= 4094) {
      put(256);
      reset();
      next = 258;
      bits = 9;
    }
    w = std::string(1, c);
  }
  if (!w.empty()) put(table[w]);
  put(257);
  if (buffered > 0) out.push_back(static_cast<char>((buffer << (8 - buffered)) & 0xFF));
  return out;
}

TEST(PdfFilters, AsciiHexAndAscii85) {
  std::string out;
  EXPECT_EQ(DecodeAsciiHex("48 65 6c\n6C6F>junk", 100, &out), DecodeResult::kOk);
  EXPECT_EQ(out, "Hello");
  out.clear();
  EXPECT_EQ(DecodeAsciiHex("486>", 100, &out), DecodeResult::kOk);
  EXPECT_EQ(out, "H`") << "an odd final digit is followed by 0";
  out.clear();
  EXPECT_EQ(DecodeAsciiHex("4865XY", 100, &out), DecodeResult::kPartial);
  EXPECT_EQ(out, "He");

  out.clear();
  EXPECT_EQ(DecodeAscii85("87cURD]i,\"Ebo7~>", 100, &out), DecodeResult::kOk);
  EXPECT_EQ(out, "Hello World");
  out.clear();
  EXPECT_EQ(DecodeAscii85("<~z@:B~>", 100, &out), DecodeResult::kOk);
  EXPECT_EQ(out, std::string("\0\0\0\0ab", 6));
  out.clear();
  EXPECT_EQ(DecodeAscii85("s8W-\"", 100, &out), DecodeResult::kPartial) << "a group over 2^32 - 1";
}

TEST(PdfFilters, LzwKnownAndRoundTrip) {
  std::string out;
  // The example of the PDF reference: "-----A---B".
  EXPECT_EQ(DecodeLzw("\x80\x0B\x60\x50\x22\x0C\x0C\x85\x01", 1, 100, &out), DecodeResult::kOk);
  EXPECT_EQ(out, "-----A---B");

  // Long enough to pass 512, 1024 and 2048 codes and a table reset.
  std::mt19937 rng(7);
  std::string data;
  for (int i = 0; i < 200000; ++i) data.push_back("abcdefgh  BTET()"[rng() % 16]);
  out.clear();
  EXPECT_EQ(DecodeLzw(LzwEncode(data), 1, 1 << 20, &out), DecodeResult::kOk);
  EXPECT_EQ(out, data);

  out.clear();
  EXPECT_EQ(DecodeLzw(LzwEncode(data), 1, 1000, &out), DecodeResult::kPartial);
  EXPECT_EQ(out, data.substr(0, 1000));
  out.clear();
  EXPECT_EQ(DecodeLzw("\xFF\xFF\xFF\xFF", 1, 100, &out), DecodeResult::kFailed) << "a code never defined";
}

TEST(PdfFilters, RunLengthAndFlate) {
  std::string out;
  EXPECT_EQ(DecodeRunLength("\x02" "abc" "\xFE" "x" "\x80" "ignored", 100, &out), DecodeResult::kOk);
  EXPECT_EQ(out, "abcxxx");
  out.clear();
  EXPECT_EQ(DecodeRunLength("\x05" "ab", 100, &out), DecodeResult::kPartial) << "a run past the end";

  const std::string text(5000, 'q');
  out.clear();
  EXPECT_EQ(DecodeFlate(folian::testing::ZlibDeflate(text), 1 << 20, &out), DecodeResult::kOk);
  EXPECT_EQ(out, text);
  out.clear();
  EXPECT_EQ(DecodeFlate(folian::testing::ZlibDeflate(text), 100, &out), DecodeResult::kPartial);
  EXPECT_EQ(out.size(), 100u);
  // Bare deflate data without the zlib header still reads.
  out.clear();
  EXPECT_EQ(DecodeFlate(folian::testing::ZlibDeflate(text).substr(2), 1 << 20, &out), DecodeResult::kOk);
  EXPECT_EQ(out, text);
  out.clear();
  EXPECT_EQ(DecodeFlate("plain text, not deflate", 1 << 20, &out), DecodeResult::kFailed);
}

TEST(PdfFilters, PngAndTiffPredictors) {
  FilterParams png;
  png.predictor = 12;
  png.columns = 3;
  // Up, then Sub, then Paeth rows.
  std::string data("\x02\x01\x02\x03" "\x02\x01\x01\x01" "\x01\x05\x01\x01" "\x04\x00\x00\x00", 16);
  ASSERT_TRUE(ApplyPredictor(png, &data));
  EXPECT_EQ(data, std::string("\x01\x02\x03" "\x02\x03\x04" "\x05\x06\x07" "\x05\x06\x07", 12));

  FilterParams bad = png;
  data = std::string("\x09\x01\x02\x03", 4);
  EXPECT_FALSE(ApplyPredictor(bad, &data)) << "row filter type 9 does not exist";
  bad.columns = 0;
  EXPECT_FALSE(ApplyPredictor(bad, &data));

  FilterParams tiff;
  tiff.predictor = 2;
  tiff.columns = 4;
  data = std::string("\x01\x01\x01\x01", 4);
  ASSERT_TRUE(ApplyPredictor(tiff, &data));
  EXPECT_EQ(data, std::string("\x01\x02\x03\x04", 4));
}

TEST(PdfFilters, ChainsAndUnsupportedCodecs) {
  const std::string packed = folian::testing::ZlibDeflate("BT (chained) Tj ET");
  std::string hex;
  for (const char c : packed) {
    static const char* digits = "0123456789ABCDEF";
    hex.push_back(digits[static_cast<unsigned char>(c) >> 4]);
    hex.push_back(digits[static_cast<unsigned char>(c) & 15]);
  }
  std::vector<FilterParams> chain(2);
  chain[0].name = "AHx";
  chain[1].name = "FlateDecode";
  std::string out;
  EXPECT_EQ(DecodeFilters(hex + ">", chain, 1 << 20, &out), DecodeResult::kOk);
  EXPECT_EQ(out, "BT (chained) Tj ET");

  std::vector<FilterParams> image(1);
  image[0].name = "DCTDecode";
  EXPECT_EQ(DecodeFilters("\xFF\xD8", image, 1 << 20, &out), DecodeResult::kUnsupported);
  EXPECT_EQ(DecodeFilters("stored bytes", {}, 6, &out), DecodeResult::kPartial);
  EXPECT_EQ(out, "stored");
}

}  // namespace
}  // namespace folian::convert::pdf
