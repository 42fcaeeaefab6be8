#include "tidy/pattern_chain.h"

#include <limits>

namespace folian::tidy {
namespace {

constexpr std::size_t kUnbounded = PatternChain::kUnbounded;

bool IsLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsAlnum(unsigned char c) { return IsLetter(c) || (c >= '0' && c <= '9'); }
bool IsMeta(char c) { return std::string_view("\\.[]()|*+?{}^$").find(c) != std::string_view::npos; }

void AddByte(std::bitset<256>* set, unsigned char c, bool fold) {
  set->set(c);
  if (fold && IsLetter(c)) set->set(c ^ 0x20);
}

// "\d" and "\w" as sets; false for any other escape letter.
bool AddClassEscape(std::bitset<256>* set, char e) {
  if (e == 'd' || e == 'w') {
    for (int c = '0'; c <= '9'; ++c) set->set(c);
    if (e == 'w') {
      for (int c = 'a'; c <= 'z'; ++c) set->set(c), set->set(c - 0x20);
      set->set('_');
    }
    return true;
  }
  return false;
}

// Reads "{a}", "{a,b}" or "{a,}" at p[i] (the "{"); advances i.
bool ReadCount(std::string_view p, std::size_t* i, std::size_t* lo, std::size_t* hi) {
  std::size_t k = *i + 1, a = 0, b = 0;
  bool any = false;
  while (k < p.size() && p[k] >= '0' && p[k] <= '9') a = a * 10 + static_cast<std::size_t>(p[k++] - '0'), any = true;
  if (!any || k >= p.size()) return false;
  if (p[k] == '}') {
    b = a;
  } else if (p[k] == ',') {
    ++k;
    bool anyb = false;
    while (k < p.size() && p[k] >= '0' && p[k] <= '9') b = b * 10 + static_cast<std::size_t>(p[k++] - '0'), anyb = true;
    if (k >= p.size() || p[k] != '}') return false;
    if (!anyb) b = kUnbounded;
  } else {
    return false;
  }
  if (a > b || a > 10000) return false;
  *lo = a;
  *hi = b;
  *i = k + 1;
  return true;
}

}  // namespace

std::optional<PatternChain> PatternChain::Parse(std::string_view p, bool fold) {
  PatternChain chain;
  Item cur;
  std::size_t i = 0;
  bool gap_open = false;  // a gap was read and the next item has not started
  auto end_item = [&]() {
    chain.items_.push_back(std::move(cur));
    cur = Item{};
  };
  while (i < p.size()) {
    const char c = p[i];
    if (c == '.') {
      std::size_t lo = 1, hi = 1;
      ++i;
      if (i < p.size()) {
        if (p[i] == '?') lo = 0, ++i;
        else if (p[i] == '*') lo = 0, hi = kUnbounded, ++i;
        else if (p[i] == '+') hi = kUnbounded, ++i;
        else if (p[i] == '{' && !ReadCount(p, &i, &lo, &hi)) return std::nullopt;
      }
      if (i < p.size() && p[i] == '?') ++i;  // lazy: same set of matches
      if (cur.bytes.empty() && !gap_open) return std::nullopt;  // leading gap
      if (!gap_open) {
        end_item();
        gap_open = true;
      }
      Item& prev = chain.items_.back();
      prev.gap_min += lo;
      prev.gap_max = (hi == kUnbounded || prev.gap_max == kUnbounded) ? kUnbounded : prev.gap_max + hi;
      continue;
    }
    std::bitset<256> set;
    if (c == '\\') {
      if (i + 1 >= p.size()) return std::nullopt;
      const char e = p[i + 1];
      if (IsAlnum(static_cast<unsigned char>(e))) {
        if (!AddClassEscape(&set, e)) return std::nullopt;
      } else {
        AddByte(&set, static_cast<unsigned char>(e), fold);
      }
      i += 2;
    } else if (c == '[') {
      std::size_t k = i + 1;
      if (k < p.size() && p[k] == '^') return std::nullopt;
      bool first = true;
      while (k < p.size() && (p[k] != ']' || first)) {
        first = false;
        unsigned char a = static_cast<unsigned char>(p[k]);
        if (a == '\\') {
          if (k + 1 >= p.size()) return std::nullopt;
          const char e = p[k + 1];
          if (IsAlnum(static_cast<unsigned char>(e))) {
            if (!AddClassEscape(&set, e)) return std::nullopt;
          } else {
            AddByte(&set, static_cast<unsigned char>(e), fold);
          }
          k += 2;
          continue;
        }
        if (a == '[') return std::nullopt;  // POSIX classes: not read here
        if (k + 2 < p.size() && p[k + 1] == '-' && p[k + 2] != ']') {
          const unsigned char b = static_cast<unsigned char>(p[k + 2]);
          if (b < a || b == '\\' || b == '[') return std::nullopt;
          for (unsigned x = a; x <= b; ++x) AddByte(&set, static_cast<unsigned char>(x), fold);
          k += 3;
          continue;
        }
        AddByte(&set, a, fold);
        ++k;
      }
      if (k >= p.size()) return std::nullopt;
      i = k + 1;
    } else if (IsMeta(c)) {
      return std::nullopt;
    } else {
      AddByte(&set, static_cast<unsigned char>(c), fold);
      ++i;
    }
    if (i < p.size() && (p[i] == '*' || p[i] == '?' || p[i] == '+' || p[i] == '{')) {
      // Only an optional element at the very end is allowed: it never
      // decides whether a match exists.
      const bool optional = p[i] == '*' || p[i] == '?';
      std::size_t j = i + 1;
      if (j < p.size() && p[j] == '?') ++j;
      if (!optional || j != p.size()) return std::nullopt;
      i = j;
      continue;
    }
    cur.bytes.push_back(set);
    gap_open = false;
  }
  if (gap_open || cur.bytes.empty()) return std::nullopt;  // trailing gap or empty
  end_item();
  for (const auto& set : chain.items_.front().bytes) {
    if (set.count() == 1) {
      for (int b = 0; b < 256; ++b) {
        if (set.test(b)) chain.prefix_.push_back(static_cast<char>(b));
      }
    } else if (set.count() == 2) {
      int lo = -1;
      for (int b = 'a'; b <= 'z'; ++b) {
        if (set.test(b) && set.test(b - 0x20)) lo = b;
      }
      if (lo < 0) break;
      chain.prefix_.push_back(static_cast<char>(lo));
    } else {
      break;
    }
  }
  return chain;
}

bool PatternChain::ItemAt(std::string_view line, std::size_t item, std::size_t pos) const {
  const Item& it = items_[item];
  if (pos > line.size() || it.bytes.size() > line.size() - pos) return false;
  for (std::size_t k = 0; k < it.bytes.size(); ++k) {
    if (!it.bytes[k].test(static_cast<unsigned char>(line[pos + k]))) return false;
  }
  return true;
}

// Items `item` (at `pos`) and the ones after it, each after its gap.
bool PatternChain::MatchFrom(std::string_view line, std::size_t item, std::size_t pos) const {
  if (!ItemAt(line, item, pos)) return false;
  const Item& it = items_[item];
  if (item + 1 == items_.size()) return true;
  const std::size_t after = pos + it.bytes.size();
  const std::size_t room = line.size() - after;
  if (it.gap_min > room) return false;
  const std::size_t hi = it.gap_max < room ? it.gap_max : room;
  for (std::size_t g = it.gap_min; g <= hi; ++g) {
    if (MatchFrom(line, item + 1, after + g)) return true;
  }
  return false;
}

std::vector<PatternChain::Piece> PatternChain::Pieces() const {
  std::vector<Piece> out;
  std::size_t lo = 0, hi = 0;
  for (const Item& it : items_) {
    out.push_back({&it.bytes, lo, hi, it.gap_min, it.gap_max});
    lo += it.bytes.size() + it.gap_min;
    hi = (hi == kUnbounded || it.gap_max == kUnbounded) ? kUnbounded : hi + it.bytes.size() + it.gap_max;
  }
  return out;
}

// Items before `item`, the last of them ending its gap before `pos`.
bool PatternChain::MatchBefore(std::string_view line, std::size_t item, std::size_t pos) const {
  if (item == 0) return true;
  const Item& prev = items_[item - 1];
  const std::size_t len = prev.bytes.size();
  if (pos < len + prev.gap_min) return false;
  const std::size_t widest = pos - len;  // the gap if the item began the line
  const std::size_t hi = prev.gap_max < widest ? prev.gap_max : widest;
  for (std::size_t g = prev.gap_min; g <= hi; ++g) {
    const std::size_t start = pos - g - len;
    if (ItemAt(line, item - 1, start) && MatchBefore(line, item - 1, start)) return true;
  }
  return false;
}

bool PatternChain::MatchesAt(std::string_view line, std::size_t pos) const {
  return pos <= line.size() && MatchFrom(line, 0, pos);
}

bool PatternChain::MatchesAround(std::string_view line, std::size_t piece, std::size_t pos) const {
  return piece < items_.size() && MatchFrom(line, piece, pos) && MatchBefore(line, piece, pos);
}

}  // namespace folian::tidy
