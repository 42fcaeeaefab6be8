// The advertisement detector on its own: advertising it must take (whole
// lines, pieces of paragraphs, traditional script, deformed spellings),
// story it must keep (dialogue about websites, updates, chapters, phones and
// QQ; rare characters spelt out in brackets; laughs), and the records it
// keeps of what it took. The strings are written for these tests.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "tidy/ad_detector.h"
#include "tidy/ad_glyphs.h"
#include "tidy/ad_shapes.h"
#include "tidy/ad_vocabulary.h"
#include "test_support.h"

namespace folian::tidy {
namespace {

using testing::G;
using testing::U;

// Runs the detector on UTF-8 lines (joined with CR LF) and gives the result as UTF-8.
std::string Detect(std::string_view utf8, std::vector<DetectedAd>* found = nullptr) {
  std::string gbk = G(utf8);
  RemoveDetectedAds(gbk, found);
  return U(gbk);
}

// A paragraph of story long enough that a line holding it is never removed whole.
constexpr std::string_view kStory =
    "那老者拄着拐杖慢慢走到门前，看了看天色，叹一口气道：今年的雨水来得迟，田里的秧苗都黄了，"
    "只怕秋后又要挨饿。众人听了，都低下头去，半晌没有人说话。";

TEST(AdDetector, RemovesWholeAdvertisingLines) {
  const std::string story = std::string(kStory);
  const char* ads[] = {
      "本站网址：www.example-novels.com 请收藏",
      "最新章节请到好书阁阅读，手机阅读更方便",
      "【求推荐票，求月票，求收藏】",
      "关注公众号，书友群QQ群：123456789",
      "（本章未完，请翻到下一页继续阅读）",
      "免费全文阅读，无弹窗，更新最快",
      "手机最省流量，无广告的站点",
      "作者有话说：求收藏，求推荐",
      "本书由网友收集整理，仅供交流学习，请勿用于商业用途，版权归原作者所有",
      "今天码字到深夜，加更明天补上，感谢读者们点赞",
      // Shared words alone, in a line that ends in no mark.
      "青鸟免费小说天天有",
  };
  for (const char* ad : ads) {
    const std::string in = story + "\r\n" + ad + "\r\n" + story + "\r\n";
    EXPECT_EQ(Detect(in), story + "\r\n" + story + "\r\n") << ad;
  }
}

TEST(AdDetector, RemovesTraditionalScriptAdvertising) {
  const std::string story = std::string(kStory);
  const char* ads[] = {
      "請記住本站網址，手機閱讀更方便",
      "最新章節請到書城閱讀，免費全文閱讀",
      "（本章未完，請點擊下一頁繼續）",
      "手機最省流量，無廣告的站點",
      "本書由網友收集整理，僅供交流學習，請勿用於商業用途，版權歸原作者所有",
  };
  for (const char* ad : ads) {
    const std::string in = story + "\r\n" + ad + "\r\n" + story + "\r\n";
    EXPECT_EQ(Detect(in), story + "\r\n" + story + "\r\n") << ad;
  }
}

// A traditional text takes a stretch in simplified characters for pasted
// in, wherever its own script stands around it; a chapter the file has in
// simplified characters, and two simplified forms, stay.
TEST(AdDetector, StretchesInTheOtherScriptGo) {
  const std::string t1 =
      "那老者拄著柺杖慢慢走到門前，看了看天色，嘆一口氣道：今年的雨水來得遲，田裡的秧苗都黃了，"
      "只怕秋後又要挨餓。眾人聽了，都低下頭去，半晌沒有人說話。";
  const std::string t2 =
      "兩個秀才拿班做勢，在館裡又不肯來。過了幾日，整治一席酒，請二位舅爺來致謝，衙門裡使費共用去了十幾兩銀子。";
  const std::string s2 =
      "两个秀才拿班做势，在馆里又不肯来。过了几日，整治一席酒，请二位舅爷来致谢，衙门里使费共用去了十几两银子。";
  std::string head, simplified_head;
  for (int i = 0; i < 7; ++i) {
    head += t1 + "\r\n" + t2 + "\r\n";
    simplified_head += std::string(kStory) + "\r\n" + s2 + "\r\n";
  }
  // No word of the list in it: only its script tells.
  const std::string ad = "欢迎各位亲们常来这里看书";
  const std::string cut = "那老者拄著柺杖慢慢走到門前，看了看天色，嘆一口氣";
  const std::string rest = t1.substr(cut.size());
  std::vector<DetectedAd> found;
  EXPECT_EQ(Detect(head + cut + ad + rest + "\r\n", &found), head + t1 + "\r\n");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NE(found[0].shapes & kShapeOtherScript, 0u);
  // The sentence end and symbols after the stretch go with it; a sentence
  // end that the story's closing quote follows stays.
  EXPECT_EQ(Detect(head + cut + ad + "！^0^" + rest + "\r\n"), head + t1 + "\r\n");
  EXPECT_EQ(Detect(head + "眾人道：“我們都聽見了" + ad + "。”\r\n"), head + "眾人道：“我們都聽見了。”\r\n");
  EXPECT_EQ(Detect(head + ad + "\r\n" + t1 + "\r\n"), head + t1 + "\r\n");
  // A simplified text is not searched for traditional stretches (its
  // advertising seldom is traditional; the search would cost every line).
  const std::string cut_s = "那老者拄着拐杖慢慢走到门前，看了看天色，叹一口气";
  const std::string rest_s = std::string(kStory).substr(cut_s.size());
  const std::string traditional_in = simplified_head + cut_s + "歡迎各位親們常來這裡看書" + rest_s + "\r\n";
  EXPECT_EQ(Detect(traditional_in), traditional_in);
  // Stays: two simplified forms (幸瞻丰采), a chapter in simplified
  // characters, the same words in a simplified text.
  const std::string rare = head + "晚生久聞大名，今日幸瞻丰采，真是三生有幸。\r\n";
  EXPECT_EQ(Detect(rare), rare);
  const std::string chapter = head + std::string(kStory) + "\r\n" + ad + "。\r\n" + std::string(kStory) + "\r\n";
  EXPECT_EQ(Detect(chapter), chapter);
  const std::string simplified = simplified_head + "那老者拄着拐杖" + ad + "，看了看天色。\r\n";
  EXPECT_EQ(Detect(simplified), simplified);
}

TEST(AdDetector, KeepsStoryAboutWebsitesUpdatesChaptersPhonesAndQq) {
  const char* lines[] = {
      "“我昨晚在网站上看见那部小说又更新了，新的一章写得真好。”她笑着说。",
      "他掏出手机，给老同学发了一条QQ消息，约他明天去书店。",
      "“你的QQ号是多少？我加你。”",
      "这本书一共三十个章节，作者每天更新一章，从不间断。",
      "“网站又打不开了。”",
      "他打开手机，看了看那个网站的更新，又翻到下一章节。",
      "“更新了吗？”",
      "手机响了。",
      "他在网上搜索了半天，也没有找到那本书的下载地址。",
      "第三章 网站",
      "第十二回 书生进京",
      "却说那金圣宫娘娘往前正走，各要小心火烛，谨防盗贼，遂与娘娘径往后宫。",
      "哈~哈~哈~",
      "将精兵伏于(舟冓)(舟鹿)之中，令太子孙(上雨下单)出拜。",
      "枕霞旧友",
      "诗曰：",
      "……",
      "——",
      "“来~呀~快~来~”",
      "他把那份文件删除了，又给出版社的编辑打了个电话。",
      "书名是《红楼梦》，作者是曹雪芹，分类是小说。",
      "那份东西仅供参考，请勿外传。",
      "他/她/它都一样，三-五-八也一样。",
      "他在书单上添了几个名字，又给报上的读者写了一封回信，评论那部小说。",
      // Marks of the story's own between Han characters: a pause, a rule,
      // a missing character, a slash after a word.
      "他想了想......又摇摇头--走了。",
      "奖□戚威柄，新/旧两派，好~~好。",
      "“你装个app看看。”他说。",
      "这个网站的小说更新得很快，章节也多。",
      "他笑道：“那个网站上的书更新得可真快，章节也全。”",
      "你可以用我的手机看看最新的消息。",
  };
  std::string in;
  for (const char* l : lines) in += std::string(l) + "\r\n";
  std::vector<DetectedAd> found;
  EXPECT_EQ(Detect(in, &found), in);
  for (const DetectedAd& ad : found) ADD_FAILURE() << U(ad.text);
}

TEST(AdDetector, RemovesPiecesInsideParagraphsAndKeepsTheStoryAroundThem) {
  // An address, a name spelt with junk, a bracketed slogan and an unbracketed
  // one, each put into the story at a character that is no clause's end.
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"那老者拄着拐杖慢慢走到门前www.example-novels.com，看了看天色。",
       "那老者拄着拐杖慢慢走到门前，看了看天色。"},
      {"那老者拄着拐杖慢~好~看~小~说~网~慢走到门前，看了看天色。",
       "那老者拄着拐杖慢慢走到门前，看了看天色。"},
      {"那老者拄着拐杖慢慢【本站首发，最新章节请收藏】走到门前，看了看天色。",
       "那老者拄着拐杖慢慢走到门前，看了看天色。"},
      {"那老者拄着拐杖慢慢走到门前，手机用户请到本站阅读最新章节，看了看天色。",
       "那老者拄着拐杖慢慢走到门前，看了看天色。"},
      // Single characters between symbols; title marks that enclose no title.
      {"那老者拄着拐杖慢》好>书》慢走到门前，看了看天色。", "那老者拄着拐杖慢慢走到门前，看了看天色。"},
      {"那老者拄着拐杖慢慢*看+書*走到门前，看了看《西游记》。", "那老者拄着拐杖慢慢走到门前，看了看《西游记》。"},
      {"那老者拄着拐杖慢慢走到门前妙@書&阁，看了看天色。", "那老者拄着拐杖慢慢走到门前，看了看天色。"},
      // A disclaimer's run of words takes its clauses; so does a slogan of
      // glue words around a site's name (traditional script too).
      {"那老者拄着拐杖慢慢走到门前，侵权请联系删除，下载后请于24小时内删除，看了看天色。",
       "那老者拄着拐杖慢慢走到门前，看了看天色。"},
      {"那老者拄着拐杖慢慢走到门前，侵權請聯繫刪除，下載後請於24小時內刪除，看了看天色。",
       "那老者拄着拐杖慢慢走到门前，看了看天色。"},
      {"那老者拄着拐杖慢慢走到门前更多精彩小说尽在好书屋看了看天色。", "那老者拄着拐杖慢慢走到门前看了看天色。"},
      // Symbols among the words lower what they must weigh.
      {"那老者拄着拐杖慢慢走到门前，好书@首发，看了看天色。", "那老者拄着拐杖慢慢走到门前，看了看天色。"},
      // What a rule left of a pasted line: its lead and the symbols after
      // it, doubled commas after its words, a Latin word of advertising.
      {"那老者拄着拐杖慢慢走到门前请点击--.看了看天色。", "那老者拄着拐杖慢慢走到门前看了看天色。"},
      {"那老者拄着拐杖慢慢走到门前最快新—x.看了看天色。", "那老者拄着拐杖慢慢走到门前看了看天色。"},
      {"那老者拄着拐杖慢慢走到门前好书网 .看了看天色。", "那老者拄着拐杖慢慢走到门前好看了看天色。"},
      {"那老者拄着拐杖慢慢走到门前``看了看天色。", "那老者拄着拐杖慢慢走到门前看了看天色。"},
      {"那老者拄着拐杖慢慢走到门前您已阅读到本章節，，，，看了看天色。", "那老者拄着拐杖慢慢走到门前您已看了看天色。"},
      {"那老者拄着拐杖慢慢走到门前app看了看天色。", "那老者拄着拐杖慢慢走到门前看了看天色。"},
      {"宝玉听说：笑道：“这有何难。”", "宝玉听说：笑道：“这有何难。”"},
      // (The labels' clause goes with its comma.)
      {"那老者拄着拐杖慢慢走到门前出处：体裁：，看了看天色。", "那老者拄着拐杖慢慢走到门前看了看天色。"},
      // An advertising label's value goes with it: a number or an account
      // up to the story glued after it, a short name up to its clause's end;
      // speech, a sentence or a long run after the colon stays.
      {"那老者拄着拐杖慢慢走到门前更新时间:2012-10-17 本章字数:832看了看天色。",
       "那老者拄着拐杖慢慢走到门前看了看天色。"},
      {"那老者拄着拐杖慢慢走到门前，微信公众号：haoshu_wu2024，看了看天色。", "那老者拄着拐杖慢慢走到门前，看了看天色。"},
      {"那老者拄着拐杖慢慢走到门前，关注公众号名称：好书小屋，看了看天色。", "那老者拄着拐杖慢慢走到门前，看了看天色。"},
      {"那老者拄着拐杖慢慢走到门前，书友群：“门前的老槐树”，看了看天色。",
       "那老者拄着拐杖慢慢走到门前，书友群：“门前的老槐树”，看了看天色。"},
      {"那老者拄着拐杖慢慢走到门前，本站首发：老者看了看天色，叹一口气。",
       "那老者拄着拐杖慢慢走到门前，老者看了看天色，叹一口气。"},
      {"那老者拄着拐杖慢慢走到门前，本站首发：他笑了，叹一口气。", "那老者拄着拐杖慢慢走到门前，他笑了，叹一口气。"},
      {"那老者说道：名字：张三，时间：三更，看了看天色。", "那老者说道：名字：张三，时间：三更，看了看天色。"},
      // A glue word that story characters part from the advertisement is
      // the story's (你先请罢 after an address).
      {"紫鹃道：“林奶奶，无错小说 www.example.com你先请罢！等着人死了，我们自然是出去的。”",
       "紫鹃道：“林奶奶，你先请罢！等着人死了，我们自然是出去的。”"},
      {"那老者拄着拐杖慢慢走到门前，全文字更新，牢记网址：等到天亮，看了看天色。",
       "那老者拄着拐杖慢慢走到门前，等到天亮，看了看天色。"},
      {"那老者笑曰最新章节全文阅读【首发】：“今年的雨水来得迟。”", "那老者笑曰：“今年的雨水来得迟。”"},
      // A sentence's end right after the bracket the advertisement closed is
      // the story's.
      {"那老者拄着拐杖慢慢走到门前《最快更新小说站：好书阁http://WWW.HaoShuGe.COM》。看了看天色。",
       "那老者拄着拐杖慢慢走到门前。看了看天色。"},
      // The story's character glued to an address's letters, or beside a
      // deformed name's last piece, stays.
      {"沙僧听得是通关文www。example。net牒，止不住近前厉声高叫。", "沙僧听得是通关文牒，止不住近前厉声高叫。"},
      {"真仙闻言，满怀春意，小＠说天＾堂＆笑盈盈一阵威风，挺如意钩子。", "真仙闻言，满怀春意，笑盈盈一阵威风，挺如意钩子。"},
      // Speech the advertisement was pasted at the end or start of keeps
      // its quote marks; an advertisement quoted whole goes with them.
      {"先主曰：“朕正欲观汝壮气，今日便随你去。t xt＋小＜说＋天＞堂ＷＷＷ.example.net”即命关兴前往，不在话下。",
       "先主曰：“朕正欲观汝壮气，今日便随你去。”即命关兴前往，不在话下。"},
      {"大圣道：“变罢了，永不清平！www。example。nett/xt.小/说.天+堂”佛祖道：“你除了生长变化之法。”",
       "大圣道：“变罢了，永不清平！”佛祖道：“你除了生长变化之法。”"},
      {"那老者拄着拐杖慢慢走到门前，看了看天色。“www.example-novels.com你来了。”",
       "那老者拄着拐杖慢慢走到门前，看了看天色。“你来了。”"},
      // A name spelt a character at a time, then two characters before a
      // clause's end: those are the story's.
      {"马二先生要进︾乐︾文︾小︾说|去看，管门的问他要了一个钱。", "马二先生要进去看，管门的问他要了一个钱。"},
      // A site's tag whose closing bracket went: the bracket and the name.
      {"那老者拄着拐杖慢慢走到门前【青鸟阁看了看天色。", "那老者拄着拐杖慢慢走到门前看了看天色。"},
      {"他抬头看见门匾上写着【青鸟阁】三个大字。", "他抬头看见门匾上写着【青鸟阁】三个大字。"},
      // A bracket opened before a piece and never closed, or closed after
      // one and never opened, with a few characters between: the
      // advertisement's own. More story before the closing one stays.
      {"那老者拄着拐杖慢慢走到门前（下回再说www.example-novels.com看了看天色。",
       "那老者拄着拐杖慢慢走到门前看了看天色。"},
      {"宝玉听了便问袭人www.bookfree-site.net请上）今日可曾来过。", "宝玉听了便问袭人今日可曾来过。"},
      {"八戒道：“我不曾说谎abc.example.org哥哥休怪）。”", "八戒道：“我不曾说谎哥哥休怪）。”"},
      // A bracket padded with blanks is still the advertisement's first
      // mark: the story before it stays.
      {"只教他送师父过河，再做理[ 免费无广告，书架自动追更，百万书库 mjjxs.example.com 啥书都能找到 ]会。",
       "只教他送师父过河，再做理会。"},
      // The story's own brackets around an address pasted into them, the
      // story resuming glued to its letters: the address goes.
      {"他抬头看那匾上写着万象争辉（TXT小说天堂 http://www.example-novels.net匾额）四个大字。",
       "他抬头看那匾上写着万象争辉（匾额）四个大字。"},
      // The comma between the story before it and after it is the story's.
      {"至掌灯时，凤姐卸了妆www.example.net＃txt＄！小＠说天＾堂＆，来见王夫人，回说了几句话。",
       "至掌灯时，凤姐卸了妆，来见王夫人，回说了几句话。"},
      {"那老者拄着拐杖慢慢走到门前“www.example-novels.com”，看了看天色。",
       "那老者拄着拐杖慢慢走到门前，看了看天色。"},
  };
  for (const auto& c : cases) EXPECT_EQ(Detect(c.in), c.out) << c.in;
}

TEST(AdDetector, ACopyOfARepeatedPassageTakesNoStoryBesideIt) {
  // The same slogan pasted three times, twice right after a clause's first
  // character (纷 of 纷纷, 方 of 方才): the slogan's clause would take that
  // character, but the copies show where the slogan begins.
  const std::string ad = "请到好书阁看破防盗章节，各种小说随便看";
  const std::string in = "有说该用补药的；纷" + ad + "纷不一。众人都慌了。\r\n" + "那老者笑道：好！方" + ad +
                         "才说到哪里了？\r\n" + "他又看了一眼" + ad + "门外的天色。\r\n";
  EXPECT_EQ(Detect(in), "有说该用补药的；纷纷不一。众人都慌了。\r\n那老者笑道：好！方才说到哪里了？\r\n"
                        "他又看了一眼门外的天色。\r\n");
}

TEST(AdDetector, ALineJudgedAdvertisingKeepsTheStoryItBeganOrEndedWith) {
  const std::string ad = "【告知书友，时代在变化，免费站点难以长存，手机app多书源站点切换看书";
  // Clauses of story before the advertisement's first mark, and a long run
  // after its last word (the next line, glued on where the line broke).
  EXPECT_EQ(Detect("笔墨纸张都预备好了，事不宜迟，" + ad + "\r\n"), "笔墨纸张都预备好了，事不宜迟，\r\n");
  EXPECT_EQ(Detect(ad + "那老者拄着拐杖慢慢走到门前，看了看天色。\r\n"), "那老者拄着拐杖慢慢走到门前，看了看天色。\r\n");
  // A short clause before it stays when it ended (a name before a mark is
  // the advertisement's: see the ruins beside titles).
  EXPECT_EQ(Detect("事不宜迟，" + ad + "\r\n"), "事不宜迟，\r\n");
  // So does one that holds a clause's end (a wrap broke its sentence off).
  EXPECT_EQ(Detect("小姐，又道" + ad + "\r\n"), "小姐，又道\r\n");
  // So does a short head that no mark ended when the paragraph's story
  // goes on after the advertisement: it was pasted into the paragraph.
  EXPECT_EQ(Detect("上有六张" + ad + "！交椅，两山头挂着四季吊屏。\r\n"), "上有六张交椅，两山头挂着四季吊屏。\r\n");
  // Han characters alone after the bracket that closed it, to the line's
  // end: the wrapped paragraph going on (the next line carries the rest).
  const std::string unopened = ad.substr(std::string_view("【").size());
  EXPECT_EQ(Detect(unopened + "】次日\r\n"), "次日\r\n");
  EXPECT_EQ(Detect(unopened + "】替他扬名，国家\r\n"), "替他扬名，国家\r\n");
  // A name after the bracket is the advertisement's word, and goes.
  EXPECT_EQ(Detect(unopened + "】小说网\r\n"), "");
}

TEST(AdDetector, QuotedSpeechNeedsMoreThanAFewWords) {
  // The same words in a character's mouth stay; an address in it does not.
  EXPECT_EQ(Detect("他说：“你去本站看最新章节吧。”\r\n"), "他说：“你去本站看最新章节吧。”\r\n");
  // Marks curled the wrong way round still alternate: speech stays speech,
  // and the narration after it is judged as narration.
  EXPECT_EQ(Detect("他说：”你去本站看最新章节吧。“\r\n"), "他说：”你去本站看最新章节吧。“\r\n");
  EXPECT_EQ(Detect("他说：““你去本站看最新章节吧。”\r\n"), "他说：““你去本站看最新章节吧。”\r\n");
  EXPECT_EQ(Detect("他说：“好。“他走到门前本站首发看了看天色。\r\n"),
            "他说：“好。“他走到门前看了看天色。\r\n");
  EXPECT_EQ(Detect("他说：“你去www.example-novels.com看吧。”\r\n"), "他说：“你去看吧。”\r\n");
  // Blanks or symbols among the words: pasted in, not spoken.
  EXPECT_EQ(Detect("他说：“你去百度搜索 好书名看吧。”\r\n"), "他说：“你去看吧。”\r\n");
  EXPECT_EQ(Detect("他说：“你去百度搜索&好書名看吧。”\r\n"), "他说：“你去看吧。”\r\n");
  EXPECT_EQ(Detect("他说：“网站~更新了吗？”\r\n"), "他说：“网站~更新了吗？”\r\n");
  // So are brackets the story does not write; its own keep the words.
  EXPECT_EQ(Detect("他道：“此事(首发好书请看)不可。”\r\n"), "他道：“此事不可。”\r\n");
  EXPECT_EQ(Detect("他道：“此事（首发好书请看）不可。”\r\n"), "他道：“此事（首发好书请看）不可。”\r\n");
}

TEST(AdDetector, TitlesStayUnlessAdvertisingFillsThem) {
  EXPECT_EQ(Detect("第五章 书城奇遇\r\n"), "第五章 书城奇遇\r\n");
  // Advertising put after a title goes; the title stays.
  EXPECT_EQ(Detect("第五章 免费阅读\r\n"), "第五章\r\n");
  EXPECT_EQ(Detect("第章免费阅读\r\n"), "");
  EXPECT_EQ(Detect("第五章 开始www.example-novels.com\r\n"), "第五章 开始\r\n");
}

TEST(AdDetector, ShortLinesBesideTitlesAndRepeatedLines) {
  const std::string story = std::string(kStory);
  // One strong word in a short line is not enough in the middle of a chapter...
  const std::string line = "首发当日众人争相传阅此篇";
  EXPECT_EQ(Detect(story + "\r\n" + line + "\r\n" + story + "\r\n"),
            story + "\r\n" + line + "\r\n" + story + "\r\n");
  // ...but beside a title it is, and so in a line the file repeats.
  EXPECT_EQ(Detect("\r\n第一章 开始\r\n\r\n" + line + "\r\n" + story + "\r\n"),
            "\r\n第一章 开始\r\n\r\n" + story + "\r\n");
  EXPECT_EQ(Detect(story + "\r\n" + line + "\r\n" + story + "\r\n" + line + "\r\n" + story + "\r\n"),
            story + "\r\n" + story + "\r\n" + story + "\r\n");
  // A short sentence of the story stays beside a title and repeated.
  const std::string phone = "\r\n第一章 开始\r\n\r\n手机响了。\r\n" + story + "\r\n手机响了。\r\n";
  EXPECT_EQ(Detect(phone), phone);
  // Two characters and a word of some weight without a sentence end: a
  // ruin; so are a card of labels and shared words around an update's stamp.
  // Also labels with no values and no word of the list, a title and a
  // bracket making up a line, symbols after a short line's sentence end.
  for (const char* ruin : {"版权：分类：", "作者：分类：", "作者：分類：", "作者：某甲 类别：武侠 字数：三十万",
                           "本书更新于2031-7-9 18:05，欢迎各位读者朋友来看", "出处：体裁： 篇幅：",
                           "《星河物语》(上+下 合订)【珍藏版】", "亲，这一回看完了，祝您阅读开心！^_^"})
    EXPECT_EQ(Detect(story + "\r\n" + ruin + "\r\n" + story + "\r\n"), story + "\r\n" + story + "\r\n") << ruin;
  // A book's author line is no ruin, nor a sentence naming the book, nor a
  // time in the story.
  for (const char* own : {"作者：罗贯中", "书名：红楼梦，作者：曹雪芹。", "他说：“作者：某某。”", "到了7:30，会议开始",
                          "正是：", "宝玉听说：笑道：", "《西游记》（一）", "万象争辉（匾额）", "他笑着点了点头。^_^", "那一年是1987年"}) {
    const std::string in = story + "\r\n" + own + "\r\n" + story + "\r\n";
    EXPECT_EQ(Detect(in), in) << own;
  }
}

TEST(AdDetector, ABareLineNamedLikeASiteGoes) {
  const std::string story = std::string(kStory);
  std::vector<DetectedAd> found;
  for (const char* name : {"青竹移动网", "松风书屋", "闲云小说站", "墨香书阁", "飞鸟书吧"}) {
    found.clear();
    EXPECT_EQ(Detect(story + "\r\n" + name + "\r\n" + story + "\r\n", &found), story + "\r\n" + story + "\r\n")
        << name;
    ASSERT_EQ(found.size(), 1u) << name;
    EXPECT_NE(found[0].shapes & kShapeSiteName, 0u) << name;
  }
  // Speech ending in 吧, an inscription, a name too long for a site's, a
  // sentence that ends in 网, a title and a line with a mark all stay.
  for (const char* own : {"算了吧", "咱们走吧", "有凤来仪", "黄鹤楼", "天下英雄尽入彀中如同一张天罗地网",
                          "撒下天罗地网。", "第三章 天网", "“我的书屋”"}) {
    const std::string in = story + "\r\n" + own + "\r\n" + story + "\r\n";
    EXPECT_EQ(Detect(in), in) << own;
  }
}

TEST(AdDetector, CopiesOfALineThatWentWholeGoFromTheParagraphsToo) {
  const std::string story = std::string(kStory);
  const std::string head = "那老者拄着拐杖慢慢走到门前，看了看天色，";
  const std::string tail = "叹一口气道：今年的雨水来得迟，田里的秧苗都黄了，只怕秋后又要挨饿。";
  // A site's name, Han characters only, pasted into a paragraph before and
  // after the line that holds it alone.
  {
    const std::string in = head + "青竹移动网" + tail + "\r\n" + story + "\r\n青竹移动网\r\n" + head + "青竹移动网" +
                           tail + "\r\n";
    std::vector<DetectedAd> found;
    EXPECT_EQ(Detect(in, &found), head + tail + "\r\n" + story + "\r\n" + head + tail + "\r\n");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(U(found[0].text), "青竹移动网");
    EXPECT_FALSE(found[0].whole_line);
    EXPECT_NE(found[0].shapes & kShapeSiteName, 0u);
  }
  // A slogan the detector takes as a line, spelt with junk: its copy inside
  // a paragraph, where it would pass for a clause, goes with it.
  {
    const std::string ad = "—青—竹—小说";
    const std::string in = head + ad + tail + "\r\n" + story + "\r\n" + ad + "\r\n" + story + "\r\n";
    EXPECT_EQ(Detect(in), head + tail + "\r\n" + story + "\r\n" + story + "\r\n");
  }
  // The story's own lines are no house lines: a short sentence on a line of
  // its own and again inside a paragraph stays both times.
  {
    const std::string own = "他笑了笑，转身走了。";
    const std::string in = story + "\r\n" + own + "\r\n" + head + own + tail + "\r\n";
    EXPECT_EQ(Detect(in), in);
  }
}

TEST(AdDetector, ShortLinesWithJunkGoWhenTheFileRepeatsThem) {
  const std::string story = std::string(kStory);
  // Once it may be anything; repeated, it is the site's.
  const std::string h = "谁说晴天不下雨xyz书屋+.";
  EXPECT_EQ(Detect(story + "\r\n" + h + "\r\n" + story + "\r\n"), story + "\r\n" + h + "\r\n" + story + "\r\n");
  EXPECT_EQ(Detect(story + "\r\n" + h + "\r\n" + story + "\r\n" + h + "\r\n"), story + "\r\n" + story + "\r\n");
  // The story's own repeated lines stay: plain words, or a sentence ended.
  for (const char* own : {"诗曰：", "有诗为证：", "他笑道:好!"}) {
    const std::string in = story + "\r\n" + own + "\r\n" + story + "\r\n" + own + "\r\n";
    EXPECT_EQ(Detect(in), in) << own;
  }
}

TEST(AdDetector, LinesRepeatedThreeTimesWithSharedWordsGo) {
  const std::string story = std::string(kStory);
  auto repeated = [&](const std::string& line, int copies) {
    std::string in;
    for (int k = 0; k < copies; ++k) in += story + "\r\n" + line + "\r\n";
    return in + story + "\r\n";
  };
  std::string three_stories;
  for (int k = 0; k < 4; ++k) three_stories += story + "\r\n";
  // Words stories share (用户, 免费) are not enough once or twice; a third
  // copy makes the line the site's.
  const std::string house = "活动期间用户还可以免费看更多好故事";
  EXPECT_EQ(Detect(repeated(house, 2)), repeated(house, 2));
  EXPECT_EQ(Detect(repeated(house, 3)), three_stories);
  // Pasted inside paragraphs: three copies may be the story's own sentence,
  // four or more are the site's.
  const char* before[] = {"众人听了，都低下头去", "那少年站起身来", "老者叹了一口气", "窗外的风渐渐停了", "天色将晚"};
  const char* after[] = {"半晌没有人说话。", "向老者作了一揖。", "转身进屋去了。", "院里一片寂静。", "炊烟四起。"};
  auto inline_copies = [&](int copies, const std::string& pasted) {
    std::string in;
    for (int k = 0; k < copies; ++k) in += std::string(before[k]) + "，" + pasted + after[k] + "\r\n";
    return in;
  };
  EXPECT_EQ(Detect(inline_copies(3, house)), inline_copies(3, house));
  EXPECT_EQ(Detect(inline_copies(4, house)), inline_copies(4, ""));
  // A line of Han text ending in no mark, three times: the site's too.
  const std::string bare = "谁知这一去竟是十年";
  EXPECT_EQ(Detect(repeated(bare, 2)), repeated(bare, 2));
  EXPECT_EQ(Detect(repeated(bare, 3)), three_stories);
  // The story's repeated lines: formulae with no word of the list, speech,
  // glue words alone, a verse's clause.
  for (const char* own : {"未知胜负如何，且看下文分解。", "他笑道：“用户免费，好得很。”", "请看下回。", "正是：",
                          "满城风雨近重阳，", "潇湘妃子"}) {
    EXPECT_EQ(Detect(repeated(own, 4)), repeated(own, 4)) << own;
  }
}

// Three paragraphs of story, each with `pasted` put into it at a character
// that ends no clause (the first copy also in traditional script when asked).
std::string ThreeParagraphsWith(const std::string& pasted, const std::string& first_copy) {
  return "那老者拄着拐杖慢慢" + first_copy + "走到门前，看了看天色，叹一口气。\r\n" +
         "众人听了，都低下" + pasted + "头去，半晌没有人说话，只听得窗外风响。\r\n" +
         "过了一会，那少年站起身" + pasted + "来，向老者作了一揖，转身出门去了。\r\n";
}

TEST(AdDetector, PassagesTheFileRepeatsGoWithTheirEdgesExact) {
  const std::string clean = ThreeParagraphsWith("", "");
  // Ordinary words around a few advertising ones: one copy is not enough.
  const std::string slogan = "感谢大家一直以来的支持，有空常来本站逛逛，再次感谢";
  const std::string once = "那老者拄着拐杖慢慢" + slogan + "走到门前，看了看天色，叹一口气。\r\n";
  EXPECT_EQ(Detect(once), once);
  EXPECT_EQ(Detect(ThreeParagraphsWith(slogan, slogan)), clean);
  // Traditional script in every copy; a deformed address repeated.
  const std::string trad = "感謝大家一直以來的支持，有空常來本站逛逛，再次感謝";
  EXPECT_EQ(Detect(ThreeParagraphsWith(trad, trad)), clean);
  const std::string junk = "——t/x/t小.说。天.堂、";
  EXPECT_EQ(Detect(ThreeParagraphsWith(junk, junk)), clean);
  // Shared words and a long number: the number makes it the site's, once
  // it is repeated; the words alone, repeated, may be the story's.
  const std::string group = "每天更新好玩的故事，群号2468013";
  EXPECT_EQ(Detect(ThreeParagraphsWith("", group)), ThreeParagraphsWith("", group));
  EXPECT_EQ(Detect(ThreeParagraphsWith(group, group)), clean);
  const std::string words_only = "每天更新好玩的故事，欢迎来看";
  EXPECT_EQ(Detect(ThreeParagraphsWith(words_only, words_only)), ThreeParagraphsWith(words_only, words_only));
  // Copies whose neighbours share a byte (啊 B0A1 and 薄 B1A1 before, 阿 B0A2
  // and 埃 B0A3 after): the characters around them stay whole.
  const std::string pasted = "感谢大家一直以来的支持，有空常来本站逛逛，再次感谢";
  EXPECT_EQ(Detect("他叫了一声啊" + pasted + "阿福便走到门前。\r\n那山上只一片薄" + pasted + "埃尘也无。\r\n"),
            "他叫了一声啊阿福便走到门前。\r\n那山上只一片薄埃尘也无。\r\n");
  // Copies pasted at the same place in two chapters agree on the story's
  // formulae around them: those stay.
  const std::string host = "www.example-novels.com";
  EXPECT_EQ(Detect("众人听了，都低下头去，且听下回分解。" + host + "却说众人各自散去。\r\n" +
                   "过了一会，那少年站起身来，且听下回分解。" + host + "却说少年出门去了。\r\n"),
            "众人听了，都低下头去，且听下回分解。却说众人各自散去。\r\n"
            "过了一会，那少年站起身来，且听下回分解。却说少年出门去了。\r\n");
  EXPECT_EQ(Detect("他道：“你先请罢。" + host + "”行者道：“好。”\r\n那人道：“你先请罢。" + host + "”行者道：“走。”\r\n"),
            "他道：“你先请罢。”行者道：“好。”\r\n那人道：“你先请罢。”行者道：“走。”\r\n");
  // A slogan that opens with a line of story-like text: its copies share
  // that text in every context, so it is the slogan's, not the story's.
  const std::string lead = "人生在世谁都不容易啊好书网www.example-novels.com电子书下载";
  const std::string story_line = std::string(kStory) + "\r\n";
  EXPECT_EQ(Detect(story_line + lead + "\r\n" + story_line + lead + "\r\n" + story_line + lead + "\r\n"),
            story_line + story_line + story_line);
  // Two copies are enough, also when one of them is a line of its own.
  const std::string two = ThreeParagraphsWith(slogan, "") + slogan + "\r\n";
  EXPECT_EQ(Detect(two), clean);
  std::vector<DetectedAd> found;
  Detect(ThreeParagraphsWith(slogan, slogan), &found);
  ASSERT_FALSE(found.empty());
  EXPECT_NE(found[0].shapes & kShapeRepeatedSpan, 0u);
}

TEST(AdDetector, TheStorysOwnRepeatedPassagesStay) {
  // Dialogue about websites, updates, chapters and phones that a character
  // says again; formulas and verses the story repeats; a long passage.
  const char* own[] = {
      "“网站又更新了。”",
      "“你看了那本小说的最新章节没有？”",
      "他拿出手机看了看网站上的更新",
      "网站又更新了",
      "不知后事如何，且听下回分解。",
      "这本书共有三十个章节，他每天读一章，从不间断，读完了又从头读起，"
      "读到后来连书里每个人物的名字都背得出来，家里人都说他是个书呆子，他也不恼，"
      "只笑着说这本书好，书里的道理够他想一辈子的",
  };
  for (const char* p : own) {
    const std::string in = ThreeParagraphsWith(p, p);
    EXPECT_EQ(Detect(in), in) << p;
  }
}

TEST(AdDetector, ResidueOfEarlierStagesGoes) {
  const std::string story = std::string(kStory);
  // Also a few characters ending in a symbol, and words before commas
  // whose clause a rule took.
  for (const char* residue : {"().", "，。", ".,,,,", "3456789012", "》花>好》", "风起—.", "请登录--.",
                              "你已读到这一章節，，，，"}) {
    EXPECT_EQ(Detect(story + "\r\n" + residue + "\r\n"), story + "\r\n") << residue;
  }
  // A pause of the story is no residue, nor a short line of speech, nor a
  // doubled mark without advertising words.
  for (const char* own : {"……", "嗯~", "他笑道：：此事成矣！", "那一年，，"}) {
    EXPECT_EQ(Detect(story + "\r\n" + own + "\r\n"), story + "\r\n" + own + "\r\n") << own;
  }
}

TEST(AdDetector, WordsAfterAParagraphsLastSentenceGo) {
  const std::string story = std::string(kStory);
  // Glued after the story's last sentence, ending none of its own.
  for (const char* t : {"好看的免费小说首发", "云端免费小说天天看", "快来收藏本书吧", "欢迎发表书评：", "记得收藏本页，方便阅读……"})
    EXPECT_EQ(Detect(story + t + "\r\n"), story + "\r\n") << t;
  // A name before the advertisement goes with it when the story had ended.
  EXPECT_EQ(Detect(story + "星河物语电子书下载\r\n"), story + "\r\n");
  // A clause of story before its first word stays: the line broke there.
  EXPECT_EQ(Detect(story + "帝然其说，因www/xiaoshuotxt/n\r\n"), story + "帝然其说，\r\n");
  // The story's own unfinished words stay: no advertising in them, too few,
  // inside a quote, or a sentence of their own.
  for (const char* own : {"他拿起手机看了看", "他说“快去免费下载", "他拿起手机看了看免费的下载。"}) {
    const std::string in = story + own + "\r\n";
    EXPECT_EQ(Detect(in), in) << own;
  }
}

TEST(AdDetector, AParagraphCutByARemovedPieceIsJoinedAgain) {
  // The piece had ended the line; the sentence goes on in the next one.
  EXPECT_EQ(Detect("他走到门前推开木门只见本站网址：www.example-novels.com\r\n屋里坐着一个老人。\r\n"),
            "他走到门前推开木门只见屋里坐着一个老人。\r\n");
  // A line that ends its sentence is not joined, whichever mark ends it.
  for (const char* end : {"。", "！", "？", "）", "…", "」", "』", "—"}) {
    EXPECT_EQ(Detect(std::string("他走到门前推开木门") + end + "www.example-novels.com\r\n屋里坐着一个老人。\r\n"),
              std::string("他走到门前推开木门") + end + "\r\n屋里坐着一个老人。\r\n")
        << end;
  }
  // When the next line goes too, the break stays.
  EXPECT_EQ(Detect("他走到门前推开木门只见www.example-novels.com\r\n免费阅读，更新最快\r\n老人。\r\n"),
            "他走到门前推开木门只见\r\n老人。\r\n");
}

TEST(AdDetector, TextWrittenWithAsciiPunctuationKeepsItsCommas) {
  const std::string in = "他说,好,好,好.她点点头,又摇摇头.\r\n";
  EXPECT_EQ(Detect(in), in);
}

TEST(AdDetector, RecordsWhatWentAndWhy) {
  const std::string story = std::string(kStory);
  std::vector<DetectedAd> found;
  const std::string in = story + "\r\n最新章节请到本站阅读\r\n那老者慢慢走到门前www.example-novels.com，看了看。\r\n";
  const std::string gbk = G(in);
  Detect(in, &found);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_TRUE(found[0].whole_line);
  EXPECT_EQ(U(found[0].text), "最新章节请到本站阅读");
  EXPECT_EQ(gbk.substr(found[0].offset, found[0].text.size()), found[0].text);
  EXPECT_NE(found[0].shapes & kShapeWords, 0u);
  const std::set<std::string> words = {found[0].words.begin(), found[0].words.end()};
  EXPECT_TRUE(words.count(G("最新章节")) && words.count(G("本站"))) << found[0].words.size();
  EXPECT_FALSE(found[1].whole_line);
  EXPECT_EQ(U(found[1].text), "www.example-novels.com");
  EXPECT_EQ(gbk.substr(found[1].offset, found[1].text.size()), found[1].text);
  EXPECT_NE(found[1].shapes & kShapeHost, 0u);
  EXPECT_EQ(U(found[1].line), "那老者慢慢走到门前www.example-novels.com，看了看。");
}

TEST(AdDetector, EmptyAndBlankTextsAndLoneLineFeeds) {
  EXPECT_EQ(Detect(""), "");
  EXPECT_EQ(Detect("\r\n\r\n"), "\r\n\r\n");
  EXPECT_EQ(Detect("甲。\n最新章节请到本站阅读\n乙。"), "甲。\n乙。");
  // A stray lead byte at the end is a character of its own, kept.
  std::string odd = G("甲。") + "\xB0";
  RemoveDetectedAds(odd);
  EXPECT_EQ(odd, G("甲。") + "\xB0");
}

TEST(AdGlyphs, FoldTraditionalFullWidthAndCase) {
  using detector::GlyphOf;
  using detector::CodeOf;
  EXPECT_EQ(GlyphOf(CodeOf("網")).fold, CodeOf("网"));
  EXPECT_EQ(GlyphOf(CodeOf("閱")).fold, CodeOf("阅"));
  EXPECT_EQ(GlyphOf(CodeOf("Ｗ")).fold, 'w');
  EXPECT_EQ(GlyphOf(CodeOf("８")).fold, '8');
  EXPECT_EQ(GlyphOf('Q').fold, 'q');
  EXPECT_NE(GlyphOf(CodeOf("书")).cls & detector::kCjk, 0);
  EXPECT_NE(GlyphOf(CodeOf("α")).cls & detector::kLookalike, 0);
  EXPECT_NE(GlyphOf(CodeOf("，")).cls & detector::kClauseEnd, 0);
  EXPECT_EQ(detector::ClosingBracket(CodeOf("【")), CodeOf("】"));
  EXPECT_EQ(detector::ClosingBracket(CodeOf("书")), 0);
}

std::vector<detector::Range> Runs(std::string_view utf8, bool junk) {
  std::vector<detector::Unit> u;
  const std::string gbk = G(utf8);
  detector::SplitUnits(gbk, &u);
  std::vector<detector::Range> out;
  if (junk) {
    const auto& v = detector::Vocabulary::Builtin();
    detector::JunkRuns(u, &out, [&](std::span<const std::uint16_t> f) { return v.AnyIn(f); });
  } else {
    detector::LatinRuns(u, &out);
    std::erase_if(out, [&](const detector::Range& r) { return !detector::HostLike(u, r); });
  }
  return out;
}

TEST(AdShapes, HostsAndTheirRuins) {
  for (const char* host : {"www.example.com", "m.example.net", "ｗｗｗ．ｅｘａｍｐｌｅ．ｃｏｍ",
                           "w w w . e x a m p l e", "exampletxt", "examplenovel.", "ΕxαmΡle"}) {
    EXPECT_EQ(Runs(std::string("他说") + host + "了", false).size(), 1u) << host;
  }
  for (const char* word : {"OK", "iPhone", "A4", "CEO", "3D"}) {
    EXPECT_TRUE(Runs(std::string("他说") + word + "了", false).empty()) << word;
  }
}

TEST(AdShapes, NamesSpeltWithJunk) {
  for (const char* name : {"~好~看~小~说~", "好.看.小.说.网", "好 看 小 说 网", "小.说天+堂"}) {
    EXPECT_EQ(Runs(std::string("那老者说：") + name + "。慢慢走来", true).size(), 1u) << name;
  }
  for (const char* story : {"金、木、水、火", "哈~哈~哈", "来~呀~快~来~", "第1章 开始", "就<需鬼><需鬼>的哭", "好 看 啊"}) {
    EXPECT_TRUE(Runs(std::string("那老者") + story + "慢慢走来", true).empty()) << story;
  }
  // The name's characters glued to the story stay with it.
  const auto r = Runs("那老者慢~好~看~小~说~网~慢走来", true);
  ASSERT_EQ(r.size(), 1u);
  std::vector<detector::Unit> u;
  const std::string gbk = G("那老者慢~好~看~小~说~网~慢走来");
  detector::SplitUnits(gbk, &u);
  EXPECT_EQ(U(gbk.substr(u[r[0].first].off, u[r[0].second].off - u[r[0].first].off)), "好~看~小~说~网");
  // A separator unlike the name's own at an end of the run parts the story
  // from it (又問|道 are the story's).
  for (const auto& [text, name] : {std::pair{"二人商议。岱︾樂︾文︾小︾说|曰：“丞相", "岱︾樂︾文︾小︾说"},
                                   std::pair{"當下又問-優－優－小－說－更－新－最－快x道：「比", "優－優－小－說－更－新－最－快"}}) {
    const std::string g = G(text);
    const auto runs = Runs(text, true);
    ASSERT_EQ(runs.size(), 1u) << text;
    detector::SplitUnits(g, &u);
    EXPECT_EQ(U(g.substr(u[runs[0].first].off, u[runs[0].second].off - u[runs[0].first].off)), name);
  }
}

TEST(AdVocabulary, ParsesAndRejects) {
  detector::Vocabulary v;
  std::string error;
  ASSERT_TRUE(detector::Vocabulary::Parse("# words\n本站\t4\n\nqq群\t3\r\n", &v, &error)) << error;
  EXPECT_EQ(v.words().size(), 2u);
  EXPECT_FALSE(detector::Vocabulary::Parse("本站\t5\n", &v, &error));
  EXPECT_EQ(error, "line 1: weight must be 1 to 4");
  EXPECT_FALSE(detector::Vocabulary::Parse("本站\t4\n本站\t3\n", &v, &error));
  EXPECT_EQ(error, "line 2: word listed twice");
  EXPECT_FALSE(detector::Vocabulary::Parse("本站 4\n", &v, &error));
  EXPECT_FALSE(detector::Vocabulary::Parse("\xF0\x9F\x98\x80\t2\n", &v, &error));  // an emoji: no GBK
  EXPECT_EQ(error, "line 1: word not representable in GBK");
  // Traditional and simplified spellings of one word are one word.
  EXPECT_FALSE(detector::Vocabulary::Parse("网址\t4\n網址\t4\n", &v, &error));
}

TEST(AdVocabulary, LongestWordWinsAndSearchGoesOnBehindAHit) {
  const auto& v = detector::Vocabulary::Builtin();
  std::vector<detector::Unit> u;
  const std::string gbk = G("免费阅读最新章节");
  detector::SplitUnits(gbk, &u);
  std::vector<detector::Hit> hits;
  v.FindHits(u, 0, u.size(), &hits);
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(U(v.WordOf(u, hits[0]).gbk), "免费阅读");
  EXPECT_EQ(U(v.WordOf(u, hits[1]).gbk), "最新章节");
}

// The per-character table lines are first read through: a word's first
// unit is never plain, and one that starts no word of one unit is plain only
// before a unit no word goes on with.
TEST(AdVocabulary, PlainCharactersAndWordStarts) {
  detector::Vocabulary v;
  std::string error;
  ASSERT_TRUE(detector::Vocabulary::Parse("本站\t4\n网\t2\n", &v, &error)) << error;
  auto quiet = [&v](const char* utf8) {
    const std::string gbk = G(utf8);
    std::uint16_t native;
    std::memcpy(&native, gbk.data(), 2);
    return v.quiet()[native];
  };
  EXPECT_EQ(quiet("本"), 3);
  EXPECT_EQ(quiet("网"), 0);
  EXPECT_EQ(quiet("站"), 2);
  EXPECT_EQ(quiet("，"), 1);
  EXPECT_EQ(quiet("："), 0);
  EXPECT_EQ(quiet("（"), 0);
  std::vector<detector::Unit> u;
  detector::SplitUnits(G("本站"), &u);
  EXPECT_TRUE(v.MayContinue(u[0].fold, u[1].fold));
  for (const auto& w : detector::Vocabulary::Builtin().words()) {
    if (w.units.size() >= 2) EXPECT_TRUE(detector::Vocabulary::Builtin().MayContinue(w.units[0], w.units[1])) << U(w.gbk);
  }
}

TEST(AdVocabulary, HoldsWordsNotWholeAdvertisements) {
  // No word of the list is one of the shared advertisement strings whole.
  std::ifstream in(testing::SharedText() / "ads" / "dev.tsv");
  if (!in) GTEST_SKIP() << "no shared advertisement strings";
  std::set<std::string> ads;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    const std::size_t a = line.find('\t'), b = line.find('\t', a + 1);
    if (a != std::string::npos && b != std::string::npos) ads.insert(line.substr(a + 1, b - a - 1));
  }
  ASSERT_GT(ads.size(), 100u);
  for (const auto& w : detector::Vocabulary::Builtin().words()) {
    EXPECT_EQ(ads.count(U(w.gbk)), 0u) << U(w.gbk);
    EXPECT_LE(w.units.size(), 6u) << U(w.gbk);
  }
}

}  // namespace
}  // namespace folian::tidy
