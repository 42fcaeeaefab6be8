// The Western code page against ICU's windows-1252, every byte.
#include <gtest/gtest.h>

#include <string>

#include "charset/codepage.h"
#include "charset/cp1252.h"
#include "icu_oracle.h"

namespace folian::charset {
namespace {

TEST(Cp1252, EveryByteAgreesWithIcu) {
  testing::IcuConverter icu("windows-1252");
  for (int b = 0; b < 256; ++b) {
    const std::u16string expected = icu.Decode(std::string(1, static_cast<char>(b)));
    ASSERT_EQ(expected.size(), 1u) << b;
    // ICU leaves the five undefined bytes unmapped (U+001A); we read them as
    // browsers do, as the C1 control of the same value.
    const char16_t want = expected[0] == 0x1A && b >= 0x80 ? static_cast<char16_t>(b) : expected[0];
    EXPECT_EQ(Cp1252ToUnicode(static_cast<unsigned char>(b)), want) << b;
  }
}

TEST(Cp1252, ToUtf8AppendsEveryCharacter) {
  std::string out = "x";
  Cp1252ToUtf8("\x93" "caf\xE9\x94 \x80" "5", &out);
  EXPECT_EQ(out, "x“café” €5");
  std::string all;
  std::string bytes;
  for (int b = 1; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  Cp1252ToUtf8(bytes, &all);
  EXPECT_EQ(ToWide(kUtf8, all).size(), 255u) << "one character per byte, all valid UTF-8";
}

}  // namespace
}  // namespace folian::charset
