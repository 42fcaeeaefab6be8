#include "tidy/ad_glyphs.h"

#include <array>
#include <memory>
#include <string>

#include "charset/codepage.h"
#include "charset/script.h"

namespace folian::tidy::detector {
namespace {

constexpr std::u16string_view kStoryPunctChars = u"，。、；：？！“”‘’…—（）《》「」『』·～";
constexpr std::u16string_view kClauseEnds = u"，。！？；：…";
constexpr std::u16string_view kClauseTails = u"”’」』）";
constexpr std::u16string_view kSentenceEnds = u"。！？";
constexpr std::u16string_view kPinyin = u"āáǎàēéěèīíǐìōóǒòūúǔùǖǘǚǜü";

bool In(std::u16string_view set, char16_t c) { return set.find(c) != std::u16string_view::npos; }

std::uint16_t ClassOf(char16_t c) {
  std::uint16_t cls = 0;
  if ((c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF)) cls |= kCjk;
  const bool fw_digit = c >= 0xFF10 && c <= 0xFF19;
  const bool fw_letter = (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A);
  const bool lookalike = c >= 0x0370 && c <= 0x04FF;
  const bool kana = c >= 0x3040 && c <= 0x30FF;
  const bool circled = c >= 0x2460 && c <= 0x24FF;
  if (fw_letter || lookalike || kana || In(kPinyin, c)) cls |= kLatin | kLetter;
  if (fw_digit || circled) cls |= kLatin;
  if (lookalike) cls |= kLookalike;
  if (In(kStoryPunctChars, c)) cls |= kStoryPunct;
  if (c == 0x3000) cls |= kBlank;
  if (In(kClauseEnds, c)) cls |= kClauseEnd;
  if (In(kClauseTails, c)) cls |= kClauseTail;
  if (In(kSentenceEnds, c)) cls |= kSentenceEnd;
  if (c == u'“' || c == u'「') cls |= kQuoteOpen | kQuote | kPause;
  if (c == u'”' || c == u'」') cls |= kQuoteClose | kQuote | kPause;
  if (c == u'‘' || c == u'’') cls |= kQuote;
  if (c == u'…' || c == u'—') cls |= kPause;
  return cls;
}

struct Table {
  std::array<Glyph, 65536> glyphs{};
};

struct BracketPair {
  std::uint16_t open, close;
};

const std::vector<BracketPair>& BracketPairs() {
  static const std::vector<BracketPair> pairs = [] {
    std::vector<BracketPair> v;
    for (const char* p : {"【】", "〖〗", "［］", "（）", "《》", "〔〕", "｛｝", "◢◣", "「」", "『』",
                          "＜＞", "〈〉"}) {
      const std::string_view s(p);
      v.push_back({CodeOf(s.substr(0, 3)), CodeOf(s.substr(3, 3))});
    }
    for (const char* p : {"[]", "()", "{}", "<>"}) v.push_back({CodeOf({p, 1}), CodeOf({p + 1, 1})});
    std::erase_if(v, [](const BracketPair& b) { return b.open == 0 || b.close == 0; });
    return v;
  }();
  return pairs;
}

// Every Han character of GBK through the script converter, one a line, so
// that each converts on its own: `each(code, to)` for each that stays one
// character. Without the converter's tables nothing is called.
template <typename Each>
void ConvertEach(const Table& t, charset::ScriptMode mode, Each each) {
  std::vector<std::uint16_t> codes;
  std::string text;
  for (std::uint32_t code = 0x8140; code <= 0xFEFE; ++code) {
    if ((t.glyphs[code].cls & kCjk) == 0) continue;
    codes.push_back(static_cast<std::uint16_t>(code));
    text += static_cast<char>(code >> 8);
    text += static_cast<char>(code & 0xFF);
    text += '\n';
  }
  if (!charset::ConvertScript(text, mode)) return;
  std::size_t at = 0;
  for (std::uint16_t code : codes) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string::npos) return;  // lengths disagree: keep what is mapped
    if (end - at == 2) {
      each(code, static_cast<std::uint16_t>(static_cast<unsigned char>(text[at]) << 8 |
                                            static_cast<unsigned char>(text[at + 1])));
    }
    at = end + 1;
  }
}

// Traditional -> simplified, one character at a time.
void FoldTraditional(Table* t) {
  ConvertEach(*t, charset::ScriptMode::kGbkToGb, [t](std::uint16_t code, std::uint16_t to) {
    t->glyphs[code].fold = to;
  });
}

// Simplified forms: the Han characters the script converter writes
// otherwise in traditional script.
void MarkSimplified(Table* t) {
  ConvertEach(*t, charset::ScriptMode::kGbToGbk, [t](std::uint16_t code, std::uint16_t to) {
    if (to != code) t->glyphs[code].cls |= kSimplified;
  });
}

std::unique_ptr<Table> Build() {
  auto t = std::make_unique<Table>();
  for (std::uint32_t b = 0; b < 0x80; ++b) {
    Glyph& g = t->glyphs[b];
    g.fold = static_cast<std::uint16_t>(b >= 'A' && b <= 'Z' ? b + 0x20 : b);
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z')) g.cls = kLatin | kLetter;
    if (b >= '0' && b <= '9') g.cls = kLatin;
    if (b == ' ' || b == '\t') g.cls = kBlank;
    if (b == '!' || b == '?') g.cls = kSentenceEnd;
    if (b == ')') g.cls = kClauseTail;
  }
  for (std::uint32_t b = 0x80; b < 0x100; ++b) t->glyphs[b].fold = static_cast<std::uint16_t>(b);
  std::u16string wide;
  for (std::uint32_t lead = 0x81; lead <= 0xFE; ++lead) {
    for (std::uint32_t trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      charset::ToWide(charset::kGbk, std::string_view(bytes, 2), wide);
      const auto code = static_cast<std::uint16_t>(lead << 8 | trail);
      Glyph& g = t->glyphs[code];
      g.fold = code;
      if (wide.size() != 1 || wide[0] == 0xFFFD) continue;
      const char16_t c = wide[0];
      g.cls = ClassOf(c);
      if (c >= 0xFF01 && c <= 0xFF5E) {
        char16_t a = static_cast<char16_t>(c - 0xFEE0);
        if (a >= u'A' && a <= u'Z') a = static_cast<char16_t>(a + 0x20);
        g.fold = static_cast<std::uint16_t>(a);
      }
    }
  }
  FoldTraditional(t.get());
  MarkSimplified(t.get());
  for (const BracketPair& b : BracketPairs()) {
    t->glyphs[b.open].cls |= kOpenBracket;
    t->glyphs[b.close].cls |= kCloseBracket;
  }
  return t;
}

const Table& Glyphs() {
  static const std::unique_ptr<Table> table = Build();
  return *table;
}

}  // namespace

const Glyph& GlyphOf(std::uint16_t code) { return Glyphs().glyphs[code]; }

const Glyph* GlyphTable() { return Glyphs().glyphs.data(); }

LineSummary SplitUnits(std::string_view line, std::vector<Unit>* out, const std::uint64_t* starts,
                       std::vector<std::uint32_t>* candidates) {
  LineSummary sum;
  if (candidates != nullptr) candidates->clear();
  const Table& t = Glyphs();
  const auto* s = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
  // Written through a pointer into room for one unit a byte, then cut to
  // size (units are not initialised by the vector).
  if (out->size() < n) out->resize(n);
  Unit* w = out->data();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = s[i];
    std::uint16_t code = b;
    std::uint8_t len = 1;
    if (b >= 0x81 && b <= 0xFE && i + 1 < n) {
      const unsigned char c = s[i + 1];
      if (c >= 0x40 && c != 0x7F && c != 0xFF) {
        code = static_cast<std::uint16_t>(b << 8 | c);
        len = 2;
      }
    }
    const Glyph g = t.glyphs[code];
    w->off = static_cast<std::uint32_t>(i);
    w->code = code;
    w->fold = g.fold;
    w->cls = g.cls;
    w->len = len;
    sum.classes |= g.cls;
    sum.symbols |= (g.cls & (kCjk | kStoryPunct | kLatin | kBlank)) == 0;
    sum.han += (g.cls & kCjk) != 0;
    if (starts != nullptr && (starts[g.fold >> 6] >> (g.fold & 63) & 1) != 0)
      candidates->push_back(static_cast<std::uint32_t>(w - out->data()));
    ++w;
    i += len;
  }
  out->resize(static_cast<std::size_t>(w - out->data()));
  return sum;
}

std::uint16_t CodeOf(std::string_view utf8_char) {
  const std::string gbk = charset::Utf8ToGbk(utf8_char);
  if (gbk.size() == 1) return static_cast<unsigned char>(gbk[0]);
  if (gbk.size() == 2)
    return static_cast<std::uint16_t>(static_cast<unsigned char>(gbk[0]) << 8 |
                                      static_cast<unsigned char>(gbk[1]));
  return 0;
}

std::uint16_t ClosingBracket(std::uint16_t code) {
  if ((GlyphOf(code).cls & kOpenBracket) == 0) return 0;
  for (const BracketPair& p : BracketPairs()) {
    if (p.open == code) return p.close;
  }
  return 0;
}

}  // namespace folian::tidy::detector
