#include "tidy/line_scanner.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "tidy/numerals.h"

namespace folian::tidy {
namespace {

using u8 = unsigned char;

// GBK byte pairs the scanner looks at.
constexpr u8 kA1 = 0xA1, kA3 = 0xA3;
constexpr u8 kFullStop2 = 0xA3;    // 。 = A1 A3
constexpr u8 kLDQuote2 = 0xB0;     // “ = A1 B0
constexpr u8 kRDQuote2 = 0xB1;     // ” = A1 B1
constexpr u8 kLSQuote2 = 0xAE;     // ‘ = A1 AE
constexpr u8 kRSQuote2 = 0xAF;     // ’ = A1 AF
constexpr u8 kBlank2 = 0xA1;       // full-width blank = A1 A1

// ” ！ 。 ＝ － × ※ ） ？ … ’ 」 』 —: a line whose last two bytes occur
// anywhere in here ends a paragraph.
constexpr std::string_view kClosing =
    "\xA1\xB1\xA3\xA1\xA1\xA3\xA3\xBD\xA3\xAD\xA1\xC1\xA1\xF9\xA3\xA9\xA3\xBF"
    "\xA1\xAD\xA1\xAF\xA1\xB9\xA1\xBB\xA1\xAA";
// The ASCII paragraph-end set: the double quote, the apostrophe, then these.
constexpr std::string_view kAsciiEnds = "\"'~]!#*=-.)?_>1234567890";

// Title words: 序章 译序 "正文 " 楔子 引子 引言 序幕 前言 作品相关.
constexpr std::array<std::string_view, 9> kTitleWords = {
    "\xD0\xF2\xD5\xC2", "\xD2\xEB\xD0\xF2", "\xD5\xFD\xCE\xC4 ", "\xD0\xA8\xD7\xD3",
    "\xD2\xFD\xD7\xD3", "\xD2\xFD\xD1\xD4", "\xD0\xF2\xC4\xBB", "\xC7\xB0\xD1\xD4",
    "\xD7\xF7\xC6\xB7\xCF\xE0\xB9\xD8"};
constexpr std::string_view kDi = "\xB5\xDA";  // 第
// 章 卷 部 回 节
constexpr std::array<std::string_view, 5> kDiUnits = {
    "\xD5\xC2", "\xBE\xED", "\xB2\xBF", "\xBB\xD8", "\xBD\xDA"};

constexpr std::string_view kUpdateTime = "\xB8\xFC\xD0\xC2\xCA\xB1\xBC\xE4";   // 更新时间
constexpr std::string_view kSectionWords =
    "\xB1\xBE\xBD\xDA\xD7\xD6\xCA\xFD\xA3\xBA";                               // 本节字数：
constexpr std::string_view kWordCount = "\xD7\xD6\xCA\xFD";                   // 字数

bool Contains(std::string_view s, std::string_view what) {
  return s.find(what) != std::string_view::npos;
}

bool IsDigit(u8 c) { return c >= '0' && c <= '9'; }
bool IsAlpha(u8 c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsLead(u8 c) { return c >= 0x81 && c <= 0xFE; }
bool IsTrimByte(u8 c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where the line starting at `pos` ends: its first CR or LF, else the end.
std::size_t LineEnd(std::string_view text, std::size_t pos) {
  const char* p = text.data() + pos;
  const std::size_t len = text.size() - pos;
  const void* lf = std::memchr(p, '\n', len);
  const std::size_t limit = lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - p) : len;
  const void* cr = std::memchr(p, '\r', limit);
  return pos + (cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - p) : limit);
}

// ASCII punctuation handled by full-width conversion: "!", blank, "#"-"&",
// "("-"/", ":"-"@", "["-"`", "{"-0x7F.
constexpr std::array<bool, 128> MakePunctSet() {
  std::array<bool, 128> t{};
  t['!'] = t[' '] = true;
  for (int c = '#'; c <= '&'; ++c) t[c] = true;
  for (int c = '('; c <= '/'; ++c) t[c] = true;
  for (int c = ':'; c <= '@'; ++c) t[c] = true;
  for (int c = '['; c <= '`'; ++c) t[c] = true;
  for (int c = '{'; c <= 0x7F; ++c) t[c] = true;
  return t;
}
constexpr std::array<bool, 128> kPunct = MakePunctSet();
constexpr std::string_view kKeptPunct = "/-*|\\=^%;@ #&[]:.";

// Full-width punctuation seconds (after A3) that fold to ASCII.
bool IsFullPunct2(u8 c) {
  return c == 0xA0 || c == 0xA1 || (c >= 0xA3 && c <= 0xAF) || (c >= 0xBA && c <= 0xC0) ||
         (c >= 0xDB && c <= 0xE0) || (c >= 0xFB && c <= 0xFE);
}

bool StartsWithNonZeroNumber(std::string_view s) {
  // atoi's reading: leading white space, a sign, then digits.
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  for (; i < s.size() && IsDigit(static_cast<u8>(s[i])); ++i) {
    if (s[i] != '0') return true;
  }
  return false;
}

bool ContainsIgnoreCase(std::string_view hay, std::string_view needle) {
  if (needle.empty() || needle.size() > hay.size()) return false;
  for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size()) {
      u8 a = static_cast<u8>(hay[i + k]), b = static_cast<u8>(needle[k]);
      if (a != b && !(IsAlpha(a) && IsAlpha(b) && (a | 0x20) == (b | 0x20))) break;
      ++k;
    }
    if (k == needle.size()) return true;
  }
  return false;
}

// Past the run of two-byte characters from `j` whose lead byte is neither
// A1 nor A3 (those pass the rewrite unchanged).
std::size_t PlainRunEnd(const u8* s, std::size_t j, std::size_t n) {
#if defined(__SSE2__)
  // Eight characters at a time, judged by their lead bytes alone.
  const __m128i low = _mm_set1_epi16(0x00FF), above = _mm_set1_epi16(0x80),
                below = _mm_set1_epi16(0xFF), fold = _mm_set1_epi16(0xFD),
                punct = _mm_set1_epi16(0xA1);
  while (j + 16 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j));
    const __m128i lead = _mm_and_si128(v, low);
    const __m128i ok = _mm_andnot_si128(
        _mm_cmpeq_epi16(_mm_and_si128(lead, fold), punct),
        _mm_and_si128(_mm_cmpgt_epi16(lead, above), _mm_cmplt_epi16(lead, below)));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(ok));
    if (mask != 0xFFFF) return j + static_cast<std::size_t>(__builtin_ctz(~mask & 0xFFFF) & ~1);
    j += 16;
  }
#endif
  while (j + 1 < n && IsLead(s[j]) && s[j] != kA1 && s[j] != kA3) j += 2;
  return j;
}

class Rewriter {
 public:
  explicit Rewriter(const ScanConfig& c) : c_(c) {}

  // Rewrites one trimmed line into `*out` (cleared first).
  void Rewrite(std::string_view in, std::string* out) const {
    out->clear();
    bool dq = false, sq = false;
    const std::size_t n = in.size();
    const u8* s = reinterpret_cast<const u8*>(in.data());
    for (std::size_t i = 0; i < n;) {
      const u8 ch = s[i];
      const u8 next = i + 1 < n ? s[i + 1] : 0;
      if (IsLead(ch) && i + 1 < n) {
        if (ch != kA1 && ch != kA3) {
          // Most characters pass unchanged: copy the whole run at once.
          const std::size_t j = PlainRunEnd(s, i + 2, n);
          out->append(reinterpret_cast<const char*>(s + i), j - i);
          i = j;
          continue;
        }
        RewritePair(ch, next, out, &dq, &sq);
        i += 2;
        continue;
      }
      const u8 prev = i > 0 ? s[i - 1] : 0;
      RewriteByte(ch, prev, next, i, out, &dq, &sq);
      ++i;
    }
  }

 private:
  static void Put2(std::string* out, u8 a, u8 b) {
    const char p[2] = {static_cast<char>(a), static_cast<char>(b)};
    out->append(p, 2);
  }

  void RewritePair(u8 ch, u8 next, std::string* out, bool* dq, bool* sq) const {
    if (ch == kA1) {
      if (next == kFullStop2 && c_.split_at_fullstop) {
        out->append("\xA1\xA3\r\n");
        return;
      }
      if (next == kBlank2) {
        out->append("  ");
        return;
      }
      if (c_.punc_convert == 2) {
        if (next == kFullStop2) return out->push_back('.');
        if (next == kLDQuote2 || next == kRDQuote2) return out->push_back('"');
        if (next == kLSQuote2 || next == kRSQuote2) return out->push_back('\'');
      }
      if (next == kLDQuote2) {
        *dq = !*dq;
      } else if (next == kLSQuote2) {
        *sq = !*sq;
      } else if (next == 0xB8 || next == 0xBA) {  // 「 『
        return Put2(out, kA1, kLDQuote2);
      } else if (next == 0xB9 || next == 0xBB) {  // 」 』
        return Put2(out, kA1, kRDQuote2);
      }
      return Put2(out, ch, next);
    }
    if (ch == kA3) {
      if (c_.num_convert == 2 && next >= 0xB0 && next <= 0xB9) {
        return out->push_back(static_cast<char>(next - 0x80));
      }
      if ((c_.char_convert == 2 || c_.site_flag) &&
          ((next >= 0xC1 && next <= 0xDA) || (next >= 0xE1 && next <= 0xFA))) {
        u8 a = next - 0x80;
        if (c_.site_flag && a <= 'Z') a += 0x20;
        return out->push_back(static_cast<char>(a));
      }
      if (c_.punc_convert == 2 && IsFullPunct2(next)) {
        return out->push_back(static_cast<char>(next - 0x80));
      }
    }
    Put2(out, ch, next);
  }

  void RewriteByte(u8 ch, u8 prev, u8 next, std::size_t i, std::string* out, bool* dq,
                   bool* sq) const {
    if (c_.num_convert == 1 && IsDigit(ch)) return Put2(out, kA3, ch + 0x80);
    if (c_.char_convert == 1 && IsAlpha(ch)) return Put2(out, kA3, ch + 0x80);
    if (c_.punc_convert == 1 && ch < 0x80 && kPunct[ch]) {
      if (ch == '.' && i > 0 && !IsDigit(prev) && !IsDigit(next)) {
        return Put2(out, kA1, kFullStop2);
      }
      if (kKeptPunct.find(static_cast<char>(ch)) != std::string_view::npos) {
        return out->push_back(static_cast<char>(ch));
      }
      return Put2(out, kA3, static_cast<u8>(ch + 0x80));
    }
    if (ch == '\t') return out->push_back(' ');
    if (c_.site_flag && ch >= 'A' && ch <= 'Z') return out->push_back(static_cast<char>(ch + 0x20));
    if (ch == '`') return out->push_back('.');
    if (ch == '"') {
      Put2(out, kA1, *dq ? kRDQuote2 : kLDQuote2);
      *dq = !*dq;
      return;
    }
    if (ch == '\'' && i > 0 && !IsAlpha(prev) && !IsAlpha(next)) {
      Put2(out, kA1, *sq ? kRSQuote2 : kLSQuote2);
      *sq = !*sq;
      return;
    }
    out->push_back(static_cast<char>(ch));
  }

  const ScanConfig& c_;
};

std::string_view Trim(std::string_view s) {
  for (;;) {
    if (!s.empty() && IsTrimByte(static_cast<u8>(s.front()))) {
      s.remove_prefix(1);
    } else if (s.size() >= 2 && static_cast<u8>(s[0]) == kA1 && static_cast<u8>(s[1]) == kBlank2) {
      s.remove_prefix(2);
    } else {
      break;
    }
  }
  for (;;) {
    if (!s.empty() && IsTrimByte(static_cast<u8>(s.back()))) {
      s.remove_suffix(1);
    } else if (s.size() >= 2 && static_cast<u8>(s[s.size() - 2]) == kA1 &&
               static_cast<u8>(s.back()) == kBlank2) {
      s.remove_suffix(2);
    } else {
      break;
    }
  }
  return s;
}

bool IsFooter(std::string_view line, const ScanConfig& c) {
  if (line.size() < 40 && ContainsIgnoreCase(line, c.footer_token)) return true;
  // Every other footer holds 字数 (the chapter and section counts include
  // it), which story lines seldom do: test it first.
  if (!Contains(line, kWordCount)) return false;
  if (Contains(line, kUpdateTime)) return true;
  return !c.footer_site_name.empty() && Contains(line, c.footer_site_name) &&
         Contains(line, kSectionWords);
}

bool EndsInClosing(std::string_view line) {
  if (line.size() >= 2 && Contains(kClosing, line.substr(line.size() - 2))) return true;
  return !line.empty() && kAsciiEnds.find(line.back()) != std::string_view::npos;
}

bool EndsParagraph(std::string_view line, const ScanConfig& c) {
  if (static_cast<long long>(line.size()) < c.short_line) return true;
  if (line.empty()) return true;
  if (line.size() >= 2 && Contains(kClosing, line.substr(line.size() - 2))) return true;
  return kAsciiEnds.find(line.back()) != std::string_view::npos;
}

}  // namespace

bool IsTitleLine(std::string_view line) {
  if (line.size() > 59) return false;
  for (std::string_view w : kTitleWords) {
    if (Contains(line, w)) return true;
  }
  const std::size_t di = line.find(kDi);
  if (di != std::string_view::npos) {
    for (std::string_view u : kDiUnits) {
      const std::size_t at = line.find(u);
      if (at != std::string_view::npos && di < at) return true;
    }
  }
  if (StartsWithNonZeroNumber(line)) return true;
  if (line.size() >= 2) {
    const std::string_view last = line.substr(line.size() - 2);
    for (int n = 1; n <= 10; ++n) {
      if (last == CapitalNumeral(n) || last == CommonNumeral(n)) return true;
    }
  }
  return false;
}

std::size_t EditorLineCount(std::string_view text) {
  // Every LF is a break; a CR is one only when no LF follows it.
  std::size_t lines = 1;
  for (const char* p = text.data(); (p = static_cast<const char*>(
           std::memchr(p, '\n', static_cast<std::size_t>(text.data() + text.size() - p)))) != nullptr;
       ++p) {
    ++lines;
  }
  for (std::size_t at = text.find('\r'); at != std::string_view::npos; at = text.find('\r', at + 1)) {
    if (at + 1 == text.size() || text[at + 1] != '\n') ++lines;
  }
  return lines;
}

namespace {

constexpr unsigned char kIndented = 1;     // the raw line starts with a blank
constexpr unsigned char kBlankBefore = 2;  // a blank line separates it from the previous one

struct LineLayout {
  unsigned char flags;
  std::uint32_t length;  // trimmed, in bytes
  bool closes;           // ends in a paragraph-closing character
  bool title;            // a chapter title: each chapter keeps its own layout
};

// Characters in a line: a wrap falls after so many characters, whatever
// their width in bytes. Each byte from 0x80 up is counted as half of a
// two-byte character (a trail byte below 0x80 makes it a slight overcount).
std::size_t CharCount(std::string_view s) {
  const u8* p = reinterpret_cast<const u8*>(s.data());
  std::size_t high = 0;
  for (std::size_t i = 0; i < s.size(); ++i) high += p[i] >> 7;
  return s.size() - high / 2;
}

// Per non-empty line: how it sits in the layout of the raw text.
std::vector<LineLayout> LayoutFlags(std::string_view text) {
  std::vector<LineLayout> flags;
  std::size_t pos = 0, breaks = 0;
  const std::size_t n = text.size();
  bool blank_seen = false;
  while (pos < n) {
    const std::size_t end = LineEnd(text, pos);
    const std::string_view raw = text.substr(pos, end - pos);
    std::size_t lf = 0, cr = 0;
    pos = end;
    while (pos < n && (text[pos] == '\r' || text[pos] == '\n')) (text[pos++] == '\n' ? lf : cr)++;
    const std::string_view trimmed = Trim(raw);
    if (trimmed.empty()) {
      if (!flags.empty()) blank_seen = true;
    } else {
      unsigned char f = 0;
      const unsigned char c0 = raw.empty() ? 0 : static_cast<unsigned char>(raw[0]);
      if (c0 == ' ' || c0 == '\t' || (raw.size() >= 2 && c0 == kA1 && static_cast<unsigned char>(raw[1]) == kBlank2)) {
        f |= kIndented;
      }
      if (blank_seen || breaks > 1) f |= kBlankBefore;
      flags.push_back({f, static_cast<std::uint32_t>(std::min<std::size_t>(CharCount(trimmed), 1u << 30)),
                       EndsInClosing(trimmed), IsTitleLine(trimmed)});
      blank_seen = false;
    }
    breaks = lf > 0 ? lf : cr;
  }
  return flags;
}

// Where hard-wrapped paragraphs are marked by indentation or blank lines,
// those marks (not a line's last character) tell where a paragraph ends: a
// wrap can fall right after a "。". A stretch counts as marked when, in the
// lines around, marked lines are repeatedly followed by unmarked ones (a
// paragraph's first line, then its wrapped continuation); a text that marks
// every line, or none, is left to the closing-character rule.
class LayoutJudge {
 public:
  explicit LayoutJudge(std::vector<LineLayout> lines) : lines_(std::move(lines)) {
    const std::size_t n = lines_.size();
    chapter_.resize(n);
    for (std::size_t k = 0, from = 0; k < n; ++k) {
      if (lines_[k].title) from = k + 1;
      chapter_[k].first = static_cast<std::uint32_t>(from);
    }
    for (std::size_t k = n, to = n; k-- > 0;) {
      chapter_[k].end = static_cast<std::uint32_t>(to);
      if (lines_[k].title) to = k;
    }
    width_.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
      const auto [lo, hi] = Window(k, kWidthWindow);
      width_[k] = WrapWidth(lo, hi);
    }
    ind_.assign(n + 1, {});
    blank_.assign(n + 1, {});
    for (std::size_t i = 0; i < n; ++i) {
      const bool has_next = i + 1 < n;
      const unsigned char f = lines_[i].flags, g = has_next ? lines_[i + 1].flags : 0xFF;
      Count(&ind_, i, f & kIndented, g & kIndented);
      Count(&blank_, i, f & kBlankBefore, g & kBlankBefore);
    }
  }

  // For non-empty line k: -1 when the layout does not decide, else whether
  // the paragraph ends after it.
  int Ends(std::size_t k) const {
    if (k + 1 >= lines_.size()) return -1;
    const auto [lo, hi] = Window(k, kMarkWindow);
    const bool by_indent = Marked(ind_, lo, hi);
    const bool by_blank = Marked(blank_, lo, hi);
    const std::size_t width = width_[k];
    // A line that stops well short of the wrap width ends its paragraph
    // whatever follows (often a line of advertising without the mark).
    const bool stops = width != 0 && lines_[k].length + kWidthSlack < width;
    if (by_indent || by_blank) {
      const unsigned char next = lines_[k + 1].flags;
      return (by_indent && (next & kIndented)) || (by_blank && (next & kBlankBefore)) || stops ? 1 : 0;
    }
    // A lone blank line after a line that closes a sentence still parts
    // paragraphs, even where the stretch marks none.
    if ((lines_[k + 1].flags & kBlankBefore) && lines_[k].closes) return 1;
    // Unmarked: where most lines share one width, the text is hard-wrapped
    // and a line that reaches the width goes on.
    if (width == 0) return -1;
    return stops ? 1 : 0;
  }

 private:
  struct Chapter {
    std::uint32_t first, end;  // the lines between its title and the next
  };

  // Prefix counts over the lines for one kind of mark.
  struct Tally {
    std::uint32_t starts = 0;  // marked line followed by an unmarked one
    std::uint32_t marked = 0;  // marked lines
  };

  static void Count(std::vector<Tally>* t, std::size_t i, bool marked, bool next_marked) {
    Tally v = (*t)[i];
    v.starts += marked && !next_marked;
    v.marked += marked;
    (*t)[i + 1] = v;
  }

  // Lines within `radius` of k, not beyond its chapter.
  std::pair<std::size_t, std::size_t> Window(std::size_t k, std::size_t radius) const {
    const std::size_t lo = std::max<std::size_t>(chapter_[k].first, k >= radius ? k - radius : 0);
    const std::size_t hi = std::min<std::size_t>(chapter_[k].end, k + radius + 1);
    return {std::min(lo, k), std::max(hi, k + 1)};
  }

  // Paragraph starts carry the mark where it is repeatedly followed by
  // unmarked continuation lines and those are common: a chapter that marks
  // nearly every line marks nothing.
  static bool Marked(const std::vector<Tally>& t, std::size_t lo, std::size_t hi) {
    const std::size_t span = hi - lo;
    const std::size_t starts = t[hi].starts - t[lo].starts;
    const std::size_t marked = t[hi].marked - t[lo].marked;
    return starts >= kMinStarts && (span - marked) * 4 >= span;
  }

  // The width most lines of [lo, hi) are wrapped at (their most common
  // length), or 0 when the lines do not look wrapped: most of them must lie
  // within a character of it (a wrap can pull a closing mark onto a line).
  std::uint32_t WrapWidth(std::size_t lo, std::size_t hi) const {
    // The most common width, the smaller one on a tie: read off the sorted
    // widths as the first longest run.
    std::array<std::uint32_t, 2 * kWidthWindow + 1> widths;
    std::size_t m = 0;
    for (std::size_t i = lo; i < hi; ++i) {
      if (lines_[i].length >= kMinWidth) widths[m++] = lines_[i].length;
    }
    if (m == 0) return 0;
    for (std::size_t i = 1; i < m; ++i) {  // few and nearly sorted: insertion
      const std::uint32_t w = widths[i];
      std::size_t k = i;
      for (; k > 0 && widths[k - 1] > w; --k) widths[k] = widths[k - 1];
      widths[k] = w;
    }
    std::uint32_t mode = 0;
    std::size_t mode_count = 0;
    for (std::size_t i = 0; i < m;) {
      std::size_t j = i + 1;
      while (j < m && widths[j] == widths[i]) ++j;
      if (j - i > mode_count) mode_count = j - i, mode = widths[i];
      i = j;
    }
    std::size_t near = 0;
    for (std::size_t j = lo; j < hi; ++j) {
      const std::size_t v = lines_[j].length;
      near += v + kWidthSlack >= mode && v <= mode + kWidthSlack;
    }
    return near * 10 >= (hi - lo) * 6 ? mode : 0;
  }

  static constexpr std::size_t kWidthWindow = 20;
  static constexpr std::size_t kMarkWindow = 40;  // long paragraphs start seldom
  static constexpr std::size_t kMinStarts = 2;
  static constexpr std::uint32_t kWidthSlack = 1;  // characters
  static constexpr std::uint32_t kMinWidth = 20;   // characters
  std::vector<LineLayout> lines_;
  std::vector<Chapter> chapter_;
  std::vector<std::uint32_t> width_;
  std::vector<Tally> ind_, blank_;
};

}  // namespace

void ScanLines(std::string_view text, const ScanConfig& config, std::string* out,
               std::vector<std::string>* titles) {
  const Rewriter rewriter(config);
  const LayoutJudge judge(config.follow_layout ? LayoutFlags(text) : std::vector<LineLayout>());
  std::string line;
  bool prev_title = false;
  std::size_t lines_seen = 0, nonempty = 0;
  int k = 0;
  std::size_t pos = 0;
  const std::size_t n = text.size();
  while (pos < n) {
    const std::size_t end = LineEnd(text, pos);
    const std::string_view raw = text.substr(pos, end - pos);
    pos = end;
    while (pos < n && (text[pos] == '\r' || text[pos] == '\n')) ++pos;

    ++lines_seen;
    if (config.progress_step != 0 && config.progress != nullptr &&
        lines_seen % config.progress_step == 0) {
      ++k;
      config.progress->SetPosition(7 * k + 5);
    }

    const std::string_view trimmed = Trim(raw);
    if (trimmed.empty()) continue;
    const std::size_t index = nonempty++;
    rewriter.Rewrite(trimmed, &line);

    const bool title = IsTitleLine(line);
    if (!title && config.site_flag && line.find(' ') != std::string::npos) {
      std::erase(line, ' ');
    }
    // A dropped footer line leaves no trace: no title entry, no line break,
    // and the previous-title flag keeps its value.
    if (config.has_adver && IsFooter(line, config)) continue;

    if (title) {
      if (titles != nullptr && titles->size() < kMaxTitles) titles->push_back(line);
      if (prev_title && out->size() >= 4) out->resize(out->size() - 4);
      out->append("\r\n");
      out->append(line);
      // Always a blank line after a title, so the next title can take it back.
      out->append("\r\n\r\n");
    } else {
      out->append(line);
      const int marked = config.follow_layout ? judge.Ends(index) : -1;
      const bool ends = marked < 0 ? EndsParagraph(line, config)
                                   : marked == 1 || static_cast<long long>(line.size()) < config.short_line;
      if (ends) out->append("\r\n");
    }
    prev_title = title;
  }
}

}  // namespace folian::tidy
