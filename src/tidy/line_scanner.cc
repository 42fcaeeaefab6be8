#include "tidy/line_scanner.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "tidy/numerals.h"
#include "tidy/paragraph_layout.h"

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

// Past the run of two-byte characters from `j` that the rewrite leaves
// unchanged: any lead byte but A1 and A3, and those two with a trail byte
// `pass_a1` or `pass_a3` lets through.
std::size_t PassingRunEnd(const u8* s, std::size_t j, std::size_t n, const std::array<bool, 256>& pass_a1,
                          const std::array<bool, 256>& pass_a3) {
#if defined(__SSE2__)
  const __m128i low = _mm_set1_epi16(0x00FF), above = _mm_set1_epi16(0x80),
                below = _mm_set1_epi16(0xFF), fold = _mm_set1_epi16(0xFD),
                punct = _mm_set1_epi16(0xA1);
  // Eight characters at a time, judged by their lead bytes alone.
  while (j + 16 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + j));
    const __m128i lead = _mm_and_si128(v, low);
    const __m128i ok = _mm_andnot_si128(
        _mm_cmpeq_epi16(_mm_and_si128(lead, fold), punct),
        _mm_and_si128(_mm_cmpgt_epi16(lead, above), _mm_cmplt_epi16(lead, below)));
    // The punctuation among them (A1 or A3 leads) is looked up where it
    // stands, without leaving the block.
    for (unsigned bad = ~static_cast<unsigned>(_mm_movemask_epi8(ok)) & 0xFFFF; bad != 0; bad &= bad - 1) {
      const std::size_t at = j + static_cast<std::size_t>(__builtin_ctz(bad) & ~1);
      const u8 c = s[at];
      if (!(c == kA1 ? pass_a1[s[at + 1]] : c == kA3 && pass_a3[s[at + 1]])) return at;
      bad &= bad - 1;  // the pair's second bit
    }
    j += 16;
  }
#endif
  for (; j + 1 < n; j += 2) {
    const u8 c = s[j];
    if (!(c == kA1 ? pass_a1[s[j + 1]] : c == kA3 ? pass_a3[s[j + 1]] : IsLead(c))) break;
  }
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
          const std::size_t j = PassingRunEnd(s, i + 2, n, pass_a1_, pass_a3_);
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

// A line of story with a footer pasted into it: more Han characters than a
// footer holds (a site's name, 更新时间, 本章字数), and the story's clause
// marks, which a footer does not write. Dropping it would lose the story;
// the advertisement stage takes the footer out of it.
bool StoryAroundFooter(std::string_view line) {
  constexpr int kMaxFooterHan = 16;
  int han = 0;
  bool marks = false;
  const auto* s = reinterpret_cast<const u8*>(line.data());
  for (std::size_t i = 0; i + 1 < line.size();) {
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    han += s[i] >= 0xB0 || s[i] < 0xA1;
    // ， 。 ！ ？
    marks |= (s[i] == 0xA3 && (s[i + 1] == 0xAC || s[i + 1] == 0xA1 || s[i + 1] == 0xBF)) ||
             (s[i] == 0xA1 && s[i + 1] == 0xA3);
    i += 2;
  }
  return marks && han > kMaxFooterHan;
}

bool IsFooter(std::string_view line, const ScanConfig& c) {
  if (line.size() < 40 && ContainsIgnoreCase(line, c.footer_token)) return true;
  // Every other footer holds 字数 (the chapter and section counts include
  // it), which story lines seldom do: test it first.
  if (!Contains(line, kWordCount)) return false;
  if (Contains(line, kUpdateTime)) return !StoryAroundFooter(line);
  return !c.footer_site_name.empty() && Contains(line, c.footer_site_name) &&
         Contains(line, kSectionWords) && !StoryAroundFooter(line);
}

// Whether a line holds anything but marks and blanks: a Chinese character
// (lead byte B0 and up) or an ASCII letter or digit.
bool HoldsWords(std::string_view line) {
  const u8* s = reinterpret_cast<const u8*>(line.data());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (s[i] >= 0xB0 && s[i] != 0xFF && i + 1 < line.size()) return true;
    if (IsLead(s[i])) {
      ++i;
    } else if (IsDigit(s[i]) || IsAlpha(s[i])) {
      return true;
    }
  }
  return false;
}

bool EndsParagraph(std::string_view line, const ScanConfig& c) {
  if (static_cast<long long>(line.size()) < c.short_line) return true;
  return EndsInClosing(line);
}

}  // namespace

namespace {

// The first two bytes of the title words and of 第, a bit each: a line in
// which none of them stands can skip the word searches. (Their first bytes
// alone are common lead bytes that most lines hold.)
constexpr std::array<std::uint64_t, 1024> MakeTitleFirstPairs() {
  std::array<std::uint64_t, 1024> t{};
  auto add = [&t](std::string_view w) {
    const unsigned v = static_cast<u8>(w[0]) << 8 | static_cast<u8>(w[1]);
    t[v >> 6] |= std::uint64_t{1} << (v & 63);
  };
  for (std::string_view w : kTitleWords) add(w);
  add(kDi);
  return t;
}
constexpr std::array<std::uint64_t, 1024> kTitleFirstPairs = MakeTitleFirstPairs();

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
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    const unsigned v = static_cast<u8>(line[i]) << 8 | static_cast<u8>(line[i + 1]);
    maybe_word |= (kTitleFirstPairs[v >> 6] >> (v & 63) & 1) != 0;
  }
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

namespace {

// Numerals of a chapter number and the units that follow one (章卷部回节集篇).
constexpr std::string_view kHeadingNumerals =
    "\xD2\xBB\xB6\xFE\xC8\xFD\xCB\xC4\xCE\xE5\xC1\xF9\xC6\xDF\xB0\xCB\xBE\xC5\xCA\xAE"
    "\xB0\xD9\xC7\xA7\xC1\xE3\xA9\x96\xC1\xBD\xD2\xBC\xB7\xA1\xC8\xFE\xCB\xC1\xCE\xE9"
    "\xC2\xBD\xC6\xE2\xB0\xC6\xBE\xC1\xCA\xB0\xB0\xDB\xC7\xAA\xA3\xB0\xA3\xB1\xA3\xB2"
    "\xA3\xB3\xA3\xB4\xA3\xB5\xA3\xB6\xA3\xB7\xA3\xB8\xA3\xB9";
constexpr std::string_view kHeadingUnits = "\xD5\xC2\xBE\xED\xB2\xBF\xBB\xD8\xBD\xDA\xBC\xAF\xC6\xAA";

// Whether the two-byte character at s[i] is one of `set` (pairs).
bool PairIn(std::string_view s, std::size_t i, std::string_view set) {
  if (i + 1 >= s.size()) return false;
  for (std::size_t k = 0; k + 1 < set.size(); k += 2) {
    if (s[i] == set[k] && s[i + 1] == set[k + 1]) return true;
  }
  return false;
}

}  // namespace

namespace {

// Where a heading's 第, number and unit end in `line`, 0 when it starts
// with none.
std::size_t HeadingNumberEnd(std::string_view line) {
  if (line.substr(0, kDi.size()) != kDi) return 0;
  std::size_t i = kDi.size(), digits = 0;
  while (i < line.size()) {
    const u8 c = static_cast<u8>(line[i]);
    if (c == ' ') {
      ++i;
    } else if (IsDigit(c)) {
      ++i, ++digits;
    } else if (PairIn(line, i, kHeadingNumerals)) {
      i += 2, ++digits;
    } else {
      break;
    }
  }
  return digits > 0 && PairIn(line, i, kHeadingUnits) ? i + 2 : 0;
}

// Whether `line` is a chapter's number with advertising glued on: the
// first piece the detector took (`piece`) follows the number, and what it
// left (`rest`) is the number with at most a fragment the advertisement
// ended in, no name.
bool AdGluedToHeading(std::string_view line, std::string_view rest, std::string_view piece) {
  auto skip_blanks = [](std::string_view s, std::size_t i) {
    for (;;) {
      if (i < s.size() && (s[i] == ' ' || s[i] == '\t')) {
        ++i;
      } else if (s.substr(i, 2) == "\xA1\xA1") {
        i += 2;
      } else {
        return i;
      }
    }
  };
  const std::size_t at = skip_blanks(line, 0);
  const std::size_t end = HeadingNumberEnd(line.substr(at));
  if (end == 0 || piece.empty() || line.substr(skip_blanks(line, at + end)).substr(0, piece.size()) != piece) {
    return false;
  }
  const std::size_t rest_at = skip_blanks(rest, 0);
  if (rest.substr(rest_at, end) != line.substr(at, end)) return false;
  // Two characters at most: a name cut short by the wrap of the
  // advertisement, never a chapter's name.
  constexpr std::size_t kMaxFragmentBytes = 4;
  const std::string_view tail = rest.substr(skip_blanks(rest, rest_at + end));
  return !HoldsWords(tail) || tail.size() <= kMaxFragmentBytes;
}

}  // namespace

bool IsChapterHeading(std::string_view line) {
  if (line.size() > 59) return false;
  for (std::string_view w : kTitleWords) {
    if (line.substr(0, w.size()) == w) return true;
  }
  return HeadingNumberEnd(line) != 0;
}

std::size_t EditorLineCount(std::string_view text) {
  // Every LF is a break; a CR is one only when no LF follows it.
  const u8* s = reinterpret_cast<const u8*>(text.data());
  const std::size_t n = text.size();
  std::size_t lines = 1;
  if (n == 0) return lines;
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time, each compared with the byte after it: a lane
  // counts one for an LF, or a CR with no LF after it. The lanes add up in
  // bytes, emptied into the total before any can pass 255.
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
  while (i + 17 <= n) {
    __m128i acc = zero;
    for (int round = 0; round < 255 && i + 17 <= n; ++round, i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 1));
      const __m128i lone_cr = _mm_andnot_si128(_mm_cmpeq_epi8(after, lf), _mm_cmpeq_epi8(v, cr));
      acc = _mm_sub_epi8(acc, _mm_or_si128(_mm_cmpeq_epi8(v, lf), lone_cr));
    }
    const __m128i sums = _mm_sad_epu8(acc, zero);
    lines += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
#endif
  for (; i + 1 < n; ++i) {
    lines += (s[i] == '\n') + (s[i] == '\r' && s[i + 1] != '\n');
  }
  lines += s[n - 1] == '\n' || s[n - 1] == '\r';
  return lines;
}

namespace {

// A non-empty line of the raw text.
struct RawLine {
  std::size_t start;     // of the trimmed line
  std::size_t size;      // trimmed, in bytes
  std::size_t ordinal;   // counting every line break run, for progress
  unsigned char flags;   // kLineIndented, kLineBlankBefore
  unsigned char indent;  // IndentKind of its leading blanks
};

// Which indentation a raw line has: 0 none, else tabs, full-width blanks and
// blanks counted (up to 3, 3 and 7), so that lines indented alike group.
unsigned char IndentKind(std::string_view raw) {
  unsigned tabs = 0, full = 0, blanks = 0;
  for (std::size_t i = 0; i < raw.size();) {
    if (raw[i] == '\t') {
      ++tabs, ++i;
    } else if (raw[i] == ' ') {
      ++blanks, ++i;
    } else if (i + 1 < raw.size() && static_cast<unsigned char>(raw[i]) == kA1 &&
               static_cast<unsigned char>(raw[i + 1]) == kBlank2) {
      ++full, i += 2;
    } else {
      break;
    }
  }
  if (tabs + full + blanks == 0) return 0;
  return static_cast<unsigned char>(1 + (std::min(tabs, 3u) << 5 | std::min(full, 3u) << 3 | std::min(blanks, 7u)));
}

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
        f |= kLineIndented;
      }
      if (blank_seen || breaks > 1) f |= kLineBlankBefore;
      lines.push_back({raw_start + static_cast<std::size_t>(trimmed.data() - raw.data()), trimmed.size(),
                       ordinal, f, f & kLineIndented ? IndentKind(raw) : static_cast<unsigned char>(0)});
      blank_seen = false;
    }
    breaks = lf > 0 ? lf : cr;
  }
  *total = ordinal;
  return lines;
}

// ” or ’ first: the advertising stages join such a line to the one before.
bool StartsWithClosingQuote(std::string_view line) {
  return line.size() >= 2 && static_cast<u8>(line[0]) == kA1 &&
         (static_cast<u8>(line[1]) == kRDQuote2 || static_cast<u8>(line[1]) == kRSQuote2);
}

// Per non-empty line: how it sits in the layout of the raw text.
std::vector<LayoutLine> DescribeLines(std::string_view text, const std::vector<RawLine>& lines) {
  std::vector<LayoutLine> out;
  out.reserve(lines.size());
  for (const RawLine& l : lines) {
    const std::string_view trimmed = text.substr(l.start, l.size);
    out.push_back(DescribeLine(trimmed, l.flags,
                               IsTitleLine(trimmed) ? (IsChapterHeading(trimmed) ? 2 : 1) : 0));
    out.back().indent = l.indent;
  }
  return out;
}

}  // namespace

void ScanLines(std::string_view text, const ScanConfig& config, std::string* out,
               std::vector<std::string>* titles) {
  const Rewriter rewriter(config);
  std::size_t total = 0;
  const std::vector<RawLine> lines = SplitLines(text, &total);
  const ParagraphLayout judge(config.follow_layout ? DescribeLines(text, lines) : std::vector<LayoutLine>());
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
  const bool judge_dropped = config.follow_layout && config.drop_ads_between_wrapped_lines;
  std::string context;
  std::vector<DetectedAd> found;
  // The line after this one is advertising that went: the paragraph goes on
  // past it.
  auto next_goes = [&](std::size_t index) {
    if (!judge_dropped || !judge.BetweenWrappedLines(index + 1)) return false;
    // The line judged between its neighbours, as the detector would see it
    // in the scanned text, so that it counts as neither beside a title nor
    // alone.
    context.clear();
    std::size_t from = 0, to = 0;
    for (std::size_t j = index; j <= index + 2; ++j) {
      if (j == index + 1) from = context.size();
      rewriter.Rewrite(text.substr(lines[j].start, lines[j].size), &context);
      if (j == index + 1) to = context.size();
      context.append("\r\n");
    }
    // The line goes when the detector takes it whole, or leaves nothing of
    // it but marks and blanks.
    std::string rest = context.substr(from, to - from);
    const std::string line = rest;
    found.clear();
    RemoveDetectedAds(context, &found);
    std::size_t pieces = 0;
    std::string_view first_piece;
    for (const DetectedAd& ad : found) {
      if (ad.offset < from || ad.offset >= to) continue;
      if (pieces++ == 0) first_piece = ad.text;
      if (ad.whole_line) {
        rest.clear();
        break;
      }
      const std::size_t at = rest.find(ad.text);
      if (at != std::string::npos) rest.erase(at, ad.text.size());
    }
    // A chapter's number with advertising glued on, between the wrapped
    // lines of one paragraph, goes with it; a number left alone, or with a
    // name, is a title.
    const bool glued = HoldsWords(rest);
    if (pieces == 0 || (glued && !AdGluedToHeading(line, rest, first_piece))) return false;
    if (config.dropped_ads != nullptr) {
      for (DetectedAd& ad : found) {
        if (ad.offset < from || ad.offset >= to) continue;
        // The number goes with the advertisement: the report shows the line.
        if (glued) ad.text = line, ad.line = line, ad.whole_line = true;
        config.dropped_ads->push_back(std::move(ad));
        if (glued) break;
      }
    }
    return true;
  };
  // Records that `paragraph` goes on in line `index`, should the line
  // before that go.
  auto bridge = [&](std::string_view paragraph, std::size_t index) {
    context.clear();
    rewriter.Rewrite(text.substr(lines[index].start, lines[index].size), &context);
    if (config.site_flag) context.erase(std::remove(context.begin(), context.end(), ' '), context.end());
    config.marked_starts->AddBridge(paragraph, context);
  };
  bool skip = false;
  // The line before this one went on into it.
  bool carried = false;
  // The layout ended the paragraph before this line.
  bool break_before_quote = false;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const RawLine& raw = lines[index];
    advance(raw.ordinal);
    if (skip) {
      skip = false;
      continue;
    }
    // Rewritten straight onto the output; taken back for a footer or a title.
    std::size_t at = out->size();
    rewriter.Rewrite(text.substr(raw.start, raw.size), out);
    std::string_view line(out->data() + at, out->size() - at);
    const bool quote_after_break = break_before_quote && StartsWithClosingQuote(line);
    break_before_quote = false;

    const bool title = IsTitleLine(line) && !(config.follow_layout && judge.ContinuesPrevious(index));
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
      carried = false;
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
      // The advertising stages take a line break before a closing quote for
      // a wrap's: a paragraph the layout ended before one (the source let a
      // quote run on past its paragraph) keeps its break behind a blank line.
      if (quote_after_break) {
        out->insert(at, "\r\n");
        at += 2;
        line = std::string_view(out->data() + at, out->size() - at);
      }
      if (config.marked_starts != nullptr && config.follow_layout && judge.StartsMarked(index) &&
          (at < 2 || std::string_view(*out).substr(at - 2, 2) == "\r\n")) {
        config.marked_starts->Add(line);
      }
      const int marked = config.follow_layout ? judge.Ends(index) : -1;
      // Where the layout decides, a line's length counts against the wrap
      // width, not the fixed threshold (a wrap of 20 characters is shorter).
      bool ends = marked < 0 ? EndsParagraph(line, config) : marked == 1;
      if (index + 2 < lines.size() && next_goes(index)) ends = false, skip = true;
      if (ends && config.marked_starts != nullptr && config.follow_layout && judge.AtWrapWidth(index) &&
          !EndsInClosing(line)) {
        config.marked_starts->AddOpenEnd(std::string_view(*out));
        // The line after this one was dropped into the paragraph, should a
        // later stage take it away.
        if (judge.GoesOnPast(index)) bridge(std::string_view(*out), index + 2);
      } else if (ends && carried && config.marked_starts != nullptr && judge.AtWrapWidth(index - 1) &&
                 !EndsInClosing(std::string_view(out->data(), at)) && judge.GoesOnPast(index - 1)) {
        // So was this line, which the paragraph took up and ends with.
        bridge(std::string_view(out->data(), at), index + 1);
      }
      if (ends) out->append("\r\n");
      break_before_quote = ends && marked == 1 && config.has_adver;
      carried = !ends && !skip;
    }
    if (title) carried = false;
    prev_title = title;
  }
  advance(total);
}

}  // namespace folian::tidy
