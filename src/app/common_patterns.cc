#include "app/common_patterns.h"

#include <array>
#include <string_view>
#include <vector>

namespace folian::app {
namespace {

// A phrase spelled with up to two characters between its characters (the
// pattern engine works on GBK bytes, so two characters are up to four bytes).
std::string Spread(std::string_view utf8) {
  std::string out = "(";
  bool first = true;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (!first) out += ".{0,4}";
    out.append(utf8.substr(i, len));
    first = false;
    i += len;
  }
  return out + ")";
}

// Look-alike spellings of a Latin word: each letter in either case or full
// width, up to two characters between the letters.
std::string LookAlike(std::string_view word) {
  static constexpr std::string_view kFullLower[] = {
      "ａ", "ｂ", "ｃ", "ｄ", "ｅ", "ｆ", "ｇ", "ｈ", "ｉ", "ｊ", "ｋ", "ｌ", "ｍ",
      "ｎ", "ｏ", "ｐ", "ｑ", "ｒ", "ｓ", "ｔ", "ｕ", "ｖ", "ｗ", "ｘ", "ｙ", "ｚ"};
  static constexpr std::string_view kFullUpper[] = {
      "Ａ", "Ｂ", "Ｃ", "Ｄ", "Ｅ", "Ｆ", "Ｇ", "Ｈ", "Ｉ", "Ｊ", "Ｋ", "Ｌ", "Ｍ",
      "Ｎ", "Ｏ", "Ｐ", "Ｑ", "Ｒ", "Ｓ", "Ｔ", "Ｕ", "Ｖ", "Ｗ", "Ｘ", "Ｙ", "Ｚ"};
  std::string out = "(";
  for (std::size_t i = 0; i < word.size(); ++i) {
    const int k = word[i] - 'a';
    if (i > 0) out += ".{0,4}";
    out += "(";
    out += word[i];
    out += '|';
    out += static_cast<char>(word[i] - 'a' + 'A');
    out += '|';
    out.append(kFullLower[k]);
    out += '|';
    out.append(kFullUpper[k]);
    if (word[i] == 'o') out += "|0|０";
    out += ")";
  }
  return out + ")";
}

std::string AdPattern() {
  std::vector<std::string> branches = {
      "(\\*{1,80})", "([0-9]。[0-9])", "(&#[0-9]+;)", LookAlike("com"), LookAlike("net"),
      LookAlike("www"), LookAlike("wap"), LookAlike("web"), "([Pp][Ss].*?\\r\\n)",
  };
  static constexpr std::string_view kPhrases[] = {
      "本书首发", "首发网站", "手机阅读", "最新章节", "无弹窗",   "全文阅读",
      "免费阅读", "全文字",   "求月票",   "求推荐",   "求收藏",   "求订阅",
      "推荐票",   "小说网",   "文学网",   "中文网",   "书友群",   "加入书签",
      "百度搜索", "更新最快", "电子书",   "阅读网",   "看书网",   "手打",
      "章节更新", "请记住",   "本站网址", "点击下载", "免费下载", "txt下载",
  };
  for (std::string_view p : kPhrases) branches.push_back(Spread(p));
  std::string pattern;
  for (const std::string& b : branches) {
    if (!pattern.empty()) pattern += '|';
    pattern += b;
  }
  return pattern;
}

const std::vector<CommonPattern>& Table() {
  static const std::vector<CommonPattern> table = {
      {"无", ""},
      {"查找广告及其它问题……", AdPattern()},
      {"查找 字母", "[A-Za-z]+"},
      {"查找 数字", "[0-9]\\d*"},
      {"查找 字母数字串", "\\w+"},
      {"查找 网络地址", "[a-zA-z]+://[^\\s]*"},
      {"查找 含有 ps 的行", "[Pp][Ss].*?\\r\\n"},
      {"查找 【】括起来的内容", "【.*?】"},
      {"查找 （）括起来的内容", "（.*?）"},
      {"查找 ()[]{}括起来的内容", "[\\(\\[\\{\\<].*?[\\)\\]\\}\\>]"},
      {"查找 《》括起来的内容", "《.*?》"},
      {"查找 (）括起来的内容", "\\(.*?）"},
      {"查找 （)括起来的内容", "（.*?\\)"},
      {"查找章节名", "第.{1,10}(章|节|節|回|集|篇|部|卷)"},
      {"查找 点击察看图片链接", "点击察看图片链接.*?\\r\\n"},
      {"查找 HTML 标识", "<.+?>"},
      {"查找 日期时间",
       "((((1[6-9]|[2-9]\\d)\\d{2})-(0?[13578]|1[02])-(0?[1-9]|[12]\\d|3[01]))|(((1[6-9]|[2-9]"
       "\\d)\\d{2})-(0?[13456789]|1[012])-(0?[1-9]|[12]\\d|30))|(((1[6-9]|[2-9]\\d)\\d{2})-0?2-"
       "(0?[1-9]|1\\d|2[0-8]))|(((1[6-9]|[2-9]\\d)(0[48]|[2468][048]|[13579][26])|((16|[2468]"
       "[048]|[3579][26])00))-0?2-29-)) (20|21|22|23|[0-1]?\\d):[0-5]?\\d:[0-5]?\\d"},
  };
  return table;
}

constexpr std::array<const char*, 4> kScriptItems = {
    "简转繁(GB2GBK)     ", "简转繁(GB2BIG5)    ", "繁转简(BIG52GB)    ", "繁转简(GBK2GB)     "};

}  // namespace

std::span<const CommonPattern> CommonPatterns() { return Table(); }
std::span<const char* const> ScriptConversionItems() { return kScriptItems; }

}  // namespace folian::app
