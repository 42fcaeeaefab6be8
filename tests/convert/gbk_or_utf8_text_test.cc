// The GBK-or-UTF-8 text builder: GBK while every character fits, one switch
// to UTF-8 that converts what came before, cells, the cap, and the
// encoding it reports while characters are still buffered.
#include "convert/gbk_or_utf8_text.h"

#include <gtest/gtest.h>

#include <string>

#include "charset/codepage.h"

namespace folian::convert {
namespace {

std::string Utf8Of(GbkOrUtf8Text& text) {
  const TextEncoding encoding = text.encoding();
  const std::string out = text.Finish();
  return encoding == TextEncoding::kGbk ? charset::GbkToUtf8(out) : out;
}

TEST(GbkOrUtf8Text, GbkUntilACharacterDoesNotFit) {
  GbkOrUtf8Text text(1 << 20);
  text.Append(u"第一回 caf\u00e9");
  text.LineEnd();
  EXPECT_EQ(text.encoding(), TextEncoding::kGbk);
  text.Append(u'\u00A0');  // a no-break space is a plain space, not a reason for UTF-8
  EXPECT_EQ(text.encoding(), TextEncoding::kGbk);
  EXPECT_EQ(Utf8Of(text), "第一回 café\r\n ");
}

TEST(GbkOrUtf8Text, TheEncodingCoversWhatIsStillBuffered) {
  // One character GBK lacks, right at the end and well before a batch is
  // full: the encoding asked for before Finish must already say UTF-8.
  GbkOrUtf8Text text(1 << 20);
  text.Append(u"第一回 ");
  text.Append(u"\U0001F600");
  EXPECT_EQ(text.encoding(), TextEncoding::kUtf8Mark);
  EXPECT_EQ(text.Finish(), "第一回 😀");
  // The switch after several batches of GBK converts all that came before.
  GbkOrUtf8Text long_text(1 << 20);
  std::u16string many(10000, u'中');
  long_text.Append(many);
  long_text.Append(u'\u20A9');
  long_text.AppendAscii("!");
  EXPECT_EQ(long_text.encoding(), TextEncoding::kUtf8Mark);
  std::string expected;
  for (int i = 0; i < 10000; ++i) expected += "中";
  EXPECT_EQ(long_text.Finish(), expected + "\u20A9!");
}

TEST(GbkOrUtf8Text, CellsBecomeTabsOnlyBeforeMoreTextOnTheLine) {
  GbkOrUtf8Text text(1 << 20);
  text.Append(u"A");
  text.CellEnd();
  text.Append(u"B");
  text.CellEnd();
  text.CellEnd();
  text.LineEnd();  // a row's empty last cells leave nothing
  text.CellEnd();
  text.Append(u"C");
  EXPECT_EQ(Utf8Of(text), "A\tB\r\n\tC");
}

TEST(GbkOrUtf8Text, AppendingAnotherKeepsItsEncoding) {
  GbkOrUtf8Text body(1 << 20), notes(1 << 20);
  body.Append(u"正文");
  notes.Append(u"注\U0001F600");
  body.Append(notes);
  EXPECT_EQ(body.encoding(), TextEncoding::kUtf8Mark);
  EXPECT_EQ(body.Finish(), "正文注😀");
  GbkOrUtf8Text a(1 << 20), b(1 << 20);
  a.Append(u"甲");
  b.Append(u"乙");
  a.Append(b);
  EXPECT_EQ(Utf8Of(a), "甲乙");
}

TEST(GbkOrUtf8Text, TheCapDropsTheRestAndSaysSo) {
  GbkOrUtf8Text text(30);  // at most 10 units (3 bytes each at worst)
  text.Append(std::u16string(8, u'字'));
  EXPECT_FALSE(text.overflowed());
  text.Append(std::u16string(3, u'字'));
  EXPECT_TRUE(text.overflowed());
  text.Append(u'x');
  EXPECT_LE(text.Finish().size(), 30u);
  EXPECT_TRUE(GbkOrUtf8Text(1).blank());
}

}  // namespace
}  // namespace folian::convert
