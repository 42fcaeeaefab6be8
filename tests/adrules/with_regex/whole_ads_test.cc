// The built-in table against the shapes download sites really paste into a
// paragraph: each ad must go whole, separators and junk included, and leave
// the story around it as it was. Host spellings and watermark spellings are
// combined freely here, so a row that only fits one inserted string (or a
// reordering that lets an earlier row cut a later one apart) shows up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charset/codepage.h"
#include "tidy/ad_removal.h"
#include "tidy/rule_table.h"
#include "tidy/tidy_text.h"

namespace folian::tidy {
namespace {

// A file these sites have been through names a flagged host somewhere (here
// in a line of its own, which goes too), so it is scanned in folded form:
// letters in lower case, blanks dropped. The rows are written for that form.
constexpr const char* kSiteLine = "TXT小说天堂  http://www.xiaoshuotxt.net\r\n";

// Tidies one paragraph of such a file with default options through both
// engines, insists they agree and returns the UTF-8 paragraph.
std::string TidyParagraph(const std::string& utf8) {
  static const AdRemover remover(BuiltinRules());
  std::string out[2];
  for (int e = 0; e < 2; ++e) {
    TidyParams params;
    params.engine = e == 0 ? AdEngine::kReference : AdEngine::kFast;
    params.remover = &remover;
    auto r = TidyText(charset::Utf8ToGbk(kSiteLine + utf8 + "\r\n"), TidyOptions{}, BuiltinRules(), params);
    EXPECT_TRUE(r.has_value());
    out[e] = r ? charset::GbkToUtf8(*r) : std::string();
    out[e].erase(0, out[e].find_first_not_of("\r\n"));
    out[e].erase(out[e].find_last_not_of("\r\n") + 1);
  }
  EXPECT_EQ(out[1], out[0]) << utf8;
  return out[0];
}

constexpr const char* kBefore = "那怪展长枪，";
constexpr const char* kAfter = "劈手相迎。";

void ExpectGoneWhole(const std::vector<std::string>& ads) {
  for (const std::string& ad : ads)
    EXPECT_EQ(TidyParagraph(kBefore + ad + kAfter), std::string(kBefore) + kAfter) << ad;
}

// The txt小说天堂 site: its host written with whatever separators, followed by
// its name in one of the junk spellings it rotates through.
TEST(WholeAds, TxtTiantangHostWithAnyWatermark) {
  const std::vector<std::string> hosts = {
      "www.xiaoshuotxt.net", "www/xiaoshuotxt/n e t", "wwＷ、xiaoshuotxt=net", "wＷw：xiaoshuotxt？net",
      "www-xiaoshuotxt-net", "ww　w.xＩaoshuotxt.。net", "w w w. xiao shuotxt. n et"};
  const std::vector<std::string> marks = {
      "｛t｝｛xt｝｛小｝｛说｝｛天｝｛堂", "（／t／／xt｜小／／说／//天//堂）", "《t》xt小说天堂",
      "［t.xt小，说［天堂｝",           "^t*xt-。小%说天.堂",             "＃txt＄！小＠说天＾堂＆",
      "t(xＴ小说\"//天,堂/",            "．t．xt．．小．说．天．堂．",   "。txt小./说天堂",
      "t××xt×小×说××天×堂",             "**t*xt小*说**天*堂",             "t/x/t小.说。天.堂"};
  std::vector<std::string> ads;
  for (const auto& h : hosts)
    for (const auto& m : marks) ads.push_back(h + m);
  // The same watermarks also come first, after the site's long dash rule.
  for (const auto& m : {"t/x/t小.说。天.堂", "t。xt-小.说。天/堂", "（／t／／xt｜小／／说／//天//堂）"})
    ads.push_back(std::string("——————————————————————————") + m + "wwＷ。xiaoshuotxt=net");
  ExpectGoneWhole(ads);
}

// A quote before the junk turns into an opening or a closing one depending
// on the quotes the paragraph already had; both must go.
TEST(WholeAds, WatermarkJunkAfterEitherQuote) {
  EXPECT_EQ(TidyParagraph("他道：“夯货！显甚么魂？www.xiaoshuotxt。nett(xＴ小说\"//天,堂/这不是师父来了？”"),
            "他道：“夯货！显甚么魂？这不是师父来了？”");
  EXPECT_EQ(TidyParagraph("显甚么魂？www.xiaoshuotxt。nett(xＴ小说\"//天,堂/这不是师父来了？"),
            "显甚么魂？这不是师父来了？");
}

TEST(WholeAds, SiteNamesSpeltWithJunkTakeTheirDecoration) {
  ExpectGoneWhole({"___小/说/巴/士 www.XSBASHI.com___", "》乐>文》小说", "｀乐｀文｀小说｀", "︾樂︾文︾小︾说|",
                   "wＡp．1６k．c n", "Wap．16 Ｋ．Ｃn", "--小-说-www-23wx-com"});
}

// Slogans whose wording is fixed around a site's name or host: the fixed
// pieces, the name and the host each go, with the punctuation between them.
TEST(WholeAds, SloganTemplatesWithAnySite) {
  ExpectGoneWhole({
      "您可以按\"CRTLD\"将\"傲宇阁\"加入收藏夹！方便下次阅读。",
      "您可以按\"CRTLD\"将\"云来阁\"加入收藏夹！方便下次阅读。",
      "云来阁，无弹窗，更新快，记住www.yunlaige.com",
      "妙笔阁，无弹窗，更新快，记住www.miaobige.com",
      "请大家搜索（书迷楼）看最全！更新最快的小说",
      "请大家搜索（云来阁）看最全！更新最快的小说",
      "下书网 手机端免费下载txt http://m.xiabook.com",
      "手机用户请到m.qidian.com阅读。",
      "本文由　。。　首发",
      "http://wap.du.la/",
  });
}

TEST(WholeAds, SloganFamiliesWithTheirPunctuation) {
  ExpectGoneWhole({
      "破防盗章节，请用搜索引擎搜索关键词",
      "请用搜索引擎完美破防盗章节，各种小说任你观看",
      "破防盗完美章节，请用搜索引擎各种小说任你观看",
      "手机用户看请浏览，更优质的用户体验。",
      "+ 加入书签 +",
      "§推荐一个无广告的小说站 §",
      "@无限好文，尽在晋江文学城",
      "广个告，【】真心不错，值得装个，毕竟可以缓存看书，离线朗读！",
      "推荐下，我最近在用的看书app，【】书源多，书籍全，更新快！",
      ",举报后维护人员会在两分钟内校正章节内容,请耐心等待,并刷新页面。",
      "章节错误,点此举报(免注册)我们会尽快处理.举报后请耐心等待,并刷新页面。",
      "本章节内容更新中...",
      "(无弹窗全文阅读)",
      "小说分类：.",
      "领取红包，请下载爱阅app免费看最新内容。",
  });
}

// Story text that merely resembles the pieces stays.
TEST(WholeAds, StoryPunctuationAndWordsStay) {
  for (const char* s : {"他道：“天，堂上坐的是谁？”", "小/说/两字写在纸上。",
                        "作者：罗贯中", "他搜索关键词句，"}) {
    std::string t = s;
    EXPECT_EQ(TidyParagraph(t), t);
  }
}

}  // namespace
}  // namespace folian::tidy
