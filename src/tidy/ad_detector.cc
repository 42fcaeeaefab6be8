#include "tidy/ad_detector.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <string_view>
#include <unordered_map>

#include "tidy/ad_glyphs.h"
#include "tidy/ad_repeats.h"
#include "tidy/ad_shapes.h"
#include "tidy/ad_vocabulary.h"
#include "tidy/line_scanner.h"

namespace folian::tidy {
namespace {

using detector::Hit;
using detector::Range;
using detector::Unit;
using detector::Vocabulary;
namespace d = detector;

// Titles are short: a longer line that the title test accepts (it starts
// with a number, say) is judged as any other line.
constexpr std::size_t kMaxTitleBytes = 60;
// Lines up to this long are counted for the repeated-line feature.
constexpr std::size_t kMaxCountedLineBytes = 120;
// Brackets further apart than this (characters) are not one span.
constexpr std::size_t kMaxBracketSpan = 90;
// A line with more story characters than this is never removed whole.
constexpr int kMaxStoryInAdLine = 80;
// Han characters of a line removed for being repeated, at most.
constexpr int kMaxRepeatedLineHan = 48;
// And of one with no advertising word, ending in no mark.
constexpr int kMaxRepeatedBareHan = 24;
// A site's name standing alone is short.
constexpr int kMaxSiteNameHan = 8;
// Short lines that go whole, remembered to find their copies in paragraphs:
// at most this many, of at least this many characters (blanks aside).
constexpr std::size_t kMaxHouseLines = 256;
constexpr std::size_t kMinHouseUnits = 5;

// Evidence is counted in twentieths so that the story-length slope stays
// an integer.
constexpr int kScale = 20;

std::string_view Strip(std::string_view s) {
  auto blank_at = [&](std::size_t i, bool back) -> std::size_t {
    if (i >= s.size()) return 0;
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == ' ' || c == '\t') return 1;
    // The full-width blank A1 A1, read from either end.
    if (!back && c == 0xA1 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xA1) return 2;
    if (back && c == 0xA1 && i >= 1 && static_cast<unsigned char>(s[i - 1]) == 0xA1) return 2;
    return 0;
  };
  while (std::size_t n = blank_at(0, false)) s.remove_prefix(n);
  while (!s.empty()) {
    const std::size_t n = blank_at(s.size() - 1, true);
    if (n == 0) break;
    s.remove_suffix(n);
  }
  return s;
}

bool IsTitle(std::string_view stripped) {
  return !stripped.empty() && stripped.size() <= kMaxTitleBytes && IsTitleLine(stripped);
}

std::uint64_t HashOf(std::string_view s) {
  return std::hash<std::string_view>{}(s);
}

// The codes of the characters of a UTF-8 string (the detector's own lists).
std::vector<std::uint16_t> CodesOf(std::string_view utf8) {
  std::vector<std::uint16_t> v;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t len = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
    v.push_back(d::CodeOf(utf8.substr(i, len)));
    i += len;
  }
  return v;
}

// What a line of text ends a paragraph with, as the line scanner reads it.
bool EndsParagraph(const Unit& last) {
  if (last.len == 1) {
    return std::string_view("\"'~]!#*=-.)?_>1234567890").find(static_cast<char>(last.code)) !=
           std::string_view::npos;
  }
  static const std::vector<std::uint16_t> closing = CodesOf("”！。＝－×※）？…’」』—");
  return std::find(closing.begin(), closing.end(), last.code) != closing.end();
}

// ASCII punctuation made story punctuation (for a text written with it).
d::LineSummary AsStoryPunctuation(std::vector<Unit>* units) {
  d::LineSummary sum;
  for (Unit& u : *units) {
    switch (u.fold) {
      case ',': case ';': case ':':
        u.cls |= d::kStoryPunct | d::kClauseEnd;
        break;
      case '.': case '!': case '?':
        u.cls |= d::kStoryPunct | d::kClauseEnd | d::kSentenceEnd;
        break;
      default:
        break;
    }
    sum.classes |= u.cls;
    sum.symbols |= u.Junk();
    sum.han += u.Is(d::kCjk);
  }
  return sum;
}

// Whether the text's commas and full stops are ASCII rather than "，。",
// judged on its first stretch (enough for a text that is written one way).
bool WritesAsciiPunctuation(std::string_view text) {
  constexpr std::size_t kSample = 1u << 20;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = std::min(text.size(), kSample);
  std::size_t ascii = 0, wide = 0;
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = s[i];
    if (b < 0x80) {
      ascii += b == ',' || b == '.';
      ++i;
      continue;
    }
    if (i + 1 < n) {
      const unsigned char c = s[i + 1];
      wide += (b == 0xA3 && c == 0xAC) || (b == 0xA1 && c == 0xA3);
    }
    i += 2;
  }
  return ascii > wide;
}

// Which script the text is written in, judged on its first stretch: one
// whose forms far outnumber the other's. A traditional text writes a few
// simplified forms (后 and 里 among them), a simplified one hardly any
// traditional forms; pasted advertising adds some of the other script.
enum class Script { kMixed, kSimplified, kTraditional };

bool TraditionalForm(const d::Glyph& g, std::uint16_t code) { return (g.cls & d::kCjk) != 0 && g.fold != code; }
bool SimplifiedForm(const d::Glyph& g) { return (g.cls & d::kSimplified) != 0; }

Script ScriptOf(std::string_view text, const d::Glyph* glyphs) {
  constexpr std::size_t kSample = 1u << 20;
  constexpr std::size_t kMinForms = 200, kRatio = 4;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = std::min(text.size(), kSample);
  std::size_t traditional = 0, simplified = 0;
  for (std::size_t i = 0; i + 1 < n;) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    const auto code = static_cast<std::uint16_t>(s[i] << 8 | s[i + 1]);
    traditional += TraditionalForm(glyphs[code], code);
    simplified += SimplifiedForm(glyphs[code]);
    i += 2;
  }
  if (traditional >= kMinForms && simplified * kRatio <= traditional) return Script::kTraditional;
  if (simplified >= kMinForms && traditional * kRatio <= simplified) return Script::kSimplified;
  return Script::kMixed;
}

// The two scripts' forms as bit sets over GBK codes, built once from the
// glyph table: every line of a text is counted, and 16 KB of bits stay in
// cache where the table does not.
struct FormSets {
  std::array<std::uint64_t, 1024> traditional{}, simplified{};
};
const FormSets& Forms() {
  static const FormSets sets = [] {
    FormSets f;
    const d::Glyph* g = d::GlyphTable();
    for (std::uint32_t code = 0x8140; code <= 0xFEFE; ++code) {
      const auto c = static_cast<std::uint16_t>(code);
      if (TraditionalForm(g[c], c)) f.traditional[c >> 6] |= std::uint64_t{1} << (c & 63);
      if (SimplifiedForm(g[c])) f.simplified[c >> 6] |= std::uint64_t{1} << (c & 63);
    }
    return f;
  }();
  return sets;
}

// Whether a line holds a form of the text's own script, and three forms of
// the other one or more.
struct ScriptForms {
  bool own = false, other = false;
};
ScriptForms FormsIn(std::string_view line, Script script) {
  const FormSets& sets = Forms();
  const auto& own = script == Script::kTraditional ? sets.traditional : sets.simplified;
  const auto& other = script == Script::kTraditional ? sets.simplified : sets.traditional;
  ScriptForms f;
  int others = 0;
  const auto* s = reinterpret_cast<const unsigned char*>(line.data());
  for (std::size_t i = 0; i + 1 < line.size();) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    const unsigned code = static_cast<unsigned>(s[i]) << 8 | s[i + 1];
    f.own |= (own[code >> 6] >> (code & 63) & 1) != 0;
    others += static_cast<int>(other[code >> 6] >> (code & 63) & 1);
    if (f.own && others >= 3) break;
    i += 2;
  }
  f.other = others >= 3;
  return f;
}

// A stretch in the other script than the text's was pasted in (an
// advertisement of a site that writes the other one): from its first form
// of that script to its last, three of them or more, with no form of the
// text's own script between them nor a run of more than six Han characters
// without one. Punctuation and symbols do not end a stretch.
void OtherScriptRuns(std::span<const Unit> u, Script script, std::vector<Range>* out) {
  out->clear();
  constexpr int kMinForms = 3;
  constexpr std::size_t kMaxGap = 6;
  constexpr std::size_t kNone = SIZE_MAX;
  const bool traditional = script == Script::kTraditional;
  auto own = [&](const Unit& c) { return traditional ? c.fold != c.code : c.Is(d::kSimplified); };
  auto other = [&](const Unit& c) { return traditional ? c.Is(d::kSimplified) : c.fold != c.code; };
  std::size_t start = kNone, last = 0, gap = 0;
  int forms = 0;
  auto flush = [&] {
    if (forms >= kMinForms) out->push_back({start, last + 1});
    start = kNone;
    forms = 0;
    gap = 0;
  };
  for (std::size_t k = 0; k < u.size(); ++k) {
    const Unit& c = u[k];
    if (!c.Is(d::kCjk)) continue;
    if (own(c)) {
      flush();
    } else if (other(c)) {
      if (start == kNone) start = k;
      last = k;
      ++forms;
      gap = 0;
    } else if (start != kNone && ++gap > kMaxGap) {
      flush();
    }
  }
  flush();
  // A few characters on to a sentence's end, with the symbols after it
  // (…阅读愉快！^0^), are the stretch's own: the story resumes after them.
  // Not a sentence end that a closing quote follows: the story's speech
  // ends there (…变矣[感謝…再次感謝了]。”).
  for (Range& r : *out) {
    constexpr std::size_t kMaxTail = 4;
    std::size_t k = r.second;
    while (k < u.size() && k - r.second < kMaxTail && u[k].Is(d::kCjk) && !own(u[k])) ++k;
    if (k >= u.size() || !u[k].Is(d::kSentenceEnd)) continue;
    if (k + 1 < u.size() && u[k + 1].Is(d::kQuoteClose | d::kClauseTail)) {
      r.second = k;
      continue;
    }
    ++k;
    while (k < u.size() && u[k].Separator() && !u[k].Is(d::kBlank)) ++k;
    r.second = k;
  }
}

// A date or a time of day written in digits (2024-05-06, 7:55:51): the
// stamp of an update notice.
bool HasStamp(std::span<const Unit> u) {
  static const std::uint16_t wide_colon = d::CodeOf("：");
  auto digit = [&](std::size_t k) { return k < u.size() && u[k].fold >= '0' && u[k].fold <= '9'; };
  auto run = [&](std::size_t k) {
    std::size_t e = k;
    while (digit(e)) ++e;
    return e - k;
  };
  for (std::size_t k = 0; k < u.size(); ++k) {
    if (!digit(k) || (k > 0 && digit(k - 1))) continue;
    const std::size_t a = run(k);
    const std::size_t s1 = k + a;
    if (s1 + 1 >= u.size()) continue;
    const std::uint16_t sep = u[s1].fold;
    const std::size_t b = run(s1 + 1);
    if ((sep == ':' || u[s1].code == wide_colon) && a >= 1 && a <= 2 && b == 2) return true;
    if ((sep == '-' || sep == '/' || sep == '.') && a == 4 && b >= 1 && b <= 2) {
      const std::size_t s2 = s1 + 1 + b;
      if (s2 < u.size() && u[s2].fold == sep && run(s2 + 1) >= 1 && run(s2 + 1) <= 2) return true;
    }
  }
  return false;
}

// Whether the characters end as a site's name does: …网, …站, …盟, or a
// place of books (…书屋, …书阁, …书楼, …书城, …书库, …书吧). (吧 alone
// ends speech: 走吧.)
bool EndsAsSiteName(std::span<const Unit> u) {
  static const std::vector<std::uint16_t> ends = CodesOf("网站盟");
  static const std::vector<std::uint16_t> book_places = CodesOf("屋阁楼城库吧");
  static const std::uint16_t book = d::CodeOf("书");
  const std::size_t n = u.size();
  if (n == 0) return false;
  const std::uint16_t last = u[n - 1].fold;
  if (std::find(ends.begin(), ends.end(), last) != ends.end()) return true;
  return n >= 2 && u[n - 2].fold == book && std::find(book_places.begin(), book_places.end(), last) != book_places.end();
}

bool IsColon(const Unit& c) {
  static const std::uint16_t wide_colon = d::CodeOf("：");
  return c.code == wide_colon || c.fold == ':';
}

// A verb that opens speech before a colon (笑道：, 听说：, 诗曰：): no label.
bool SpeechVerb(const Unit& c) {
  static const std::vector<std::uint16_t> verbs = CodesOf("道说曰云问答叹叫喝骂言笑讲称");
  return std::find(verbs.begin(), verbs.end(), c.fold) != verbs.end();
}

// Labels with their colons and no value after them (作者：分类：): a
// book's card whose values the site never filled. Each label is one to
// four Han characters; the number of labels in a row from `from`, *end
// where they stop (blanks after a colon included).
int EmptyLabels(std::span<const Unit> u, std::size_t from, std::size_t* end) {
  int labels = 0;
  std::size_t k = from;
  *end = from;
  while (k < u.size()) {
    std::size_t e = k;
    while (e < u.size() && u[e].Is(d::kCjk) && e - k < 5) ++e;
    if (e - k < 1 || e - k > 4 || e >= u.size() || !IsColon(u[e]) || SpeechVerb(u[e - 1])) break;
    ++labels;
    k = e + 1;
    while (k < u.size() && u[k].Is(d::kBlank)) ++k;
    *end = k;
  }
  return labels;
}

// Whether labels with no values stand anywhere in the line (after Han text).
bool EmptyLabelsIn(std::span<const Unit> u) {
  std::size_t end = 0;
  for (std::size_t k = 1; k + 2 < u.size(); ++k)
    if (IsColon(u[k]) && u[k - 1].Is(d::kCjk) && EmptyLabels(u, k + 1, &end) >= 1) return true;
  return false;
}

// Where the value after a label's colon ends (the clause mark or blank
// after it stays), or `from` when what follows is no value: a value is a
// number or an account (letters, digits, symbols; pasted into a sentence,
// the story's Han text may follow it at once) or a name of a few Han
// characters that runs to its clause's end, never speech nor a sentence
// of the story. A name is taken only when `names` (the label asks for one).
std::size_t LabelValueEnd(std::span<const Unit> u, std::size_t from, bool names) {
  // An account, a group's number or an address with its separators.
  constexpr std::size_t kMaxValue = 24;
  // A public account's or a group's name; a clause of story is longer.
  constexpr int kMaxValueHan = 6;
  const std::size_t n = u.size();
  std::size_t k = from;
  while (k < n && u[k].Is(d::kBlank)) ++k;
  const std::size_t start = k;
  if (k == n) return from;
  const bool name = u[k].Is(d::kCjk);
  while (k < n && k - start <= kMaxValue && u[k].Is(d::kCjk) == name &&
         !u[k].Is(d::kClauseEnd | d::kStoryPunct | d::kQuote | d::kBlank | d::kOpenBracket)) {
    ++k;
  }
  if (k == start || k - start > kMaxValue || (name && (!names || k - start > kMaxValueHan))) return from;
  if (k < n && !u[k].Is(d::kClauseEnd | d::kStoryPunct | d::kBlank) && (name || !u[k].Is(d::kCjk))) return from;
  return k;
}

struct Evidence {
  int weight = 0;   // all hits
  int glue = 0;     // hits of weight 1
  int strong = 0;   // hits of weight 3 and 4
  int top = 0;      // the heaviest hit
  std::size_t covered = 0;  // characters the hits cover
};

struct Seed {
  Range r;
  int cluster = 0;  // the cluster's weight; 0 for addresses, junk names, brackets
  unsigned shape = 0;
};

struct Piece {
  Range r;
  unsigned shapes = 0;
};

// Story a line judged advertising began or ended with: clauses with no
// advertising word and no mark of one (a bracket, symbol or letter) at the
// line's start, up to the advertisement's first word or mark; at its end,
// clauses after the advertisement's last word or mark, once its own short
// clauses are passed (难以长存， has no word but ends a slogan, unless the
// slogan's sentence had ended), or a run glued on after its last word. Four
// Han characters or more of them are the paragraph the advertisement was
// pasted into, and stay (那怪展长枪，…劈手相迎。): at the start, eight or a
// clause ended; at the end, a sentence finished. The rest of the line, [first, second), is the
// advertisement.
Range PastedPart(std::span<const Unit> u, std::span<const Hit> hits) {
  constexpr int kStoryRun = 4;
  constexpr int kShortClause = 5;
  const std::size_t n = u.size();
  std::vector<char> worded(n, 0);
  for (const Hit& h : hits) std::fill(worded.begin() + h.begin, worded.begin() + std::min<std::size_t>(h.end, n), 1);
  auto pasted = [&](std::size_t k) { return worded[k] || (u[k].Separator() && !u[k].Is(d::kBlank)); };
  auto han = [&](std::size_t a, std::size_t b) {
    int c = 0;
    for (std::size_t k = a; k < b; ++k) c += u[k].Is(d::kCjk);
    return c;
  };
  std::vector<Range> clauses;
  d::Clauses(u, &clauses);
  Range ad{0, n};
  // From the front: clauses of story, then the story before the first mark.
  std::size_t head = 0;
  for (const Range& c : clauses) {
    std::size_t k = c.first;
    while (k < c.second && !pasted(k)) ++k;
    head = k;
    if (k < c.second) break;
  }
  // A short head must have ended its clause (那怪展长枪，); a name before a
  // mark (《星河物语》(…), 谁说晴天不下雨xyz) is the advertisement's own.
  const bool clause_ended = head > 0 && u[head - 1].Is(d::kClauseEnd | d::kClauseTail);
  // Or a clause ended inside it (小姐，又道[温馨提示…]): a sentence of the
  // story that a wrap or the advertisement broke off.
  bool clause_inside = false;
  for (std::size_t k = 0; k + 1 < head && !clause_inside; ++k) clause_inside = u[k].Is(d::kClauseEnd);
  // From the back: clauses of story after the last word or mark.
  std::size_t tail = n;
  for (std::size_t ci = clauses.size(); ci-- > 0;) {
    const Range& c = clauses[ci];
    std::size_t k = c.second;
    while (k > c.first && !pasted(k - 1)) --k;
    if (k > c.first) {
      // The advertisement ends in this clause: a mark ends it; its words
      // leave the clause's end to it, unless a long run of story follows
      // them (the next paragraph, glued on where the line broke).
      tail = u[k - 1].Separator() || han(k, c.second) >= kStoryRun ? k : c.second;
      break;
    }
    tail = c.first;
  }
  // (Where a closing bracket ended it, what follows is not its own.)
  const std::size_t bracket_end = tail > 0 && tail <= n && u[tail - 1].Is(d::kCloseBracket) ? tail : 0;
  // Short clauses right after the last word are the slogan's own, unless
  // the slogan's sentence had ended.
  for (const Range& c : clauses) {
    if (c.first < tail || c.first >= n) continue;
    if (c.first != tail || han(c.first, c.second) >= kShortClause) break;
    if (c.first > 0 && u[c.first - 1].Is(d::kSentenceEnd)) break;
    tail = c.second;
  }
  std::size_t end = n;
  while (end > tail && u[end - 1].Is(d::kBlank)) --end;
  const bool finished = end > tail && u[end - 1].Is(d::kSentenceEnd | d::kQuoteClose);
  const bool story_after = tail > head && tail < n && finished && han(tail, n) >= kStoryRun;
  // With the paragraph's story after the advertisement too, it was pasted
  // into the paragraph: a short head is that paragraph's start (上有六张[…]交椅，…).
  if (head < n &&
      (han(0, head) >= 2 * kStoryRun ||
       ((clause_ended || clause_inside || story_after) && han(0, head) >= kStoryRun)))
    ad.first = head;
  if (story_after) ad.second = tail;
  // After the closing bracket that ends the advertisement, the story it
  // was pasted into goes on, however short, to the line's end (…下载安装】
  // 次日, …安装】替他扬名，国家): a wrap broke the paragraph off there.
  if (bracket_end > head && bracket_end < end && u[bracket_end].Is(d::kCjk)) {
    // Han characters and the marks between clauses only: a bracket or
    // quote left there is the advertisement's.
    bool story = true;
    for (std::size_t k = bracket_end; k < end && story; ++k)
      story = u[k].Is(d::kCjk) || (u[k].Is(d::kClauseEnd) && !u[k].Is(d::kQuote | d::kOpenBracket | d::kCloseBracket));
    if (story) ad.second = std::min(ad.second, bracket_end);
  }
  return ad;
}

// Joins pieces (sorted by start) that touch or overlap.
void MergeOverlapping(std::vector<Piece>& pieces) {
  if (pieces.empty()) return;
  std::size_t w = 0;
  for (std::size_t m = 1; m < pieces.size(); ++m) {
    if (pieces[m].r.first <= pieces[w].r.second) {
      pieces[w].r.second = std::max(pieces[w].r.second, pieces[m].r.second);
      pieces[w].shapes |= pieces[m].shapes;
    } else {
      pieces[++w] = pieces[m];
    }
  }
  pieces.resize(w + 1);
}

class Detector {
 public:
  explicit Detector(const Vocabulary& vocab)
      : vocab_(vocab), has_word_([this](std::span<const std::uint16_t> f) { return vocab_.AnyIn(f); }) {}

  std::size_t Run(std::string& text, std::vector<DetectedAd>* found, const MarkedStarts* starts);

 private:
  struct LineFacts {
    bool ad = false;
    unsigned shapes = 0;
    int weight = 0;
  };

  Evidence EvidenceIn(std::span<const Unit> u, std::size_t a, std::size_t b);
  void InlinePieces(d::LineSummary sum, std::vector<Piece>* pieces);
  void TailPiece(std::vector<Piece>* pieces);
  void TakeLabelValues(std::vector<Piece>& merged);
  void TakeUnclosedBrackets(std::vector<Piece>& merged) const;
  void GiveBackStoryMarks(std::vector<Piece>& merged) const;
  // A piece holding a passage the file repeats ends where the copies do:
  // a few Han characters it took beyond them, no word of the list, are the
  // story's that one copy was pasted beside (纷[请用搜索引擎…]纷不一).
  void TrimToRepeats(std::vector<Piece>& merged, std::span<const Range> repeats) const;
  // What a rule left of an advertisement inside a paragraph (units_, hits_,
  // covered_ and quoted_ set): see the definition.
  void RuinSeeds(std::span<const Unit> u, std::vector<Seed>* seeds);
  // With `anchors`, the words of weight 2 or more it passes are added there
  // (`base`: the line's offset in the text, [line_begin, line_end) its bounds).
  bool PlainStory(std::string_view line, std::vector<d::Anchor>* anchors = nullptr,
                  std::size_t base = 0, std::size_t line_begin = 0, std::size_t line_end = 0);
  // Whether a passage the file repeats is advertising; *first and *last
  // narrow it to what goes (story punctuation at its edges stays).
  bool RepeatIsAd(std::string_view passage, std::uint32_t copies, std::size_t* first, std::size_t* last);
  // Narrows a repeated passage (`scratch_hits_` found in it) to what the
  // copies share beyond the story around them; whether it changed.
  bool TrimStoryEdges(std::span<const Unit>* u);
  // `u` is the stripped line, `hits` its words (indices into `u`).
  LineFacts JudgeLine(std::span<const Unit> u, std::span<const Hit> hits, d::LineSummary sum,
                      std::string_view stripped, bool beside_title, int removed_bonus);
  // JudgeLine on the whole line in units_ (hits_ its words), the blanks
  // around it left out.
  LineFacts JudgeWhole(d::LineSummary sum, std::string_view line, bool beside_title);
  void QuoteMask(std::span<const Unit> u);
  std::size_t CountOf(std::string_view stripped) const;
  // A stripped line of nothing but a few Han characters ending as a site's
  // name does (see EndsAsSiteName), and no title.
  bool BareSiteName(std::string_view stripped) const;
  // Whether a plain line (stripped: two-byte characters only) holds a copy
  // of a house line other than itself.
  bool HoldsHouseLine(std::string_view stripped) const;
  void Words(std::span<const Unit> u, std::size_t a, std::size_t b, std::vector<std::string>* out);

  const Vocabulary& vocab_;
  const std::function<bool(std::span<const std::uint16_t>)> has_word_;
  std::vector<Unit> units_, judge_units_;
  std::vector<Hit> hits_, judge_hits_, scratch_hits_;
  std::vector<std::uint8_t> covered_, quoted_, marks_;
  std::vector<Range> runs_, clauses_, script_runs_;
  std::vector<std::uint64_t> short_lines_;  // hashes of short stripped lines, sorted
  std::vector<Seed> seeds_;
  std::vector<std::uint32_t> candidates_;
  std::vector<d::Anchor> anchors_;
  std::vector<d::Repeat> repeats_;
  // Short lines judged advertising as a whole before any went (GBK,
  // stripped), and their first characters' codes, sorted, with the index.
  std::vector<std::string> house_;
  std::vector<unsigned> house_shape_;  // the shape its copies are taken for
  std::vector<std::pair<std::uint16_t, std::uint32_t>> house_starts_;
  std::array<std::uint64_t, 1024> house_first_{};  // a bit per hash of the first four bytes
  bool house_in_plain_ = false;  // some house line could stand inside a plain line
  static unsigned HouseKey(const char* p) {
    std::uint32_t x;
    std::memcpy(&x, p, 4);
    return (x * 0x9E3779B1u) >> 16;
  }
  std::vector<char> edge_worded_;
  d::RepeatFinder repeat_finder_;
  const d::Glyph* glyphs_ = d::GlyphTable();
  // The text writes its punctuation in ASCII (",." more often than "，。"):
  // then those are story punctuation, not junk.
  bool ascii_punct_ = false;
  // The script the text is written in: a stretch in the other one is
  // foreign to it.
  Script script_ = Script::kMixed;
  bool script_pasted_ = false;  // the line's Line::script_pasted
  std::string remainder_;
};

// The common case decided from the bytes alone: a line of Han characters
// and story punctuation whose few words can neither outweigh its story nor
// cluster into a piece worth taking. Anything else (letters, digits,
// blanks, symbols, brackets, heavier words, a short line) goes the full way.
bool Detector::PlainStory(std::string_view line, std::vector<d::Anchor>* anchors, std::size_t base,
                          std::size_t line_begin, std::size_t line_end) {
  const auto* s = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
  if (n % 2 != 0) return false;
  const std::uint64_t* starts = vocab_.starts();
  const d::Glyph* glyphs = glyphs_;
  constexpr std::uint16_t kFullWay = d::kLatin | d::kBlank | d::kOpenBracket;
  // Every character must be two bytes here: character k starts at byte 2k.
  const std::size_t chars = n / 2;
  auto fold_at = [&](std::size_t k) { return glyphs[s[2 * k] << 8 | s[2 * k + 1]].fold; };
  // The full-width colon folds to the ASCII one.
  constexpr std::uint16_t colon = ':';
  int han = 0, weight = 0, covered = 0, cluster = 0;
  std::size_t last_end = 0;
  bool any_hit = false;
  const std::uint8_t* quiet = vocab_.quiet();
  for (std::size_t k = 0; k < chars;) {
    // Most characters pass every test below but the Han count: runs of
    // them are counted in a loop of their own.
    {
      const unsigned char* p = s + 2 * k;
      const unsigned char* const end = s + 2 * chars;
      int sum = 0;
      for (; p != end; p += 2) {
        std::uint16_t native;
        std::memcpy(&native, p, 2);
        std::uint8_t q = quiet[native];
        if (q == 3) {
          // A word's first unit, as plain as the rest unless the next
          // character may go on with one.
          if (p + 2 != end && vocab_.MayContinue(glyphs[p[0] << 8 | p[1]].fold, glyphs[p[2] << 8 | p[3]].fold)) {
            break;
          }
          q = 2;
        }
        if (q == 0) break;
        sum += q;
      }
      const auto run = static_cast<std::size_t>(p - (s + 2 * k)) / 2;
      han += sum - static_cast<int>(run);
      k += run;
      if (k == chars) break;
    }
    // A byte pair that is no GBK character (an ASCII byte among them) has
    // no class in the table, so it fails the test as well.
    const d::Glyph g = glyphs[s[2 * k] << 8 | s[2 * k + 1]];
    if ((g.cls & kFullWay) != 0 || (g.cls & (d::kCjk | d::kStoryPunct)) == 0) return false;
    // A label with its colon right after another's (作者：分类：).
    if (g.fold == colon && k + 2 < chars) {
      std::size_t e = k + 1;
      while (e < chars && e - k <= 5 && (glyphs[s[2 * e] << 8 | s[2 * e + 1]].cls & d::kCjk) != 0) ++e;
      if (e > k + 1 && e - k <= 5 && e < chars && fold_at(e) == colon) return false;
    }
    if ((starts[g.fold >> 6] >> (g.fold & 63) & 1) != 0) {
      std::uint8_t w = 0;
      const std::size_t len = vocab_.MatchAt(fold_at, k, chars, &w);
      if (len != 0) {
        for (std::size_t m = k + 1; m < k + len; ++m) {
          if ((glyphs[s[2 * m] << 8 | s[2 * m + 1]].cls & kFullWay) != 0) return false;
        }
        for (std::size_t m = k; m < k + len; ++m) han += (glyphs[s[2 * m] << 8 | s[2 * m + 1]].cls & d::kCjk) != 0;
        weight += w;
        covered += static_cast<int>(len);
        if (anchors != nullptr && w >= 2) {
          anchors->push_back({static_cast<std::uint32_t>(base + 2 * k), static_cast<std::uint32_t>(2 * len),
                              static_cast<std::uint32_t>(line_begin), static_cast<std::uint32_t>(line_end)});
        }
        // Clusters counted generously (any gap of four or less): only a
        // line that cannot reach a piece's weight is let through.
        cluster = any_hit && k - last_end <= 4 ? cluster + w : w;
        if (cluster >= 4) return false;
        any_hit = true;
        k += len;
        last_end = k;
        continue;
      }
    }
    han += (g.cls & d::kCjk) != 0;
    ++k;
  }
  if (han <= 1) return false;
  if (weight == 0) return true;
  // A title may go for a strong word that fills it.
  if (n <= kMaxTitleBytes && weight >= 3) return false;
  const int story = han - covered;
  if (story <= 12) return false;
  return story > kMaxStoryInAdLine || (weight + 2) * kScale < kScale * 5 / 2 + 3 * story;
}

Evidence Detector::EvidenceIn(std::span<const Unit> u, std::size_t a, std::size_t b) {
  scratch_hits_.clear();
  vocab_.FindHits(u, a, b, &scratch_hits_);
  Evidence e;
  for (const Hit& h : scratch_hits_) {
    e.weight += h.weight;
    if (h.weight >= 3) e.strong += h.weight;
    e.top = std::max<int>(e.top, h.weight);
    e.covered += h.end - h.begin;
  }
  return e;
}

// Quote marks alternate: a text whose straight quotes were curled the
// wrong way round (“…“, ”…“) still opens and closes its speech in turn,
// so narration is not taken for speech, nor speech for narration.
void Detector::QuoteMask(std::span<const Unit> u) {
  quoted_.assign(u.size(), 0);
  bool q = false;
  for (std::size_t i = 0; i < u.size(); ++i) {
    // The marks themselves count as speech; a mark right after another
    // opens a quote inside the quote (““…” of 「『…』」 made curly).
    if (u[i].Is(d::kQuoteOpen | d::kQuoteClose)) {
      quoted_[i] = 1;
      if (!q) {
        q = true;
      } else if (i == 0 || !u[i - 1].Is(d::kQuoteOpen | d::kQuoteClose)) {
        q = false;
      }
    } else {
      quoted_[i] = q;
    }
  }
}

std::size_t Detector::CountOf(std::string_view stripped) const {
  if (stripped.size() > kMaxCountedLineBytes) return 1;
  const auto range = std::equal_range(short_lines_.begin(), short_lines_.end(), HashOf(stripped));
  return static_cast<std::size_t>(range.second - range.first);
}

bool Detector::BareSiteName(std::string_view stripped) const {
  const std::size_t n = stripped.size();
  if (n % 2 != 0 || n < 6 || n > 2 * static_cast<std::size_t>(kMaxSiteNameHan)) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(stripped.data());
  std::array<Unit, kMaxSiteNameHan> u;
  for (std::size_t k = 0; k < n / 2; ++k) {
    const std::uint16_t code = static_cast<std::uint16_t>(p[2 * k] << 8 | p[2 * k + 1]);
    const d::Glyph& g = glyphs_[code];
    if ((g.cls & d::kCjk) == 0) return false;
    u[k].code = code;
    u[k].fold = g.fold;
  }
  return EndsAsSiteName(std::span<const Unit>(u.data(), n / 2)) && !IsTitle(stripped);
}

bool Detector::HoldsHouseLine(std::string_view stripped) const {
  if (!house_in_plain_) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(stripped.data());
  for (std::size_t k = 0; k + 4 <= stripped.size(); k += 2) {
    const unsigned key = HouseKey(stripped.data() + k);
    if ((house_first_[key >> 6] >> (key & 63) & 1) == 0) continue;
    const std::uint16_t c = static_cast<std::uint16_t>(p[k] << 8 | p[k + 1]);
    auto it = std::lower_bound(house_starts_.begin(), house_starts_.end(), std::pair<std::uint16_t, std::uint32_t>{c, 0});
    for (; it != house_starts_.end() && it->first == c; ++it) {
      const std::string& h = house_[it->second];
      if (stripped.substr(k, h.size()) == h && h.size() != stripped.size()) return true;
    }
  }
  return false;
}

Detector::LineFacts Detector::JudgeWhole(d::LineSummary sum, std::string_view line, bool beside_title) {
  std::size_t ub = 0, ue = units_.size();
  while (ub < ue && units_[ub].Is(d::kBlank)) ++ub;
  while (ue > ub && units_[ue - 1].Is(d::kBlank)) --ue;
  const auto shift = [&](bool back) {
    for (Hit& h : hits_) {
      h.begin = back ? h.begin + static_cast<std::uint32_t>(ub) : h.begin - static_cast<std::uint32_t>(ub);
      h.end = back ? h.end + static_cast<std::uint32_t>(ub) : h.end - static_cast<std::uint32_t>(ub);
    }
  };
  if (ub != 0) shift(false);
  const LineFacts f =
      JudgeLine(std::span<const Unit>(units_).subspan(ub, ue - ub), hits_, sum, Strip(line), beside_title, 0);
  if (ub != 0) shift(true);
  return f;
}

void Detector::Words(std::span<const Unit> u, std::size_t a, std::size_t b,
                     std::vector<std::string>* out) {
  scratch_hits_.clear();
  vocab_.FindHits(u, a, b, &scratch_hits_);
  for (const Hit& h : scratch_hits_) {
    const std::string& w = vocab_.WordOf(u, h).gbk;
    if (std::find(out->begin(), out->end(), w) == out->end()) out->push_back(w);
  }
}

// A clause mark doubled (，，  ,,): a story never writes one; a rule took
// what stood between them.
bool IsRuinMark(const Unit& c) {
  return (c.Is(d::kClauseEnd) && !c.Is(d::kSentenceEnd | d::kPause)) || c.fold == ',';
}

bool DoubledMarks(std::span<const Unit> u) {
  for (std::size_t k = 1; k < u.size(); ++k)
    if (IsRuinMark(u[k]) && IsRuinMark(u[k - 1])) return true;
  return false;
}

// What a rule leaves when it takes the middle of a pasted line: its lead
// (a few characters with advertising words) and the symbols after it, glued
// into the story (押app到, 向前一请登录--.把, 值您已阅读到此章节，，，，凤姐).
// The seeds found:
//   - a run of symbols inside Han text, with the characters before it when
//     advertising words of weight 2 or more cover them (up to four, one not
//     covered); alone it
//     needs two symbols or an ASCII full stop (a text of full-width
//     punctuation writes none) or words of weight 2, and a run of one repeated mark (......, --,
//     ~~, **) is the story's own pause or rule;
//   - doubled clause marks after advertising words (weight 3 or more, at
//     most three characters not covered), from the first word on;
//   - a word of Latin letters no story writes between Han characters
//     (app, txt, wap), outside speech.
void Detector::RuinSeeds(std::span<const Unit> u, std::vector<Seed>* seeds) {
  if (ascii_punct_) return;
  constexpr std::size_t kMaxLead = 4;
  const std::size_t n = u.size();
  // The start of the advertising words that end at `end` (at most one
  // character between them not covered), and their weight.
  auto lead = [&](std::size_t end, std::size_t max_chars, int* weight) {
    std::size_t start = end, k = end;
    int uncovered = 0;
    *weight = 0;
    while (k > 0 && end - k < max_chars && u[k - 1].Is(d::kCjk)) {
      --k;
      if (covered_[k] == 0) {
        if (++uncovered > 1) break;
        continue;
      }
      start = k;
    }
    for (const Hit& h : hits_) {
      if (h.begin >= start && h.end <= end) *weight += h.weight;
      // A word the walk entered in its middle is taken whole.
      if (h.begin < start && h.end > start && h.end <= end) {
        start = h.begin;
        *weight += h.weight;
      }
    }
    return *weight > 0 ? start : end;
  };
  static const std::uint16_t dash = d::CodeOf("—");
  auto in_run = [&](const Unit& c) { return (c.Separator() && !c.Is(d::kOpenBracket)) || c.code == dash; };
  for (std::size_t i = 0; i < n;) {
    if (!in_run(u[i]) || i == 0 || !u[i - 1].Is(d::kCjk)) {
      ++i;
      continue;
    }
    // The run: symbols, letters, blanks and dashes, up to the story again.
    const std::size_t from = i;
    std::size_t j = i;
    int symbols = 0;
    bool full_stop = false, one_mark = true;
    while (j < n && in_run(u[j])) {
      symbols += u[j].Junk();
      full_stop |= u[j].code == '.';
      one_mark &= u[j].code == u[from].code;
      ++j;
    }
    while (j > from && u[j - 1].Is(d::kBlank)) --j;
    i = std::max(j, from + 1);
    const std::size_t end = j;
    // At a line's end the line is judged whole (its lead and junk end).
    if (end >= n || !u[end].Is(d::kCjk | d::kQuoteOpen)) continue;
    const std::uint16_t m = u[from].code;
    if (one_mark && end - from >= 2 && (m == '.' || m == '-' || m == '~' || m == '*' || m == '=' || m == dash))
      continue;
    if (symbols == 0) continue;
    int w = 0;
    std::size_t start = lead(from, kMaxLead, &w);
    // Glue words alone (书, 新, 快) may be the story's last characters.
    if (w < 2) start = from;
    // One symbol (a slash, a wave) may be the story's, in speech above all.
    if (symbols < 2 && !full_stop && (w < 2 || quoted_[from] || m == '~')) continue;
    seeds->push_back({{start, end}, 0, kShapeResidue});
  }
  for (std::size_t k = 1; k < n; ++k) {
    if (!IsRuinMark(u[k]) || !IsRuinMark(u[k - 1]) || (k >= 2 && IsRuinMark(u[k - 2]))) continue;
    std::size_t e = k + 1;
    while (e < n && IsRuinMark(u[e])) ++e;
    const std::size_t end = k - 1;
    int w = 0, uncovered = 0;
    std::size_t start = end;
    for (const Hit& h : hits_) {
      if (h.end > end) break;
      if (h.end + 16 < end) continue;
      start = std::min<std::size_t>(start, h.begin);
    }
    bool clause_between = false;
    for (std::size_t p = start; p < end; ++p) {
      uncovered += u[p].Is(d::kCjk) && covered_[p] == 0;
      clause_between |= u[p].Is(d::kClauseEnd);
    }
    for (const Hit& h : hits_)
      if (h.begin >= start && h.end <= end) w += h.weight;
    if (w >= 3 && uncovered <= 3 && !clause_between) seeds->push_back({{start, e}, w, kShapeResidue});
  }
  // Labels with their colons and no values (作者：分类：) inside the text:
  // the first label is the word before its colon, or two characters.
  for (std::size_t k = 1; k < n; ++k) {
    if (!IsColon(u[k]) || !u[k - 1].Is(d::kCjk)) continue;
    std::size_t end = 0;
    if (SpeechVerb(u[k - 1]) || EmptyLabels(u, k + 1, &end) < 1 || (end < n && u[end].Is(d::kCjk | d::kQuote)))
      continue;
    std::size_t start = k >= 2 && u[k - 2].Is(d::kCjk) ? k - 2 : k - 1;
    for (const Hit& h : hits_)
      if (h.end == k) start = std::min<std::size_t>(start, h.begin);
    seeds->push_back({{start, end}, 0, kShapeResidue});
    k = end;
  }
  // Latin words of advertising alone between Han characters.
  for (const Hit& h : hits_) {
    if (h.weight < 3 || h.begin == 0 || h.end >= n || quoted_[h.begin]) continue;
    bool latin = true;
    for (std::size_t p = h.begin; p < h.end && latin; ++p) latin = u[p].Is(d::kLetter) && u[p].len == 1;
    if (latin && u[h.begin - 1].Is(d::kCjk) && u[h.end].Is(d::kCjk | d::kQuoteOpen))
      seeds->push_back({{h.begin, h.end}, 0, kShapeResidue});
  }
}

// The pieces of the current line (units_, hits_) to remove while the rest
// of the line stays.
void Detector::InlinePieces(d::LineSummary sum, std::vector<Piece>* pieces) {
  const std::span<const Unit> u(units_);
  const std::size_t n = u.size();
  const bool latin = (sum.classes & d::kLatin) != 0;
  const bool separators = latin || sum.symbols || (sum.classes & d::kBlank) != 0;
  const bool brackets = sum.symbols || (sum.classes & d::kOpenBracket) != 0;
  // Most story lines hold none of the shapes and too few words: done.
  int words = 0;
  for (const Hit& h : hits_) words += h.weight;
  if (script_pasted_) OtherScriptRuns(u, script_, &script_runs_);
  const bool other_script = script_pasted_ && !script_runs_.empty();
  if (!separators && !brackets && words < 4 && !(words >= 3 && DoubledMarks(u)) && !EmptyLabelsIn(u) &&
      !other_script)
    return;

  covered_.assign(n, 0);
  for (const Hit& h : hits_) std::fill(covered_.begin() + h.begin, covered_.begin() + h.end, h.weight);
  QuoteMask(u);

  std::vector<Seed>& seeds = seeds_;
  seeds.clear();
  if (latin) {
    d::LatinRuns(u, &runs_);
    for (const Range& r : runs_) {
      if (d::HostLike(u, r)) seeds.push_back({d::ExtendOverJunk(u, r), 0, kShapeHost});
    }
  }
  if (separators) {
    d::JunkRuns(u, &runs_, has_word_);
    for (const Range& r : runs_) seeds.push_back({d::ExtendOverJunk(u, r), 0, kShapeJunkName});
  }
  if (sum.symbols) {
    d::IsolatedRuns(u, &runs_);
    for (const Range& r : runs_) seeds.push_back({r, 0, kShapeIsolated});
  }
  if (other_script) {
    for (const Range& r : script_runs_) seeds.push_back({r, 0, kShapeOtherScript});
  }

  // A bracket the story never writes (【, 〖), opened inside Han text and
  // never closed, before a short name ending in a character that ends
  // site names (【某某中文网): what a rule or a wrap left of a site's tag.
  static const std::uint16_t lenticular = d::CodeOf("【"), white = d::CodeOf("〖");
  static const std::vector<std::uint16_t> name_ends = CodesOf("网阁楼屋站吧盟");
  for (std::size_t i = 1; brackets && i + 1 < n; ++i) {
    if ((u[i].code != lenticular && u[i].code != white) || !u[i - 1].Is(d::kCjk)) continue;
    const std::uint16_t close = d::ClosingBracket(u[i].code);
    bool closed = false;
    for (std::size_t k = i + 1; k < n && !closed; ++k) closed = u[k].code == close;
    if (closed) continue;
    constexpr std::size_t kMaxName = 8;
    for (std::size_t k = i + 1; k < n && k - i <= kMaxName && u[k].Is(d::kCjk); ++k) {
      if (k - i >= 2 && std::find(name_ends.begin(), name_ends.end(), u[k].fold) != name_ends.end()) {
        seeds.push_back({{i, k + 1}, 0, kShapeBracket});
        break;
      }
    }
  }

  // Brackets, and pairs of one symbol, around advertising words.
  for (std::size_t i = 0; brackets && i < n; ++i) {
    if (!u[i].Is(d::kOpenBracket) && !u[i].Junk()) continue;
    std::uint16_t close = d::ClosingBracket(u[i].code);
    const bool pair_of_one = close == 0 && u[i].Junk() && u[i].fold != '.' && u[i].fold != ',';
    if (pair_of_one) close = u[i].code;
    if (close == 0) continue;
    std::size_t j = i + 1;
    while (j < n && j - i <= kMaxBracketSpan && u[j].code != close) ++j;
    if (j >= n || j - i > kMaxBracketSpan || j == i + 1) continue;
    if (pair_of_one) {
      bool sentence = false;
      for (std::size_t k = i + 1; k < j && !sentence; ++k) sentence = u[k].Is(d::kSentenceEnd) && u[k].len == 2;
      if (sentence) continue;
    }
    const Evidence e = EvidenceIn(u, i + 1, j);
    const int need = 3 + static_cast<int>(j - i) / 12;
    // Inside a quote only brackets the story does not write (symbols, or
    // ASCII ones in a text of full-width punctuation) go for few words.
    const bool pasted = !u[i].Is(d::kStoryPunct) && !ascii_punct_;
    if (e.strong >= 3 && e.weight >= need && (!quoted_[i] || pasted || e.weight >= 6 || e.top >= 4)) {
      // Han characters glued to an address's letters up to the closing
      // bracket, in no word, are where the story resumes (万象争辉（[…net]匾额）):
      // the brackets are the story's, the address in them is what goes.
      constexpr std::size_t kMaxResumed = 6;
      std::size_t k = j;
      while (k > i + 1 && j - k < kMaxResumed && u[k - 1].Is(d::kCjk) && covered_[k - 1] == 0) --k;
      const bool resumes = k < j && k > i + 1 && u[k - 1].Is(d::kLetter);
      seeds.push_back({resumes ? Range{i + 1, k} : Range{i, j + 1}, 0, kShapeBracket});
    }
  }

  // Clusters of advertising words: hits at most two story characters apart
  // (four after a strong word), no sentence end between them.
  auto gap = [&](std::size_t a, std::size_t b) {
    std::size_t g = 0;
    for (std::size_t k = a; k < b; ++k) g += u[k].Is(d::kCjk | d::kStoryPunct);
    return g;
  };
  auto sentence_between = [&](std::size_t a, std::size_t b) {
    for (std::size_t k = a; k < b; ++k)
      if (u[k].Is(d::kSentenceEnd)) return true;
    return false;
  };
  auto story_across_clause = [&](std::size_t a, std::size_t b) {
    int han = 0;
    bool clause_end = false;
    for (std::size_t k = a; k < b; ++k) {
      han += u[k].Is(d::kCjk);
      clause_end |= u[k].Is(d::kClauseEnd);
    }
    return clause_end && han >= 2;
  };
  struct Cluster {
    std::size_t a, b;
    int weight, top;
  };
  std::vector<Cluster> clusters;
  for (const Hit& h : hits_) {
    if (!clusters.empty()) {
      Cluster& c = clusters.back();
      const std::size_t allowed = c.weight >= 3 && h.weight >= 2 ? 4 : 2;
      // Story words between them across a clause end (网站的更新，又翻到下一章)
      // part them: advertising runs its words together. So does story
      // glued to an address's letters (…com你先请罢): the story resumes there.
      const bool resumes = h.begin > c.b && u[c.b - 1].Is(d::kLetter) && u[c.b].Is(d::kCjk);
      if (gap(c.b, h.begin) <= allowed && !sentence_between(c.b, h.begin) &&
          !story_across_clause(c.b, h.begin) && !resumes) {
        c.b = h.end;
        c.weight += h.weight;
        c.top = std::max<int>(c.top, h.weight);
        continue;
      }
    }
    clusters.push_back({h.begin, h.end, h.weight, h.weight});
  }
  for (const Cluster& c : clusters) {
    // One advertising-only word of two characters (防盗 in 谨防盗贼) is not enough.
    const bool long_strong = c.top >= 4 && c.b - c.a >= 3;
    // Speech holds no symbols, nor blanks between its words: words with
    // those in or beside them were pasted into the quote.
    bool junk = false;
    for (std::size_t k = c.a > 0 ? c.a - 1 : 0; k < std::min(n, c.b + 1) && !junk; ++k)
      junk = u[k].Junk() || (u[k].Is(d::kBlank) && k > c.a && k < c.b);
    const int quoted_need = !junk ? 9 : c.top >= 4 ? 4 : 6;
    const int need = quoted_[c.a] ? quoted_need : (long_strong ? 4 : c.top >= 3 ? 5 : 7) - (junk ? 1 : 0);
    // Words stories share (网站, 小说, 更新, 章节) with the story's own
    // characters between them are a reader's talk (网站的小说更新得很快):
    // advertising runs such words together.
    if (c.top <= 2 && !junk) {
      int glue = 0;
      for (std::size_t k = c.a; k < c.b; ++k) glue += u[k].Is(d::kCjk) && covered_[k] == 0;
      if (glue >= 3) continue;
    }
    if (c.weight >= need) seeds.push_back({{c.a, c.b}, c.weight, kShapeWords});
  }
  RuinSeeds(u, &seeds);
  if (seeds.empty()) return;
  d::Clauses(u, &clauses_);

  // A seed takes its clause when little story text is left in it; a clause
  // taken takes its neighbours when they are advertising too.
  const std::size_t nc = clauses_.size();
  constexpr std::uint8_t kNone = 0, kAll = 1, kPart = 2;
  marks_.assign(nc, kNone);
  std::vector<Range> parts(nc);
  auto clause_of = [&](std::size_t p) {
    for (std::size_t k = 0; k < nc; ++k)
      if (clauses_[k].first <= p && p < clauses_[k].second) return k;
    return nc - 1;
  };
  for (const Seed& s : seeds) {
    pieces->push_back({s.r, s.shape});
    // A stretch of the other script ends where the text's own script
    // resumes: the story's characters beside it stay.
    if (s.shape == kShapeOtherScript) continue;
    const std::size_t k1 = clause_of(s.r.first), k2 = clause_of(std::max(s.r.first, s.r.second - 1));
    for (std::size_t k = k1; k <= k2; ++k) {
      // Story characters at the clause's edges, outside every word and the
      // seed, are the story the advertisement was put into; uncovered
      // characters between words are its own glue.
      const auto [a, b] = clauses_[k];
      // The advertisement is the seed and the words of weight 2 or more,
      // with the glue words (请, 看) that touch them: a glue word set apart
      // by story characters (com你先请罢) is the story's own.
      auto core = [&](std::size_t p) { return covered_[p] >= 2 || (s.r.first <= p && p < s.r.second); };
      std::size_t first = a, last = b;
      while (first < b && !core(first)) ++first;
      while (last > first && !core(last - 1)) --last;
      while (first > a && first < last && covered_[first - 1] != 0) --first;
      while (last < b && last > first && covered_[last] != 0) ++last;
      auto inside = [&, lo = first, hi = last](std::size_t p) {
        return p >= lo && p < hi && (covered_[p] != 0 || (s.r.first <= p && p < s.r.second));
      };
      int edge = 0, glue = 0;
      // A character glued to an address's letters or to a bracket or symbol
      // of the advertisement is where it was pasted into the story (通关文
      // …net牒, 而【…】): never the ad's own, as a word's neighbour may be.
      bool glued = false;
      auto pasted_at = [&, lo = a, hi = b](std::size_t q) { return q >= lo && q < hi && inside(q) && !u[q].Is(d::kCjk); };
      for (std::size_t p = a; p < b; ++p) {
        if (!u[p].Is(d::kCjk) || inside(p)) continue;
        const bool at_edge = p < first || p >= last;
        (at_edge ? edge : glue) += 1;
        glued |= at_edge && ((p > a && pasted_at(p - 1)) || pasted_at(p + 1));
      }
      if (edge <= 1 && !glued && glue <= (s.cluster >= 6 ? 4 : 1)) marks_[k] = kAll;
    }
  }
  for (bool changed = true; changed;) {
    changed = false;
    for (std::size_t k = 0; k < nc; ++k) {
      if (marks_[k] != kAll) continue;
      for (int side = 0; side < 2; ++side) {
        if ((side == 0 && k == 0) || (side == 1 && k + 1 >= nc)) continue;
        const std::size_t nb = side == 0 ? k - 1 : k + 1;
        if (marks_[nb] != kNone) continue;
        const auto [a, b] = clauses_[nb];
        if (quoted_[a]) continue;
        int w = 0, uncovered = 0;
        std::size_t first = b, last = a;
        for (const Hit& h : hits_) {
          if (h.begin >= a && h.end <= b) {
            w += h.weight;
            first = std::min<std::size_t>(first, h.begin);
            last = h.end;
          }
        }
        for (std::size_t p = a; p < b; ++p) uncovered += u[p].Is(d::kCjk) && covered_[p] == 0;
        if (w < 2) continue;
        auto strong_in = [&](std::size_t x, std::size_t y) {
          for (const Hit& h : hits_)
            if (h.begin >= x && h.end <= y && h.weight >= 3) return true;
          return false;
        };
        auto han = [&](std::size_t x, std::size_t y) {
          int c = 0;
          for (std::size_t p = x; p < y; ++p) c += u[p].Is(d::kCjk);
          return c;
        };
        // Story characters on the far side of the advertisement's first
        // pasted mark (a letter, bracket or symbol: 不觉的www…, 而【告知…)
        // are the sentence it was put into; the advertisement starts at the
        // mark (ends after it, in the clause after).
        std::size_t cut = side == 0 ? a : b;
        if (first < b) {
          if (side == 0) {
            std::size_t m = first;
            if (!u[first].Is(d::kLatin)) {
              while (m > a && u[m - 1].Is(d::kCjk) && covered_[m - 1] == 0) --m;
              // Blanks pad the mark ([ 免费…): it is still the edge.
              std::size_t mark = m;
              while (mark > a && u[mark - 1].Is(d::kBlank)) --mark;
              if (mark > a && u[mark - 1].Separator() && !u[mark - 1].Is(d::kBlank)) m = mark - 1;
              else m = a;
            }
            if (m > a && han(a, m) > 0 && std::all_of(covered_.begin() + a, covered_.begin() + m,
                                                      [](int c) { return c == 0; })) {
              bool story_only = true;
              for (std::size_t p = a; p < m; ++p) story_only &= u[p].Is(d::kCjk | d::kStoryPunct | d::kBlank);
              if (story_only) cut = m;
            }
          } else {
            std::size_t m = last;
            if (!u[last - 1].Is(d::kLatin)) {
              while (m < b && u[m].Is(d::kCjk) && covered_[m] == 0) ++m;
              std::size_t mark = m;
              while (mark < b && u[mark].Is(d::kBlank)) ++mark;
              if (mark < b && u[mark].Separator() && !u[mark].Is(d::kBlank)) m = mark + 1;
              else m = b;
            }
            if (m < b && han(m, b) > 0 && std::all_of(covered_.begin() + m, covered_.begin() + b,
                                                      [](int c) { return c == 0; })) {
              bool story_only = true;
              for (std::size_t p = m; p < b; ++p) story_only &= u[p].Is(d::kCjk | d::kStoryPunct | d::kBlank);
              if (story_only) cut = m;
            }
          }
        }
        const bool glued = side == 0 ? cut > a : cut < b;
        if (uncovered <= 3 && !glued) {
          marks_[nb] = kAll;
          changed = true;
        } else if (uncovered <= 3) {
          marks_[nb] = kPart;
          parts[nb] = side == 0 ? Range{cut, b} : Range{a, cut};
        } else if (side == 0 && first < b && han(last, b) <= 2 && strong_in(a, b)) {
          // The advertisement began inside the story's clause: from its first word on.
          marks_[nb] = kPart;
          parts[nb] = {first, b};
        } else if (side == 1 && first < b && han(a, first) <= 1 && strong_in(a, b)) {
          // It ends inside the next clause: up to its last word and the junk after it.
          std::size_t y = last;
          while (y < b && u[y].Separator() && !u[y].Is(d::kQuote)) ++y;
          marks_[nb] = kPart;
          parts[nb] = {a, y};
        }
      }
    }
  }
  for (std::size_t k = 0; k < nc; ++k) {
    if (marks_[k] == kAll) pieces->push_back({clauses_[k], kShapeClause});
    if (marks_[k] == kPart) pieces->push_back({parts[k], kShapeClause});
  }
}

// A paragraph's story ends in a sentence end (or a closing quote). What
// follows its last one, ending no sentence of its own, short and with
// advertising words in it, was put after the story: a slogan glued to the
// paragraph it followed.
void Detector::TailPiece(std::vector<Piece>* pieces) {
  constexpr std::size_t kMaxTail = 16;  // Han characters; slogans are short
  const std::span<const Unit> u = units_;
  std::size_t end = u.size();
  while (end > 0 && u[end - 1].Is(d::kBlank)) --end;
  if (end == 0 || u[end - 1].Is(d::kSentenceEnd | d::kQuoteClose)) return;
  std::size_t begin = end;
  int han = 0;
  while (begin > 0 && !u[begin - 1].Is(d::kSentenceEnd | d::kQuoteClose)) {
    --begin;
    // Words inside an open quote are a character's.
    if (u[begin].Is(d::kQuote)) return;
    han += u[begin].Is(d::kCjk);
    if (static_cast<std::size_t>(han) > kMaxTail) return;
  }
  // The story before it: a paragraph's worth, ended.
  if (begin < 8 || han < 2) return;
  int weight = 0, covered = 0;
  for (const Hit& h : hits_) {
    if (h.begin < begin || h.end > end) continue;
    weight += h.weight;
    covered += static_cast<int>(h.end - h.begin);
  }
  if (weight < 3 || 3 * covered < han) return;
  // A clause of story before the first word or mark, four Han characters
  // or more with its clause mark, goes on the story's sentence: the line
  // broke there, the paragraph did not end (帝然其说，[因www…]).
  std::size_t first = begin;
  std::vector<char> worded(end - begin, 0);
  for (const Hit& h : hits_) {
    if (h.begin < begin || h.end > end) continue;
    std::fill(worded.begin() + (h.begin - begin), worded.begin() + (h.end - begin), 1);
  }
  while (first < end && !worded[first - begin] && !(u[first].Separator() && !u[first].Is(d::kBlank))) ++first;
  std::size_t keep = begin;
  int story = 0;
  for (std::size_t k = begin; k < first; ++k) {
    story += u[k].Is(d::kCjk);
    if (u[k].Is(d::kClauseEnd) && story >= 4) keep = k + 1;
  }
  pieces->push_back({{keep, u.size()}, kShapeWords | kShapeTail});
}

bool Detector::TrimStoryEdges(std::span<const Unit>* span) {
  std::span<const Unit> u = *span;
  const std::size_t n = u.size();
  std::vector<char>& worded = edge_worded_;
  worded.assign(n, 0);
  // Glue words (请, 看) are the story's as often as an advertisement's.
  for (const Hit& h : scratch_hits_) {
    if (h.weight >= 2) std::fill(worded.begin() + h.begin, worded.begin() + h.end, 1);
  }
  auto story = [&](std::size_t k) { return u[k].Is(d::kCjk | d::kStoryPunct) && !worded[k]; };
  std::size_t a = 0, b = n;
  // Whole story sentences at the front, then at the back.
  for (std::size_t k = 0; k < n && story(k); ++k) {
    if (u[k].Is(d::kSentenceEnd)) a = k + 1;
  }
  while (a < b && u[a].Is(d::kClauseTail | d::kBlank)) ++a;
  std::size_t tail = b;
  for (std::size_t k = b; k > a && story(k - 1); --k) {
    if (k - 1 > a && u[k - 2].Is(d::kSentenceEnd) && !u[k - 1].Is(d::kClauseTail)) tail = k - 1;
  }
  b = tail;
  // Story text at an edge glued to a host's letters (not to symbols: those
  // are a deformed name's last characters, 小.说.天.堂): a Han character or
  // two, speech, or a clause that ends after the address (…com下回分解。)
  // were the sentence the address was pasted into; longer Han text bare of
  // punctuation is a site's name (阿巴达txt, 内容来自www).
  auto glued_story = [&](std::size_t from, std::size_t to, bool after) {
    int han = 0;
    bool speech = false;
    for (std::size_t k = from; k < to; ++k) {
      han += u[k].Is(d::kCjk);
      speech |= u[k].Is(d::kQuote);
    }
    return han > 0 && (han <= 2 || speech || (after && u[to - 1].Is(d::kClauseEnd)));
  };
  std::size_t front = a;
  while (front < b && story(front)) ++front;
  if (front < b && u[front].Is(d::kLatin) && glued_story(a, front, false)) a = front;
  std::size_t back = b;
  while (back > a && story(back - 1)) --back;
  if (back > a && back < b && u[back - 1].Is(d::kLatin) && glued_story(back, b, true)) b = back;
  if (a == 0 && b == n) return false;
  *span = b > a ? u.subspan(a, b - a) : u.subspan(0, 0);
  return true;
}

bool Detector::RepeatIsAd(std::string_view passage, std::uint32_t copies, std::size_t* first, std::size_t* last) {
  d::LineSummary sum = d::SplitUnits(passage, &judge_units_);
  if (ascii_punct_) sum = AsStoryPunctuation(&judge_units_);
  std::span<const Unit> u(judge_units_);
  // Story punctuation and blanks at its edges are where the copies happened
  // to agree on the story around them; an opening quote never ends a slogan.
  std::size_t a = 0, b = u.size();
  while (a < b && (u[a].Is(d::kClauseEnd | d::kClauseTail | d::kQuote | d::kBlank))) ++a;
  while (b > a && (u[b - 1].Is(d::kQuoteOpen | d::kBlank))) --b;
  if (b - a < 4) return false;
  u = u.subspan(a, b - a);
  scratch_hits_.clear();
  vocab_.FindHits(u, 0, u.size(), &scratch_hits_);
  // Copies pasted at the same place in their chapters agree on the story's
  // formulae around them by chance (且听下回分解。 before, 却说 after): a
  // sentence at an edge that is Han text and story punctuation alone, with
  // no word in it, and such text between the passage's letters and its
  // edge, are the story's.
  if (TrimStoryEdges(&u)) {
    if (u.size() < 4) return false;
    scratch_hits_.clear();
    vocab_.FindHits(u, 0, u.size(), &scratch_hits_);
  }
  int weight = 0, strong = 0, glue = 0, covered = 0, han = 0;
  for (const Hit& h : scratch_hits_) {
    weight += h.weight;
    if (h.weight >= 3) strong += h.weight;
    glue += h.weight == 1;
    covered += static_cast<int>(h.end - h.begin);
  }
  int letters = 0, digits = 0, longest_number = 0;
  for (const Unit& c : u) {
    han += c.Is(d::kCjk);
    letters += c.Is(d::kLetter);
    digits = c.fold >= '0' && c.fold <= '9' ? digits + 1 : 0;
    longest_number = std::max(longest_number, digits);
  }
  int shapes = 0;
  if ((sum.classes & d::kLatin) != 0) {
    d::LatinRuns(u, &runs_);
    for (const Range& r : runs_) shapes += d::HostLike(u, r) ? 4 : 0;
  }
  if (sum.symbols || (sum.classes & (d::kLatin | d::kBlank)) != 0) {
    d::JunkRuns(u, &runs_, has_word_);
    shapes += runs_.empty() ? 0 : 2;
  }
  // Letters among symbols in a repeated passage: a deformed name or address.
  if (letters >= 2 && sum.symbols) shapes += 4;
  // A number of five digits or more pasted again and again: a QQ group, a
  // site's number.
  if (longest_number >= 5) shapes += 2;
  // Repetition is evidence already: fewer words than a line needs, but an
  // advertising-only word or an address, or else four shared words (the
  // glue words not counted); never a long story sentence around one word.
  const int story = han - covered;
  const bool shared_only = strong == 0 && shapes == 0;
  const int w = weight + std::min(shapes, 4) - (shared_only ? glue : 0);
  // Speech a character repeats needs twice the words and a strong one.
  bool speech = false;
  for (const Unit& c : judge_units_) speech |= c.Is(d::kQuote);
  if (speech && (strong < 3 || w < 8)) return false;
  // Pasted four times or more: half the shared words do (a story says a
  // sentence of its own about websites and updates again, but not in
  // chapter after chapter).
  const int shared_need = copies >= 4 ? 4 : 8;
  if (w < (shared_only ? shared_need : 4) || 12 * w < 24 + story) return false;
  *first = u.front().off;
  *last = u.back().off + u.back().len;
  return true;
}

Detector::LineFacts Detector::JudgeLine(std::span<const Unit> u, std::span<const Hit> hits,
                                        d::LineSummary sum, std::string_view stripped,
                                        bool beside_title, int removed_bonus) {
  LineFacts f;
  const std::size_t n = u.size();
  if (n == 0) {
    f.ad = true;
    f.shapes = kShapeResidue;
    return f;
  }
  // A line of nothing but labels with their colons, two or more.
  std::size_t card_end = 0;
  if (EmptyLabels(u, 0, &card_end) >= 2 && card_end == n) {
    f.ad = true;
    f.shapes = kShapeResidue;
    return f;
  }
  Evidence e;
  for (const Hit& h : hits) {
    e.weight += h.weight;
    e.glue += h.weight == 1;
    if (h.weight >= 3) e.strong += h.weight;
    e.top = std::max<int>(e.top, h.weight);
    e.covered += h.end - h.begin;
  }
  const int han = sum.han;
  const bool latin = (sum.classes & d::kLatin) != 0;
  const bool separators = latin || sum.symbols || (sum.classes & d::kBlank) != 0;
  // A line the file repeats word for word three times or more, with a word
  // of the list beyond the glue in it and no speech: a house line the site
  // pasted into chapter after chapter. The story's own repeated lines
  // (且看下文分解。, a verse, 行者道：“好！”) hold none, or are speech.
  if (han <= kMaxRepeatedLineHan && e.weight - e.glue >= 2 &&
      (sum.classes & (d::kQuoteOpen | d::kQuoteClose)) == 0 && !IsTitle(stripped) && CountOf(stripped) >= 3) {
    f.ad = true;
    f.shapes = kShapeWords | kShapeRepeated;
    return f;
  }
  // So is a line of Han text that ends in no mark at all, three times or
  // more: the story's lines end their sentences, or at least a clause (a
  // verse's 正是：); its titles pass the title test, and the names it sets
  // under its verses (潇湘妃子) are short.
  if (han >= 8 && han <= kMaxRepeatedBareHan && u[n - 1].Is(d::kCjk) &&
      (sum.classes & (d::kQuoteOpen | d::kQuoteClose)) == 0 && !IsTitle(stripped) && CountOf(stripped) >= 3) {
    f.ad = true;
    f.shapes = kShapeRepeated;
    return f;
  }
  // A short line of Han characters alone, no mark at all, ending as a
  // site's name does (乐文移动网, 稻草人书屋): the story ends its lines with
  // a mark, and names no site; its inscriptions and names under verses end
  // otherwise.
  if (han >= 3 && han <= kMaxSiteNameHan && static_cast<std::size_t>(han) == n && !IsTitle(stripped) &&
      EndsAsSiteName(u)) {
    f.ad = true;
    f.shapes = kShapeSiteName;
    return f;
  }
  if (!separators) {
    // Han characters, punctuation and words only: the words must outweigh
    // the story (or, in a short line, count at all).
    // (A title's ruin, judged below, may hold no words at all.)
    const bool maybe_ruin = removed_bonus > 0 && han <= 2;
    if (e.weight == 0 && han >= 2 && !maybe_ruin) return f;
    const int story = han - static_cast<int>(e.covered);
    const bool could_be_short = story <= 12;
    const bool could_outweigh = story <= kMaxStoryInAdLine &&
                                (e.weight + removed_bonus + 2) * kScale >= kScale * 5 / 2 + 3 * story;
    if (!could_be_short && !could_outweigh && han > 1) return f;
  }

  std::vector<std::uint8_t>& cov = covered_;
  cov.assign(n, 0);
  for (const Hit& h : hits) std::fill(cov.begin() + h.begin, cov.begin() + h.end, 1);
  int hosts = 0, junk = 0;
  if (latin) {
    d::LatinRuns(u, &runs_);
    for (const Range& r : runs_) {
      if (!d::HostLike(u, r)) continue;
      ++hosts;
      std::fill(cov.begin() + r.first, cov.begin() + r.second, 1);
    }
  }
  if (separators) {
    d::JunkRuns(u, &runs_, has_word_);
    for (const Range& r : runs_) {
      ++junk;
      std::fill(cov.begin() + r.first, cov.begin() + r.second, 1);
    }
  }
  // A line ending in two or more commas (or 、；：) ends no clause of a
  // story: a rule took what followed them, the rest of an advertisement.
  bool broken_end = false;
  if (n >= 2) {
    auto mark = [&](std::size_t k) { return u[k].Is(d::kClauseEnd) && !u[k].Is(d::kSentenceEnd | d::kPause); };
    broken_end = mark(n - 1) && mark(n - 2);
    if (broken_end) ++junk;
  }
  const bool stamp = (sum.classes & d::kLatin) != 0 && e.weight > 0 && HasStamp(u);
  if (stamp) ++junk;
  int story = 0;
  for (std::size_t k = 0; k < n; ++k) story += u[k].Is(d::kCjk) && cov[k] == 0;
  const bool quote = (sum.classes & (d::kQuoteOpen | d::kQuoteClose)) != 0;
  // What inline removal took counts only while advertising words are left,
  // or hardly any story: a story sentence that held an inserted address
  // keeps its line.
  if (e.weight == 0 && han > 3) removed_bonus = 0;
  int evidence = e.weight + 3 * std::min(hosts, 2) + 2 * std::min(junk, 2) + removed_bonus;
  f.weight = evidence;
  const unsigned shapes = kShapeWords | (hosts > 0 ? kShapeHost : 0u) |
                         (junk > (broken_end ? 1 : 0) ? kShapeJunkName : 0u) | (broken_end ? kShapeResidue : 0u);

  int digits = 0;
  for (const Unit& c : u) digits += c.fold >= '0' && c.fold <= '9';
  // A number of five digits or more alone is what is left of a QQ group or
  // a date, not a chapter's number.
  const bool number_only = han == 0 && digits >= 5;
  // What is left of a title line that held advertising ("第章" of
  // "第章免费阅读") is no title.
  const bool title_ruin = removed_bonus > 0 && han <= 2 && digits == 0;
  if (IsTitle(stripped) && title_ruin) {
    f.ad = true;
    f.shapes = kShapeTitle | kShapeResidue;
    return f;
  }
  if (IsTitle(stripped) && !number_only) {
    // A title stays unless advertising-only words fill it or it holds an address.
    if (e.strong >= 3 && (hosts > 0 || junk > 0 || 2 * e.covered >= static_cast<std::size_t>(han))) {
      f.ad = true;
      f.shapes = shapes | kShapeTitle;
    }
    return f;
  }
  // Two labels or more with their colons (作者：…分类：…), the labels
  // words of the list: a book's card, pasted in by the site.
  if (!quote && story <= 40 && !u[n - 1].Is(d::kSentenceEnd | d::kQuoteClose)) {
    static const std::uint16_t wide_colon = d::CodeOf("：");
    int labels = 0;
    for (const Hit& h : hits) labels += h.end < n && (u[h.end].code == wide_colon || u[h.end].fold == ':');
    if (labels >= 2) {
      f.ad = true;
      f.shapes = kShapeWords | kShapeResidue;
      return f;
    }
  }
  const bool speech = quote && hosts == 0 && junk == 0;
  if (speech) evidence -= 3;
  const bool bracketed = n >= 2 && d::ClosingBracket(u[0].code) != 0 &&
                         d::ClosingBracket(u[0].code) == u[n - 1].code;
  if (bracketed && e.strong >= 3) evidence += 2;
  // A sentence of two clauses or more, each with story words of its own
  // beside the advertising ones (他打开手机，看了看网站的更新，又翻到下一章节。),
  // is the story's: advertising runs its words together.
  bool story_sentence = false;
  if (hosts == 0 && junk == 0 && !bracketed && u[n - 1].Is(d::kSentenceEnd | d::kQuoteClose)) {
    d::Clauses(u, &clauses_);
    story_sentence = clauses_.size() >= 2;
    for (const Range& c : clauses_) {
      int own = 0;
      for (std::size_t k = c.first; k < c.second; ++k) own += u[k].Is(d::kCjk) && cov[k] == 0;
      story_sentence &= own >= 3;
    }
  }
  if (story <= kMaxStoryInAdLine && !story_sentence) {
    // Quoted speech with words only needs twice the weight; so do words
    // stories share (网站, 更新, 下载) without a word of advertising beside
    // them, where the glue words (weight 1) do not count at all.
    const int base = std::max(3 * kScale, kScale * 5 / 2 + 3 * story);
    const bool shared_only = e.strong == 0 && hosts == 0 && junk == 0;
    const int need = speech || shared_only ? 2 * base : base;
    if (shared_only) evidence -= e.glue;
    // Such words in a sentence with five story characters of its own
    // between them are a reader's talk (这个网站的小说更新得很快，章节也多。).
    const bool talk = shared_only && story >= 5 && u[n - 1].Is(d::kSentenceEnd);
    if (!talk && evidence * kScale >= need) {
      f.ad = true;
      f.shapes = shapes | (bracketed ? kShapeBracket : 0u);
      return f;
    }
  }
  // Single characters between symbols (》长>风》): the ruins of a junk name.
  if (han >= 2 && han <= 6 && !quote && sum.symbols) {
    bool isolated = true;
    int symbols = 0;
    for (std::size_t k = 0; k < n; ++k) {
      symbols += !u[k].Is(d::kCjk | d::kBlank);
      if (!u[k].Is(d::kCjk)) continue;
      if ((k > 0 && u[k - 1].Is(d::kCjk)) || (k + 1 < n && u[k + 1].Is(d::kCjk))) isolated = false;
    }
    // One character repeated between symbols is a laugh (哈~哈~哈).
    std::uint16_t first = 0;
    bool repeated = true;
    for (std::size_t k = 0; k < n; ++k) {
      if (!u[k].Is(d::kCjk)) continue;
      if (first == 0) first = u[k].fold;
      repeated &= u[k].fold == first;
    }
    if (isolated && symbols >= 2 && !repeated) {
      f.ad = true;
      f.shapes = kShapeIsolated;
      return f;
    }
  }
  // What an earlier stage left of an advertisement: symbols and letters,
  // no story (a line of … or — alone is a pause in the story).
  static const std::uint16_t dash = d::CodeOf("—");
  bool pause = false;
  for (const Unit& c : u) pause |= c.Is(d::kPause) && c.code != dash;
  // One Han character with punctuation is a word of the story (嗯。); with
  // letters beside it, the ruin of an address.
  if ((han == 0 || (han == 1 && latin)) && !pause) {
    static const std::vector<std::uint16_t> residue_marks = CodesOf("，。、：；（）【】《》.,:;()[]<>/\\|_=+^~`'\"");
    bool residue = latin;
    for (std::size_t k = 0; k < n && !residue; ++k)
      residue = std::find(residue_marks.begin(), residue_marks.end(), u[k].code) != residue_marks.end();
    if (residue) {
      f.ad = true;
      f.shapes = kShapeResidue;
      return f;
    }
  }
  // A book's promotion: a title in 《》 and another bracketed span (【…】,
  // (…)) make up the line, hardly a character of story outside them.
  if (!quote && han <= 40 && !u[n - 1].Is(d::kSentenceEnd)) {
    static const std::uint16_t title_open = d::CodeOf("《");
    int titles = 0, others = 0, outside = 0;
    for (std::size_t k = 0; k < n;) {
      const std::uint16_t close =
          u[k].Is(d::kOpenBracket) && !u[k].Is(d::kQuote) ? d::ClosingBracket(u[k].code) : 0;
      std::size_t j = k + 1;
      while (close != 0 && j < n && u[j].code != close) ++j;
      if (close != 0 && j < n && j > k + 1) {
        (u[k].code == title_open ? titles : others) += 1;
        k = j + 1;
        continue;
      }
      outside += u[k].Is(d::kCjk);
      ++k;
    }
    // With symbols, letters or a word of the list in it: a verse's title
    // and its tune in brackets is the story's.
    if (titles >= 1 && others >= 1 && outside <= 4 && (sum.symbols || latin || e.weight > 0)) {
      f.ad = true;
      f.shapes = kShapeBracket;
      return f;
    }
  }
  // Symbols after a short line's last sentence end (…愉快！^_^): a site's
  // sign-off, when advertising words stand in it.
  if (!quote && story <= 12 && e.weight >= 2 && sum.symbols) {
    std::size_t k = n;
    int symbols = 0;
    while (k > 0 && !u[k - 1].Is(d::kCjk | d::kStoryPunct)) symbols += u[--k].Junk();
    if (symbols >= 2 && k > 0 && u[k - 1].Is(d::kSentenceEnd)) {
      f.ad = true;
      f.shapes = kShapeWords | kShapeResidue;
      return f;
    }
  }
  // A few characters left with a word and symbols or letters (请登陆--.,
  // 尽在新—x.), or with one word of weight 2 or more (作者：分类：) and no
  // sentence end, which a line of the story has (手机响了。).
  const bool sentence_end = u[n - 1].Is(d::kSentenceEnd | d::kQuoteClose);
  // Or up to three characters ending in a symbol no story ends a line with
  // (尽在—.): the lead of an advertisement whose rest a rule took.
  const bool junk_end = u[n - 1].Junk() && !u[n - 1].Is(d::kSentenceEnd | d::kQuote | d::kClauseTail) &&
                        u[n - 1].fold != '~' && !(u[n - 1].len == 1 && u[n - 1].code >= 0x80) && !ascii_punct_;
  if (story <= 4 && !quote &&
      ((e.weight >= 1 && (latin || sum.symbols)) || (e.weight >= 2 && !sentence_end) || (han <= 3 && junk_end))) {
    f.ad = true;
    f.shapes = kShapeResidue | kShapeWords;
    return f;
  }
  // A short line the file repeats word for word, with letters or junk in it
  // and some trace of advertising (a word, a junk-spelt name, letters), not
  // ending a sentence: a site's house line. The story repeats lines rarely,
  // and then in its own plain words (诗曰：).
  if (story <= 12 && !quote && (latin || sum.symbols) && !sentence_end &&
      e.weight + junk + hosts + (latin ? 1 : 0) >= 1 && CountOf(stripped) >= 2) {
    f.ad = true;
    f.shapes = shapes | kShapeRepeated;
    return f;
  }
  // A short line of two shared words or more that ends in no mark at all
  // (女凤免费小说抢先看): a slogan, wherever it stands; the story ends its
  // lines, and its titles pass the title test.
  if (story <= 8 && !quote && e.weight - e.glue >= 4 && u[n - 1].Is(d::kCjk)) {
    f.ad = true;
    f.shapes = kShapeWords;
    return f;
  }
  // A short line with some advertising words beside a title, at a chapter's
  // end, or repeated in the file.
  if (story <= 12 && !quote && (e.strong >= 3 || (e.weight >= 2 && story <= 4 && !sentence_end))) {
    const bool repeated = CountOf(stripped) >= 2;
    if (repeated || beside_title) {
      f.ad = true;
      f.shapes = kShapeWords | (repeated ? kShapeRepeated : 0u) | (beside_title ? kShapeBesideTitle : 0u);
    }
  }
  return f;
}

// An advertising label taken with its colon (公众号名称：, 微信号：) leaves
// its value behind: a short name or number goes with it.
void Detector::TakeLabelValues(std::vector<Piece>& merged) {
  bool grew = false;
  for (std::size_t m = 0; m < merged.size(); ++m) {
    Piece& pc = merged[m];
    // The last colon in the piece or right after it; the piece may
    // already hold the start of the value (a word of the list in it).
    std::size_t colon = pc.r.second < units_.size() ? pc.r.second : pc.r.second - 1;
    while (colon > pc.r.first && !IsColon(units_[colon])) --colon;
    if (colon == 0 || !IsColon(units_[colon])) continue;
    bool label = false, word_at_colon = false;
    for (const Hit& h : hits_) {
      if (h.weight < 2 || h.begin < pc.r.first || h.end > colon) continue;
      label |= h.end + 2 >= colon;
      word_at_colon |= h.end == colon;
    }
    // A verb of speech before the colon opens speech, unless it ends a
    // word of the list (名称：).
    if (!label || (SpeechVerb(units_[colon - 1]) && !word_at_colon)) continue;
    // An address's value is a host: the Han text after 网址： is story
    // glued to a label whose host the list stripped (牢记网址：等到天亮).
    static const std::vector<std::uint16_t> asks_name = CodesOf("名称号群");
    const bool names =
        std::find(asks_name.begin(), asks_name.end(), units_[colon - 1].fold) != asks_name.end();
    std::size_t value_end = LabelValueEnd(units_, colon + 1, names);
    // No value, or one the piece holds already (the colon after a
    // piece may be the story's own: 笑曰【首发】：“…”).
    if (value_end == colon + 1 || value_end <= pc.r.second) continue;
    // The clause mark after the value goes too when one stands before the
    // piece (门前，微信号：xxx，看了): the story keeps a single mark.
    if (value_end < units_.size() && pc.r.first > 0 && units_[pc.r.first - 1].Is(d::kClauseEnd) &&
        units_[value_end].Is(d::kClauseEnd) && !units_[value_end].Is(d::kSentenceEnd))
      ++value_end;
    const std::size_t limit = m + 1 < merged.size() ? merged[m + 1].r.first : units_.size();
    pc.r.second = std::max(pc.r.second, std::min(value_end, limit));
    grew |= value_end >= limit;
  }
  if (grew) MergeOverlapping(merged);
}

// A bracket the line opens a few Han characters before a piece and never
// closes after it ((未完待续[请搜索…]) began the advertisement: the story
// closes its brackets. So too one closing after a piece that nothing before
// the piece opened.
void Detector::TakeUnclosedBrackets(std::vector<Piece>& merged) const {
  // Han characters between the bracket and the piece: an advertisement's
  // opening words, or the last of its name (天堂）) after the piece.
  constexpr std::size_t kMaxLead = 6, kMaxTail = 3;
  const std::size_t n = units_.size();
  for (std::size_t m = 0; m < merged.size(); ++m) {
    Piece& pc = merged[m];
    const std::size_t floor = m > 0 ? merged[m - 1].r.second : 0;
    std::size_t k = pc.r.first;
    while (k > floor && pc.r.first - k < kMaxLead && units_[k - 1].Is(d::kCjk)) --k;
    if (k > floor && units_[k - 1].Is(d::kOpenBracket) && !units_[k - 1].Is(d::kQuote)) {
      const std::uint16_t close = d::ClosingBracket(units_[k - 1].code);
      bool closed = false;
      for (std::size_t j = pc.r.second; j < n && !closed; ++j) closed = units_[j].code == close;
      if (close != 0 && !closed) pc.r.first = k - 1;
    }
    const std::size_t ceiling = m + 1 < merged.size() ? merged[m + 1].r.first : n;
    k = pc.r.second;
    while (k < ceiling && k - pc.r.second < kMaxTail && units_[k].Is(d::kCjk)) ++k;
    if (k < ceiling && units_[k].Is(d::kCloseBracket) && !units_[k].Is(d::kQuote)) {
      bool opened = false;
      for (std::size_t j = 0; j < pc.r.first && !opened; ++j)
        opened = units_[j].Is(d::kOpenBracket) && d::ClosingBracket(units_[j].code) == units_[k].code;
      if (!opened) pc.r.second = k + 1;
    }
  }
}

// A quote mark at a piece's edge that the piece does not pair opens or
// closes the speech the advertisement was pasted into (…壮气。txt小说天堂.net」):
// without it the speech would never end. An advertisement quoted whole
// goes with its marks.
void Detector::TrimToRepeats(std::vector<Piece>& merged, std::span<const Range> repeats) const {
  constexpr std::size_t kMaxBeyond = 3;
  // Han characters alone, none in a word of the list (glue words too).
  auto story = [&](std::size_t a, std::size_t b) {
    if (b <= a || b - a > kMaxBeyond) return false;
    for (std::size_t k = a; k < b; ++k)
      if (!units_[k].Is(d::kCjk)) return false;
    for (const Hit& h : hits_)
      if (h.begin < b && h.end > a) return false;
    return true;
  };
  // Only inside running text: at the line's edge they may be the rest of
  // a name the copies spelt otherwise (…说天堂 alone on its line).
  auto running = [&](std::size_t k) { return k < units_.size() && units_[k].Is(d::kCjk | d::kStoryPunct); };
  for (Piece& pc : merged) {
    for (const Range& r : repeats) {
      if (r.first < pc.r.first || r.second > pc.r.second || r.second <= r.first) continue;
      if (pc.r.first > 0 && running(pc.r.first - 1) && story(pc.r.first, r.first)) pc.r.first = r.first;
      if (running(pc.r.second) && story(r.second, pc.r.second)) pc.r.second = r.second;
    }
  }
}

void Detector::GiveBackStoryMarks(std::vector<Piece>& merged) const {
  std::size_t kept = 0;
  for (Piece& pc : merged) {
    if (pc.r.first > 0 && pc.r.second < units_.size() && units_[pc.r.first - 1].Is(d::kQuoteOpen) &&
        units_[pc.r.second].Is(d::kQuoteClose)) {
      --pc.r.first;
      ++pc.r.second;
    }
    int opens = 0, closes = 0;
    for (std::size_t k = pc.r.first; k < pc.r.second; ++k) {
      opens += units_[k].Is(d::kQuoteOpen);
      closes += units_[k].Is(d::kQuoteClose);
    }
    while (pc.r.second > pc.r.first && closes > opens && units_[pc.r.second - 1].Is(d::kQuoteClose)) {
      --pc.r.second;
      --closes;
    }
    while (pc.r.second > pc.r.first && opens > closes && units_[pc.r.first].Is(d::kQuoteOpen)) {
      ++pc.r.first;
      --opens;
    }
    // A comma between two runs of story is the story's (卸了妆[…小＠说天＾堂＆]，来见):
    // advertisements seldom end in one, unless a rule left marks doubled.
    static const std::uint16_t comma = d::CodeOf("，"), semicolon = d::CodeOf("；");
    if (pc.r.second - pc.r.first >= 2 && pc.r.first > 0 && pc.r.second < units_.size() &&
        units_[pc.r.first - 1].Is(d::kCjk) && units_[pc.r.second].Is(d::kCjk) &&
        !units_[pc.r.second - 2].Is(d::kClauseEnd)) {
      const std::uint16_t c = units_[pc.r.second - 1].code;
      if (c == comma || c == semicolon) --pc.r.second;
    }
    // So is a sentence's end right after a bracket that closed the
    // advertisement (溜了[《…》]。转到): the bracket was pasted before it.
    if (pc.r.second - pc.r.first >= 3 && pc.r.first > 0 && pc.r.second < units_.size() &&
        units_[pc.r.first - 1].Is(d::kCjk) && units_[pc.r.second].Is(d::kCjk) &&
        units_[pc.r.second - 1].Is(d::kSentenceEnd) && units_[pc.r.second - 2].Is(d::kCloseBracket) &&
        d::ClosingBracket(units_[pc.r.first].code) == units_[pc.r.second - 2].code) {
      --pc.r.second;
    }
    if (pc.r.second > pc.r.first) merged[kept++] = pc;
  }
  merged.resize(kept);
}

std::size_t Detector::Run(std::string& text, std::vector<DetectedAd>* found, const MarkedStarts* starts) {
  // Lines and their breaks ("\r\n", or "\n" alone).
  struct Line {
    std::size_t begin, end, next;  // text, its end, where the next line starts
    std::size_t sbegin, send;      // the text without the blanks around it
    bool blank;
    std::int8_t title;  // -1: not yet known
    bool plain = false;  // PlainStory: nothing to find unless a repeat is in it
    // A line that holds a form of the text's script, or whose neighbours
    // both do: a stretch of the other script in it was pasted in. (A
    // chapter the file has in the other script is the story's.)
    bool script_pasted = false;
    bool other_script = false;  // it holds three forms of the other script or more
  };
  std::vector<Line> lines;
  short_lines_.clear();
  for (std::size_t at = 0; at < text.size();) {
    std::size_t lf = text.find('\n', at);
    const std::size_t next = lf == std::string::npos ? text.size() : lf + 1;
    std::size_t end = lf == std::string::npos ? text.size() : lf;
    if (end > at && text[end - 1] == '\r') --end;
    const std::string_view s = Strip(std::string_view(text).substr(at, end - at));
    const std::size_t sb = static_cast<std::size_t>(s.data() - text.data());
    lines.push_back({at, end, next, sb, sb + s.size(), s.empty(), -1, false});
    if (!s.empty() && s.size() <= kMaxCountedLineBytes) short_lines_.push_back(HashOf(s));
    at = next;
  }
  std::sort(short_lines_.begin(), short_lines_.end());
  auto is_title = [&](std::size_t k) {
    Line& l = lines[k];
    if (l.title < 0) l.title = IsTitle(std::string_view(text).substr(l.sbegin, l.send - l.sbegin));
    return l.title == 1;
  };
  ascii_punct_ = WritesAsciiPunctuation(text);
  // Only a traditional text is searched for the other script: a
  // simplified one seldom gets traditional advertising, and counting the
  // forms of every line costs it a tenth of the tidy.
  script_ = ScriptOf(text, glyphs_);
  if (script_ == Script::kSimplified) script_ = Script::kMixed;
  if (script_ != Script::kMixed) {
    std::vector<char> holds(lines.size(), 0);
    for (std::size_t k = 0; k < lines.size(); ++k) {
      if (lines[k].blank) continue;
      const ScriptForms f =
          FormsIn(std::string_view(text).substr(lines[k].begin, lines[k].end - lines[k].begin), script_);
      holds[k] = f.own;
      lines[k].other_script = f.other;
    }
    std::size_t prev = SIZE_MAX;
    for (std::size_t k = 0; k < lines.size(); ++k) {
      if (lines[k].blank) continue;
      std::size_t next = k + 1;
      while (next < lines.size() && lines[next].blank) ++next;
      lines[k].script_pasted =
          holds[k] || (prev != SIZE_MAX && holds[prev] && next < lines.size() && holds[next]);
      prev = k;
    }
  }
  // A plain line may still hold a stretch of the other script.
  auto other_script = [&](const Line& l) {
    if (!l.script_pasted || !l.other_script) return false;
    d::SplitUnits(std::string_view(text).substr(l.begin, l.end - l.begin), &units_);
    OtherScriptRuns(units_, script_, &runs_);
    return !runs_.empty();
  };

  // The words of every line, for the passages the file repeats (offsets
  // are kept in 32 bits: a larger text goes without).
  anchors_.clear();
  house_.clear();
  house_shape_.clear();
  house_starts_.clear();
  house_first_.fill(0);
  house_in_plain_ = false;
  const bool find_repeats = text.size() < UINT32_MAX;
  auto beside_title_at = [&](std::size_t i) {
    std::size_t p = i, q = i;
    bool prev_title = true, next_title = true;
    while (p > 0 && lines[p - 1].blank) --p;
    if (p > 0) prev_title = is_title(p - 1);
    while (q + 1 < lines.size() && lines[q + 1].blank) ++q;
    if (q + 1 < lines.size()) next_title = is_title(q + 1);
    return prev_title || next_title;
  };
  for (std::size_t li = 0; li < lines.size(); ++li) {
    Line& l = lines[li];
    if (l.blank) continue;
    // A site's name on a line of its own (plain text by its characters).
    if (l.send - l.sbegin <= 2 * static_cast<std::size_t>(kMaxSiteNameHan) && house_.size() < kMaxHouseLines) {
      const std::string_view stripped = std::string_view(text).substr(l.sbegin, l.send - l.sbegin);
      if (BareSiteName(stripped)) {
        if (std::find(house_.begin(), house_.end(), stripped) == house_.end()) {
          house_.emplace_back(stripped);
          house_shape_.push_back(kShapeSiteName);
        }
        l.plain = false;
        continue;
      }
    }
    if (!find_repeats) {
      l.plain = !ascii_punct_ && PlainStory(std::string_view(text).substr(l.sbegin, l.send - l.sbegin)) &&
                !other_script(l);
      continue;
    }
    const std::size_t mark = anchors_.size();
    if (!ascii_punct_ &&
        PlainStory(std::string_view(text).substr(l.sbegin, l.send - l.sbegin), &anchors_, l.sbegin, l.begin,
                   l.end) &&
        !other_script(l)) {
      l.plain = true;
      continue;
    }
    anchors_.resize(mark);
    const std::string_view line = std::string_view(text).substr(l.begin, l.end - l.begin);
    d::LineSummary sum = d::SplitUnits(line, &units_, vocab_.starts(), &candidates_);
    hits_.clear();
    vocab_.FindHitsAt(units_, candidates_, &hits_);
    // A short line that goes whole: the site pastes its copies into the
    // paragraphs too, found below.
    if (l.send - l.sbegin <= kMaxCountedLineBytes && house_.size() < kMaxHouseLines) {
      const std::string_view stripped = std::string_view(text).substr(l.sbegin, l.send - l.sbegin);
      std::size_t units = 0, han = 0;
      for (const Unit& u : units_) {
        units += !u.Is(d::kBlank);
        han += u.Is(d::kCjk);
      }
      if (units >= kMinHouseUnits && han >= 2 && !is_title(li) &&
          std::find(house_.begin(), house_.end(), stripped) == house_.end()) {
        const d::LineSummary judged = ascii_punct_ ? AsStoryPunctuation(&units_) : sum;
        if (JudgeWhole(judged, line, beside_title_at(li)).ad) {
          house_.emplace_back(stripped);
          house_shape_.push_back(kShapeRepeatedSpan);
        }
        if (ascii_punct_) d::SplitUnits(line, &units_, vocab_.starts(), &candidates_);
      }
    }
    for (const Hit& h : hits_) {
      if (h.weight < 2) continue;
      const std::size_t from = units_[h.begin].off;
      const std::size_t to = h.end < units_.size() ? units_[h.end].off : line.size();
      anchors_.push_back({static_cast<std::uint32_t>(l.begin + from), static_cast<std::uint32_t>(to - from),
                          static_cast<std::uint32_t>(l.begin), static_cast<std::uint32_t>(l.end)});
    }
    // Letters and symbols too: a deformed name or address holds no word.
    for (std::size_t k = 0; k < units_.size();) {
      if (!units_[k].Separator() || units_[k].Is(d::kBlank)) {
        ++k;
        continue;
      }
      std::size_t e = k + 1;
      while (e < units_.size() && units_[e].Separator() && !units_[e].Is(d::kBlank)) ++e;
      if (e - k >= 2) {
        const std::size_t from = units_[k].off;
        const std::size_t to = e < units_.size() ? units_[e].off : line.size();
        anchors_.push_back({static_cast<std::uint32_t>(l.begin + from), static_cast<std::uint32_t>(to - from),
                            static_cast<std::uint32_t>(l.begin), static_cast<std::uint32_t>(l.end)});
      }
      k = e;
    }
  }
  repeat_finder_.Find(text, anchors_, &repeats_);
  {
    // Judged once per distinct passage; those that are not advertising go.
    struct Verdict {
      bool ad;
      std::size_t first, last;
    };
    std::unordered_map<std::uint64_t, Verdict> verdicts;
    std::size_t kept = 0;
    for (const d::Repeat& r : repeats_) {
      const std::string_view passage = std::string_view(text).substr(r.begin, r.end - r.begin);
      auto [it, fresh] = verdicts.try_emplace(HashOf(passage), Verdict{false, 0, 0});
      if (fresh) it->second.ad = RepeatIsAd(passage, r.copies, &it->second.first, &it->second.last);
      if (!it->second.ad) continue;
      repeats_[kept++] = {r.begin + it->second.first, r.begin + it->second.last, r.line_begin, r.copies};
    }
    repeats_.resize(kept);
  }
  for (std::uint32_t k = 0; k < house_.size(); ++k) {
    const auto* p = reinterpret_cast<const unsigned char*>(house_[k].data());
    const std::uint16_t first =
        p[0] >= 0x81 && house_[k].size() >= 2 ? static_cast<std::uint16_t>(p[0] << 8 | p[1]) : p[0];
    house_starts_.push_back({first, k});
    const unsigned key = HouseKey(house_[k].data());
    house_first_[key >> 6] |= std::uint64_t{1} << (key & 63);
    // Two-byte Han characters and story marks only, as in a plain line.
    bool plain = house_[k].size() % 2 == 0;
    for (std::size_t b = 0; plain && b < house_[k].size(); b += 2) {
      const d::Glyph& g = glyphs_[p[b] << 8 | p[b + 1]];
      plain = (g.cls & (d::kCjk | d::kStoryPunct)) != 0 && (g.cls & (d::kLatin | d::kBlank | d::kOpenBracket)) == 0;
    }
    house_in_plain_ |= plain;
  }
  std::sort(house_starts_.begin(), house_starts_.end());
  std::size_t next_repeat = 0;

  std::size_t removals = 0;
  std::size_t write = 0;
  std::vector<Piece> pieces;
  std::vector<Range> repeat_spans;
  auto put = [&](std::size_t from, std::size_t len) {
    if (len != 0 && write != from) std::memmove(text.data() + write, text.data() + from, len);
    write += len;
  };
  // The break of a line joined to the next one, written after all when the
  // next line goes as a whole.
  std::string_view pending_break;
  std::vector<Unit> kept_units;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& l = lines[i];
    const std::string_view line = std::string_view(text).substr(l.begin, l.end - l.begin);
    const std::string_view held = pending_break;
    pending_break = {};
    if (l.blank) {
      put(l.begin, l.next - l.begin);
      continue;
    }
    while (next_repeat < repeats_.size() && repeats_[next_repeat].line_begin < l.begin) ++next_repeat;
    const std::size_t repeats_from = next_repeat;
    while (next_repeat < repeats_.size() && repeats_[next_repeat].line_begin == l.begin) ++next_repeat;
    // A plain line goes through unless the file repeats it whole (a house
    // line in the story's own words).
    if (l.plain && repeats_from == next_repeat &&
        !HoldsHouseLine(std::string_view(text).substr(l.sbegin, l.send - l.sbegin)) &&
        (l.send - l.sbegin > kMaxCountedLineBytes ||
         CountOf(std::string_view(text).substr(l.sbegin, l.send - l.sbegin)) < 3)) {
      put(l.begin, l.next - l.begin);
      continue;
    }
    const bool beside_title = beside_title_at(i);

    d::LineSummary sum = d::SplitUnits(line, &units_, vocab_.starts(), &candidates_);
    if (ascii_punct_) sum = AsStoryPunctuation(&units_);
    hits_.clear();
    vocab_.FindHitsAt(units_, candidates_, &hits_);
    pieces.clear();
    repeat_spans.clear();
    auto add_copy = [&](const d::Repeat& r, unsigned shape) {
      auto unit_at = [&](std::size_t byte) {
        return static_cast<std::size_t>(
            std::lower_bound(units_.begin(), units_.end(), byte - l.begin,
                             [](const Unit& x, std::size_t off) { return x.off < off; }) -
            units_.begin());
      };
      const std::size_t a = unit_at(r.begin);
      std::size_t b = unit_at(r.end);
      // A character the edge cuts through is the story's.
      while (b > a && units_[b - 1].off + units_[b - 1].len > r.end - l.begin) --b;
      if (b > a) {
        pieces.push_back({{a, b}, shape});
        repeat_spans.push_back({a, b});
      }
    };
    for (std::size_t k = repeats_from; k < next_repeat; ++k) add_copy(repeats_[k], kShapeRepeatedSpan);
    // Copies of a house line inside this one.
    if (!house_starts_.empty()) {
      const std::string_view stripped = Strip(line);
      for (std::size_t k = 0; k < units_.size(); ++k) {
        if (units_[k].off + 4 > line.size()) break;
        const unsigned key = HouseKey(line.data() + units_[k].off);
        if ((house_first_[key >> 6] >> (key & 63) & 1) == 0) continue;
        const std::uint16_t c = units_[k].code;
        auto it = std::lower_bound(house_starts_.begin(), house_starts_.end(),
                                   std::pair<std::uint16_t, std::uint32_t>{units_[k].code, 0});
        for (; it != house_starts_.end() && it->first == units_[k].code; ++it) {
          const std::string& h = house_[it->second];
          if (line.substr(units_[k].off, h.size()) != h || h.size() == stripped.size()) continue;
          add_copy({l.begin + units_[k].off, l.begin + units_[k].off + h.size(), l.begin, 0},
                   house_shape_[it->second]);
          break;
        }
      }
    }
    script_pasted_ = l.script_pasted && l.other_script;
    InlinePieces(sum, &pieces);
    TailPiece(&pieces);

    auto report_line = [&](const LineFacts& f, unsigned more) {
      ++removals;
      // A line that went from inside a sentence: the line kept before it
      // ends open at its chapter's wrap width and the one after starts no
      // paragraph its chapter marks, so the two join across it. The break waits, as after a piece, in
      // case the line after goes too.
      std::size_t kept_end = write;
      if (held.empty()) {
        if (kept_end > 0 && text[kept_end - 1] == '\n') --kept_end;
        if (kept_end > 0 && text[kept_end - 1] == '\r') --kept_end;
      }
      const std::size_t kept_begin =
          kept_end == 0 ? 0 : std::string_view(text).substr(0, kept_end).rfind('\n') + 1;
      const std::string_view kept = Strip(std::string_view(text).substr(kept_begin, kept_end - kept_begin));
      if (starts != nullptr && (held.empty() ? kept_end < write : true) && !kept.empty() &&
          i + 1 < lines.size() && !lines[i + 1].blank && !is_title(i + 1) &&
          !starts->Holds(std::string_view(text).substr(lines[i + 1].sbegin, lines[i + 1].send - lines[i + 1].sbegin)) &&
          !IsTitle(kept) && starts->EndsOpen(kept)) {
        d::SplitUnits(kept, &kept_units);
        if (!kept_units.empty() && !EndsParagraph(kept_units.back())) {
          pending_break = held.empty() ? (text[kept_end] == '\r' ? "\r\n" : "\n") : held;
          write = kept_end;
        }
      }
      if (!held.empty() && pending_break.empty()) {
        std::memcpy(text.data() + write, held.data(), held.size());
        write += held.size();
      }
      if (found == nullptr) return;
      DetectedAd ad;
      ad.offset = l.begin;
      ad.text = std::string(line);
      ad.line = ad.text;
      ad.whole_line = true;
      ad.shapes = f.shapes | more;
      for (const Hit& h : hits_) {
        ad.weight += h.weight;
        const std::string& w = vocab_.WordOf(units_, h).gbk;
        if (std::find(ad.words.begin(), ad.words.end(), w) == ad.words.end()) ad.words.push_back(w);
      }
      found->push_back(std::move(ad));
    };

    // The line as a whole, without the blanks around it.
    auto judge_whole = [&] { return JudgeWhole(sum, line, beside_title); };

    if (pieces.empty()) {
      const LineFacts f = judge_whole();
      if (!f.ad) {
        put(l.begin, l.next - l.begin);
        continue;
      }
      const Range ad = PastedPart(units_, hits_);
      if (ad.first == 0 && ad.second == units_.size()) {
        report_line(f, 0);
        continue;
      }
      pieces.push_back({ad, f.shapes});
    }
    {
      std::sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) { return a.r < b.r; });
      MergeOverlapping(pieces);
      std::vector<Piece>& merged = pieces;
      // A piece that ends the paragraph takes the few characters between it
      // and the story's last sentence end: a name the advertisement began
      // with (a site's or a book's), since the story had ended there.
      {
        Piece& last = merged.back();
        std::size_t tail = last.r.second;
        while (tail < units_.size() && units_[tail].Is(d::kBlank)) ++tail;
        if (tail == units_.size() && (last.shapes & kShapeWords) != 0) {
          constexpr std::size_t kMaxLeadIn = 6;
          std::size_t k = last.r.first;
          while (k > 0 && last.r.first - k <= kMaxLeadIn && units_[k - 1].Is(d::kCjk)) --k;
          const bool after_end = k > 0 && k < last.r.first && last.r.first - k <= kMaxLeadIn &&
                                 units_[k - 1].Is(d::kSentenceEnd | d::kQuoteClose);
          const bool first_piece = merged.size() == 1 || merged[merged.size() - 2].r.second < k;
          if (after_end && first_piece) last.r.first = k;
        }
      }
      TakeLabelValues(merged);
      TakeUnclosedBrackets(merged);
      TrimToRepeats(merged, repeat_spans);
      GiveBackStoryMarks(merged);
      if (merged.empty()) {
        put(l.begin, l.next - l.begin);
        continue;
      }
      unsigned shapes = 0;
      std::string_view rest;
      // What is left of the line once the pieces went, judged as a line.
      auto judge_rest = [&] {
        remainder_.clear();
        std::size_t at = 0, removed_units = 0;
        for (const Piece& pc : merged) {
          const std::size_t from = units_[pc.r.first].off;
          const std::size_t to = pc.r.second < units_.size() ? units_[pc.r.second].off : line.size();
          remainder_.append(line.substr(at, from - at));
          at = to;
          removed_units += pc.r.second - pc.r.first;
          shapes |= pc.shapes;
        }
        remainder_.append(line.substr(at));
        const int bonus = static_cast<int>(std::min<std::size_t>(4, removed_units / 3));
        rest = Strip(remainder_);
        d::LineSummary rest_sum = d::SplitUnits(rest, &judge_units_);
        if (ascii_punct_) rest_sum = AsStoryPunctuation(&judge_units_);
        judge_hits_.clear();
        vocab_.FindHits(judge_units_, 0, judge_units_.size(), &judge_hits_);
        return JudgeLine(judge_units_, judge_hits_, rest_sum, rest, beside_title, bonus);
      };
      LineFacts f = judge_rest();
      if (f.ad) {
        // The story the line began or ended with stays; the rest goes.
        Range part = PastedPart(units_, hits_);
        // What the file's copies of a passage share is the advertisement's,
        // however much it reads like story (谁也不能说只有他痛苦 + a site).
        for (const Range& r : repeat_spans) {
          if (r.first < part.second && r.second > part.first) {
            part.first = std::min(part.first, r.first);
            part.second = std::max(part.second, r.second);
          }
        }
        if (part.first != 0 || part.second != units_.size()) {
          merged.assign(1, Piece{part, shapes | f.shapes});
          GiveBackStoryMarks(merged);
          if (merged.empty()) merged.assign(1, Piece{part, shapes | f.shapes});
          f = judge_rest();
        }
      }
      if (f.ad) {
        report_line(f, shapes);
        continue;
      }
      removals += merged.size();
      if (found != nullptr) {
        for (const Piece& pc : merged) {
          DetectedAd ad;
          const std::size_t from = units_[pc.r.first].off;
          const std::size_t to = pc.r.second < units_.size() ? units_[pc.r.second].off : line.size();
          ad.offset = l.begin + from;
          ad.text = std::string(line.substr(from, to - from));
          ad.line = std::string(line);
          ad.shapes = pc.shapes;
          Words(units_, pc.r.first, pc.r.second, &ad.words);
          for (const Hit& h : hits_)
            if (h.begin >= pc.r.first && h.end <= pc.r.second) ad.weight += h.weight;
          found->push_back(std::move(ad));
        }
      }
      // The removed piece ended the line mid-sentence: the line scanner ended
      // the paragraph there because of it, so the next line continues it.
      const bool cut_at_end = merged.back().r.second >= units_.size() ||
                              Strip(line.substr(units_[merged.back().r.second].off)).empty();
      const bool open_end = !judge_units_.empty() && !EndsParagraph(judge_units_.back());
      const bool next_continues =
          i + 1 < lines.size() && !lines[i + 1].blank && !is_title(i + 1) &&
          (starts == nullptr ||
           !starts->Holds(std::string_view(text).substr(lines[i + 1].sbegin, lines[i + 1].send - lines[i + 1].sbegin)));
      const bool join = cut_at_end && open_end && next_continues;
      // A piece cut from the end leaves no blanks hanging there.
      if (cut_at_end) remainder_.resize(static_cast<std::size_t>(rest.data() + rest.size() - remainder_.data()));
      // The remainder replaces the line in place: it is never longer.
      std::memmove(text.data() + write, remainder_.data(), remainder_.size());
      write += remainder_.size();
      if (join) {
        pending_break = text[l.end] == '\r' ? "\r\n" : "\n";
      } else {
        put(l.end, l.next - l.end);
      }
      continue;
    }
  }
  text.resize(write);
  return removals;
}

}  // namespace

std::size_t RemoveDetectedAds(std::string& text, std::vector<DetectedAd>* found, const MarkedStarts* starts,
                              const Vocabulary* words) {
  Detector det(words != nullptr ? *words : Vocabulary::Builtin());
  return det.Run(text, found, starts);
}

}  // namespace folian::tidy
