// Every mapping of the GBK and Big5 tables, and the UTF-8 decoder, checked
// against ICU's Windows code-page data.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "charset/codepage.h"
#include "icu_oracle.h"

namespace folian::charset {
namespace {

using testing::IcuConverter;

struct CodePageCase {
  int codepage;
  const char* icu_name;
  friend void PrintTo(const CodePageCase& c, std::ostream* os) { *os << c.codepage << " (" << c.icu_name << ")"; }
};

class CodePageVsIcu : public ::testing::TestWithParam<CodePageCase> {};

std::string Hex(std::string_view s) {
  std::string out;
  char buf[4];
  for (unsigned char c : s) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    out += buf;
  }
  return out;
}

std::string HexUnits(std::u16string_view s) {
  std::string out;
  char buf[8];
  for (char16_t c : s) {
    std::snprintf(buf, sizeof buf, "%04X ", static_cast<unsigned>(c));
    out += buf;
  }
  return out;
}

TEST_P(CodePageVsIcu, EveryByteAndPairDecodesAsIcu) {
  IcuConverter icu(GetParam().icu_name);
  int mismatches = 0;
  for (unsigned b = 0; b < 0x100; ++b) {
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(ToWide(GetParam().codepage, one), icu.Decode(one)) << "byte " << Hex(one);
  }
  // All 65536 two-byte sequences: defined pairs, undefined pairs, lead bytes
  // followed by bytes that cannot be trails, and pairs of single bytes.
  for (unsigned lead = 0; lead < 0x100; ++lead) {
    for (unsigned trail = 0; trail < 0x100; ++trail) {
      std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
      std::u16string ours = ToWide(GetParam().codepage, pair);
      std::u16string want = icu.Decode(pair);
      if (ours != want && ++mismatches <= 10)
        ADD_FAILURE() << Hex(pair) << "-> " << HexUnits(ours) << "ICU " << HexUnits(want);
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST_P(CodePageVsIcu, EveryBmpCharacterEncodesAsIcu) {
  IcuConverter icu(GetParam().icu_name);
  int mismatches = 0, mapped = 0;
  for (unsigned u = 0; u < 0x10000; ++u) {
    if (u >= 0xD800 && u < 0xE000) continue;
    std::u16string one(1, static_cast<char16_t>(u));
    std::size_t defaulted = 99;
    std::string ours = FromWide(GetParam().codepage, one, '?', &defaulted);
    std::string want = icu.Encode(one);
    // ICU drops default-ignorable characters it cannot map; like every other
    // unmappable character they get the default character here.
    if (want.empty()) want = "?";
    const bool is_default = want == "?" && u != '?';
    if ((ours != want || defaulted != (is_default ? 1u : 0u)) && ++mismatches <= 10)
      ADD_FAILURE() << "U+" << std::hex << u << " -> " << Hex(ours) << "ICU " << Hex(want) << " defaulted "
                    << defaulted;
    mapped += !is_default;
    // Exact exactly when ICU's round trip gives the character back.
    const bool exact = !is_default && icu.Decode(want) == one;
    if (InexactCount(GetParam().codepage, one) != (exact ? 0u : 1u) && ++mismatches <= 10)
      ADD_FAILURE() << "U+" << std::hex << u << " inexact count";
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(mapped, 19000);  // both code pages hold about 20000 characters
}

// Random byte strings mixing ASCII, lead and trail bytes: the way the decoder
// resynchronises after a bad sequence must match too.
TEST_P(CodePageVsIcu, RandomByteStringsDecodeAsIcu) {
  IcuConverter icu(GetParam().icu_name);
  std::mt19937 rng(936950);
  const unsigned char pool[] = {0x00, 0x0A, 0x30, 0x40, 0x41, 0x7E, 0x7F, 0x80, 0x81, 0xA0,
                                0xA1, 0xA3, 0xB0, 0xC1, 0xD6, 0xF9, 0xFA, 0xFE, 0xFF};
  for (int iter = 0; iter < 20000; ++iter) {
    // Long strings of mostly high bytes reach the four-pairs-at-a-time path.
    const bool long_run = iter % 2;
    std::string s(rng() % (long_run ? 48 : 12) + 1, '\0');
    for (char& c : s) {
      const unsigned r = rng();
      c = static_cast<char>(long_run && r % 8 ? 0xB0 + r % 0x4F : r % 3 ? pool[r / 3 % sizeof pool] : r >> 8);
    }
    ASSERT_EQ(ToWide(GetParam().codepage, s), icu.Decode(s)) << Hex(s);
  }
}

TEST_P(CodePageVsIcu, RandomUtf16WithSurrogatesEncodesAsIcu) {
  IcuConverter icu(GetParam().icu_name);
  std::mt19937 rng(1200);
  const char16_t pool[] = {u'a', u'\n', 0x00B7, 0x20AC, 0x4E2D, 0x7E41, 0x9AD4, 0xD83D, 0xDE00,
                           0xDBFF, 0xDC00, 0xFFFD, 0xFF01, 0x3000, 0xE000, 0xF8F5};
  for (int iter = 0; iter < 20000; ++iter) {
    std::u16string s(rng() % 10 + 1, u'\0');
    for (char16_t& c : s) c = rng() % 4 ? pool[rng() % std::size(pool)] : static_cast<char16_t>(rng());
    std::string want = icu.Encode(s);
    std::string ours = FromWide(GetParam().codepage, s);
    // Skip strings with characters ICU silently drops (see above).
    bool ignorable = false;
    for (char16_t c : s) ignorable |= !(c >= 0xD800 && c < 0xE000) && icu.Encode(std::u16string(1, c)).empty();
    if (ignorable) continue;
    ASSERT_EQ(ours, want) << HexUnits(s);
  }
}

INSTANTIATE_TEST_SUITE_P(Windows, CodePageVsIcu,
                         ::testing::Values(CodePageCase{kGbk, "windows-936-2000"},
                                           CodePageCase{kBig5, "windows-950-2000"}),
                         [](const auto& info) { return info.param.codepage == kGbk ? "Gbk" : "Big5"; });

TEST(Utf8VsIcu, RandomByteStringsDecodeAsIcu) {
  IcuConverter icu("UTF-8");
  std::mt19937 rng(65001);
  const unsigned char pool[] = {0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                0xE0, 0xE4, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF, 0xB8, 0xAD, 0x00};
  for (int iter = 0; iter < 50000; ++iter) {
    std::string s(rng() % 9 + 1, '\0');
    for (char& c : s) c = static_cast<char>(pool[rng() % sizeof pool]);
    ASSERT_EQ(ToWide(kUtf8, s), icu.Decode(s)) << Hex(s);
  }
}

TEST(Utf8VsIcu, WideToUtf8MatchesIcuIncludingLoneSurrogates) {
  IcuConverter icu("UTF-8");
  std::mt19937 rng(8);
  const char16_t pool[] = {u'a', 0x07FF, 0x0800, 0xFFFF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0x4E2D};
  for (int iter = 0; iter < 20000; ++iter) {
    std::u16string s(rng() % 8 + 1, u'\0');
    for (char16_t& c : s) c = pool[rng() % std::size(pool)];
    std::size_t lone = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s[i] >= 0xD800 && s[i] < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) ++i;
      else if (s[i] >= 0xD800 && s[i] < 0xE000) ++lone;
    }
    std::size_t defaulted = 99;
    ASSERT_EQ(FromWide(kUtf8, s, '?', &defaulted), icu.Encode(s)) << HexUnits(s);
    ASSERT_EQ(defaulted, lone) << HexUnits(s);
  }
}

}  // namespace
}  // namespace folian::charset
