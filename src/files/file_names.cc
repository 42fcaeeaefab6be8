#include "files/file_names.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

namespace folian::files {
namespace {

// Decodes UTF-8 leniently: a byte that does not start a valid sequence
// stands for itself (U+DC80+byte), so any name survives the round trip.
std::u32string Decode(std::string_view s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    char32_t cp = n == 0 ? c : n == 1 ? (c & 0x1F) : n == 2 ? (c & 0x0F) : (c & 0x07);
    // The sequence must fit: its last byte is at i + n.
    bool ok = n >= 0 && i + static_cast<std::size_t>(n) < s.size();
    for (int k = 1; ok && k <= n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      if ((t & 0xC0) != 0x80) ok = false;
      cp = cp << 6 | (t & 0x3F);
    }
    if (ok && n >= 1 && cp < (n == 1 ? 0x80u : n == 2 ? 0x800u : 0x10000u)) ok = false;
    if (!ok) {
      out.push_back(0xDC00 + c);
      ++i;
      continue;
    }
    out.push_back(cp);
    i += static_cast<std::size_t>(n) + 1;
  }
  return out;
}

std::string Encode(std::u32string_view s) {
  std::string out;
  for (char32_t c : s) {
    if (c >= 0xDC80 && c <= 0xDCFF) {
      out.push_back(static_cast<char>(c - 0xDC00));
    } else if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | c >> 6));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | c >> 12));
      out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | c >> 18));
      out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

char32_t Lower(char32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

std::u32string LowerAscii(std::u32string_view s) {
  std::u32string out(s);
  for (char32_t& c : out) {
    c = Lower(c);
    if (c == U'．' || c == U'。') c = '.';
  }
  return out;
}

// The extension: a final "." and 1 to 5 ASCII letters or digits.
std::size_t ExtensionStart(std::u32string_view s) {
  const std::size_t dot = s.rfind(U'.');
  if (dot == std::u32string_view::npos || dot == 0 || s.size() - dot - 1 == 0 ||
      s.size() - dot - 1 > 5) {
    return s.size();
  }
  for (std::size_t i = dot + 1; i < s.size(); ++i) {
    const char32_t c = Lower(s[i]);
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return s.size();
  }
  return dot;
}

constexpr std::array<std::pair<char32_t, char32_t>, 9> kBrackets = {{
    {U'(', U')'}, {U'（', U'）'}, {U'[', U']'}, {U'［', U'］'}, {U'【', U'】'},
    {U'〔', U'〕'}, {U'{', U'}'}, {U'｛', U'｝'}, {U'(', U'）'},
}};

constexpr std::array<std::u32string_view, 21> kEditionWords = {
    U"最新章节", U"精校版", U"校对版", U"完整版", U"手打版", U"无错版", U"无删减",
    U"txt下载", U"精校", U"全本", U"全集", U"完本", U"完结", U"全文", U"最新",
    U"txt", U"下载", U"手打", U"vip", U"校对", U"全"};

constexpr std::array<std::u32string_view, 10> kDomains = {
    U".com", U".net", U".org", U".cn", U".cc", U".info", U".me", U".tw", U".la", U".io"};

bool IsSiteTag(std::u32string_view inner) {
  const std::u32string s = LowerAscii(inner);
  if (s.find(U"www") != std::u32string::npos || s.find(U"http") != std::u32string::npos) return true;
  for (std::u32string_view d : kDomains) {
    const std::size_t at = s.find(d);
    if (at == std::u32string::npos || at == 0) continue;
    // The domain ends there: a letter after ".com" would be another word.
    const std::size_t end = at + d.size();
    if (end == s.size() || !((s[end] >= 'a' && s[end] <= 'z'))) return true;
  }
  return false;
}

// Only edition words, blanks and separators between them.
bool IsEditionNote(std::u32string_view inner) {
  const std::u32string s = LowerAscii(inner);
  std::size_t i = 0;
  bool any = false;
  while (i < s.size()) {
    if (s[i] == ' ' || s[i] == U'+' || s[i] == U'、' || s[i] == U'-' || s[i] == U'·') {
      ++i;
      continue;
    }
    bool matched = false;
    for (std::u32string_view w : kEditionWords) {
      if (s.compare(i, w.size(), w) == 0) {
        i += w.size();
        matched = any = true;
        break;
      }
    }
    if (!matched) return false;
  }
  return any;
}

}  // namespace

std::string NormaliseFileName(std::string_view name) {
  const std::u32string all = Decode(name);
  const std::size_t ext_at = ExtensionStart(all);
  std::u32string stem = all.substr(0, ext_at);
  std::u32string ext = all.substr(ext_at);
  for (char32_t& c : ext) c = Lower(c);

  for (char32_t& c : stem) {
    if ((c >= U'０' && c <= U'９') || (c >= U'Ａ' && c <= U'Ｚ') || (c >= U'ａ' && c <= U'ｚ')) {
      c -= 0xFEE0;
    } else if (c == U'\u3000') {
      c = ' ';
    }
  }

  std::u32string cut;
  for (std::size_t i = 0; i < stem.size();) {
    bool removed = false;
    for (const auto& [open, close] : kBrackets) {
      if (stem[i] != open) continue;
      const std::size_t end = stem.find(close, i + 1);
      if (end == std::u32string::npos) continue;
      const std::u32string_view inner = std::u32string_view(stem).substr(i + 1, end - i - 1);
      if (IsSiteTag(inner) || IsEditionNote(inner)) {
        i = end + 1;
        removed = true;
        break;
      }
    }
    if (!removed) cut.push_back(stem[i++]);
  }

  std::u32string tidy;
  for (char32_t c : cut) {
    if (c == '\t') c = ' ';
    if (c == ' ' && (tidy.empty() || tidy.back() == ' ')) continue;
    tidy.push_back(c);
  }
  while (!tidy.empty() && tidy.back() == ' ') tidy.pop_back();
  // A name that would be nothing but its extension stays as it was.
  if (tidy.empty()) return std::string(name);
  return Encode(tidy + ext);
}

std::string PatternName(const RenamePattern& pattern, std::string_view name, int index) {
  const std::u32string all = Decode(name);
  const std::size_t ext_at = ExtensionStart(all);
  const std::string stem = Encode(std::u32string_view(all).substr(0, ext_at));
  const std::string ext = Encode(std::u32string_view(all).substr(ext_at));
  if (pattern.kind == RenamePattern::Kind::kNumbered) {
    const long long number = static_cast<long long>(pattern.first) + index;
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*lld", std::clamp(pattern.digits, 0, 18), number);
    return pattern.prefix + digits + ext;
  }
  if (pattern.find.empty()) return std::string(name);
  std::string out;
  std::size_t done = 0;
  for (std::size_t hit = stem.find(pattern.find); hit != std::string::npos;
       hit = stem.find(pattern.find, hit + pattern.find.size())) {
    out.append(stem, done, hit - done);
    out += pattern.replace;
    done = hit + pattern.find.size();
  }
  out.append(stem, done, std::string::npos);
  return out + ext;
}

}  // namespace folian::files
