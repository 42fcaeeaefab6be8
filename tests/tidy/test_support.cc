#include "test_support.h"

#include <algorithm>

namespace folian::tidy::testing {
namespace {

struct Row {
  RuleKind kind;
  const char* find;
  const char* replace;
};

constexpr RuleKind R = RuleKind::kReplace;
constexpr RuleKind RR = RuleKind::kReplaceRepeat;
constexpr RuleKind P = RuleKind::kPatternDelete;

// Stage 1: stray entities and a few deformed site spellings.
const Row kStage1[] = {
    {R, "&#11916;", ""}, {R, "&qut;", ""}, {R, "&#61548;", ""},
    {R, "ｗｗｗ", "www"}, {R, "ωωω", "www"}, {R, "w w w", "www"}, {R, "w-w-w", "www"},
    {R, "ｃｏｍ", "com"}, {R, "c o m", "com"}, {R, "ｃｎ", "cn"}, {R, "．", "."},
    {R, "①", "1"}, {R, "⑥", "6"}, {R, "⑨", "9"},
};

const Row kStage2[] = {
    {R, "手机用户请浏览阅读，更优质的阅读体验。", ""},
    {R, "看小说就到顶点小说网www.x23us.com", ""},
    {R, "(未完待续)", ""}, {R, "（未完待续）", ""}, {R, "【书名】", ""}, {R, "【作者】", ""},
    {R, "【文案】", ""}, {R, "【正文】", ""}, {R, "&#65279;", ""}, {R, "</script>", ""},
    {R, "</font>", ""}, {R, "</div>", ""}, {R, "</a>", ""}, {R, "</p>", ""}, {R, "^^^^", ""},
    {R, "^^", ""}, {R, "更新最快", ""}, {R, "独家首发", ""}, {R, "文字版首发", ""},
    {R, "手机快速阅读", ""}, {R, "本书首发。", ""}, {R, "&·;", "·"}, {R, "&·；", "·"},
    {R, "&;·;", "·"}, {R, "&；·；", "·"}, {R, "#8226", "·"}, {R, "&#12539;", "·"},
    {R, "&#249;", "ù"}, {R, "首发于\r\n", ""}, {R, "首发\r\n", ""},
};

const Row kStage3[] = {
    {R, "\r\n”", "”"}, {R, "\r\n’", "’"}, {R, "</", ""}, {R, "<divclass=\"watermark\">", ""},
    {R, "<divclass='watermark'>", ""}, {R, "\r\n//\r\n", "\r\n\r\n"},
    {R, "<divstyle=\"text-align:center;font-size:16px;\">", ""},
    {R, "<divstyle=\"display:none\">", ""}, {R, "<spanclass=\"transparent\">", ""},
    {R, "※\r\n※", "※※"}, {R, "<center>", ""}, {R, "<b>", ""}, {R, "</b>", ""},
    {R, "</center>", ""}, {R, "<>", ""}, {R, "</cent>", ""}, {R, "</span>", ""}, {R, "()", ""},
    {R, "（）", ""}, {R, "【】", ""}, {R, "“”", ""}, {R, "[]", ""}, {R, "《》", ""},
    {R, "&yen;", "￥"}, {R, "&#168;", ".."}, {R, "&;#", "&#"}, {R, "&#176;", "°"},
    {R, "&#9642;", "·"}, {R, "...", "…"}, {R, "．．．", "…"}, {R, "&#65533;", "－"},
    {R, "┅", "…"}, {R, "。。。", "…"}, {R, "．；", "。"}, {R, "&#39;", "'"}, {R, "&#039;", "'"},
    {R, "#039;", "'"}, {R, "&#38;", "&"}, {R, "&#8226;", "·"}, {R, "#8226;", "·"},
    {R, "&#8231;", "·"}, {R, "#8231;", "·"}, {R, "··", ".."}, {R, "&#12539;", "·"},
    {R, "..", "…"}, {R, "&#183;", "·"}, {R, "&#38;amp;", "&"}, {R, "&#38;#215;", "×"},
    {R, "&#amp;", "&"}, {R, "&#215;", "×"}, {R, "&#247;", "÷"}, {R, "．．．", "…"},
    {R, "&#215;", "×"}, {R, "&lt;", "<"}, {R, "&gt;", ">"}, {R, "&nbsp;", " "},
    {R, "&quot;", "\""}, {R, "&amp;", "&"}, {R, "<br>", ""}, {R, "···", "…"}, {R, "。。", "…"},
    {R, "<br/>", ""}, {R, "╠╠", "…"},
};

const Row kStage4[] = {
    {R, "&mdash;", "—"},
    {R, "sè", "色"}, {R, "se", "色"}, {R, "xiao", "小"}, {R, "luan", "乱"}, {R, "jing", "精"},
    {R, "rou", "肉"}, {R, "dong", "洞"}, {R, "yin", "阴"}, {R, "chun", "春"}, {R, "mao", "毛"},
    {R, "jiao", "交"}, {R, "yīn", "阴"}, {R, "xing", "性"}, {R, "long", "弄"}, {R, "lù", "露"},
    {R, "lùàn", "乱"}, {R, "luàn", "乱"}, {R, "mō", "摸"}, {R, "mo", "摸"}, {R, "bō", "波"},
    {R, "bo", "波"}, {R, "cao", "操"}, {R, "jiāo", "交"}, {R, "xìng", "性"}, {R, "dàng", "荡"},
    {R, "tuǐ", "腿"}, {R, "huā", "花"}, {R, "chun", "唇"}, {R, "chún", "唇"}, {R, "hun", "混"},
    {R, "hún", "混"}, {R, "tǐng", "挺"}, {R, "ting", "挺"}, {R, "yòuhuò", "诱惑"}, {R, "huo", "惑"},
    {R, "fù", "妇"}, {R, "chuáng", "床"}, {R, "chuang", "床"}, {R, "méng", "蒙"}, {R, "meng", "蒙"},
    {R, "xiōng", "胸"}, {R, "xiong", "胸"}, {R, "shì", "侍"}, {R, "shi", "侍"}, {R, "nai", "奶"},
    {R, "yù", "欲"}, {R, "yu", "欲"}, {R, "cha", "插"}, {R, "she", "射"}, {R, "tian", "舔"},
    {R, "huò", "惑"}, {R, "xiǎo", "小"}, {R, "bī", "逼"}, {R, "jīng", "精"}, {R, "jiāo", "交"},
    {R, "shè", "射"}, {R, "ròu", "肉"}, {R, "máo", "毛"}, {R, "nv", "女"}, {R, "dòng", "洞"},
    {R, "mén", "门"}, {R, "làng", "浪"}, {R, "cào", "操"}, {R, "féi", "肥"}, {R, "chōu", "抽"},
    {R, "chā", "插"}, {R, "mí", "迷"}, {R, "xùe", "穴"}, {R, "nong", "弄"}, {R, "yàn", "艳"},
    {R, "wěn", "吻"}, {R, "fu", "妇"}, {R, "tun", "臀"}, {R, "chou", "抽"}, {R, "jiān", "奸"},
    {R, "lu", "露"}, {R, "luo", "裸"},
    {RR, "….", "…"}, {RR, "####", "###"}, {RR, "…·", "…"}, {RR, "…。", "…"}, {RR, "—\r\n", "\r\n"},
    {RR, "-\r\n", "\r\n"}, {RR, "=\r\n", "\r\n"}, {RR, "*\r\n", "\r\n"}, {RR, "………", "……"},
    {R, "……\r\n……\r\n", "……\r\n"},
};

const Row kStage6[] = {
    {P, "顶.{0,2}点.{0,2}小.{0,2}说", ""},
    {P, "更.{0,2}新.{0,2}最.{0,2}快", ""}, {P, "更.{0,2}新.{0,2}超.{0,2}快", ""},
    {P, "会.{0,2}员.{0,2}手.{0,2}打", ""},
    {P, "小.{0,2}说.{0,2}整.{0,2}理.{0,2}发.{0,2}布.{0,2}于", ""},
    {P, "小.{0,2}说.{0,2}整.{0,2}理.{0,2}发.{0,2}布", ""}, {P, "小.{0,2}说.{0,2}整.{0,2}理", ""},
    {P, "文.{0,1}学.{0,1}网", ""}, {P, "[Ww].{0,1}[Ww].{0,1}[Ww]", ""},
    {P, "[Cc].{0,1}[Oo0].{0,1}[Mm]", ""}, {P, "[Nn].{0,1}[Ee].{0,1}[Tt]", ""},
    {P, "小.{0,1}说.{0,1}手.{0,1}机.{0,1}站", ""}, {P, " 字数:[0-9]\\d*", ""},
};

const Row kStage8[] = {
    {R, "出品txt版阅读,电脑访问:http://./手机访问http://", ""},
    {R, "出品txt版阅读，电脑访问:http://./手机访问http://", ""},
    {R, "（电脑站http://./手机站:http://）", ""}, {R, "手机轻松阅读：整理", ""},
    {R, "wap．．Сn", ""}, {R, "wap．．cn", ""}, {R, "wap．．", ""}, {R, "十有**", "十有八九"},
    {R, "少*妇", "少妇"}, {R, "（电脑小说站http://www.）", ""}, {R, "http://", ""},
    {R, "电脑小说站", ""}, {R, "（）", ""}, {R, "漏*点", "漏点"}, {R, "做*爱", "做爱"},
    {R, "成*人", "成人"}, {R, "处*女", "处女"}, {R, "sè", "色"}, {R, "强*奸", "强奸"},
    {R, "抽*动", "抽动"},
};

template <std::size_t N>
std::vector<Rule> Convert(const Row (&rows)[N]) {
  std::vector<Rule> out;
  for (const Row& r : rows) out.push_back({r.kind, G(r.find), G(r.replace)});
  return out;
}

}  // namespace

const RuleTable& GenericRules() {
  static const RuleTable table = [] {
    RuleTable t;
    t.stages[0] = Convert(kStage1);
    t.stages[1] = Convert(kStage2);
    t.stages[2] = Convert(kStage3);
    t.stages[3] = Convert(kStage4);
    t.stages[5] = Convert(kStage6);
    t.stages[7] = Convert(kStage8);
    t.site_fragments = {".x23us.", ".qidian.", ".17k.", ".zongheng.", ".bxwx."};
    t.footer_token = "x23us";
    t.footer_site_name = G("顶点网");
    return t;
  }();
  return table;
}

std::vector<std::filesystem::path> SharedTextFiles() {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const char* sub : {"clean", "polluted"}) {
    for (const auto& e : std::filesystem::directory_iterator(SharedText() / sub, ec)) {
      const std::string name = e.path().filename().string();
      if (name.ends_with(".gbk.txt") || (std::string_view(sub) == "polluted" && name.ends_with(".txt"))) {
        files.push_back(e.path());
      }
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace folian::tidy::testing
