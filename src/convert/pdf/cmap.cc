#include "convert/pdf/cmap.h"

#include <algorithm>
#include <utility>

#include "charset/codepage.h"
#include "convert/pdf/encodings.h"
#include "convert/pdf/lexer.h"
#include "convert/pdf/pdf_limits.h"

namespace folian::convert::pdf {
namespace {

// Ranges up to this many codes are stored code by code (fast lookups);
// longer ones are kept as ranges.
constexpr std::uint32_t kExpandRange = 256;

std::uint32_t CodeOf(std::string_view bytes) {
  std::uint32_t v = 0;
  for (const char c : bytes) v = v << 8 | static_cast<unsigned char>(c);
  return v;
}

// A ToUnicode destination: UTF-16BE bytes (a single byte is read as Latin-1,
// a slip some producers make).
std::u16string Utf16Be(std::string_view bytes) {
  std::u16string out;
  if (bytes.size() == 1) {
    out.push_back(static_cast<unsigned char>(bytes[0]));
    return out;
  }
  for (std::size_t i = 0; i + 1 < bytes.size() && out.size() < kMaxMappedUnits; i += 2) {
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) << 8 |
                                        static_cast<unsigned char>(bytes[i + 1])));
  }
  return out;
}

struct Predefined {
  const char* name;  // without -H / -V
  CodeText text;
  struct {
    int bytes;
    std::uint32_t lo, hi;
  } spaces[4];
};

constexpr Predefined kPredefined[] = {
    {"Identity", CodeText::kNone, {{2, 0x0000, 0xFFFF}}},
    {"GB-EUC", CodeText::kGbk, {{1, 0x00, 0x80}, {2, 0xA1A1, 0xFEFE}}},
    {"GBpc-EUC", CodeText::kGbk, {{1, 0x00, 0x80}, {1, 0xFD, 0xFF}, {2, 0xA1A1, 0xFCFE}}},
    {"GBK-EUC", CodeText::kGbk, {{1, 0x00, 0x80}, {2, 0x8140, 0xFEFE}}},
    {"GBKp-EUC", CodeText::kGbk, {{1, 0x00, 0x80}, {2, 0x8140, 0xFEFE}}},
    {"GBK2K", CodeText::kGbk,
     {{1, 0x00, 0x80}, {2, 0x8140, 0xFE7E}, {2, 0x8180, 0xFEFE}, {4, 0x81308130, 0xFE39FE39}}},
    {"UniGB-UCS2", CodeText::kUcs2, {{2, 0x0000, 0xFFFF}}},
    {"UniGB-UTF16", CodeText::kUtf16, {{2, 0x0000, 0xD7FF}, {2, 0xE000, 0xFFFF}, {4, 0xD800DC00, 0xDBFFDFFF}}},
    {"UniCNS-UCS2", CodeText::kUcs2, {{2, 0x0000, 0xFFFF}}},
    {"UniCNS-UTF16", CodeText::kUtf16, {{2, 0x0000, 0xD7FF}, {2, 0xE000, 0xFFFF}, {4, 0xD800DC00, 0xDBFFDFFF}}},
    {"UniJIS-UCS2", CodeText::kUcs2, {{2, 0x0000, 0xFFFF}}},
    {"UniJIS-UCS2-HW", CodeText::kUcs2, {{2, 0x0000, 0xFFFF}}},
    {"UniJIS-UTF16", CodeText::kUtf16, {{2, 0x0000, 0xD7FF}, {2, 0xE000, 0xFFFF}, {4, 0xD800DC00, 0xDBFFDFFF}}},
    {"UniKS-UCS2", CodeText::kUcs2, {{2, 0x0000, 0xFFFF}}},
    {"UniKS-UTF16", CodeText::kUtf16, {{2, 0x0000, 0xD7FF}, {2, 0xE000, 0xFFFF}, {4, 0xD800DC00, 0xDBFFDFFF}}},
    {"ETen-B5", CodeText::kBig5, {{1, 0x00, 0x80}, {2, 0xA140, 0xFEFE}}},
    {"ETenms-B5", CodeText::kBig5, {{1, 0x00, 0x80}, {2, 0xA140, 0xFEFE}}},
    {"HKscs-B5", CodeText::kBig5, {{1, 0x00, 0x80}, {2, 0x8740, 0xFEFE}}},
    {"B5pc", CodeText::kBig5, {{1, 0x00, 0x80}, {1, 0xFD, 0xFF}, {2, 0xA140, 0xFCFE}}},
    // Code spaces only: their text needs a ToUnicode map.
    {"90ms-RKSJ", CodeText::kNone, {{1, 0x00, 0x80}, {1, 0xA0, 0xDF}, {2, 0x8140, 0x9FFC}, {2, 0xE040, 0xFCFC}}},
    {"90pv-RKSJ", CodeText::kNone, {{1, 0x00, 0x80}, {1, 0xA0, 0xDF}, {2, 0x8140, 0x9FFC}, {2, 0xE040, 0xFCFC}}},
    {"EUC", CodeText::kNone, {{1, 0x00, 0x80}, {2, 0x8EA0, 0x8EDF}, {2, 0xA1A1, 0xFEFE}}},
    {"KSC-EUC", CodeText::kNone, {{1, 0x00, 0x80}, {2, 0xA1A1, 0xFEFE}}},
    {"KSCms-UHC", CodeText::kNone, {{1, 0x00, 0x80}, {2, 0x8141, 0xFEFE}}},
};

}  // namespace

void CMap::AddCodeSpace(int bytes, std::uint32_t lo, std::uint32_t hi) {
  if (bytes < 1 || bytes > kMaxCodeBytes || spaces_.size() >= 256) return;
  Space s{};
  s.bytes = bytes;
  for (int i = 0; i < bytes; ++i) {
    const int shift = 8 * (bytes - 1 - i);
    s.lo[i] = static_cast<std::uint8_t>(lo >> shift);
    s.hi[i] = static_cast<std::uint8_t>(hi >> shift);
  }
  spaces_.push_back(s);
}

bool CMap::LoadPredefined(std::string_view name) {
  std::string_view base = name;
  bool vertical = false;
  if (base.size() > 2 && (base.ends_with("-H") || base.ends_with("-V"))) {
    vertical = base.back() == 'V';
    base.remove_suffix(2);
  }
  for (const Predefined& p : kPredefined) {
    if (base != p.name) continue;
    for (const auto& s : p.spaces) {
      if (s.bytes > 0) AddCodeSpace(s.bytes, s.lo, s.hi);
    }
    code_text_ = p.text;
    vertical_ = vertical;
    used_name_ = std::string(name);
    return true;
  }
  return false;
}

void CMap::AddChar(std::uint32_t code, int length, std::u16string text) {
  if (mapped_ >= kMaxCMapMappings) return;
  ++mapped_;
  chars_[Key(code, length)] = std::move(text);
}

void CMap::Parse(std::string_view program) {
  Lexer lx(program);
  Token t;
  Token a;
  Token b;
  Token c;
  std::string last_name;
  auto hex_code = [](const Token& tok, std::uint32_t* code, int* len) {
    if (tok.kind != TokenKind::kHexString && tok.kind != TokenKind::kString) return false;
    if (tok.text.empty() || tok.text.size() > static_cast<std::size_t>(kMaxCodeBytes)) return false;
    *code = CodeOf(tok.text);
    *len = static_cast<int>(tok.text.size());
    return true;
  };
  for (;;) {
    lx.Next(&t);
    if (t.kind == TokenKind::kEnd) break;
    if (t.kind == TokenKind::kName) {
      last_name = t.text;
      continue;
    }
    if (t.kind == TokenKind::kNumber) {
      if (last_name == "WMode" && t.number == 1) vertical_ = true;
      continue;
    }
    if (t.kind != TokenKind::kKeyword) continue;
    const std::string_view op = t.raw;
    if (op == "usecmap") {
      if (!last_name.empty()) {
        const bool had_spaces = !spaces_.empty();
        CMap base;
        if (base.LoadPredefined(last_name)) {
          if (!had_spaces) spaces_ = base.spaces_;
          if (code_text_ == CodeText::kNone) code_text_ = base.code_text_;
          vertical_ = vertical_ || base.vertical_;
          used_name_ = last_name;
        }
      }
    } else if (op == "begincodespacerange") {
      for (;;) {
        lx.Next(&a);
        if (a.kind == TokenKind::kEnd || a.kind == TokenKind::kKeyword) break;
        lx.Next(&b);
        std::uint32_t lo = 0;
        std::uint32_t hi = 0;
        int llen = 0;
        int hlen = 0;
        if (hex_code(a, &lo, &llen) && hex_code(b, &hi, &hlen) && llen == hlen) {
          AddCodeSpace(llen, lo, hi);
        }
        if (b.kind == TokenKind::kEnd || b.kind == TokenKind::kKeyword) break;
      }
    } else if (op == "beginbfchar") {
      for (;;) {
        lx.Next(&a);
        if (a.kind == TokenKind::kEnd || a.kind == TokenKind::kKeyword) break;
        lx.Next(&b);
        std::uint32_t code = 0;
        int len = 0;
        if (hex_code(a, &code, &len)) {
          if (b.kind == TokenKind::kHexString || b.kind == TokenKind::kString) {
            AddChar(code, len, Utf16Be(b.text));
          } else if (b.kind == TokenKind::kName) {
            std::u16string text;
            if (GlyphNameToUnicode(b.text, &text)) AddChar(code, len, std::move(text));
          }
        }
        if (b.kind == TokenKind::kEnd || b.kind == TokenKind::kKeyword) break;
      }
    } else if (op == "beginbfrange") {
      for (;;) {
        lx.Next(&a);
        if (a.kind == TokenKind::kEnd || a.kind == TokenKind::kKeyword) break;
        lx.Next(&b);
        std::uint32_t lo = 0;
        std::uint32_t hi = 0;
        int llen = 0;
        int hlen = 0;
        const bool codes = hex_code(a, &lo, &llen) && hex_code(b, &hi, &hlen) && llen == hlen && lo <= hi;
        lx.Next(&c);
        if (c.kind == TokenKind::kArrayOpen) {
          // One destination per code.
          std::uint32_t code = lo;
          for (;;) {
            lx.Next(&c);
            if (c.kind == TokenKind::kArrayClose || c.kind == TokenKind::kEnd || c.kind == TokenKind::kKeyword) break;
            if (codes && code <= hi && (c.kind == TokenKind::kHexString || c.kind == TokenKind::kString)) {
              AddChar(code, llen, Utf16Be(c.text));
            }
            ++code;
          }
          if (c.kind == TokenKind::kEnd) break;
          continue;
        }
        if (codes && (c.kind == TokenKind::kHexString || c.kind == TokenKind::kString) && !c.text.empty()) {
          std::u16string base = Utf16Be(c.text);
          const std::uint64_t count = static_cast<std::uint64_t>(hi) - lo + 1;
          if (count <= kExpandRange) {
            for (std::uint32_t k = 0; k < count; ++k) {
              std::u16string text = base;
              text.back() = static_cast<char16_t>(text.back() + k);
              AddChar(lo + k, llen, std::move(text));
            }
          } else if (mapped_ + count <= kMaxCMapMappings && ranges_.size() < kMaxCMapMappings) {
            mapped_ += static_cast<std::size_t>(count);
            ranges_.push_back({Key(lo, llen), Key(hi, llen), std::move(base)});
          }
        }
        if (c.kind == TokenKind::kEnd || c.kind == TokenKind::kKeyword) break;
      }
    }
    last_name.clear();
  }
  std::stable_sort(ranges_.begin(), ranges_.end(), [](const Range& x, const Range& y) { return x.lo < y.lo; });
}

std::uint32_t CMap::NextCode(std::string_view s, std::size_t* pos, int* length) const {
  const std::size_t at = *pos;
  const std::size_t left = s.size() - at;
  if (spaces_.empty()) {
    *length = 1;
    *pos = at + 1;
    return static_cast<unsigned char>(s[at]);
  }
  int shortest = kMaxCodeBytes;
  for (int len = 1; len <= kMaxCodeBytes; ++len) {
    if (static_cast<std::size_t>(len) > left) break;
    for (const Space& sp : spaces_) {
      if (sp.bytes != len) continue;
      bool in = true;
      for (int i = 0; i < len && in; ++i) {
        const auto byte = static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
        in = byte >= sp.lo[i] && byte <= sp.hi[i];
      }
      if (in) {
        *length = len;
        *pos = at + static_cast<std::size_t>(len);
        return CodeOf(s.substr(at, static_cast<std::size_t>(len)));
      }
    }
  }
  for (const Space& sp : spaces_) shortest = std::min(shortest, sp.bytes);
  int len = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(shortest), left));
  if (len < 1) len = 1;
  *length = len;
  *pos = at + static_cast<std::size_t>(len);
  return CodeOf(s.substr(at, static_cast<std::size_t>(len)));
}

bool CMap::Lookup(std::uint32_t code, int length, std::u16string* out) const {
  const std::uint64_t key = Key(code, length);
  if (auto it = chars_.find(key); it != chars_.end()) {
    if (it->second.empty()) return false;
    out->append(it->second);
    return true;
  }
  if (!ranges_.empty()) {
    auto it = std::upper_bound(ranges_.begin(), ranges_.end(), key,
                               [](std::uint64_t k, const Range& r) { return k < r.lo; });
    // Ranges may overlap: look back a few for one that covers the key.
    for (int n = 0; n < 8 && it != ranges_.begin(); ++n) {
      --it;
      if (key >= it->lo && key <= it->hi && !it->base.empty()) {
        std::u16string text = it->base;
        text.back() = static_cast<char16_t>(text.back() + (key - it->lo));
        out->append(text);
        return true;
      }
    }
  }
  switch (code_text_) {
    case CodeText::kNone:
      return false;
    case CodeText::kUcs2:
      if (length != 2 || (code >= 0xD800 && code <= 0xDFFF)) return false;
      out->push_back(static_cast<char16_t>(code));
      return true;
    case CodeText::kUtf16:
      if (length == 2 && (code < 0xD800 || code > 0xDFFF)) {
        out->push_back(static_cast<char16_t>(code));
        return true;
      }
      if (length == 4) {
        const auto hi = static_cast<char16_t>(code >> 16);
        const auto lo = static_cast<char16_t>(code & 0xFFFF);
        if (hi >= 0xD800 && hi <= 0xDBFF && lo >= 0xDC00 && lo <= 0xDFFF) {
          out->push_back(hi);
          out->push_back(lo);
          return true;
        }
      }
      return false;
    case CodeText::kGbk:
    case CodeText::kBig5: {
      if (length == 1) {
        if (code < 0x20 || code >= 0x7F) return false;
        out->push_back(static_cast<char16_t>(code));
        return true;
      }
      if (length != 2) return false;
      const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
      const std::u16string w =
          charset::ToWide(code_text_ == CodeText::kGbk ? charset::kGbk : charset::kBig5, std::string_view(bytes, 2));
      if (w.size() != 1 || w[0] == 0xFFFD) return false;
      out->append(w);
      return true;
    }
  }
  return false;
}

}  // namespace folian::convert::pdf
