#include "tidy/ad_shapes.h"

#include <algorithm>
#include <functional>
#include <string>

namespace folian::tidy::detector {
namespace {

struct Marks {
  std::uint16_t stop = CodeOf("。"), comma = CodeOf("，"), pause = CodeOf("、"), question = CodeOf("？");
};
const Marks& M() {
  static const Marks m;
  return m;
}

// Separators web addresses are written or deformed with; the second set
// may also follow one.
bool InnerSeparator(std::uint16_t fold) {
  switch (fold) {
    case '.': case '/': case ':': case '_': case '-': case '~': case ' ': case ',':
    case '?': case '|': case '\\': case '=': case '^': case '*': case '+': case '`':
      return true;
    default:
      return fold == M().stop || fold == M().comma || fold == M().pause || fold == M().question;
  }
}

bool LinkSeparator(std::uint16_t fold) {
  switch (fold) {
    case '.': case '/': case ':': case '_': case '-': case '~': case ' ':
      return true;
    default:
      return fold == M().stop;
  }
}

bool AsciiAlnum(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

bool Has(const std::string& s, const char* w) { return s.find(w) != std::string::npos; }

}  // namespace

void LatinRuns(std::span<const Unit> u, std::vector<Range>* out) {
  out->clear();
  const std::size_t n = u.size();
  for (std::size_t i = 0; i < n;) {
    if (!u[i].Is(kLatin)) {
      ++i;
      continue;
    }
    std::size_t j = i, last = i;
    while (j < n && (u[j].Is(kLatin) ||
                     (InnerSeparator(u[j].fold) && j + 1 < n &&
                      (u[j + 1].Is(kLatin) || LinkSeparator(u[j + 1].fold))))) {
      if (u[j].Is(kLatin)) last = j;
      ++j;
    }
    out->push_back({i, last + 1});
    i = last + 1;
  }
}

bool HostLike(std::span<const Unit> u, Range run) {
  // The run spelt in ASCII: letters and digits as they fold, other letters
  // as 'Z' (never part of a word below), dots and commas as themselves.
  static thread_local std::string s;
  s.clear();
  int letters = 0;
  bool lookalike = false;
  for (std::size_t i = run.first; i < run.second; ++i) {
    const Unit& c = u[i];
    letters += c.Is(kLetter);
    lookalike |= c.Is(kLookalike);
    if (c.fold < 0x80) {
      s += static_cast<char>(c.fold);
    } else if (c.fold == M().stop) {
      s += '.';
    } else if (c.fold == M().comma) {
      s += ',';
    } else {
      s += c.Is(kLatin) ? 'Z' : '#';
    }
  }
  if (letters < 2) return false;
  // What an earlier stage left of a host whose "www." or ".com" it took: a
  // name of four or more letters and digits right before or after a dot.
  const bool dot_after = run.second < u.size() && u[run.second].fold == '.';
  const bool dot_before = run.first > 0 && u[run.first - 1].fold == '.';
  if ((dot_after || dot_before) && run.second - run.first >= 4) return true;
  // Blanks between the letters do not hide the words (w w w).
  static thread_local std::string packed;
  packed.clear();
  for (char c : s)
    if (c != ' ') packed += c;
  if (Has(packed, "www") || Has(packed, "http") || Has(packed, "wap") || Has(packed, "txt")) return true;
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    // "m." at a word's start: a mobile site's host.
    if (s[i] == 'm' && s[i + 1] == '.' && (i == 0 || !AsciiAlnum(s[i - 1]))) return true;
  }
  // Two letters or digits, a dot or comma (blanks around it allowed), one more.
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '.' && s[i] != ',') continue;
    std::size_t a = i;
    while (a > 0 && s[a - 1] == ' ') --a;
    std::size_t before = 0;
    while (a > before && AsciiAlnum(s[a - 1 - before])) ++before;
    std::size_t b = i + 1;
    while (b < s.size() && s[b] == ' ') ++b;
    if (before >= 2 && b < s.size() && AsciiAlnum(s[b])) return true;
  }
  if (letters >= 4) {
    static constexpr const char* kDomains[] = {"com", "net", "org", "cn", "cc", "la", "me", "info",
                                               "top", "xyz", "co", "tv", "so", "htm", "html"};
    for (const char* d : kDomains) {
      const std::string w(d);
      for (std::size_t at = s.find(w); at != std::string::npos; at = s.find(w, at + 1)) {
        const bool left = at == 0 || !(s[at - 1] >= 'a' && s[at - 1] <= 'z');
        const std::size_t e = at + w.size();
        const bool right = e == s.size() || !(s[e] >= 'a' && s[e] <= 'z');
        if (left && right) return true;
      }
    }
  }
  return lookalike && letters >= 3;
}

void JunkRuns(std::span<const Unit> u, std::vector<Range>* out,
              const std::function<bool(std::span<const std::uint16_t>)>& has_word) {
  out->clear();
  const std::size_t n = u.size();
  std::vector<std::uint16_t> han;
  std::vector<Range> sep_at;  // the separators between the run's pieces
  // Stretches of Han characters: one or two make a piece of a name; a
  // longer one is story text, never part of a run (the name's first or last
  // character glued to it stays with it).
  auto stretch_end = [&](std::size_t i) {
    while (i < n && u[i].Is(kCjk)) ++i;
    return i;
  };
  std::size_t i = 0;
  while (i < n) {
    if (!u[i].Is(kCjk)) {
      ++i;
      continue;
    }
    std::size_t end = stretch_end(i);
    if (end - i > 2) {
      i = end;
      continue;
    }
    const std::size_t start = i;
    std::size_t pieces = 0, singles = 0, seps = 0, run_end = i;
    bool digits_only_sep = false, all_blank_seps = true, all_wave_seps = true;
    han.clear();
    std::size_t last_single_end = i;
    sep_at.clear();
    while (true) {
      ++pieces;
      singles += end - i == 1;
      if (end - i == 1) last_single_end = end;
      for (std::size_t k = i; k < end; ++k) han.push_back(u[k].fold);
      run_end = end;
      std::size_t m = end;
      bool digits = true, blank = true, wave = true;
      while (m < n && m - end < 4 && !u[m].Is(kCjk) && u[m].Separator()) {
        digits &= u[m].fold >= '0' && u[m].fold <= '9';
        blank &= u[m].Is(kBlank);
        wave &= u[m].fold == '~';
        ++m;
      }
      if (m == end || m >= n || !u[m].Is(kCjk)) break;
      const std::size_t next_end = stretch_end(m);
      if (next_end - m > 2) break;
      ++seps;
      sep_at.push_back({end, m});
      digits_only_sep |= digits;
      all_blank_seps &= blank;
      all_wave_seps &= wave;
      i = m;
      end = next_end;
    }
    // Single characters, then two before a clause's end (︾乐︾文︾小︾说|去看，):
    // the two are the story's clause the name was pasted into.
    if (pieces >= 4 && singles == pieces - 1 && run_end - i == 2 &&
        (run_end == n || u[run_end].Is(kClauseEnd))) {
      run_end = last_single_end;
      han.resize(han.size() - 2);
      --pieces;
      --seps;
      sep_at.pop_back();
    }
    bool ok = pieces >= 3 && singles * 2 >= pieces && !digits_only_sep && seps >= 2;
    if (ok && all_blank_seps && pieces < 4) ok = false;
    // Pieces of two characters are words of the story as often as of a
    // name: then the characters must spell an advertising word, or most
    // pieces be single. One character repeated (哈~哈~哈) is a laugh.
    if (ok && singles < pieces && singles < 3 && !(has_word && has_word(han))) ok = false;
    if (ok && std::all_of(han.begin(), han.end(), [&](std::uint16_t c) { return c == han[0]; })) ok = false;
    // Waves lengthen the words of speech (来~呀~快~来~): between them the
    // characters must spell a word of two or more (a window holding a word
    // that neither of its shorter halves holds).
    if (ok && all_wave_seps && has_word) {
      bool found = false;
      const std::span<const std::uint16_t> h(han);
      for (std::size_t a = 0; a < h.size() && !found; ++a) {
        for (std::size_t len = 2; len <= 4 && a + len <= h.size() && !found; ++len) {
          found = has_word(h.subspan(a, len)) && !has_word(h.subspan(a, len - 1)) &&
                  !has_word(h.subspan(a + 1, len - 1));
        }
      }
      ok = found;
    }
    if (ok) {
      // The name's own separators are alike; one unlike them at an end of
      // the run (︾樂︾文︾小︾说|曰, 又問-優－優－…－快x道) is where the site's
      // name was cut off and pasted: the piece beyond it is the story's.
      Range run{start, run_end};
      const std::size_t s = sep_at.size();
      auto alike = [&](const Range& a, const Range& b) {
        if (a.second - a.first != b.second - b.first) return false;
        for (std::size_t k = 0; k < a.second - a.first; ++k)
          if (u[a.first + k].code != u[b.first + k].code) return false;
        return true;
      };
      bool inner_alike = s >= 4;  // two inner separators or more to go by
      for (std::size_t k = 2; k + 1 < s && inner_alike; ++k) inner_alike = alike(sep_at[k], sep_at[1]);
      if (inner_alike && !alike(sep_at[s - 1], sep_at[s - 2])) run.second = sep_at[s - 1].first;
      if (inner_alike && !alike(sep_at[0], sep_at[1])) run.first = sep_at[0].second;
      out->push_back(run);
    }
    i = run_end;
  }
}

void IsolatedRuns(std::span<const Unit> u, std::vector<Range>* out) {
  out->clear();
  const std::size_t n = u.size();
  static const std::uint16_t open = CodeOf("《"), close = CodeOf("》");
  // A title mark is the story's when it pairs with one that has a Han
  // character between them.
  auto pairs = [&](std::size_t k) {
    if (u[k].code == open) {
      bool han = false;
      for (std::size_t j = k + 1; j < n && u[j].code != open; ++j) {
        if (u[j].code == close) return han;
        han |= u[j].Is(kCjk);
      }
      return false;
    }
    bool han = false;
    for (std::size_t j = k; j-- > 0 && u[j].code != close;) {
      if (u[j].code == open) return han;
      han |= u[j].Is(kCjk);
    }
    return false;
  };
  // A wave lengthens a word of speech (来~呀~); names spelt with waves
  // alone are JunkRuns' to judge, against the word list.
  auto symbol = [&](std::size_t k) {
    if (u[k].Junk()) return u[k].fold != '~';
    return (u[k].code == open || u[k].code == close) && !pairs(k);
  };
  // Symbols no story writes between its characters: not brackets, not
  // title marks (which may be a title's half cut by a wrap), not the
  // slash and hyphen of 他/她/它.
  auto hard = [&](std::size_t a, std::size_t b) {
    for (std::size_t k = a; k < b; ++k) {
      if (u[k].Is(kCjk)) continue;
      if (!u[k].Junk() || u[k].Is(kOpenBracket | kCloseBracket) || u[k].fold == '/' || u[k].fold == '-')
        return false;
    }
    return true;
  };
  auto symbols_from = [&](std::size_t k) {
    std::size_t m = k;
    while (m < n && m - k < 3 && symbol(m)) ++m;
    return m < n && m - k == 3 && symbol(m) ? k : m;  // a longer rule is no junk between letters
  };
  for (std::size_t i = 0; i < n;) {
    if (!symbol(i)) {
      ++i;
      continue;
    }
    std::size_t k = symbols_from(i);
    if (k == i) {
      while (i < n && symbol(i)) ++i;
      continue;
    }
    std::size_t chars = 0, runs = 1, end = k;
    std::uint16_t first = 0;
    bool differ = false;
    while (k + 1 < n && u[k].Is(kCjk) && !u[k + 1].Is(kCjk)) {
      const std::size_t m = symbols_from(k + 1);
      if (m == k + 1) break;
      if (chars++ == 0) first = u[k].fold;
      differ |= u[k].fold != first;
      ++runs;
      end = k = m;
    }
    if (chars >= 2 && runs >= 3 && differ) {
      out->push_back({i, end});
    } else if (chars == 1 && runs == 2 && i > 0 && end < n && u[i - 1].Is(kCjk) && u[end].Is(kCjk) &&
               hard(i, end)) {
      // One character between two runs of hard junk inside Han text
      // (奇#書*网): a name of three characters, its ends taken with it. When
      // one end is a piece of a longer deformed name (junk before its
      // stretch, 小＠说天＾堂＆笑盈盈), the other end begins the story.
      auto stretch = [&](std::size_t k, int dir) {
        std::size_t len = 0;
        while (u[k].Is(kCjk)) {
          ++len;
          if ((dir < 0 && k == 0) || (dir > 0 && k + 1 >= n)) break;
          k = dir > 0 ? k + 1 : k - 1;
        }
        return len;
      };
      const std::size_t left = stretch(i - 1, -1), right = stretch(end, +1);
      const bool left_junk = left <= 2 && i - 1 >= left && u[i - 1 - left].Junk();
      const bool right_junk = right <= 2 && end + right < n && u[end + right].Junk();
      const std::size_t from = left >= 3 && right_junk ? i : i - 1;
      const std::size_t to = right >= 3 && left_junk ? end : end + 1;
      out->push_back({from, to});
    }
    i = std::max(end, i + 1);
  }
}

Range ExtendOverJunk(std::span<const Unit> u, Range r) {
  static const std::uint16_t dash = CodeOf("—");
  auto soft = [&](std::size_t k) { return u[k].Separator() && !u[k].Is(kBlank); };
  // A rule of four or more dashes belongs to the advertisement it touches.
  auto dashes_back = [&](std::size_t end) {
    std::size_t k = end;
    while (k > 0 && u[k - 1].code == dash) --k;
    return end - k >= 4 ? k : end;
  };
  auto dashes_forward = [&](std::size_t begin) {
    std::size_t k = begin;
    while (k < u.size() && u[k].code == dash) ++k;
    return k - begin >= 4 ? k : begin;
  };
  for (bool grew = true; grew;) {
    const Range before = r;
    while (r.first > 0 && soft(r.first - 1)) --r.first;
    r.first = dashes_back(r.first);
    while (r.second < u.size() && soft(r.second)) ++r.second;
    r.second = dashes_forward(r.second);
    grew = r != before;
  }
  return r;
}

void Clauses(std::span<const Unit> u, std::vector<Range>* out) {
  out->clear();
  std::size_t start = 0;
  for (std::size_t i = 0; i < u.size();) {
    if (u[i].Is(kClauseEnd)) {
      std::size_t j = i;
      while (j + 1 < u.size() && u[j + 1].Is(kClauseEnd | kClauseTail)) ++j;
      out->push_back({start, j + 1});
      start = i = j + 1;
    } else {
      ++i;
    }
  }
  if (start < u.size()) out->push_back({start, u.size()});
}

}  // namespace folian::tidy::detector
