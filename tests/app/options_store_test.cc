#include "app/options_store.h"

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "support/temp_dir.h"

namespace folian::app {
namespace {

using folian::testing::EnvVar;
using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::WriteBytes;
using tidy::TidyOptions;

const char kAllTen[] =
    "[Software\\Quorvel\\Tekstor\\Options]\n"
    "NUMCONVERT=1\nCHARCONVERT=3\nPUNCCONVERT=1\nPARAGRAPH=1\nINDENT=3\n"
    "INDENTNUM1=8\nINDENTNUM2=4\nINDENTNUM3=2\nHASADVER=0\nSORTASNUM=1\n";

TEST(OptionsStoreTest, NoStoreKeepsStartValues) {
  TempDir dir;
  EnvVar home("FOLIAN_CONFIG_HOME", dir.path().c_str());
  TidyOptions o = TidyOptions::AtStart();
  ASSERT_TRUE(LoadOptions(&o));
  EXPECT_EQ(o, TidyOptions::AtStart());
  EXPECT_EQ(o.punc_convert, 3) << "punctuation is left unchanged at start";
  EXPECT_FALSE(std::filesystem::exists(dir / "folian.ini")) << "loading creates nothing";
}

TEST(OptionsStoreTest, RestoreDefaultsSavesFullWidthPunctuation) {
  TempDir dir;
  EnvVar home("FOLIAN_CONFIG_HOME", dir.path().c_str());
  TidyOptions o = TidyOptions::RestoreDefaults();
  o.split_at_fullstop = true;
  std::string error;
  ASSERT_TRUE(SaveOptions(o, &error)) << error;
  EXPECT_EQ(ReadBytes(dir / "folian.ini"),
            "[Software\\Quorvel\\Tekstor\\Options]\n"
            "NUMCONVERT=2\nCHARCONVERT=2\nPUNCCONVERT=1\nPARAGRAPH=2\nINDENT=1\n"
            "INDENTNUM1=4\nINDENTNUM2=2\nINDENTNUM3=1\nHASADVER=1\nSORTASNUM=0\n");
  TidyOptions next = TidyOptions::AtStart();
  ASSERT_TRUE(LoadOptions(&next));
  EXPECT_EQ(next.punc_convert, 1);
  EXPECT_FALSE(next.split_at_fullstop) << "the full-stop option is not stored";
}

TEST(OptionsStoreTest, ReadsAllTenValues) {
  TempDir dir;
  WriteBytes(dir / "s.ini", kAllTen);
  TidyOptions o;
  ASSERT_TRUE(LoadOptions(dir / "s.ini", &o));
  EXPECT_EQ(o.num_convert, 1);
  EXPECT_EQ(o.char_convert, 3);
  EXPECT_EQ(o.punc_convert, 1);
  EXPECT_EQ(o.paragraph, 1);
  EXPECT_EQ(o.indent, 3);
  EXPECT_EQ(o.indent_num1, 8);
  EXPECT_EQ(o.indent_num2, 4);
  EXPECT_EQ(o.indent_num3, 2);
  EXPECT_EQ(o.has_adver, 0);
  EXPECT_EQ(o.sort_as_num, 1);
}

TEST(OptionsStoreTest, MissingOrUnreadableValuesKeepTheCurrentValue) {
  TempDir dir;
  WriteBytes(dir / "s.ini",
             "[Software\\Quorvel\\Tekstor\\Options]\nNUMCONVERT=abc\nINDENT=\nPARAGRAPH=3\n"
             "\x01\xFF\xFE garbage\n");
  TidyOptions o;
  o.num_convert = 1;
  o.indent = 4;
  ASSERT_TRUE(LoadOptions(dir / "s.ini", &o));
  EXPECT_EQ(o.num_convert, 1);
  EXPECT_EQ(o.indent, 4);
  EXPECT_EQ(o.paragraph, 3);
  EXPECT_EQ(o.char_convert, 2);
  // The options of another key do not count.
  WriteBytes(dir / "t.ini", "[Software\\Quorvel\\Other]\nPARAGRAPH=1\n");
  ASSERT_TRUE(LoadOptions(dir / "t.ini", &o));
  EXPECT_EQ(o.paragraph, 3);
}

TEST(OptionsStoreTest, SaveKeepsUnknownKeysAndSections) {
  TempDir dir;
  WriteBytes(dir / "s.ini",
             "; written by hand\n[Software\\Quorvel\\Tekstor\\Options]\nNUMCONVERT=1\nFUTURE=7\n"
             "[Software\\Microsoft\\Notepad]\nlfFaceName=AR PL UMing\niPointSize=140\nfWrap=1\n");
  TidyOptions o;
  ASSERT_TRUE(SaveOptions(dir / "s.ini", o));
  SettingsStore s;
  ASSERT_TRUE(s.Load(dir / "s.ini"));
  EXPECT_EQ(s.GetInt(kOptionsSection, "NUMCONVERT"), 2);
  EXPECT_EQ(s.GetInt(kOptionsSection, "FUTURE"), 7);
  EXPECT_EQ(s.GetInt(kOptionsSection, "SORTASNUM"), 0);
  EXPECT_EQ(ReadBytes(dir / "s.ini").rfind("; written by hand\n", 0), 0u);
  EditorFont font;
  ASSERT_TRUE(LoadEditorFont(dir / "s.ini", &font));
  EXPECT_EQ(font, (EditorFont{"AR PL UMing", 140, 1}));
}

TEST(OptionsStoreTest, UnreadableStoreIsNeitherUsedNorReplaced) {
  TempDir dir;
  std::filesystem::create_directory(dir / "folian.ini");
  TidyOptions o;
  o.indent = 3;
  std::string error;
  EXPECT_FALSE(LoadOptions(dir / "folian.ini", &o, &error));
  EXPECT_EQ(o.indent, 3);
  EXPECT_FALSE(SaveOptions(dir / "folian.ini", o, &error));
  EXPECT_FALSE(error.empty());
}

TEST(EditorFontTest, RoundTripAndPartialValues) {
  TempDir dir;
  EditorFont font{"Noto Serif CJK SC", 120, 0};
  ASSERT_TRUE(SaveEditorFont(dir / "s.ini", font));
  EditorFont back;
  ASSERT_TRUE(LoadEditorFont(dir / "s.ini", &back));
  EXPECT_EQ(back, font);
  WriteBytes(dir / "p.ini", "[Software\\Microsoft\\Notepad]\niPointSize=big\nfWrap=1\n");
  EditorFont partial{"Keep", 100, 0};
  ASSERT_TRUE(LoadEditorFont(dir / "p.ini", &partial));
  EXPECT_EQ(partial, (EditorFont{"Keep", 100, 1}));
}

TEST(WindowLayoutTest, RoundTripBesideTheOtherSettings) {
  TempDir dir;
  ASSERT_TRUE(SaveEditorFont(dir / "s.ini", EditorFont{"Noto Serif CJK SC", 120, 1}));
  WindowLayout none;
  ASSERT_TRUE(LoadWindowLayout(dir / "s.ini", &none));
  EXPECT_EQ(none, (WindowLayout{0, 0})) << "never stored";
  ASSERT_TRUE(SaveWindowLayout(dir / "s.ini", WindowLayout{310, 420}));
  WindowLayout back;
  ASSERT_TRUE(LoadWindowLayout(dir / "s.ini", &back));
  EXPECT_EQ(back, (WindowLayout{310, 420}));
  EditorFont font;
  ASSERT_TRUE(LoadEditorFont(dir / "s.ini", &font));
  EXPECT_EQ(font, (EditorFont{"Noto Serif CJK SC", 120, 1})) << "the font is kept";
}

}  // namespace
}  // namespace folian::app
