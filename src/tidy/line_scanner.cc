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
  const u8* s = reinterpret_cast<const u8*>(text.data());
  const std::size_t n = text.size();
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; pos + 16 <= n; pos += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + pos));
    const unsigned mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
    if (mask != 0) return pos + static_cast<std::size_t>(__builtin_ctz(mask));
  }
#endif
  while (pos < n && s[pos] != '\r' && s[pos] != '\n') ++pos;
  return pos;
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
  explicit Rewriter(const ScanConfig& c) : c_(c) {
    // Which A1/A3 pairs this configuration leaves as they are (and which do
    // not touch the quote states): they can stay inside a copied run.
    for (int t = 0; t < 256; ++t) {
      for (const u8 lead : {kA1, kA3}) {
        std::string probe;
        bool dq = false, sq = false;
        RewritePair(lead, static_cast<u8>(t), &probe, &dq, &sq);
        const bool same = probe.size() == 2 && static_cast<u8>(probe[0]) == lead &&
                          static_cast<u8>(probe[1]) == t && !dq && !sq;
        (lead == kA1 ? pass_a1_ : pass_a3_)[t] = same;
      }
    }
  }

  // Appends the rewritten form of one trimmed line to `*out`.
  void Rewrite(std::string_view in, std::string* out) const {
    bool dq = false, sq = false;
    const std::size_t n = in.size();
    const u8* s = reinterpret_cast<const u8*>(in.data());
    for (std::size_t i = 0; i < n;) {
      const u8 ch = s[i];
      const u8 next = i + 1 < n ? s[i + 1] : 0;
      if (IsLead(ch) && i + 1 < n) {
        if (Passes(ch, next)) {
          // Most characters pass unchanged: copy the whole run at once.
          std::size_t j = i + 2;
          for (;;) {
            j = PlainRunEnd(s, j, n);
            if (j + 1 < n && Passes(s[j], s[j + 1])) {
              j += 2;
              continue;
            }
            break;
          }
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

  bool Passes(u8 lead, u8 trail) const {
    if (lead == kA1) return pass_a1_[trail];
    if (lead == kA3) return pass_a3_[trail];
    return IsLead(lead);
  }

  const ScanConfig& c_;
  std::array<bool, 256> pass_a1_{}, pass_a3_{};
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

namespace {

// First bytes of the title words and of 第: a line without any of them can
// skip the word searches.
constexpr std::array<bool, 256> MakeTitleFirstBytes() {
  std::array<bool, 256> t{};
  for (std::string_view w : kTitleWords) t[static_cast<u8>(w[0])] = true;
  t[static_cast<u8>(kDi[0])] = true;
  return t;
}
constexpr std::array<bool, 256> kTitleFirstBytes = MakeTitleFirstBytes();

// A title may end in a numeral 1..10 in either form, each one character.
const std::array<std::uint16_t, 20>& NumeralEndings() {
  static const std::array<std::uint16_t, 20> endings = [] {
    std::array<std::uint16_t, 20> e{};
    for (int n = 1; n <= 10; ++n) {
      for (int form = 0; form < 2; ++form) {
        const std::string_view s = form == 0 ? CapitalNumeral(n) : CommonNumeral(n);
        // A line's last two bytes can only equal a one-character numeral.
        e[static_cast<std::size_t>(2 * (n - 1) + form)] =
            s.size() == 2 ? static_cast<std::uint16_t>(static_cast<u8>(s[0]) << 8 | static_cast<u8>(s[1])) : 0;
      }
    }
    return e;
  }();
  return endings;
}

}  // namespace

bool IsTitleLine(std::string_view line) {
  if (line.size() > 59) return false;
  bool maybe_word = false;
  for (const char c : line) maybe_word |= kTitleFirstBytes[static_cast<u8>(c)];
  if (maybe_word) {
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
  }
  if (StartsWithNonZeroNumber(line)) return true;
  if (line.size() >= 2) {
    const std::uint16_t last = static_cast<std::uint16_t>(static_cast<u8>(line[line.size() - 2]) << 8 |
                                                          static_cast<u8>(line.back()));
    for (const std::uint16_t e : NumeralEndings()) {
      if (e == last) return true;
    }
  }
  return false;
}

std::size_t EditorLineCount(std::string_view text) {
  // Every LF is a break; a CR is one only when no LF follows it.
  const u8* s = reinterpret_cast<const u8*>(text.data());
  const std::size_t n = text.size();
  std::size_t lines = 1;
  if (n == 0) return lines;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    lines += (s[i] == '\n') + (s[i] == '\r' && s[i + 1] != '\n');
  }
  lines += s[n - 1] == '\n' || s[n - 1] == '\r';
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

// A non-empty line of the raw text.
struct RawLine {
  std::size_t start;     // of the trimmed line
  std::size_t size;      // trimmed, in bytes
  std::size_t ordinal;   // counting every line break run, for progress
  unsigned char flags;   // kIndented, kBlankBefore
};

// Splits the text into lines once: a run of CR and LF bytes ends a line,
// lines that trim to nothing are left out (but counted).
std::vector<RawLine> SplitLines(std::string_view text, std::size_t* total) {
  std::vector<RawLine> lines;
  lines.reserve(text.size() / 64 + 16);
  std::size_t pos = 0, breaks = 0, ordinal = 0;
  const std::size_t n = text.size();
  bool blank_seen = false;
  while (pos < n) {
    const std::size_t end = LineEnd(text, pos);
    const std::string_view raw = text.substr(pos, end - pos);
    const std::size_t raw_start = pos;
    std::size_t lf = 0, cr = 0;
    pos = end;
    while (pos < n && (text[pos] == '\r' || text[pos] == '\n')) (text[pos++] == '\n' ? lf : cr)++;
    ++ordinal;
    const std::string_view trimmed = Trim(raw);
    if (trimmed.empty()) {
      if (!lines.empty()) blank_seen = true;
    } else {
      unsigned char f = 0;
      const unsigned char c0 = static_cast<unsigned char>(raw[0]);
      if (c0 == ' ' || c0 == '\t' ||
          (raw.size() >= 2 && c0 == kA1 && static_cast<unsigned char>(raw[1]) == kBlank2)) {
        f |= kIndented;
      }
      if (blank_seen || breaks > 1) f |= kBlankBefore;
      lines.push_back({raw_start + static_cast<std::size_t>(trimmed.data() - raw.data()), trimmed.size(),
                       ordinal, f});
      blank_seen = false;
    }
    breaks = lf > 0 ? lf : cr;
  }
  *total = ordinal;
  return lines;
}

// Per non-empty line: how it sits in the layout of the raw text.
std::vector<LineLayout> LayoutFlags(std::string_view text, const std::vector<RawLine>& lines) {
  std::vector<LineLayout> flags;
  flags.reserve(lines.size());
  for (const RawLine& l : lines) {
    const std::string_view trimmed = text.substr(l.start, l.size);
    flags.push_back({l.flags, static_cast<std::uint32_t>(std::min<std::size_t>(CharCount(trimmed), 1u << 30)),
                     EndsInClosing(trimmed), IsTitleLine(trimmed)});
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
    ComputeWidths();
    ind_.assign(n + 1, {});
    blank_.assign(n + 1, {});
    long_.assign(n + 1, 0);
    for (std::size_t i = 0; i < n; ++i) {
      long_[i + 1] = long_[i] + (lines_[i].length >= kLongLine ? 1 : 0);
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
    if (width != 0) return stops ? 1 : 0;
    // Lines far longer than anyone wraps at: one paragraph per line, every
    // line break is the author's.
    return long_[hi] - long_[lo] >= kMinLongLines ? 1 : -1;
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

  // For every line, the width most lines around it (kWidthWindow either
  // side, within its chapter) are wrapped at — their most common length of
  // at least kMinWidth, the smaller one on a tie — or 0 when the lines do not
  // look wrapped: most of them must lie within a character of it (a wrap can
  // pull a closing mark onto a line). A histogram slides over each chapter.
  void ComputeWidths() {
    const std::size_t n = lines_.size();
    width_.assign(n, 0);
    std::vector<std::uint32_t> hist(kMaxLength + 1, 0);
    // A chapter here runs from its title (or the start) to the next title.
    for (std::size_t first = 0; first < n;) {
      std::size_t end = first + 1;
      while (end < n && !lines_[end].title) ++end;
      std::uint32_t mode = 0, mode_count = 0, top = 0;
      auto len = [&](std::size_t i) { return std::min<std::uint32_t>(lines_[i].length, kMaxLength); };
      auto add = [&](std::size_t i) {
        const std::uint32_t v = len(i);
        const std::uint32_t c = ++hist[v];
        if (v < kMinWidth || v == kMaxLength) return;
        top = std::max(top, v);
        if (c > mode_count || (c == mode_count && v < mode)) mode = v, mode_count = c;
      };
      auto remove = [&](std::size_t i) {
        const std::uint32_t v = len(i);
        --hist[v];
        if (v != mode) return;
        mode = 0, mode_count = 0;
        for (std::uint32_t w = kMinWidth; w <= top; ++w) {
          if (hist[w] > mode_count) mode = w, mode_count = hist[w];
        }
      };
      std::size_t lo = first, hi = first;
      for (std::size_t k = first; k < end; ++k) {
        const std::size_t want_lo = k >= first + kWidthWindow ? k - kWidthWindow : first;
        const std::size_t want_hi = std::min(end, k + kWidthWindow + 1);
        while (hi < want_hi) add(hi++);
        while (lo < want_lo) remove(lo++);
        if (mode_count == 0) continue;
        const std::size_t near = hist[mode - kWidthSlack] + hist[mode] + hist[mode + kWidthSlack];
        if (near * 10 >= (hi - lo) * 6) width_[k] = mode;
      }
      while (lo < hi) --hist[len(lo++)];
      first = end;
    }
  }

  static constexpr std::size_t kWidthWindow = 20;
  static constexpr std::size_t kMarkWindow = 40;  // long paragraphs start seldom
  static constexpr std::size_t kMinStarts = 2;
  static constexpr std::uint32_t kWidthSlack = 1;  // characters
  static constexpr std::uint32_t kMinWidth = 20;   // characters
  static constexpr std::uint32_t kLongLine = 100;  // characters
  static constexpr std::size_t kMinLongLines = 3;
  static constexpr std::uint32_t kMaxLength = 1023;  // longer lines share one bucket
  std::vector<LineLayout> lines_;
  std::vector<Chapter> chapter_;
  std::vector<std::uint32_t> width_;
  std::vector<Tally> ind_, blank_;
  std::vector<std::uint32_t> long_;  // prefix counts of lines of kLongLine or more
};

}  // namespace

void ScanLines(std::string_view text, const ScanConfig& config, std::string* out,
               std::vector<std::string>* titles) {
  const Rewriter rewriter(config);
  std::size_t total = 0;
  const std::vector<RawLine> lines = SplitLines(text, &total);
  const LayoutJudge judge(config.follow_layout ? LayoutFlags(text, lines) : std::vector<LineLayout>());
  const bool progress = config.progress_step != 0 && config.progress != nullptr;
  std::size_t next_mark = config.progress_step;
  int k = 0;
  // Every progress_step-th line moves the position, blank ones included.
  auto advance = [&](std::size_t ordinal) {
    for (; progress && next_mark <= ordinal; next_mark += config.progress_step) {
      config.progress->SetPosition(7 * ++k + 5);
    }
  };
  std::string title_line;
  bool prev_title = false;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const RawLine& raw = lines[index];
    advance(raw.ordinal);
    // Rewritten straight onto the output; taken back for a footer or a title.
    const std::size_t at = out->size();
    rewriter.Rewrite(text.substr(raw.start, raw.size), out);
    std::string_view line(out->data() + at, out->size() - at);

    const bool title = IsTitleLine(line);
    if (!title && config.site_flag && line.find(' ') != std::string_view::npos) {
      out->erase(std::remove(out->begin() + static_cast<std::ptrdiff_t>(at), out->end(), ' '), out->end());
      line = std::string_view(out->data() + at, out->size() - at);
    }
    // A dropped footer line leaves no trace: no title entry, no line break,
    // and the previous-title flag keeps its value. Following the layout, a
    // paragraph that ends with it still ends: a footer between paragraphs
    // must not glue them.
    if (config.has_adver && IsFooter(line, config)) {
      out->resize(at);
      if (config.follow_layout && judge.Ends(index) == 1 && out->size() >= 2 &&
          std::string_view(*out).substr(out->size() - 2) != "\r\n") {
        out->append("\r\n");
      }
      continue;
    }

    if (title) {
      title_line.assign(line);
      out->resize(at);
      if (titles != nullptr && titles->size() < kMaxTitles) titles->push_back(title_line);
      if (prev_title && out->size() >= 4) out->resize(out->size() - 4);
      out->append("\r\n");
      out->append(title_line);
      // Always a blank line after a title, so the next title can take it back.
      out->append("\r\n\r\n");
    } else {
      const int marked = config.follow_layout ? judge.Ends(index) : -1;
      const bool ends = marked < 0 ? EndsParagraph(line, config)
                                   : marked == 1 || static_cast<long long>(line.size()) < config.short_line;
      if (ends) out->append("\r\n");
    }
    prev_title = title;
  }
  advance(total);
}

}  // namespace folian::tidy
