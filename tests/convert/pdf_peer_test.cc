// The PDF samples of ../shared/formats against pdftotext's text of them:
// our text must hold at least 98% of pdftotext's Han characters (Chinese
// samples) or words (English ones) in the same order. Skipped without
// ../shared.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "charset/codepage.h"
#include "convert/limits.h"
#include "convert/pdf/pdf_format.h"
#include "support/temp_dir.h"

namespace folian::convert {
namespace {

namespace fs = std::filesystem;

bool IsHan(char32_t c) {
  return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0x20000 && c <= 0x3134F);
}

// Code points of UTF-8 text (invalid bytes skipped).
std::u32string Decode(std::string_view s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const int n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
    if (n == 0 || i + static_cast<std::size_t>(n) > s.size()) {
      ++i;
      continue;
    }
    char32_t c = n == 1 ? b : b & (0x7F >> n);
    for (int k = 1; k < n; ++k) c = c << 6 | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3F);
    out.push_back(c);
    i += static_cast<std::size_t>(n);
  }
  return out;
}

// Han characters, or words (runs of letters and digits, inner apostrophes
// kept), as ids.
std::vector<std::uint32_t> Units(const std::u32string& text, bool han,
                                 std::unordered_map<std::u32string, std::uint32_t>* words) {
  std::vector<std::uint32_t> out;
  if (han) {
    for (const char32_t c : text) {
      if (IsHan(c)) out.push_back(c);
    }
    return out;
  }
  auto alnum = [](char32_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c < 0x250);
  };
  std::u32string w;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char32_t c = i < text.size() ? text[i] : U' ';
    const bool apostrophe = (c == U'\'' || c == U'\u2019') && !w.empty() && i + 1 < text.size() && alnum(text[i + 1]);
    if (alnum(c) || apostrophe) {
      w.push_back(c);
    } else if (!w.empty()) {
      out.push_back(words->emplace(w, static_cast<std::uint32_t>(words->size())).first->second);
      w.clear();
    }
  }
  return out;
}

// The length of the longest common subsequence, bit-parallel over `a`.
std::size_t Lcs(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  const std::size_t words = (a.size() + 63) / 64;
  std::unordered_map<std::uint32_t, std::vector<std::uint64_t>> masks;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto& m = masks[a[i]];
    if (m.empty()) m.assign(words, 0);
    m[i / 64] |= std::uint64_t{1} << (i % 64);
  }
  std::vector<std::uint64_t> v(words, ~std::uint64_t{0});
  for (const std::uint32_t unit : b) {
    auto it = masks.find(unit);
    if (it == masks.end()) continue;
    const std::vector<std::uint64_t>& m = it->second;
    // v = (v + (v & m)) | (v & ~m), carried across words.
    std::uint64_t carry = 0;
    for (std::size_t k = 0; k < words; ++k) {
      const std::uint64_t x = v[k] & m[k];
      const std::uint64_t sum = v[k] + x + carry;
      carry = (sum < v[k] || (carry && sum == v[k])) ? 1 : 0;
      v[k] = sum | (v[k] & ~m[k]);
    }
  }
  std::size_t zeros = 0;
  for (std::size_t i = 0; i < a.size(); ++i) zeros += (v[i / 64] >> (i % 64) & 1) == 0;
  return zeros;
}

TEST(PdfPeer, LcsIsExact) {
  EXPECT_EQ(Lcs({1, 2, 3, 4, 5}, {1, 3, 5}), 3u);
  EXPECT_EQ(Lcs({1, 2, 3}, {3, 2, 1}), 1u);
  std::vector<std::uint32_t> a(200), b(200);
  for (std::uint32_t i = 0; i < 200; ++i) {
    a[i] = i % 7;
    b[i] = (i * 3) % 7;
  }
  // Checked against the quadratic table.
  std::vector<std::vector<std::size_t>> t(201, std::vector<std::size_t>(201, 0));
  for (std::size_t i = 0; i < 200; ++i) {
    for (std::size_t j = 0; j < 200; ++j) {
      t[i + 1][j + 1] = a[i] == b[j] ? t[i][j] + 1 : std::max(t[i][j + 1], t[i + 1][j]);
    }
  }
  EXPECT_EQ(Lcs(a, b), t[200][200]);
}

TEST(PdfPeer, SamplesHoldPdftotextsText) {
  const fs::path dir = fs::path(FOLIAN_SHARED_DIR) / "formats" / "generated" / "pdf";
  if (!fs::is_directory(dir)) GTEST_SKIP() << dir << " is absent";
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const fs::path pdf = entry.path();
    if (pdf.extension() != ".pdf") continue;
    const fs::path reference = pdf.string() + ".pdftotext.txt";
    if (!fs::exists(reference)) continue;
    ++seen;
    MemorySink sink(kMaxOutputBytes);
    const Status st = ReadPdf(testing::ReadBytes(pdf), sink, ReadContext());
    ASSERT_TRUE(st.ok()) << pdf << ": " << st.message();
    const std::string ours =
        sink.encoding() == TextEncoding::kGbk ? charset::GbkToUtf8(sink.text()) : sink.text();
    const std::u32string ref_text = Decode(testing::ReadBytes(reference));
    const std::u32string our_text = Decode(ours);
    std::unordered_map<std::u32string, std::uint32_t> words;
    const bool han = Units(ref_text, true, &words).size() > Units(ref_text, false, &words).size();
    const auto ref = Units(ref_text, han, &words);
    const auto got = Units(our_text, han, &words);
    ASSERT_FALSE(ref.empty()) << reference;
    const double share = 100.0 * static_cast<double>(Lcs(ref, got)) / static_cast<double>(ref.size());
    EXPECT_GE(share, 98.0) << pdf.filename() << (han ? ": Han characters" : ": words");
  }
  EXPECT_GT(seen, 0);
}

}  // namespace
}  // namespace folian::convert
