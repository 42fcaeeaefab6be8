#include "charset/script_table.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "charset/codepage.h"
#include "charset/dbcs_codec.h"
#include "charset/utf8_decode.h"

namespace folian::charset {
namespace {

using detail::CodeTrie;

constexpr std::uint32_t kNoCode = UINT32_MAX;

constexpr std::array<bool, 256> MakeTrailTable() {
  std::array<bool, 256> t{};
  for (int b = 0x40; b <= 0xFE; ++b) t[static_cast<std::size_t>(b)] = b != 0x7F;
  return t;
}
constexpr std::array<bool, 256> kTrail = MakeTrailTable();

// The character at s[p]: its code and byte length; length 0 for a lead byte
// without a trail byte, which is no character. 0x80 and 0xFF stand alone.
struct Char {
  std::uint32_t code;
  std::uint32_t len;
};
inline Char CharAt(const unsigned char* s, std::size_t n, std::size_t p) {
  const std::uint32_t b = s[p];
  if (b < 0x81 || b == 0xFF) return {b, 1};
  if (p + 1 < n && kTrail[s[p + 1]]) return {b << 8 | s[p + 1], 2};
  return {b, 0};
}

// Inline output: up to three bytes and their count.
std::uint32_t Inline(std::string_view bytes) {
  std::uint32_t out = static_cast<std::uint32_t>(bytes.size()) << 24;
  for (std::size_t i = 0; i < bytes.size(); ++i) out |= std::uint32_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
  return out;
}

// Which GBK codes hold each UTF-16 unit: the first code found, plus a list
// of later ones for units with several (none in today's table, but a key
// must match every spelling the text can use).
struct UnitCodes {
  std::vector<std::uint32_t> first = std::vector<std::uint32_t>(0x10000, kNoCode);
  std::vector<std::pair<char16_t, std::uint32_t>> more;  // sorted by unit

  template <typename Fn>
  void ForEach(char16_t unit, Fn fn) const {
    if (first[unit] == kNoCode) return;
    fn(first[unit]);
    auto it = std::lower_bound(more.begin(), more.end(), std::make_pair(unit, std::uint32_t{0}));
    for (; it != more.end() && it->first == unit; ++it) fn(it->second);
  }
};

// Every GBK character's unit, and what each code is when nothing converts
// it (the character itself, as decoding and encoding it again gives; the
// byte itself for codes that are no character). Made once per process.
struct GbkCharacters {
  UnitCodes codes;
  std::vector<std::uint32_t> itself = std::vector<std::uint32_t>(0x10000, 0);

  static const GbkCharacters& Get() {
    static const GbkCharacters chars;
    return chars;
  }

 private:
  GbkCharacters() {
    const detail::DbcsCodec& gbk = detail::Gbk();
    auto visit = [&](std::uint32_t code, const unsigned char* bytes, std::size_t len) {
      itself[code] = Inline(std::string_view(reinterpret_cast<const char*>(bytes), len));
      char16_t unit[2];
      if (gbk.ToWide(bytes, len, unit) != 1) return;
      char back[4];
      itself[code] = Inline(std::string_view(back, gbk.FromWide(unit, 1, back, '?', nullptr)));
      if (codes.first[unit[0]] == kNoCode) {
        codes.first[unit[0]] = code;
      } else {
        codes.more.emplace_back(unit[0], code);
      }
    };
    for (std::uint32_t b = 0; b <= 0xFF; ++b) {
      if (b > 0x80 && b < 0xFF) continue;
      const auto byte = static_cast<unsigned char>(b);
      visit(b, &byte, 1);
    }
    for (std::uint32_t lead = 0x81; lead <= 0xFE; ++lead) {
      for (std::uint32_t trail = 0x40; trail <= 0xFE; ++trail) {
        if (!kTrail[trail]) continue;
        const unsigned char pair[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
        visit(lead << 8 | trail, pair, 2);
      }
    }
    std::sort(codes.more.begin(), codes.more.end());
  }
};

// A key as UTF-16 units, or false when no GBK text can hold it (a character
// outside the BMP or without a GBK code, or bytes that are not UTF-8).
bool KeyUnits(std::string_view key, const UnitCodes& codes, std::u16string* units) {
  units->clear();
  const auto* p = reinterpret_cast<const unsigned char*>(key.data());
  std::size_t i = 0;
  while (i < key.size()) {
    const std::size_t start = i;
    const char32_t cp = detail::NextUtf8(p, key.size(), i);
    if (cp > 0xFFFF || (cp == 0xFFFD && i - start != 3)) return false;
    if (codes.first[cp] == kNoCode) return false;
    units->push_back(static_cast<char16_t>(cp));
  }
  return !units->empty();
}

}  // namespace

std::uint32_t ScriptTable::AddValue(std::string_view utf8, std::string* scratch) {
  Utf8ToGbk(utf8, *scratch);
  values_ += *scratch;
  value_ends_.push_back(static_cast<std::uint32_t>(values_.size()));
  return static_cast<std::uint32_t>(value_ends_.size() - 1);
}

std::unique_ptr<const ScriptTable> ScriptTable::Build(const Dictionary& phrases,
                                                      const Dictionary& characters) {
  std::unique_ptr<ScriptTable> t(new ScriptTable);
  t->entries_.resize(0x10000);
  const GbkCharacters& gbk_chars = GbkCharacters::Get();
  const UnitCodes& codes = gbk_chars.codes;
  for (std::uint32_t code = 0; code < 0x10000; ++code) t->entries_[code].out = gbk_chars.itself[code];

  // Inserts a key: one path of nodes, each reached by every code of its unit.
  auto insert = [&codes](CodeTrie& trie, std::u16string_view units) -> std::uint32_t {
    std::uint32_t node = CodeTrie::kRoot;
    for (const char16_t unit : units) {
      const std::uint32_t child = trie.AddChild(node, codes.first[unit]);
      if (child == 0) return 0;
      codes.ForEach(unit, [&](std::uint32_t code) { trie.AddEdge(node, code, child); });
      node = child;
    }
    return node;
  };

  std::u16string units;
  std::string scratch;
  t->values_.reserve(phrases.pool_bytes() / 2);
  t->value_ends_.reserve(phrases.size() + characters.size());
  for (std::size_t i = 0; i < phrases.size(); ++i) {
    if (!KeyUnits(phrases.key(i), codes, &units)) continue;
    const std::uint32_t node = insert(t->phrases_, units);
    if (node == 0) return nullptr;
    if (t->phrases_.value(node) == CodeTrie::kNoValue) {
      t->phrases_.SetValue(node, t->AddValue(phrases.value(i), &scratch));
    }
  }
  std::vector<bool> converted(0x10000, false);
  for (std::size_t i = 0; i < characters.size(); ++i) {
    if (!KeyUnits(characters.key(i), codes, &units)) continue;
    const std::uint32_t node = insert(t->characters_, units);
    if (node == 0) return nullptr;
    if (t->characters_.value(node) != CodeTrie::kNoValue) continue;
    const std::uint32_t value = t->AddValue(characters.value(i), &scratch);
    t->characters_.SetValue(node, value);
    if (units.size() != 1) continue;
    const std::string_view gbk_value = t->Value(value);
    codes.ForEach(units[0], [&](std::uint32_t code) {
      if (converted[code]) return;
      converted[code] = true;
      t->entries_[code].out = gbk_value.size() <= 3 ? Inline(gbk_value) : kPooled | value;
    });
  }

  // For each phrase's first node, the code leading to it (and, in `more`,
  // any further codes of the same character).
  std::vector<std::uint32_t> level1(t->phrases_.node_count() + 1, kNoCode);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> more;
  t->phrases_.ForEachEdge([&](std::uint32_t parent, std::uint32_t code, std::uint32_t node) {
    if (parent != CodeTrie::kRoot) return;
    t->entries_[code].phrase = node | (t->phrases_.value(node) != CodeTrie::kNoValue ? kOneCharPhrase : 0);
    if (level1[node] == kNoCode) {
      level1[node] = code;
    } else {
      more.emplace_back(node, code);
    }
  });
  t->characters_.ForEachEdge([&](std::uint32_t parent, std::uint32_t code, std::uint32_t node) {
    // The slow path reads the character's own value from the trie; the
    // character itself stays inline for when no key matches.
    if (parent == CodeTrie::kRoot && t->characters_.has_children(node)) {
      t->entries_[code].out = kSlow | gbk_chars.itself[code];
    }
  });
  // The pair bitmap: every first code with every code leading on from its node.
  std::sort(more.begin(), more.end());
  t->pairs_.assign((std::size_t{1} << kPairBits) / 64, 0);
  auto set_pair = [&t](std::uint32_t first, std::uint32_t second) {
    const std::size_t h = PairHash(first, second);
    t->pairs_[h >> 6] |= std::uint64_t{1} << (h & 63);
  };
  t->phrases_.ForEachEdge([&](std::uint32_t parent, std::uint32_t code, std::uint32_t) {
    if (parent == CodeTrie::kRoot || level1[parent] == kNoCode) return;
    set_pair(level1[parent], code);
    if (more.empty()) return;
    auto it = std::lower_bound(more.begin(), more.end(), std::make_pair(parent, std::uint32_t{0}));
    for (; it != more.end() && it->first == parent; ++it) set_pair(it->second, code);
  });
  t->phrases_.Freeze();
  t->characters_.Freeze();
  t->values_.append(kValuePadding, '\0');
  return t;
}

bool ScriptTable::LongestPhrase(const unsigned char* s, std::size_t n, std::uint32_t first, std::size_t q,
                                std::uint32_t* value, std::size_t* end) const {
  std::uint32_t node = first & ~kOneCharPhrase;
  std::uint32_t best = (first & kOneCharPhrase) ? node : 0;
  std::size_t best_end = q;
  while (q < n) {
    const Char c = CharAt(s, n, q);
    if (c.len == 0) break;
    const std::uint64_t edge = phrases_.Edge(node, c.code);
    if (edge == 0) break;
    node = CodeTrie::ChildOf(edge);
    q += c.len;
    if (CodeTrie::EndsKey(edge)) {
      best = node;
      best_end = q;
    }
    if (!CodeTrie::LeadsOn(edge)) break;
  }
  if (best == 0) return false;
  *value = phrases_.value(best);
  *end = best_end;
  return true;
}

bool ScriptTable::PhraseAt(const unsigned char* s, std::size_t n, std::size_t q) const {
  if (q >= n) return false;
  const Char c = CharAt(s, n, q);
  if (c.len == 0) return false;
  const std::uint32_t first = entries_[c.code].phrase;
  std::uint32_t value;
  std::size_t end;
  return first != 0 && LongestPhrase(s, n, first, q + c.len, &value, &end);
}

std::size_t ScriptTable::Convert(std::string_view text, std::size_t from, std::size_t until,
                                 std::string* out) const {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  until = std::min(until, n);
  if (from >= until) return from;

  // Output goes through a raw cursor; `room` keeps four bytes free for the
  // inline stores, values ensure their own length.
  const std::size_t base = out->size();
  out->resize(base + (until - from) + (until - from) / 8 + 64);
  char* o = out->data() + base;
  char* limit = out->data() + out->size();
  auto room = [&](std::size_t k) {
    if (static_cast<std::size_t>(limit - o) >= k) return;
    const std::size_t used = static_cast<std::size_t>(o - out->data());
    out->resize(out->size() * 2 + k);
    o = out->data() + used;
    limit = out->data() + out->size();
  };
  // A value is followed by at least kValuePadding readable bytes: short
  // ones go as one fixed-size copy.
  auto emit = [&](std::string_view bytes) {
    room(std::max(bytes.size(), kValuePadding));
    if (bytes.size() <= kValuePadding) {
      std::memcpy(o, bytes.data(), kValuePadding);
    } else {
      std::memcpy(o, bytes.data(), bytes.size());
    }
    o += bytes.size();
  };

  std::size_t p = from;
  while (p < until) {
    room(4);
    const Char c = CharAt(s, n, p);
    if (c.len == 0) {
      *o++ = static_cast<char>(s[p++]);
      continue;
    }
    const CodeEntry e = entries_[c.code];
    if (e.phrase != 0) {
      const std::size_t q = p + c.len;
      bool walk = (e.phrase & kOneCharPhrase) != 0;
      if (!walk && q < n) {
        const Char next = CharAt(s, n, q);
        walk = next.len != 0 && PairMayStartPhrase(c.code, next.code);
      }
      std::uint32_t value;
      std::size_t end;
      if (walk && LongestPhrase(s, n, e.phrase, q, &value, &end)) {
        emit(Value(value));
        p = end;
        continue;
      }
    }
    if ((e.out & (kSlow | kPooled)) == 0) {
      o[0] = static_cast<char>(e.out);
      o[1] = static_cast<char>(e.out >> 8);
      o[2] = static_cast<char>(e.out >> 16);
      o += e.out >> 24;
      p += c.len;
      continue;
    }
    if (e.out & kPooled) {
      emit(Value(e.out & ~kPooled));
      p += c.len;
      continue;
    }
    // A character dictionary key of several characters may start here: the
    // longest one that ends before the next phrase.
    std::uint32_t node = characters_.Child(CodeTrie::kRoot, c.code);
    std::uint32_t best = characters_.value(node);
    std::size_t best_end = p + c.len;
    std::size_t q = best_end;
    while (characters_.has_children(node) && q < n && !PhraseAt(s, n, q)) {
      const Char next = CharAt(s, n, q);
      if (next.len == 0) break;
      node = characters_.Child(node, next.code);
      if (node == 0) break;
      q += next.len;
      if (const std::uint32_t v = characters_.value(node); v != CodeTrie::kNoValue) {
        best = v;
        best_end = q;
      }
    }
    if (best != CodeTrie::kNoValue) {
      emit(Value(best));
      p = best_end;
    } else {
      o[0] = static_cast<char>(e.out);
      o[1] = static_cast<char>(e.out >> 8);
      o[2] = static_cast<char>(e.out >> 16);
      o += (e.out >> 24) & 3;
      p += c.len;
    }
  }
  out->resize(static_cast<std::size_t>(o - out->data()));
  return p;
}

std::string ScriptTable::Convert(std::string_view text) const {
  std::string out;
  Convert(text, 0, text.size(), &out);
  return out;
}

}  // namespace folian::charset
