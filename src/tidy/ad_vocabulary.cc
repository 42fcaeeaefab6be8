#include "tidy/ad_vocabulary.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <stdexcept>

#include "charset/codepage.h"

extern const unsigned char ads_words_tsv[];
extern const std::size_t ads_words_tsv_size;

namespace folian::tidy::detector {

bool Vocabulary::Parse(std::string_view tsv, Vocabulary* out, std::string* error) {
  Vocabulary v;
  std::set<std::vector<std::uint16_t>> seen;
  std::vector<Unit> units;
  int line_no = 0;
  for (std::size_t at = 0; at <= tsv.size();) {
    std::size_t end = tsv.find('\n', at);
    if (end == std::string_view::npos) end = tsv.size();
    std::string_view line = tsv.substr(at, end - at);
    at = end + 1;
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    auto fail = [&](const char* why) {
      *error = "line " + std::to_string(line_no) + ": " + why;
      return false;
    };
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0) return fail("expected word<TAB>weight");
    const std::string_view weight = line.substr(tab + 1);
    if (weight.size() != 1 || weight[0] < '1' || weight[0] > '4') return fail("weight must be 1 to 4");
    std::size_t defaulted = 0;
    Word w;
    w.gbk = charset::Utf8ToGbk(line.substr(0, tab), &defaulted);
    if (defaulted != 0) return fail("word not representable in GBK");
    w.weight = static_cast<std::uint8_t>(weight[0] - '0');
    SplitUnits(w.gbk, &units);
    for (const Unit& u : units) w.units.push_back(u.fold);
    if (!seen.insert(w.units).second) return fail("word listed twice");
    v.words_.push_back(std::move(w));
    if (end == tsv.size()) break;
  }
  std::stable_sort(v.words_.begin(), v.words_.end(), [](const Word& a, const Word& b) {
    if (a.units[0] != b.units[0]) return a.units[0] < b.units[0];
    return a.units.size() > b.units.size();
  });
  v.first_.assign(65536, 0);
  v.starts_.assign(65536 / 64, 0);
  for (std::size_t i = 0; i < v.words_.size();) {
    std::size_t j = i;
    while (j < v.words_.size() && v.words_[j].units[0] == v.words_[i].units[0]) ++j;
    const std::uint16_t first = v.words_[i].units[0];
    v.first_[first] = static_cast<std::uint32_t>(i << 16 | (j - i));
    v.starts_[first >> 6] |= std::uint64_t{1} << (first & 63);
    i = j;
  }
  v.pairs_.assign(65536 / 64, 0);
  std::vector<std::uint64_t> single(65536 / 64, 0);  // a word of one unit starts with it
  for (const Word& w : v.words_) {
    if (w.units.size() == 1) {
      single[w.units[0] >> 6] |= std::uint64_t{1} << (w.units[0] & 63);
    } else {
      const unsigned h = PairHash(w.units[0], w.units[1]);
      v.pairs_[h >> 6] |= std::uint64_t{1} << (h & 63);
    }
  }
  v.quiet_.assign(65536, 0);
  const Glyph* glyphs = GlyphTable();
  for (std::size_t code = 0; code < v.quiet_.size(); ++code) {
    const Glyph& g = glyphs[code];
    if ((g.cls & (kLatin | kBlank | kOpenBracket)) != 0 || (g.cls & (kCjk | kStoryPunct)) == 0 || g.fold == ':') {
      continue;
    }
    std::uint8_t q = (g.cls & kCjk) != 0 ? 2 : 1;
    if ((v.starts_[g.fold >> 6] >> (g.fold & 63) & 1) != 0) {
      if (q != 2 || (single[g.fold >> 6] >> (g.fold & 63) & 1) != 0) continue;
      q = 3;
    }
    const unsigned char bytes[2] = {static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code)};
    std::uint16_t native;
    std::memcpy(&native, bytes, 2);
    v.quiet_[native] = q;
  }
  *out = std::move(v);
  return true;
}

const Vocabulary& Vocabulary::Builtin() {
  static const Vocabulary v = [] {
    Vocabulary out;
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(ads_words_tsv), ads_words_tsv_size);
    // The list is checked by the tests; a failure here means a broken build.
    if (!Parse(text, &out, &error)) throw std::logic_error("data/ads/words.tsv: " + error);
    return out;
  }();
  return v;
}

void Vocabulary::FindHits(std::span<const Unit> units, std::size_t from, std::size_t to,
                          std::vector<Hit>* out) const {
  for (std::size_t i = from; i < to;) {
    const std::uint16_t f = units[i].fold;
    if ((starts_[f >> 6] >> (f & 63) & 1) == 0) {
      ++i;
      continue;
    }
    const std::uint32_t slot = first_[f];
    bool hit = false;
    for (std::uint32_t k = slot >> 16, e = (slot >> 16) + (slot & 0xFFFF); k < e; ++k) {
      const Word& w = words_[k];
      const std::size_t n = w.units.size();
      if (n > to - i) continue;
      std::size_t m = 1;
      while (m < n && units[i + m].fold == w.units[m]) ++m;
      if (m == n) {
        out->push_back({static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i + n), w.weight});
        i += n;
        hit = true;
        break;
      }
    }
    if (!hit) ++i;
  }
}

void Vocabulary::FindHitsAt(std::span<const Unit> units, std::span<const std::uint32_t> candidates,
                            std::vector<Hit>* out) const {
  const std::size_t to = units.size();
  std::size_t behind = 0;  // hits may not overlap: the next may start here
  for (const std::uint32_t i : candidates) {
    if (i < behind) continue;
    const std::uint32_t slot = first_[units[i].fold];
    for (std::uint32_t k = slot >> 16, e = (slot >> 16) + (slot & 0xFFFF); k < e; ++k) {
      const Word& w = words_[k];
      const std::size_t n = w.units.size();
      if (n > to - i) continue;
      std::size_t m = 1;
      while (m < n && units[i + m].fold == w.units[m]) ++m;
      if (m == n) {
        out->push_back({i, static_cast<std::uint32_t>(i + n), w.weight});
        behind = i + n;
        break;
      }
    }
  }
}

bool Vocabulary::AnyIn(std::span<const std::uint16_t> folded) const {
  for (std::size_t i = 0; i < folded.size(); ++i) {
    const std::uint32_t slot = first_[folded[i]];
    for (std::uint32_t k = slot >> 16, e = (slot >> 16) + (slot & 0xFFFF); k < e; ++k) {
      const Word& w = words_[k];
      if (w.units.size() > folded.size() - i) continue;
      if (std::equal(w.units.begin(), w.units.end(), folded.begin() + static_cast<std::ptrdiff_t>(i))) return true;
    }
  }
  return false;
}

const Vocabulary::Word& Vocabulary::WordOf(std::span<const Unit> units, const Hit& hit) const {
  const std::uint32_t slot = first_[units[hit.begin].fold];
  for (std::uint32_t k = slot >> 16, e = (slot >> 16) + (slot & 0xFFFF); k < e; ++k) {
    const Word& w = words_[k];
    if (w.units.size() != hit.end - hit.begin) continue;
    bool same = true;
    for (std::size_t m = 0; m < w.units.size() && same; ++m) same = units[hit.begin + m].fold == w.units[m];
    if (same) return w;
  }
  return words_.front();  // unreachable for hits FindHits made
}

}  // namespace folian::tidy::detector
