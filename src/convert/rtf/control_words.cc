#include "convert/rtf/control_words.h"

#include <algorithm>
#include <iterator>

namespace folian::convert::rtf {
namespace {

struct Entry {
  std::string_view word;
  Action action;
  char16_t unit;
};

// Sorted by word (checked by a test through ActionOf on every row).
constexpr Entry kWords[] = {
    {"aftncn", Action::kSkip, 0},
    {"aftnsep", Action::kSkip, 0},
    {"aftnsepc", Action::kSkip, 0},
    {"annotation", Action::kSkip, 0},
    {"ansi", Action::kAnsi, 0},
    {"ansicpg", Action::kAnsiCodePage, 0},
    {"atnauthor", Action::kSkip, 0},
    {"atndate", Action::kSkip, 0},
    {"atnicn", Action::kSkip, 0},
    {"atnid", Action::kSkip, 0},
    {"atnparent", Action::kSkip, 0},
    {"atnref", Action::kSkip, 0},
    {"atntime", Action::kSkip, 0},
    {"atrfend", Action::kSkip, 0},
    {"atrfstart", Action::kSkip, 0},
    {"bkmkend", Action::kSkip, 0},
    {"bkmkstart", Action::kSkip, 0},
    {"bullet", Action::kChar, 0x2022},
    {"cell", Action::kCell, 0},
    {"colorschememapping", Action::kSkip, 0},
    {"colortbl", Action::kSkip, 0},
    {"cpg", Action::kFontCodePage, 0},
    {"datastore", Action::kSkip, 0},
    {"deff", Action::kDefaultFont, 0},
    {"do", Action::kSkip, 0},
    {"emdash", Action::kChar, 0x2014},
    {"emspace", Action::kChar, 0x2003},
    {"endash", Action::kChar, 0x2013},
    {"enspace", Action::kChar, 0x2002},
    {"f", Action::kFont, 0},
    {"fcharset", Action::kCharset, 0},
    {"filetbl", Action::kSkip, 0},
    {"fldinst", Action::kSkip, 0},
    {"fonttbl", Action::kFontTable, 0},
    {"footer", Action::kSkip, 0},
    {"footerf", Action::kSkip, 0},
    {"footerl", Action::kSkip, 0},
    {"footerr", Action::kSkip, 0},
    {"footnote", Action::kFootnote, 0},
    {"ftncn", Action::kSkip, 0},
    {"ftnsep", Action::kSkip, 0},
    {"ftnsepc", Action::kSkip, 0},
    {"generator", Action::kSkip, 0},
    {"header", Action::kSkip, 0},
    {"headerf", Action::kSkip, 0},
    {"headerl", Action::kSkip, 0},
    {"headerr", Action::kSkip, 0},
    {"info", Action::kSkip, 0},
    {"latentstyles", Action::kSkip, 0},
    {"ldblquote", Action::kChar, 0x201C},
    {"line", Action::kLineEnd, 0},
    {"listoverridetable", Action::kSkip, 0},
    {"listtable", Action::kSkip, 0},
    {"lquote", Action::kChar, 0x2018},
    {"ltrmark", Action::kNothing, 0},
    {"mac", Action::kMac, 0},
    {"nestcell", Action::kCell, 0},
    {"nestrow", Action::kRow, 0},
    {"nonshppict", Action::kSkip, 0},
    {"object", Action::kObject, 0},
    {"page", Action::kLineEnd, 0},
    {"par", Action::kLineEnd, 0},
    {"pc", Action::kPc, 0},
    {"pca", Action::kPca, 0},
    {"pgdsctbl", Action::kSkip, 0},
    {"pict", Action::kSkip, 0},
    {"plain", Action::kPlain, 0},
    {"pn", Action::kSkip, 0},
    {"pnseclvl", Action::kSkip, 0},
    {"pntxta", Action::kSkip, 0},
    {"pntxtb", Action::kSkip, 0},
    {"qmspace", Action::kChar, 0x2005},
    {"rdblquote", Action::kChar, 0x201D},
    {"result", Action::kResult, 0},
    {"revtbl", Action::kSkip, 0},
    {"row", Action::kRow, 0},
    {"rquote", Action::kChar, 0x2019},
    {"rsidtbl", Action::kSkip, 0},
    {"rtlmark", Action::kNothing, 0},
    {"sect", Action::kLineEnd, 0},
    {"sn", Action::kSkip, 0},
    {"sp", Action::kSkip, 0},
    {"stylesheet", Action::kSkip, 0},
    {"sv", Action::kSkip, 0},
    {"tab", Action::kTab, 0},
    {"tc", Action::kSkip, 0},
    {"themedata", Action::kSkip, 0},
    {"txe", Action::kSkip, 0},
    {"u", Action::kUnicode, 0},
    {"uc", Action::kUnicodeSkip, 0},
    {"ud", Action::kUd, 0},
    {"upr", Action::kUpr, 0},
    {"userprops", Action::kSkip, 0},
    {"v", Action::kHidden, 0},
    {"xe", Action::kSkip, 0},
    {"xmlnstbl", Action::kSkip, 0},
    {"zwbo", Action::kNothing, 0},
    {"zwj", Action::kNothing, 0},
    {"zwnbo", Action::kNothing, 0},
    {"zwnj", Action::kNothing, 0},
};

}  // namespace

WordAction ActionOf(std::string_view word) {
  const auto it = std::lower_bound(std::begin(kWords), std::end(kWords), word,
                                   [](const Entry& e, std::string_view w) { return e.word < w; });
  if (it == std::end(kWords) || it->word != word) return {};
  return {it->action, it->unit};
}

int CodePageOfCharset(int charset) {
  switch (charset) {
    case 0: return 1252;    // ANSI
    case 1: return 0;       // default: the document's
    case 2: return 1252;    // symbol fonts: their bytes pass through
    case 77: return 10000;  // Mac Roman
    case 128: return 932;   // Shift-JIS
    case 129: return 949;   // Hangul
    case 130: return 1361;  // Johab
    case 134: return 936;   // GB2312 / GBK
    case 136: return 950;   // Big5
    case 161: return 1253;  // Greek
    case 162: return 1254;  // Turkish
    case 163: return 1258;  // Vietnamese
    case 177: return 1255;  // Hebrew
    case 178: return 1256;  // Arabic
    case 186: return 1257;  // Baltic
    case 204: return 1251;  // Cyrillic
    case 222: return 874;   // Thai
    case 238: return 1250;  // Eastern European
    case 254: return 437;   // PC 437
    case 255: return 850;   // OEM
    default: return 0;
  }
}

}  // namespace folian::convert::rtf
