#include "tidy/paragraph_layout.h"

#include <algorithm>
#include <array>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace folian::tidy {
namespace {

using u8 = unsigned char;

// ” ！ 。 ＝ － × ※ ） ？ … ’ 」 』 —: a line whose last two bytes occur
// anywhere in here ends a paragraph.
constexpr std::string_view kClosing =
    "\xA1\xB1\xA3\xA1\xA1\xA3\xA3\xBD\xA3\xAD\xA1\xC1\xA1\xF9\xA3\xA9\xA3\xBF"
    "\xA1\xAD\xA1\xAF\xA1\xB9\xA1\xBB\xA1\xAA";
// The ASCII paragraph-end set: the double quote, the apostrophe, then these.
constexpr std::string_view kAsciiEnds = "\"'~]!#*=-.)?_>1234567890";

// Marks that close something or continue a sentence: a wrap can leave one
// at the start of a line, a paragraph never starts with one.
// ， 。 、 ； ： ？ ！ ） 」 』 ” ’ 》 〉
constexpr std::array<std::uint16_t, 14> kNoStart = {0xA3AC, 0xA1A3, 0xA1A2, 0xA3BB, 0xA3BA,
                                                   0xA3BF, 0xA3A1, 0xA3A9, 0xA1B9, 0xA1BB,
                                                   0xA1B1, 0xA1AF, 0xA1B7, 0xA1B5};
constexpr std::string_view kAsciiNoStart = ",.;:?!)";
// Opening marks (“ ‘ 「 『 （ 《 〈): a wrap that keeps them with what they
// open pushes them onto the next line.
constexpr std::array<std::uint16_t, 7> kOpening = {0xA1B0, 0xA1AE, 0xA1B8, 0xA1BA, 0xA3A8, 0xA1B6, 0xA1B4};
constexpr std::string_view kAsciiOpening = "\"([";
// ： ； ， and their ASCII forms: a paragraph may end with one ("有诗为证：").
constexpr std::string_view kClauseEnds = "\xA3\xBA\xA3\xBB\xA3\xAC:;,";

// Whether the line ends in one of the characters of `set` (GBK pairs, then
// ASCII bytes).
bool EndsInAny(std::string_view line, std::string_view set) {
  if (line.empty()) return false;
  const char last = line.back();
  for (std::size_t i = 0; i < set.size();) {
    if (static_cast<u8>(set[i]) >= 0x80) {
      if (line.size() >= 2 && line[line.size() - 2] == set[i] && last == set[i + 1]) return true;
      i += 2;
    } else {
      if (last == set[i] && (line.size() < 2 || static_cast<u8>(line[line.size() - 2]) < 0x80)) return true;
      ++i;
    }
  }
  return false;
}

// A wrap falls after so many characters, whatever their width in bytes. A
// GBK character's second byte may be below 0x80 (most traditional
// characters: 馬 is F1 52), so the bytes are walked. Also counted: the
// curly quotes “ ” ‘ ’, which some wraps take for half-width.
struct Counted {
  std::uint32_t chars = 0, curly = 0;
  std::uint32_t letters = 0;  // ASCII letters and digits
};
Counted CountChars(std::string_view s) {
  const u8* p = reinterpret_cast<const u8*>(s.data());
  const std::size_t n = s.size();
  constexpr std::size_t kCap = 1u << 30;
  // Most lines hold nothing below 0x80: every byte pair is one character.
  unsigned low = 0;
  std::size_t from = 0;
#if defined(__SSE2__)
  // A byte below 0x80 clears its high bit in the AND of all the blocks.
  __m128i all = _mm_set1_epi8(static_cast<char>(0xFF));
  for (; from + 16 <= n; from += 16) {
    all = _mm_and_si128(all, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from)));
  }
  low = _mm_movemask_epi8(all) != 0xFFFF ? 0x80u : 0u;
#endif
  for (std::size_t i = from; i < n; ++i) low |= ~p[i] & 0x80u;
  if (low == 0 && n % 2 == 0) {
    std::size_t curly = 0, i = 0;
#if defined(__SSE2__)
    // Eight characters at a time in 16-bit lanes (lead byte low): lead A1
    // and trail AE..B1. Matching lanes (-1 each) are summed in 32 bits.
    const __m128i lead = _mm_set1_epi16(0xA1), low_byte = _mm_set1_epi16(0x00FF),
                  first = _mm_set1_epi16(0xAE), range = _mm_set1_epi16(static_cast<short>(0xFFFC)),
                  ones = _mm_set1_epi16(1);
    __m128i sum = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const __m128i from_first = _mm_sub_epi16(_mm_srli_epi16(v, 8), first);
      const __m128i hit = _mm_and_si128(_mm_cmpeq_epi16(_mm_and_si128(v, low_byte), lead),
                                        _mm_cmpeq_epi16(_mm_and_si128(from_first, range), _mm_setzero_si128()));
      sum = _mm_sub_epi32(sum, _mm_madd_epi16(hit, ones));
    }
    sum = _mm_add_epi32(sum, _mm_srli_si128(sum, 8));
    sum = _mm_add_epi32(sum, _mm_srli_si128(sum, 4));
    curly = static_cast<std::uint32_t>(_mm_cvtsi128_si32(sum));
#endif
    for (; i < n; i += 2) curly += (p[i] == 0xA1) & (static_cast<u8>(p[i + 1] - 0xAE) <= 3);
    return {static_cast<std::uint32_t>(std::min(n / 2, kCap)), static_cast<std::uint32_t>(std::min(curly, kCap))};
  }
  std::size_t chars = 0, curly = 0;
  std::size_t letters = 0;
  for (std::size_t i = 0; i < n; ++chars) {
    if (p[i] >= 0x81 && p[i] != 0xFF && i + 1 < n) {
      curly += p[i] == 0xA1 && p[i + 1] >= 0xAE && p[i + 1] <= 0xB1;
      i += 2;
    } else {
      letters += (p[i] >= '0' && p[i] <= '9') || ((p[i] | 0x20) >= 'a' && (p[i] | 0x20) <= 'z');
      ++i;
    }
  }
  return {static_cast<std::uint32_t>(std::min(chars, kCap)), static_cast<std::uint32_t>(std::min(curly, kCap)),
          static_cast<std::uint32_t>(std::min(letters, kCap))};
}

// Where sentences end in a line: the stops 。 ！ ？ … and a closing quote
// ” ’ 」 』 right after one. A sentence ends inside the line where more text
// follows them. `aligned`: every byte pair is one character.
struct SentenceEnds {
  std::uint32_t inner = 0, inner_quote = 0;
  bool quote_end = false, stop_end = false;
};
constexpr bool IsStop(unsigned c) { return c == 0xA1A3 || c == 0xA3A1 || c == 0xA3BF || c == 0xA1AD; }
constexpr bool IsCloseQuote(unsigned c) { return c == 0xA1B1 || c == 0xA1AF || c == 0xA1B9 || c == 0xA1BB; }

SentenceEnds CountSentenceEnds(const u8* p, std::size_t n, bool aligned) {
  SentenceEnds e;
  if (!aligned) {
    // Walked character by character: a stop, then closing quotes, then
    // anything else.
    int state = 0;  // 1 after a stop, 2 after a stop and a closing quote
    for (std::size_t i = 0; i < n;) {
      unsigned c = p[i++];
      if (c >= 0x81 && c != 0xFF && i < n) c = c << 8 | p[i++];
      if (IsStop(c)) {
        state = 1;
      } else if (state != 0 && IsCloseQuote(c)) {
        state = 2;
      } else {
        if (state != 0) ++(state == 2 ? e.inner_quote : e.inner);
        state = 0;
      }
    }
    e.quote_end = state == 2;
    e.stop_end = state == 1;
    return e;
  }
  // Character j against its neighbours: a stop, or a closing quote after
  // one, with a next character that is neither.
  const std::size_t m = n / 2;
  auto at = [p](std::size_t j) { return static_cast<unsigned>(p[2 * j]) << 8 | p[2 * j + 1]; };
  auto one = [&](std::size_t j) {
    if ((p[2 * j] | 2) != 0xA3 || j + 1 >= m) return;
    const unsigned c = at(j), next = at(j + 1);
    if (IsStop(next) || IsCloseQuote(next)) return;
    if (IsStop(c)) {
      ++e.inner;
    } else if (j > 0 && IsCloseQuote(c) && IsStop(at(j - 1))) {
      ++e.inner_quote;
    }
  };
  std::size_t j = 0;
  if (m > 0) one(j++);
#if defined(__SSE2__)
  // Eight characters at a time (16-bit lanes hold a pair, its lead byte
  // low), with the one before and the one after each.
  auto lanes = [](__m128i v, unsigned a, unsigned b, unsigned c, unsigned d) {
    auto eq = [&](unsigned x) { return _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(x))); };
    return _mm_or_si128(_mm_or_si128(eq(a), eq(b)), _mm_or_si128(eq(c), eq(d)));
  };
  auto stops = [&](__m128i v) { return lanes(v, 0xA3A1, 0xA1A3, 0xBFA3, 0xADA1); };
  auto quotes = [&](__m128i v) { return lanes(v, 0xB1A1, 0xAFA1, 0xB9A1, 0xBBA1); };
  const __m128i two = _mm_set1_epi8(2), lead = _mm_set1_epi8(static_cast<char>(0xA3));
  // Matching lanes (all ones, -1 each) are summed in 32-bit lanes and added
  // up once after the loop (no population count instruction is assumed).
  const __m128i ones = _mm_set1_epi16(1);
  __m128i plain_sum = _mm_setzero_si128(), quoted_sum = _mm_setzero_si128();
  for (; 2 * j + 18 <= n; j += 8) {
    const __m128i cur = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * j));
    if ((_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(cur, two), lead)) & 0x5555) == 0) continue;
    // Commas put A3 leads in most blocks; a sentence end is rarer. Without
    // a stop here or just before, nothing ends in the block.
    const __m128i prev = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * j - 2));
    const __m128i stop_cur = stops(cur), stop_prev = stops(prev);
    if (_mm_movemask_epi8(_mm_or_si128(stop_cur, stop_prev)) == 0) continue;
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * j + 2));
    const __m128i open = _mm_or_si128(stops(next), quotes(next));
    const __m128i plain = _mm_andnot_si128(open, stop_cur);
    const __m128i quoted = _mm_andnot_si128(open, _mm_and_si128(quotes(cur), stop_prev));
    plain_sum = _mm_sub_epi32(plain_sum, _mm_madd_epi16(plain, ones));
    quoted_sum = _mm_sub_epi32(quoted_sum, _mm_madd_epi16(quoted, ones));
  }
  auto total = [](__m128i v) {
    v = _mm_add_epi32(v, _mm_srli_si128(v, 8));
    v = _mm_add_epi32(v, _mm_srli_si128(v, 4));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(v));
  };
  e.inner += total(plain_sum);
  e.inner_quote += total(quoted_sum);
#endif
  for (; j < m; ++j) one(j);
  e.stop_end = m > 0 && IsStop(at(m - 1));
  e.quote_end = m > 1 && IsCloseQuote(at(m - 1)) && IsStop(at(m - 2));
  return e;
}

// Whether no byte of the line is below 0x80.
bool AllHigh(const u8* p, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  if (n >= 16) {
    // A byte below 0x80 clears its high bit in the AND of all the blocks;
    // the last block may overlap the one before it.
    __m128i all = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
    for (; i + 16 <= n; i += 16) all = _mm_and_si128(all, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
    return _mm_movemask_epi8(all) == 0xFFFF;
  }
#endif
  unsigned low = 0;
  for (; i < n; ++i) low |= ~p[i] & 0x80u;
  return low == 0;
}

// What a character with lead A1 or A3 is, by lead (A1: 0, A3: 1) and trail:
// 1 a stop (IsStop), 2 a closing quote (IsCloseQuote), 4 a curly quote.
struct MarkKinds {
  std::array<std::array<u8, 256>, 2> kind{};
  constexpr MarkKinds() {
    for (unsigned t = 0; t < 256; ++t) {
      for (unsigned lead : {0xA1u, 0xA3u}) {
        const unsigned c = lead << 8 | t;
        u8 k = 0;
        if (IsStop(c)) k |= 1;
        if (IsCloseQuote(c)) k |= 2;
        if (lead == 0xA1 && t >= 0xAE && t <= 0xB1) k |= 4;
        kind[lead == 0xA3 ? 1 : 0][t] = k;
      }
    }
  }
};
constexpr MarkKinds kMarkKinds;

// A line whose every byte pair is one character (AllHigh, even length): its
// curly quotes, returned, and its sentence ends. Both are marks with lead A1
// or A3, a character in five or so: the scan goes from one to the next, a
// block of eight characters at a time, and looks at each where it stands.
std::uint32_t CountAligned(const u8* p, std::size_t n, SentenceEnds* e) {
  const std::size_t m = n / 2;
  // The MarkKinds of character j, 0 for any lead but A1 and A3.
  auto kind = [p](std::size_t j) -> unsigned {
    const u8 lead = p[2 * j];
    return (lead | 2) == 0xA3 ? kMarkKinds.kind[lead == 0xA3 ? 1 : 0][p[2 * j + 1]] : 0u;
  };
  std::size_t curly = 0;
  std::uint32_t inner = 0, inner_quote = 0;
  // Character j has lead A1 or A3: a curly quote, or a stop (or a closing
  // quote after one) with a next character that is neither.
  auto mark = [&](std::size_t j) {
    const unsigned k = kind(j);
    curly += k >> 2;
    if ((k & 3) == 0 || j + 1 >= m || (kind(j + 1) & 3) != 0) return;
    if ((k & 1) != 0) {
      ++inner;
    } else if (j > 0 && (kind(j - 1) & 1) != 0) {
      ++inner_quote;
    }
  };
  std::size_t j = 0;
#if defined(__SSE2__)
  const __m128i two = _mm_set1_epi8(2), lead = _mm_set1_epi8(static_cast<char>(0xA3));
  for (; 2 * j + 16 <= n; j += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * j));
    auto bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(v, two), lead))) & 0x5555u;
    for (; bits != 0; bits &= bits - 1) mark(j + static_cast<std::size_t>(__builtin_ctz(bits)) / 2);
  }
#endif
  for (; j < m; ++j) {
    if ((p[2 * j] | 2) == 0xA3) mark(j);
  }
  e->inner = inner;
  e->inner_quote = inner_quote;
  e->stop_end = m > 0 && (kind(m - 1) & 1) != 0;
  e->quote_end = m > 1 && (kind(m - 1) & 2) != 0 && (kind(m - 2) & 1) != 0;
  return static_cast<std::uint32_t>(std::min<std::size_t>(curly, std::size_t{1} << 30));
}

// Lengths above this share one histogram bucket.
constexpr std::uint32_t kMaxLength = 1023;
// The narrowest wrap looked for: verse lines (a seven-character couplet is
// sixteen characters) must not pass for a wrap.
constexpr std::uint32_t kMinWidth = 20;
// A wrap may pull a closing mark onto a line or push an opening one down.
constexpr std::uint32_t kSlack = 1;
// Columns a line wrapped by columns may fall short of the width by (curly
// quotes taken for half-width, a wide character pushed down).
constexpr std::uint32_t kHalfWidthRoom = 2;
// A chapter with fewer lines borrows the width of the whole text.
constexpr std::uint32_t kMinRegionLines = 12;
// Lines far longer than anyone wraps at: a text of them has one paragraph per
// line and every line break is the author's.
constexpr std::uint32_t kLongLine = 100;
constexpr std::uint32_t kMinLongLines = 3;
// Indented lines a chapter needs before a lone indentation counts as odd.
constexpr std::uint32_t kMinIndentedLines = 4;

}  // namespace

namespace {

// Every two bytes that occur next to each other in kClosing, and the ASCII
// ends, as bit sets: the test runs on every line.
struct ClosingSets {
  std::array<std::uint64_t, 1024> pairs{};
  std::array<std::uint64_t, 4> ascii{};
  constexpr ClosingSets() {
    for (std::size_t i = 0; i + 1 < kClosing.size(); ++i) {
      const unsigned v = static_cast<u8>(kClosing[i]) << 8 | static_cast<u8>(kClosing[i + 1]);
      pairs[v >> 6] |= std::uint64_t{1} << (v & 63);
    }
    for (const char c : kAsciiEnds) ascii[static_cast<u8>(c) >> 6] |= std::uint64_t{1} << (static_cast<u8>(c) & 63);
  }
};
constexpr ClosingSets kClosingSets;

}  // namespace

bool EndsInClosing(std::string_view line) {
  if (line.empty()) return false;
  const u8 last = static_cast<u8>(line.back());
  if (line.size() >= 2) {
    const unsigned v = static_cast<u8>(line[line.size() - 2]) << 8 | last;
    if ((kClosingSets.pairs[v >> 6] >> (v & 63)) & 1) return true;
  }
  return (kClosingSets.ascii[last >> 6] >> (last & 63)) & 1;
}

LayoutLine DescribeLine(std::string_view trimmed, unsigned char flags, int title) {
  LayoutLine l;
  l.flags = flags;
  const u8* p = reinterpret_cast<const u8*>(trimmed.data());
  Counted c;
  SentenceEnds e;
  // Most lines are two-byte characters only: counted in one pass.
  if (trimmed.size() % 2 == 0 && trimmed.size() / 2 <= (1u << 30) && AllHigh(p, trimmed.size())) {
    c.chars = static_cast<std::uint32_t>(trimmed.size() / 2);
    c.curly = CountAligned(p, trimmed.size(), &e);
  } else {
    c = CountChars(trimmed);
    const bool aligned = c.letters == 0 && trimmed.size() == 2 * static_cast<std::size_t>(c.chars);
    e = CountSentenceEnds(p, trimmed.size(), aligned);
  }
  l.length = c.chars;
  l.letters = c.letters;
  // Columns in full-width characters, the curly quotes at half width: a
  // line is wider than the wrap only when it is wider both ways.
  l.columns = static_cast<std::uint32_t>(std::min<std::size_t>((trimmed.size() - c.curly + 1) / 2, 1u << 30));
  l.closes = EndsInClosing(trimmed);
  {
    constexpr std::uint32_t kCap = 0xFFFF;
    l.inner_ends = static_cast<std::uint16_t>(std::min(e.inner, kCap));
    l.inner_quote_ends = static_cast<std::uint16_t>(std::min(e.inner_quote, kCap));
    l.quote_end = e.quote_end;
    l.stop_end = e.stop_end;
    // ’ and 』 close speech inside speech: the outer quote is still open, so
    // no paragraph ends with them.
    const std::size_t n = trimmed.size();
    if (l.quote_end && p[n - 2] == 0xA1 && (p[n - 1] == 0xAF || p[n - 1] == 0xBB)) l.quote_end = false;
  }
  l.ends_clause = l.closes || EndsInAny(trimmed, kClauseEnds);
  l.title = title > 0;
  l.heading = title > 1;
  if (!trimmed.empty()) {
    const u8 c0 = static_cast<u8>(trimmed[0]);
    if (c0 < 0x80) {
      l.no_start = kAsciiNoStart.find(static_cast<char>(c0)) != std::string_view::npos;
      l.opens = kAsciiOpening.find(static_cast<char>(c0)) != std::string_view::npos;
    } else if (trimmed.size() >= 2) {
      const std::uint16_t pair = static_cast<std::uint16_t>(c0 << 8 | static_cast<u8>(trimmed[1]));
      l.no_start = std::find(kNoStart.begin(), kNoStart.end(), pair) != kNoStart.end();
      l.opens = std::find(kOpening.begin(), kOpening.end(), pair) != kOpening.end();
    }
  }
  return l;
}

ParagraphLayout::ParagraphLayout(std::vector<LayoutLine> lines) : lines_(std::move(lines)) {
  continues_.assign(lines_.size(), false);
  line_width_.assign(lines_.size(), 0);
  if (lines_.empty()) return;
  // First the chapters between titles beyond doubt.
  BuildRegions(true);
  // The title test passes many a wrapped line (one that ends in 三, or holds
  // 第 before 回): such a line that a wrap carries on from the line before,
  // or that itself runs to the width without closing and goes on into a
  // line its chapter does not mark as a paragraph start (a blank line or
  // indentation there may mark nothing), is no title. The chapters are then
  // drawn again.
  for (std::size_t k = 1; k < lines_.size(); ++k) {
    LayoutLine& l = lines_[k];
    if (!l.title || l.heading) continue;
    const Region& r = regions_[region_of_[k]];
    if (r.width == 0) continue;
    bool carried = l.no_start || (!lines_[k - 1].title && Full(r, k - 1) && !lines_[k - 1].closes);
    if (!carried && k + 1 < lines_.size() && !lines_[k + 1].heading && !l.closes &&
        Full(r, k)) {
      carried = !Marked(r, k + 1) && !NewIndent(r, k + 1, k);
    }
    if (carried) {
      l.title = false;
      continues_[k] = true;
    }
  }
  BuildRegions(false);
}

// Chapters run between titles (only titles beyond doubt when
// `headings_only`).
void ParagraphLayout::BuildRegions(bool headings_only) {
  const std::size_t n = lines_.size();
  regions_.clear();
  region_of_.assign(n, 0);
  const std::uint32_t file_width = Width(0, static_cast<std::uint32_t>(n), 0);
  auto parts = [&](std::size_t k) { return headings_only ? lines_[k].heading : lines_[k].title; };
  for (std::size_t k = 0; k < n;) {
    if (parts(k)) {
      region_of_[k] = static_cast<std::uint32_t>(regions_.size());
      ++k;
      continue;
    }
    Region r;
    r.first = static_cast<std::uint32_t>(k);
    while (k < n && !parts(k)) region_of_[k++] = static_cast<std::uint32_t>(regions_.size());
    r.end = static_cast<std::uint32_t>(k);
    Analyse(&r, file_width);
    regions_.push_back(r);
  }
  // A title at the very end belongs to an empty region of its own.
  if (regions_.empty() || region_of_[n - 1] >= regions_.size()) {
    Region r;
    r.first = r.end = static_cast<std::uint32_t>(n);
    regions_.push_back(r);
  }
}

bool ParagraphLayout::ContinuesPrevious(std::size_t k) const {
  return k < continues_.size() && continues_[k];
}

// Characters the indentation of a raw line takes: a full-width blank one,
// two blanks one, a tab one.
std::uint32_t IndentRoom(unsigned char kind) {
  if (kind == 0) return 0;
  const unsigned v = kind - 1u;
  return (v >> 5) + ((v >> 3) & 3) + (v & 7) / 2;
}

// The width most lines of [first, end) are wrapped at: their most common
// length of at least kMinWidth characters (the smaller on a tie), or `given`
// when that is not 0, provided lines near it are common and few lines run
// past it; else 0. Where no width shows, lengths are counted with the room
// their indentation takes: a narrow wrap that indents every line leaves
// them all short of kMinWidth.
std::uint32_t ParagraphLayout::Width(std::uint32_t first, std::uint32_t end, std::uint32_t given) const {
  std::uint32_t width = 0;
  for (const bool with_indent : {false, true}) {
    std::array<std::uint32_t, kMaxLength + 2> hist{}, wide{};
    std::uint32_t lines = 0, indented = 0;
    // The longest length and width counted: the buckets past them are 0,
    // and a chapter's lines are far fewer than the buckets.
    std::uint32_t top_length = 0, top_wide = 0;
    for (std::uint32_t k = first; k < end; ++k) {
      if (lines_[k].title) continue;
      const std::uint32_t room = with_indent ? IndentRoom(lines_[k].indent) : 0;
      indented += room != 0;
      const std::uint32_t length = std::min(lines_[k].length + room, kMaxLength);
      const std::uint32_t columns = std::min(lines_[k].columns + room, kMaxLength);
      ++hist[length];
      ++wide[columns];
      top_length = std::max(top_length, length);
      top_wide = std::max(top_wide, columns);
      ++lines;
    }
    if (with_indent && indented == 0) break;
    std::uint32_t mode = given, count = given != 0 ? hist[given] : 0;
    const std::uint32_t mode_end = std::min(top_length + 1, kMaxLength);
    for (std::uint32_t w = kMinWidth; given == 0 && w < mode_end; ++w) {
      if (hist[w] > count) mode = w, count = hist[w];
    }
    if (count == 0) continue;
    // A wrap that counts curly quotes as half-width leaves lines a character
    // or two over: where quotes are many, more lines than reach the width
    // run one over it. Their columns then agree on the width twice as often
    // as their characters do on the longer one.
    if (given == 0 && mode >= kMinWidth + 2) {
      const std::uint32_t by_columns = wide[mode - 1] >= wide[mode - 2] ? mode - 1 : mode - 2;
      if (wide[by_columns] >= 2 * count) mode = by_columns;
    }
    const std::uint32_t near = hist[mode - kSlack] + hist[mode] + hist[mode + 1] + hist[mode + 2];
    // Past the width by their columns: a line that holds half-width letters
    // has more characters than a wrap allows, not more columns.
    std::uint32_t beyond = 0;
    for (std::uint32_t w = mode + 2 * kSlack + 1; w <= top_wide; ++w) beyond += wide[w];
    // Wrapped: a good share of lines reach the width (paragraphs of a line or
    // two keep it from being most), and lines past it are rare (advertising,
    // mostly).
    bool wrapped = near >= 4 && near * 5 >= lines && beyond * 4 <= lines;
    // Many short paragraphs (dialogue, a sentence each) keep lines at the
    // width a smaller share. A paragraph's own end closes a sentence, a wrap
    // falls anywhere: lines near the width that mostly stop mid-sentence
    // are wrapped lines, however few.
    if (!wrapped && near >= 4 && near * 10 >= lines && beyond * 4 <= lines) {
      std::uint32_t open = 0;
      for (std::uint32_t k = first; k < end; ++k) {
        const LayoutLine& l = lines_[k];
        const std::uint32_t length = l.length + (with_indent ? IndentRoom(l.indent) : 0);
        open += !l.title && !l.closes && length + kSlack >= mode && length <= mode + 2;
      }
      wrapped = open * 10 >= lines && open * 3 >= near * 2;
    }
    if (wrapped) {
      width = mode;
      break;
    }
    if (given != 0) break;
  }
  return width;
}

void ParagraphLayout::Analyse(Region* r, std::uint32_t file_width) {
  const std::uint32_t size = r->end - r->first;

  // A chapter too short to tell, or one that its advertising makes look
  // ragged, takes the width of the whole text where its lines agree with it.
  r->width = size >= kMinRegionLines ? Width(r->first, r->end, 0) : file_width;
  if (r->width == 0 && file_width != 0 && size >= kMinRegionLines) r->width = Width(r->first, r->end, file_width);
  std::uint32_t long_lines = 0;
  for (std::uint32_t k = r->first; k < r->end; ++k) long_lines += lines_[k].length >= kLongLine;
  r->long_lines = long_lines >= kMinLongLines;

  // A wrap that leaves "，" or "。" at the start of a line cuts every line at
  // the width exactly; one that keeps them on the line before, or pushes an
  // opening quote down, leaves some a character short.
  // Exact cuts show as lines that start with such a mark; a line a character
  // short before one that starts with an opening mark shows the other kind
  // (or a paragraph that ends there, now and then).
  std::uint32_t cut_before_marks = 0, pushed_down = 0;
  for (std::uint32_t k = r->first; k < r->end; ++k) {
    cut_before_marks += lines_[k].no_start;
    pushed_down += k + 1 < r->end && r->width != 0 && lines_[k].length + 1 == r->width && lines_[k + 1].opens;
  }
  const bool exact = cut_before_marks >= 3 && cut_before_marks * 50 >= size &&
                     pushed_down * 10 <= std::max<std::uint32_t>(cut_before_marks, 10);
  r->slack = exact ? 0 : kSlack;

  IndentWidths(*r);

  // A line indented unlike every other line of its chapter, after a line
  // that runs to the width mid-sentence, marks nothing: a wrap cut an
  // inline advertisement just before its blanks.
  std::array<std::uint32_t, 256> kinds{};
  std::uint32_t indented = 0;
  for (std::uint32_t k = r->first; k < r->end; ++k) {
    if (lines_[k].indent == 0 || lines_[k].title) continue;
    ++kinds[lines_[k].indent];
    ++indented;
  }
  for (std::uint32_t k = r->first + 1; indented >= kMinIndentedLines && k < r->end; ++k) {
    LayoutLine& l = lines_[k];
    const LayoutLine& before = lines_[k - 1];
    if (l.indent != 0 && !l.title && kinds[l.indent] == 1 && r->width != 0 && !before.title &&
        Full(*r, k - 1) && !before.ends_clause) {
      l.indent = 0;
      l.flags &= static_cast<unsigned char>(~kLineIndented);
    }
  }

  // Full lines that stop mid-sentence go on into the next line: where those
  // keep their indentation (every line of a paragraph indented, by one kind
  // or another), a change of indentation starts a paragraph.
  std::uint32_t carried = 0, kept = 0, carried_plain = 0, kept_plain = 0;
  for (std::uint32_t k = r->first + 1; r->width != 0 && k < r->end; ++k) {
    const LayoutLine& a = lines_[k - 1];
    const LayoutLine& b = lines_[k];
    if (a.title || b.title || a.closes || !Full(*r, k - 1)) continue;
    if (a.indent != 0) {
      ++carried;
      kept += b.indent == a.indent;
    } else {
      ++carried_plain;
      kept_plain += b.indent == 0;
    }
  }
  r->indent_runs = carried >= kMinIndentedLines && kept * 10 >= carried * 9 && kept_plain * 10 >= carried_plain * 9;

  // Indentation (or a blank line) marks paragraph starts when lines that
  // reach the width are mostly followed by lines without it: a chapter that
  // indents every line marks nothing. Unwrapped text: when marked lines are
  // repeatedly followed by unmarked ones and unmarked lines are common.
  for (const unsigned char mark : {kLineIndented, kLineBlankBefore}) {
    std::uint32_t starts = 0, marked = 0, after_full_marked = 0, after_full_plain = 0;
    std::uint32_t after_short_marked = 0, after_short_plain = 0;
    for (std::uint32_t k = r->first; k < r->end; ++k) {
      const bool m = lines_[k].flags & mark;
      marked += m;
      if (k + 1 >= r->end) continue;
      const bool next = lines_[k + 1].flags & mark;
      starts += m && !next;
      if (r->width == 0) continue;
      if (Full(*r, k)) {
        (next ? after_full_marked : after_full_plain)++;
      } else {
        (next ? after_short_marked : after_short_plain)++;
      }
    }
    bool by;
    if (r->width != 0) {
      by = starts >= 2 && after_full_marked * 2 <= after_full_plain + 1;
    } else {
      by = starts >= 2 && (size - marked) * 4 >= size;
    }
    // Strict: nearly every paragraph carries the mark (not one that indents
    // some paragraphs and not others), so an unmarked line goes on one.
    // Indentation left off one paragraph in six is such a mixture; a blank
    // line missing before one in six is advertising dropped into them.
    const std::uint32_t unmarked_share = mark == kLineIndented ? 10 : 5;
    const bool strict = by && after_short_plain * unmarked_share <= after_short_marked;
    (mark == kLineIndented ? r->by_indent : r->by_blank) = by;
    r->strict |= strict;
  }
  EndRates(r);
}

// How often a sentence that ends ends its paragraph too, by whether a
// closing quote follows its stop: a line that stops short of the width
// after a sentence ends one, a sentence that ends inside a line does not.
// A wrap falls anywhere, so the sentences that end at a full line end
// paragraphs as often. Where the chapter marks paragraph starts, a full
// line followed by no mark ends one only as often as starts go unmarked.
// Where that leaves one chance in three or more, ending the paragraph
// there costs fewer paragraphs than going on (a wrong join loses two, a
// wrong break one). Unless full lines end sentences far more often than a
// wrap that falls anywhere would: then the text was cut at its sentences,
// and they tell nothing.
void ParagraphLayout::EndRates(Region* r) const {
  if (r->width == 0) return;
  std::uint32_t short_quote = 0, short_stop = 0, inner_quote = 0, inner_stop = 0;
  std::uint32_t full = 0, full_ends = 0, starts = 0, unmarked = 0;
  for (std::uint32_t k = r->first; k < r->end; ++k) {
    const LayoutLine& l = lines_[k];
    if (l.title) continue;
    inner_quote += l.inner_quote_ends;
    inner_stop += l.inner_ends;
    if (k + 1 >= r->end || lines_[k + 1].no_start || lines_[k + 1].title) continue;
    if (Full(*r, k)) {
      ++full;
      full_ends += l.quote_end || l.stop_end;
    } else {
      short_quote += l.quote_end;
      short_stop += l.stop_end;
      if (l.closes) {
        ++starts;
        unmarked += !Marked(*r, k + 1) && !NewIndent(*r, k + 1, k);
      }
    }
  }
  if (full_ends * 2 > full || starts == 0) return;
  // Sentence ends a chapter needs before their share is trusted.
  constexpr std::uint32_t kMinEnds = 12;
  // ends / (ends + inner) = p, unmarked / starts = u: p u / (p u + 1 - p)
  // of at least a third.
  auto often = [&](std::uint64_t ends, std::uint64_t inner) {
    return ends + inner >= kMinEnds && 2 * ends * unmarked >= inner * starts;
  };
  r->quote_ends_paragraph = often(short_quote, inner_quote);
  r->stop_ends_paragraph = often(short_stop, inner_stop);
}

// Where indentation takes room from the line it starts, lines indented alike
// stop alike short of the width: the first lines of paragraphs, or every
// line of those indented by 　　 where other paragraphs are indented by a tab.
// Each indentation gets the most common length of its lines near the width.
void ParagraphLayout::IndentWidths(const Region& r) {
  for (std::uint32_t k = r.first; k < r.end; ++k) line_width_[k] = r.width;
  if (r.width == 0) return;
  constexpr std::uint32_t kMaxIndent = 8;  // characters an indentation may take
  const std::uint32_t low = r.width > kMaxIndent ? r.width - kMaxIndent : 0;
  // Counts by length - low, for lengths up to width + 2, and two more slots
  // that stay 0 for the look-ahead below.
  using Counts = std::array<std::uint32_t, kMaxIndent + 5>;
  static_assert(std::is_same_v<Counts, std::decay_t<decltype(scratch_)>::value_type>);
  // The lines near the width counted by indentation (a chapter has few).
  std::array<std::uint8_t, 256> slot{};  // 1 + the kind's place in `by_kind`
  std::vector<Counts>& by_kind = scratch_;
  by_kind.clear();
  std::array<std::uint32_t, 8> lines_of{};
  for (std::uint32_t k = r.first; k < r.end; ++k) {
    const LayoutLine& l = lines_[k];
    // A line that closes a sentence may be a short paragraph's only line:
    // only lines a wrap cut mid-sentence tell the width.
    if (l.length < low || l.length > r.width + 2 || l.closes) continue;
    if (slot[l.indent] == 0) {
      if (by_kind.size() == lines_of.size()) continue;  // more kinds than any layout uses
      by_kind.emplace_back();
      slot[l.indent] = static_cast<std::uint8_t>(by_kind.size());
    }
    ++by_kind[slot[l.indent] - 1][l.length - low];
    ++lines_of[slot[l.indent] - 1];
  }
  // The most common length of a group of lines, 0 when they do not agree.
  auto common = [low](const Counts& by_length, std::uint32_t lines) {
    std::size_t best = 0;
    for (std::size_t j = 1; j < by_length.size(); ++j) {
      if (by_length[j] > by_length[best]) best = j;
    }
    const std::uint32_t around = by_length[best] + by_length[best + 1] + by_length[best + 2];
    return around >= 3 && around * 2 >= lines ? low + static_cast<std::uint32_t>(best) : 0;
  };
  // Each indentation on its own, and all indented lines together for those
  // with too few lines to tell.
  std::array<std::uint32_t, 8> width_of{};
  Counts indented{};
  std::uint32_t indented_lines = 0;
  for (std::size_t i = 0; i < by_kind.size(); ++i) {
    width_of[i] = common(by_kind[i], lines_of[i]);
    if (slot[0] == i + 1) continue;
    for (std::size_t j = 0; j < indented.size(); ++j) indented[j] += by_kind[i][j];
    indented_lines += lines_of[i];
  }
  const std::uint32_t any_indent = common(indented, indented_lines);
  // Indentation only takes room (a line with a curly quote or two may run
  // over): no indented line wraps wider than the chapter; unindented lines
  // keep its width.
  for (std::uint32_t k = r.first; k < r.end; ++k) {
    if (lines_[k].indent == 0) continue;
    const std::uint8_t at = slot[lines_[k].indent];
    const std::uint32_t w = at != 0 && width_of[at - 1] != 0 ? width_of[at - 1] : any_indent;
    if (w != 0) line_width_[k] = std::min(w, r.width);
  }
}

bool ParagraphLayout::Full(const Region& r, std::size_t k) const {
  const LayoutLine& l = lines_[k];
  // A wrap may count characters or columns (half-width characters at half
  // a character's room). More characters than a wrap by characters allows
  // show that it counts columns: then the line must reach the width by its
  // columns too (a line of many letters and symbols between wrapped lines is
  // advertising, not a wrapped line).
  const std::uint32_t w = line_width_[k];
  if (l.length + r.slack < w) return false;
  return l.length <= w + 2 * kSlack || l.columns + r.slack + kHalfWidthRoom >= w;
}

// Line k carries its chapter's paragraph-start mark.
bool ParagraphLayout::Marked(const Region& r, std::size_t k) const {
  return (r.by_indent && (lines_[k].flags & kLineIndented)) ||
         (r.by_blank && (lines_[k].flags & kLineBlankBefore));
}

bool ParagraphLayout::NewIndent(const Region& r, std::size_t k, std::size_t before) const {
  return r.indent_runs && !lines_[before].title && lines_[k].indent != lines_[before].indent;
}

bool ParagraphLayout::StartsMarked(std::size_t k) const {
  if (k >= lines_.size() || lines_[k].title) return false;
  const Region& r = regions_[region_of_[k]];
  return Marked(r, k) || (k > r.first && NewIndent(r, k, k - 1));
}

bool ParagraphLayout::AtWrapWidth(std::size_t k) const {
  if (k >= lines_.size() || lines_[k].title) return false;
  const Region& r = regions_[region_of_[k]];
  return r.width != 0 && Full(r, k);
}

std::uint32_t ParagraphLayout::WidthAt(std::size_t k) const {
  return k < lines_.size() && !lines_[k].title ? regions_[region_of_[k]].width : 0;
}

bool ParagraphLayout::GoesOnPast(std::size_t k) const {
  if (k + 2 >= lines_.size() || lines_[k].title || lines_[k + 2].title) return false;
  return region_of_[k] == region_of_[k + 2] && Decide(k, k + 2) == 0;
}

int ParagraphLayout::Ends(std::size_t k) const {
  if (k + 1 >= lines_.size() || lines_[k].title || lines_[k + 1].title) return -1;
  return Decide(k, k + 1);
}

// Whether the paragraph ends after line k when line `next` follows it.
int ParagraphLayout::Decide(std::size_t k, std::size_t next) const {
  const Region& r = regions_[region_of_[k]];
  const LayoutLine& a = lines_[k];
  const LayoutLine& b = lines_[next];
  if (r.width == 0) {
    if (Marked(r, next)) return 1;
    if ((b.flags & kLineBlankBefore) && a.closes) return 1;
    if (r.long_lines) return 1;
    return r.by_indent || r.by_blank ? 0 : -1;
  }
  const bool full = Full(r, k);
  const bool foreign = Wide(r, a);
  if (Marked(r, next) || NewIndent(r, next, k)) return 1;
  // A wrap before "，" or "。": the line goes on, however long.
  if (b.no_start && (full || !a.closes)) return 0;
  // No wrapped paragraph goes on into a wide line: after a closing mark, it
  // is a line of its own.
  if (Wide(r, b) && a.closes) return 1;
  // A lone blank line after a line that closes a sentence still parts
  // paragraphs where blank lines mark nothing else.
  if ((b.flags & kLineBlankBefore) && a.closes) return 1;
  if (full && !foreign) {
    const bool ends = a.quote_end ? r.quote_ends_paragraph : a.stop_end && r.stop_ends_paragraph;
    return ends ? 1 : 0;
  }
  // A short line that stops mid-sentence after a full line that does too:
  // a paragraph seldom ends without a mark, so the wrap carries on, or the
  // line was dropped into the paragraph (advertising, mostly) and the
  // paragraph stays whole around it. So too a line wider than the wrap, or
  // any short line where every paragraph start carries its mark and the
  // line after this one does not.
  if (k > r.first && (!a.ends_clause || foreign || r.strict) && !Marked(r, k) && !NewIndent(r, k, k - 1) &&
      Full(r, k - 1) &&
      !lines_[k - 1].closes && !lines_[k - 1].title) {
    return 0;
  }
  return 1;
}

bool ParagraphLayout::Wide(const Region& r, const LayoutLine& l) const {
  return l.columns > r.width + 2 * kSlack;
}

// Line k looks dropped between two lines of one wrapped paragraph: the line
// before it runs to the width, the one after it would carry that on, and
// the line itself is no wrapped line (short, or wider than the wrap) that
// ends no sentence, holds letters or digits, or is followed by a mark no
// paragraph starts with. The last line of a paragraph is short after a full
// one too, so only such a line is put to the advertisement test.
bool ParagraphLayout::BetweenWrappedLines(std::size_t k) const {
  if (k == 0 || k + 1 >= lines_.size()) return false;
  const LayoutLine& before = lines_[k - 1];
  const LayoutLine& l = lines_[k];
  const LayoutLine& after = lines_[k + 1];
  if (before.title || after.title) return false;
  const Region& r = regions_[region_of_[k - 1]];
  // A title-like line between them has drawn a chapter border there.
  if (r.width == 0 || (region_of_[k + 1] != region_of_[k - 1] && !l.title)) return false;
  if (!Full(r, k - 1) || Wide(r, before)) return false;
  const bool wide = Wide(r, l);
  // By columns: letters and digits take half a character's room.
  if (!l.title && !wide && l.columns + r.slack >= line_width_[k]) return false;
  if (Marked(r, k)) return false;
  if (l.ends_clause && !wide && l.letters == 0 && !after.no_start) return false;
  // After a line that closes a sentence at the width, a paragraph may as
  // well end as go on (advertising between paragraphs, one ending at the
  // width): it goes on only where a mark no paragraph starts with follows,
  // or where every paragraph start carries its mark.
  if (before.closes && !after.no_start && !r.strict) return false;
  return Decide(k - 1, k + 1) == 0;
}

}  // namespace folian::tidy
