#include "text/encoding_text.h"

#include <gtest/gtest.h>

#include "charset/codepage.h"

namespace folian::text {
namespace {

TEST(EncodingTextTest, FixedTextsAndMarkSuffix) {
  EXPECT_EQ(EncodingText(0, 0), "");
  EXPECT_EQ(EncodingText(1200, 1), "当前文件编码:UNICODE (LE)");
  EXPECT_EQ(EncodingText(1200, 0), "当前文件编码:UNICODE (LE)  *BOM");
  EXPECT_EQ(EncodingText(1201, 1), "当前文件编码:UNICODE (BE)");
  EXPECT_EQ(EncodingText(1201, 0), "当前文件编码:UNICODE (BE)  *BOM");
  EXPECT_EQ(EncodingText(65001, 1), "当前文件编码:UTF-8");
  EXPECT_EQ(EncodingText(65001, 0), "当前文件编码:UTF-8  *BOM");
  // UTF-7 has no mark to miss.
  EXPECT_EQ(EncodingText(65000, 0), "当前文件编码:UTF-7");
}

TEST(EncodingTextTest, PlatformNamesAndUnknownCodePages) {
  auto name = charset::CodePageName(936);
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(EncodingText(936, 0), "当前文件编码:" + *name);
  EXPECT_EQ(EncodingText(936, 0).rfind("当前文件编码:936", 0), 0u);
  EXPECT_EQ(EncodingText(936, 1), EncodingText(936, 0)) << "no mark suffix for ANSI";
  EXPECT_EQ(EncodingText(4242, 0), "当前文件编码: 4242");
  EXPECT_EQ(EncodingText(-5, 0), "当前文件编码: -5");
}

}  // namespace
}  // namespace folian::text
