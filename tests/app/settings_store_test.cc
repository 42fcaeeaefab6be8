#include "app/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_dir.h"

namespace folian::app {
namespace {

using folian::testing::EnvVar;
using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

TEST(SettingsPathTest, OwnVariableThenXdgThenHome) {
  EnvVar own("FOLIAN_CONFIG_HOME", nullptr), xdg("XDG_CONFIG_HOME", nullptr), home("HOME", "/home/u");
  EXPECT_EQ(SettingsPath(), "/home/u/.config/folian/folian.ini");
  {
    EnvVar x("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(SettingsPath(), "/cfg/folian/folian.ini");
    EnvVar o("FOLIAN_CONFIG_HOME", "/tmp/f");
    EXPECT_EQ(SettingsPath(), "/tmp/f/folian.ini");
  }
  EnvVar relative("XDG_CONFIG_HOME", "rel/dir");
  EXPECT_EQ(SettingsPath(), "/home/u/.config/folian/folian.ini") << "a relative XDG path is ignored";
}

TEST(SettingsStoreTest, ReadsSectionsAndValuesIgnoringCase) {
  SettingsStore s;
  s.Parse(
      "; comment\r\n"
      "[Software\\Quorvel\\Tekstor\\Options]\r\n"
      "NUMCONVERT=1\r\n"
      "  indent = 3  \r\n"
      "[Other]\r\n"
      "NUMCONVERT=9\r\n");
  EXPECT_TRUE(s.HasSection("software\\quorvel\\tekstor\\options"));
  EXPECT_EQ(s.GetInt("Software\\Quorvel\\Tekstor\\Options", "NUMCONVERT"), 1);
  EXPECT_EQ(s.GetInt("Software\\Quorvel\\Tekstor\\Options", "INDENT"), 3);
  EXPECT_EQ(s.GetInt("Other", "numconvert"), 9);
  EXPECT_EQ(s.Get("Software\\Quorvel\\Tekstor\\Options", "PARAGRAPH"), std::nullopt);
  EXPECT_FALSE(s.HasSection("Missing"));
}

TEST(SettingsStoreTest, IntegersAreDecimal32Bit) {
  SettingsStore s;
  s.Parse("[S]\na=12\nb=-3\nc=abc\nd=12x\ne=\nf=4294967295\ng=4294967296\nh=0x10\ni=+7\nj=-2147483649\n");
  EXPECT_EQ(s.GetInt("S", "a"), 12);
  EXPECT_EQ(s.GetInt("S", "b"), -3);
  EXPECT_EQ(s.GetInt("S", "c"), std::nullopt);
  EXPECT_EQ(s.GetInt("S", "d"), std::nullopt);
  EXPECT_EQ(s.GetInt("S", "e"), std::nullopt);
  EXPECT_EQ(s.GetInt("S", "f"), -1) << "a DWORD's full range";
  EXPECT_EQ(s.GetInt("S", "g"), std::nullopt);
  EXPECT_EQ(s.GetInt("S", "h"), std::nullopt);
  EXPECT_EQ(s.GetInt("S", "i"), 7);
  EXPECT_EQ(s.GetInt("S", "j"), std::nullopt);
}

TEST(SettingsStoreTest, SetKeepsEverythingElse) {
  SettingsStore s;
  s.Parse("# mine\n[A]\nx=1\n\n[B]\ny=2\nkeep me as I am\n");
  s.SetInt("A", "x", 5);
  s.SetInt("A", "z", 6);
  s.Set("C", "face", "Noto\nSerif");
  EXPECT_EQ(s.Serialize(),
            "# mine\n[A]\nx=5\nz=6\n\n[B]\ny=2\nkeep me as I am\n\n[C]\nface=Noto Serif\n");
}

TEST(SettingsStoreTest, LineEndsSurviveLoadAndSave) {
  SettingsStore s;
  s.Parse("[A]\r\nx=1\r\nodd\r\r\n");
  s.SetInt("A", "x", 2);
  s.SetInt("A", "y", 3);
  s.SetInt("B", "z", 4);
  const std::string once = s.Serialize();
  EXPECT_EQ(once, "[A]\r\nx=2\r\nodd\r\r\ny=3\r\n\r\n[B]\r\nz=4\r\n");
  SettingsStore again;
  again.Parse(once);
  EXPECT_EQ(again.Serialize(), once) << "saving again changes nothing";
}

TEST(SettingsStoreTest, DamagedTextNeverBreaksParsing) {
  SettingsStore s;
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 131) & 0xFF));
  s.Parse(junk + "\n[S\n=5\n[]\nx==3\n[S]\nv=1");
  EXPECT_EQ(s.GetInt("S", "v"), 1);
  EXPECT_EQ(s.Get("S", "x"), std::nullopt);
  std::string text = s.Serialize();
  EXPECT_EQ(text.substr(0, junk.size()), junk) << "unknown lines are kept as they were";
  s.SetInt("S", "v", 2);
  EXPECT_EQ(s.GetInt("S", "v"), 2);
}

TEST(SettingsStoreTest, LoadAndSaveFiles) {
  TempDir dir;
  SettingsStore s;
  EXPECT_TRUE(s.Load(dir / "none.ini")) << "no file is an empty store";
  EXPECT_FALSE(s.HasSection("A"));
  s.SetInt("A", "x", 1);
  auto path = dir / "deep" / "er" / "folian.ini";
  std::string error;
  ASSERT_TRUE(s.Save(path, &error)) << error;
  EXPECT_EQ(ReadBytes(path), "[A]\nx=1\n");
  SettingsStore t;
  ASSERT_TRUE(t.Load(path));
  EXPECT_EQ(t.GetInt("A", "x"), 1);
  // A folder where the file should be cannot be read or replaced.
  std::filesystem::create_directory(dir / "ini");
  EXPECT_FALSE(t.Load(dir / "ini", &error));
  EXPECT_FALSE(s.Save(dir / "ini", &error));
}

}  // namespace
}  // namespace folian::app
