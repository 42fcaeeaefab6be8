// The merge of the rows' removal and the detector's, both made from one text.

#include "tidy/ad_merge.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace folian::tidy {
namespace {

using testing::G;
using testing::U;

// The merge of GBK texts: the rows' text unchanged when the detector's is
// no deletion of the text.
std::string MergeGbk(std::string_view text, std::string_view rows, std::string_view detected) {
  Ranges removed;
  std::string out(rows);
  if (DetectorRemoved(text, detected, &removed)) MergeRemovals(text, &out, removed);
  return out;
}

// text, what the rows made of it, what the detector made of it: UTF-8.
std::string Merge(std::string_view text, std::string_view rows, std::string_view detected) {
  return U(MergeGbk(G(text), G(rows), G(detected)));
}

TEST(AdMerge, KeepsWhatBothKept) {
  const std::string text = "他走到门前书包网 www.bookbao.com看了看天色。\r\n次日又来。\r\n";
  // A row took the host, the detector the whole of it with the site's name.
  EXPECT_EQ(Merge(text, "他走到门前书包网 看了看天色。\r\n次日又来。\r\n", "他走到门前看了看天色。\r\n次日又来。\r\n"),
            "他走到门前看了看天色。\r\n次日又来。\r\n");
  // The detector took the host, a row the whole slogan.
  const std::string slogan = "他走到门前，手机用户请到m.example.com阅读。看了看天色。\r\n";
  EXPECT_EQ(Merge(slogan, "他走到门前，看了看天色。\r\n", "他走到门前，手机用户请到阅读。看了看天色。\r\n"),
            "他走到门前，看了看天色。\r\n");
  // Each removed something the other did not, on different lines.
  EXPECT_EQ(Merge("甲广告一。\r\n乙。\r\n丙广告二。\r\n", "甲。\r\n乙。\r\n丙广告二。\r\n", "甲广告一。\r\n乙。\r\n丙。\r\n"),
            "甲。\r\n乙。\r\n丙。\r\n");
  // What the story goes on with also stands inside the removed piece (现 of
  // 现金 before 现在): each removal is one piece, the story's 现 stays.
  const std::string pasted = "只是不敢告老，【书友福利】看书即可得现金，关注公众号【书友大本营】可领！现在我们家里两个世袭。\r\n";
  EXPECT_EQ(Merge(pasted, "只是不敢告老，现在我们家里两个世袭。\r\n",
                  "只是不敢告老，，关注可领！现在我们家里两个世袭。\r\n"),
            "只是不敢告老，现在我们家里两个世袭。\r\n");
  EXPECT_EQ(Merge(pasted, "只是不敢告老，，关注可领！现在我们家里两个世袭。\r\n",
                  "只是不敢告老，现在我们家里两个世袭。\r\n"),
            "只是不敢告老，现在我们家里两个世袭。\r\n");
  // One of them left the text as it was: the other's text is the result.
  EXPECT_EQ(Merge(text, text, "他走到门前看了看天色。\r\n次日又来。\r\n"), "他走到门前看了看天色。\r\n次日又来。\r\n");
  EXPECT_EQ(Merge(text, "他走到门前看了看天色。\r\n次日又来。\r\n", text), "他走到门前看了看天色。\r\n次日又来。\r\n");
}

TEST(AdMerge, WholeLinesAndJoinedLines) {
  // The rows emptied a line and the detector dropped another whole.
  EXPECT_EQ(Merge("第一行。\r\n本站首发。\r\n第二行。\r\n请收藏。\r\n第三行。\r\n",
                  "第一行。\r\n\r\n第二行。\r\n请收藏。\r\n第三行。\r\n",
                  "第一行。\r\n本站首发。\r\n第二行。\r\n第三行。\r\n"),
            "第一行。\r\n\r\n第二行。\r\n第三行。\r\n");
  // The line the detector dropped begins as the next one does: each text
  // is lined up line by line, so the next line keeps its own characters.
  EXPECT_EQ(Merge("复言。\r\n    一秒记住【好书网\r\n    一日，张三不在。\r\n",
                  "复言。\r\n    【好书网\r\n    一日，张三不在。\r\n", "复言。\r\n    一日，张三不在。\r\n"),
            "复言。\r\n    一日，张三不在。\r\n");
  // The detector joined the two halves of a sentence it had cut an address
  // from; the rows changed a line elsewhere.
  EXPECT_EQ(Merge("他走到门前www.example.com\r\n看了看天色。\r\n又来了。。。\r\n",
                  "他走到门前www.example.com\r\n看了看天色。\r\n又来了…\r\n",
                  "他走到门前看了看天色。\r\n又来了。。。\r\n"),
            "他走到门前看了看天色。\r\n又来了…\r\n");
  // A paragraph the file repeats beside the one the detector cut a piece
  // from: the next copy must not be taken for the cut one (the whole
  // detection would be given up), nor a line of it lost.
  const std::string p = "众人听了，都低下头去，半晌没有人说话。\r\n";
  const std::string twice = p + "（本章未完，请翻页）\r\n" + "众人听了，都低下头去，半晌没有人说话。（本章未完，请翻页）\r\n" + p;
  EXPECT_EQ(Merge(twice, twice, p + p + p), p + p + p);
  // ...with the rows having changed the text elsewhere.
  EXPECT_EQ(Merge("又来了。。。\r\n" + twice, "又来了…\r\n" + twice, "又来了。。。\r\n" + p + p + p),
            "又来了…\r\n" + p + p + p);
}

TEST(AdMerge, WhatTheRowsRewroteStandsUnlessTheDetectorTookItAll) {
  const std::string text = "他说：“好。。。”本站网址ｘｓ。。。\r\n";
  // Both runs of dots became an ellipsis; the detector took the second
  // run with the slogan around it, so its ellipsis goes too.
  EXPECT_EQ(Merge(text, "他说：“好…”本站网址ｘｓ…\r\n", "他说：“好。。。”\r\n"), "他说：“好…”\r\n");
  // Where the detector took only part of what was rewritten, it stands.
  EXPECT_EQ(Merge("他说好。。。了\r\n", "他说好…了\r\n", "他说好。。了\r\n"), "他说好…了\r\n");
  // A character the rows put between two the detector removed goes.
  EXPECT_EQ(Merge("前ＡＢ后\r\n", "前Ａ、Ｂ后\r\n", "前后\r\n"), "前后\r\n");
}

TEST(AdMerge, CharactersAreNeverCutInHalf) {
  // 丂 is 81 40 in GBK: its second byte is the ASCII '@'. The rows took the
  // '@' after it, the detector the character before it.
  const std::string text = G("甲丂@乙");
  const std::string rows = G("甲丂乙");
  const std::string detected = G("丂@乙");
  EXPECT_EQ(U(MergeGbk(text, rows, detected)), "丂乙");
  // A lone lead byte at the end stays a character of its own.
  const std::string odd = G("甲乙") + "\x81";
  EXPECT_EQ(MergeGbk(odd, G("乙") + "\x81", G("甲乙")), G("乙"));
}

TEST(AdMerge, WhatCannotBeLinedUpIsLeftAsTheRowsMadeIt) {
  // Not a deletion of the text: the detector's result is ignored.
  Ranges removed;
  EXPECT_FALSE(DetectorRemoved(G("甲乙丙\r\n"), G("丁\r\n"), &removed));
  EXPECT_FALSE(DetectorRemoved(G("甲乙\r\n"), G("甲乙\r\n丙\r\n"), &removed));
  EXPECT_EQ(Merge("甲乙丙\r\n", "甲丙\r\n", "丁\r\n"), "甲丙\r\n");
  // What it removed, in bytes of the text.
  ASSERT_TRUE(DetectorRemoved(G("甲乙丙\r\n丁\r\n"), G("甲丙\r\n"), &removed));
  EXPECT_EQ(removed, (Ranges{{2, 4}, {8, 12}}));
  // A stretch the rows rewrote through and through (more edits than are
  // lined up) keeps the rows' writing; the lines around still merge.
  std::string long_text, long_rows;
  for (int i = 0; i < 3000; ++i) {
    long_text += "甲乙";
    long_rows += "丙丁";
  }
  const std::string text = "广告。\r\n" + long_text + "\r\n尾。\r\n";
  EXPECT_EQ(Merge(text, "广告。\r\n" + long_rows + "\r\n尾。\r\n", long_text + "\r\n尾。\r\n"),
            long_rows + "\r\n尾。\r\n");
  // A changed stretch of megabytes (one endless line) is left as the rows
  // made it, without lining it up.
  std::string endless(std::size_t{5} << 20, 'a');
  std::string endless_rows = endless;
  endless_rows.replace(100, 3, "");
  std::string endless_detected = endless;
  endless_detected.replace(200, 5, "");
  EXPECT_EQ(MergeGbk(endless, endless_rows, endless_detected), endless_rows);
  EXPECT_EQ(MergeGbk("", "", ""), "");
  EXPECT_EQ(Merge("甲\n乙", "甲\n", "乙"), "");
}

}  // namespace
}  // namespace folian::tidy
