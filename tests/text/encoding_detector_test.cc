#include "text/encoding_detector.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "support/temp_dir.h"
#include "support/bytes.h"

namespace folian::text {
namespace {

using folian::testing::Bytes;
using folian::testing::EnvVar;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

struct Detected {
  int status, codepage, bom_flag;
};

Detected Detect(std::string_view sample, int lang = kLangChinese,
                unsigned options = kDetectCodePage | kDetectBomFlag) {
  Detected d{0, -7, -7};
  d.status = DetectEncodingOfSample(sample, options, &d.codepage, &d.bom_flag, lang);
  return d;
}

TEST(EncodingDetectorTest, MarksDecideCodePageAndFlag) {
  auto le = Detect(Bytes({0xFF, 0xFE, 'a', 0}));
  EXPECT_EQ(le.codepage, 1200);
  EXPECT_EQ(le.bom_flag, 1);
  auto be = Detect(Bytes({0xFE, 0xFF, 0, 'a'}));
  EXPECT_EQ(be.codepage, 1201);
  EXPECT_EQ(be.bom_flag, 1);
  auto u8 = Detect("\xEF\xBB\xBF" "abc");
  EXPECT_EQ(u8.codepage, 65001);
  EXPECT_EQ(u8.bom_flag, 1);
  // Two mark bytes are not enough for the detector's UTF-8 flag.
  auto half = Detect("\xEF\xBB" "abc");
  EXPECT_EQ(half.bom_flag, 0);
  EXPECT_EQ(half.codepage, 936);
}

TEST(EncodingDetectorTest, ShortAndPlainSamples) {
  auto one = Detect("\xFF");
  EXPECT_EQ(one.codepage, 936);
  EXPECT_EQ(one.bom_flag, 0);
  auto empty = Detect("");
  EXPECT_EQ(empty.status, kDetectOk);
  EXPECT_EQ(empty.codepage, 936);
  EXPECT_EQ(Detect("plain ascii\r\nline two\r\n").codepage, 936);
}

TEST(EncodingDetectorTest, Utf16LineBreaksOnlyAtEvenOffsets) {
  // "ab\r\n" in UTF-16LE: the CR pair sits at offset 4.
  auto le = Detect(Bytes({'a', 0, 'b', 0, '\r', 0, '\n', 0}));
  EXPECT_EQ(le.codepage, 1200);
  EXPECT_EQ(le.bom_flag, 0);
  auto be = Detect(Bytes({0, 'a', 0, '\n', 0, 'b'}));
  EXPECT_EQ(be.codepage, 1201);
  EXPECT_EQ(be.bom_flag, 0);
  // The same pair at an odd offset is not a UTF-16 line break.
  EXPECT_EQ(Detect(Bytes({'x', '\n', 0, 'y'})).codepage, 936);
  // The first break found decides; a later opposite one changes nothing.
  EXPECT_EQ(Detect(Bytes({'\n', 0, 0, '\n'})).codepage, 1200);
  // A break in the last, incomplete pair is not looked at.
  EXPECT_EQ(Detect(Bytes({'a', 'b', '\n'})).codepage, 936);
}

TEST(EncodingDetectorTest, OptionBitsChooseWhatIsFilled) {
  auto cp_only = Detect("\xEF\xBB\xBF", kLangChinese, kDetectCodePage);
  EXPECT_EQ(cp_only.codepage, 65001);
  EXPECT_EQ(cp_only.bom_flag, -7);
  auto flag_only = Detect("\xEF\xBB\xBF", kLangChinese, kDetectBomFlag);
  EXPECT_EQ(flag_only.codepage, -7);
  EXPECT_EQ(flag_only.bom_flag, 1);
  auto shorthand = Detect("\xEF\xBB\xBF", kLangChinese, kDetectDefault);
  EXPECT_EQ(shorthand.codepage, 65001);
  EXPECT_EQ(shorthand.bom_flag, 1);
}

TEST(EncodingDetectorTest, ZeroUnitReportedOnlyWhenAsked) {
  std::string s = Bytes({'a', 'b', 0, 0, 'c', 'd'});
  auto asked = Detect(s, kLangChinese, kDetectZeroUnit | kDetectCodePage | kDetectBomFlag);
  EXPECT_EQ(asked.status, kDetectFoundZeroUnit);
  EXPECT_EQ(asked.codepage, -7);
  EXPECT_EQ(Detect(s).status, kDetectOk);
  // Bit 2 clears bit 1.
  EXPECT_EQ(Detect(s, kLangChinese, kDetectZeroUnit | kDetectDefault).status, kDetectOk);
  // Two zero bytes straddling a pair boundary are not a zero unit.
  EXPECT_EQ(Detect(Bytes({'a', 0, 0, 'b'}), kLangChinese, kDetectZeroUnit | kDetectCodePage).status,
            kDetectOk);
}

TEST(EncodingDetectorTest, FileStatuses) {
  TempDir dir;
  int cp = 0, flag = 0;
  EXPECT_EQ(DetectEncoding(dir / "missing.txt", 1024, kDetectCodePage | kDetectBomFlag, &cp, &flag),
            kDetectCannotOpen);
  // A folder opens but cannot be read.
  EXPECT_EQ(DetectEncoding(dir.path(), 1024, kDetectCodePage | kDetectBomFlag, &cp, &flag),
            kDetectReadFailed);
  WriteBytes(dir / "a.txt", "x");
  EXPECT_EQ(DetectEncoding(dir / "a.txt", SIZE_MAX, kDetectCodePage, &cp, &flag), kDetectNoMemory);
  // Only the sample counts: a mark beyond it is not seen.
  WriteBytes(dir / "b.txt", "\xFF\xFE" "a");
  ASSERT_EQ(DetectEncoding(dir / "b.txt", 1024, kDetectCodePage | kDetectBomFlag, &cp, &flag),
            kDetectOk);
  EXPECT_EQ(cp, 1200);
  EXPECT_EQ(flag, 1);
  ASSERT_EQ(DetectEncoding(dir / "b.txt", 1, kDetectCodePage | kDetectBomFlag, &cp, &flag),
            kDetectOk);
  EXPECT_EQ(cp, 936);
}

std::string Repeat(std::initializer_list<int> values, int times) {
  std::string s;
  for (int t = 0; t < times; ++t)
    for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

TEST(HighByteHeuristicTest, ChineseUsersGetUtf8ForUtf8Text) {
  // "这是中文小说" in UTF-8: lead bytes E4..E8 dominate.
  std::string utf8 = Repeat({0xE8, 0xBF, 0x99, 0xE6, 0x98, 0xAF, 0xE4, 0xB8, 0xAD, 0xE6, 0x96,
                             0x87, 0xE5, 0xB0, 0x8F, 0xE8, 0xAF, 0xB4},
                            4);
  EXPECT_EQ(HighByteHeuristic(utf8, kLangChinese), 65001);
  EXPECT_EQ(Detect(utf8).codepage, 65001);
  // The same text as GBK ("这是中文小说": D5 E2 CA C7 D6 D0 CE C4 D0 A1 CB B5) declines.
  std::string gbk = Repeat({0xD5, 0xE2, 0xCA, 0xC7, 0xD6, 0xD0, 0xCE, 0xC4, 0xD0, 0xA1, 0xCB, 0xB5}, 4);
  EXPECT_EQ(HighByteHeuristic(gbk, kLangChinese), std::nullopt);
  EXPECT_EQ(Detect(gbk).codepage, 936);
}

TEST(HighByteHeuristicTest, TenHighBytesOrFewerDecline) {
  std::string ten = Repeat({0xE4}, 10);
  EXPECT_EQ(HighByteHeuristic(ten, kLangChinese), std::nullopt);
  EXPECT_EQ(HighByteHeuristic(ten + "\xE4", kLangChinese), 65001);
}

TEST(HighByteHeuristicTest, ScoreStartsAtFiveAndNeedsToBeBeaten) {
  // B must exceed A = 5 + collected: 11 x E4 against 6 x A1 -> 11 vs 11: declines.
  std::string even = Repeat({0xE4}, 11) + Repeat({0xA1}, 6);
  EXPECT_EQ(HighByteHeuristic(even, kLangChinese), std::nullopt);
  EXPECT_EQ(HighByteHeuristic(even + "\xE5", kLangChinese), 65001);
}

TEST(HighByteHeuristicTest, TiesGoToTheLowestByteValue) {
  // Twelve values three times each; ten rounds take the ten lowest: A1..A6
  // (A = 5 + 18) and E3..E6 (B = 12): declines. Taking the highest on ties
  // would give A = 5 + 12, B = 18 and guess UTF-8.
  std::string s = Repeat({0xE8, 0xE7, 0xE6, 0xE5, 0xE4, 0xE3, 0xA6, 0xA5, 0xA4, 0xA3, 0xA2, 0xA1}, 3);
  EXPECT_EQ(HighByteHeuristic(s, kLangChinese), std::nullopt);
  // Only ten values are ever counted: an eleventh, rarer value is ignored.
  std::string a_ignored = Repeat({0xE4}, 6) +
                          Repeat({0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89}, 3) +
                          Repeat({0xA1}, 2);
  // E4 (6) is counted, A1 (2) is the eleventh value and is not: A = 5 < B = 6.
  EXPECT_EQ(HighByteHeuristic(a_ignored, kLangChinese), 65001);
}

TEST(HighByteHeuristicTest, EnglishAndOtherLanguages) {
  std::string oem = Repeat({0xB0, 0xB1, 0xDB}, 4);
  EXPECT_EQ(HighByteHeuristic(oem, kLangEnglish), 936);
  EXPECT_EQ(HighByteHeuristic(oem, kLangChinese), std::nullopt);
  // English scores A = 5 against C: six box-drawing bytes are not enough.
  EXPECT_EQ(HighByteHeuristic(Repeat({0xB0}, 5) + Repeat({0x90}, 6), kLangEnglish), std::nullopt);
  std::string utf8 = Repeat({0xE4, 0xB8, 0xAD}, 8);
  EXPECT_EQ(HighByteHeuristic(utf8, kLangEnglish), std::nullopt);
  EXPECT_EQ(HighByteHeuristic(utf8, 0), std::nullopt);
  EXPECT_EQ(HighByteHeuristic(utf8, 7), std::nullopt);
  EXPECT_EQ(Detect(utf8, 7).codepage, 936);
}

TEST(UserPrimaryLanguageTest, LocaleVariablesInOrder) {
  EnvVar all("LC_ALL", nullptr), msg("LC_MESSAGES", nullptr), lang("LANG", nullptr);
  EXPECT_EQ(UserPrimaryLanguage(), kLangChinese);
  {
    EnvVar l("LANG", "en_US.UTF-8");
    EXPECT_EQ(UserPrimaryLanguage(), kLangEnglish);
    EnvVar m("LC_MESSAGES", "zh_TW.UTF-8");
    EXPECT_EQ(UserPrimaryLanguage(), kLangChinese);
    EnvVar a("LC_ALL", "de_DE");
    EXPECT_EQ(UserPrimaryLanguage(), 0);
    EnvVar empty("LC_ALL", "");
    EXPECT_EQ(UserPrimaryLanguage(), kLangChinese) << "an empty LC_ALL does not count";
  }
  EnvVar c("LANG", "C.UTF-8");
  EXPECT_EQ(UserPrimaryLanguage(), 0);
  EnvVar zh("LANG", "zh");
  EXPECT_EQ(UserPrimaryLanguage(), kLangChinese);
}

}  // namespace
}  // namespace folian::text
