#include "app/options_form.h"

#include <gtest/gtest.h>

#include "app/options_store.h"
#include "support/temp_dir.h"

namespace folian::app {
namespace {

using tidy::TidyOptions;

TEST(OptionsDialogForm, OpensWithTheOptionsInForce) {
  TidyOptions o;
  o.indent = 3;
  o.indent_num2 = 5;
  o.sort_as_num = 1;
  const OptionsFormState s = OptionsForm::StateFor(o);
  EXPECT_EQ(s.indent, 3);
  EXPECT_EQ(s.counts, (std::array<std::string, 3>{"", "5", ""}));
  EXPECT_EQ(s.count_enabled, (std::array<bool, 3>{false, true, false}));
  EXPECT_TRUE(s.sort_as_num);
  const OptionsFormState none = OptionsForm::StateFor(TidyOptions{});
  EXPECT_EQ(none.counts, (std::array<std::string, 3>{"", "", ""}));
  EXPECT_EQ(none.count_enabled, (std::array<bool, 3>{false, false, false}));
}

TEST(OptionsDialogForm, IndentRadioFillsItsOwnFieldWithTheStoredNumber) {
  testing::TempDir dir;
  TidyOptions o;
  OptionsForm form(&o, dir / "s.ini");
  form.SelectIndent(2);
  EXPECT_EQ(form.state().counts, (std::array<std::string, 3>{"4", "", ""}));
  form.SelectIndent(4);
  EXPECT_EQ(form.state().counts, (std::array<std::string, 3>{"", "", "1"}));
  EXPECT_EQ(form.state().count_enabled, (std::array<bool, 3>{false, false, true}));
  EXPECT_EQ(o, TidyOptions{}) << "nothing is in force before 确定";
}

TEST(OptionsDialogForm, ConfirmStoresEveryGroupAndSays) {
  testing::TempDir dir;
  TidyOptions o;
  OptionsForm form(&o, dir / "s.ini");
  form.state().num_convert = 1;
  form.state().punc_convert = 2;
  form.state().paragraph = 1;
  form.SelectIndent(3);
  form.state().counts[1] = "3";
  form.state().has_adver = false;
  form.state().split_at_fullstop = true;
  form.state().sort_as_num = true;
  EXPECT_EQ(form.Confirm(), "选项已保存！");
  EXPECT_EQ(o.num_convert, 1);
  EXPECT_EQ(o.punc_convert, 2);
  EXPECT_EQ(o.paragraph, 1);
  EXPECT_EQ(o.indent, 3);
  EXPECT_EQ(o.indent_num2, 3);
  EXPECT_EQ(o.has_adver, 0);
  EXPECT_TRUE(o.split_at_fullstop);
  EXPECT_EQ(o.sort_as_num, 1);
  TidyOptions loaded;
  ASSERT_TRUE(LoadOptions(dir / "s.ini", &loaded));
  loaded.split_at_fullstop = true;  // never stored
  EXPECT_EQ(loaded, o);
}

TEST(OptionsDialogForm, CountThatIsNotANumberStoresZero) {
  testing::TempDir dir;
  TidyOptions o;
  OptionsForm form(&o, dir / "s.ini");
  form.SelectIndent(2);
  form.state().counts[0] = "abc";
  form.Confirm();
  EXPECT_EQ(o.indent_num1, 0);
}

TEST(OptionsDialogForm, RestoreDefaultsMakesPunctuationFullWidth) {
  testing::TempDir dir;
  TidyOptions o;
  o.indent = 4;
  o.has_adver = 0;
  ASSERT_EQ(o.punc_convert, 3);
  OptionsForm form(&o, dir / "s.ini");
  EXPECT_EQ(form.RestoreDefaults(), "选项已恢复为默认值！");
  EXPECT_EQ(o.punc_convert, 1);
  EXPECT_EQ(o, TidyOptions::RestoreDefaults());
  EXPECT_EQ(form.state(), OptionsForm::StateFor(o));
  TidyOptions loaded;
  ASSERT_TRUE(LoadOptions(dir / "s.ini", &loaded));
  EXPECT_EQ(loaded.punc_convert, 1);
}

}  // namespace
}  // namespace folian::app
