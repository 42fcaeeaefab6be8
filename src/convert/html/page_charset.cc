// Which encoding a page is in, and its bytes in GBK or UTF-8 for the scan.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string>

#include "charset/codepage.h"
#include "charset/cp1252.h"
#include "convert/html/html_reader.h"
#include "text/utf_tests.h"

namespace folian::convert {
namespace {

// Declarations sit in the head; browsers look no further than this either.
constexpr std::size_t kDeclarationBytes = 4096;
// How far past a comment or declaration the document start is looked for.
constexpr int kMaxPrologItems = 16;

enum class Declared { kNone, kUtf8, kGbk, kBig5, kWestern, kUtf16 };

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerCopy(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

Declared ByName(std::string_view name) {
  static constexpr std::pair<std::string_view, Declared> kNames[] = {
      {"utf-8", Declared::kUtf8},         {"utf8", Declared::kUtf8},
      {"gb2312", Declared::kGbk},         {"gbk", Declared::kGbk},
      {"gb18030", Declared::kGbk},        {"x-gbk", Declared::kGbk},
      {"cp936", Declared::kGbk},          {"windows-936", Declared::kGbk},
      {"euc-cn", Declared::kGbk},         {"x-euc-cn", Declared::kGbk},
      {"csgb2312", Declared::kGbk},       {"gb_2312-80", Declared::kGbk},
      {"big5", Declared::kBig5},          {"big5-hkscs", Declared::kBig5},
      {"x-x-big5", Declared::kBig5},      {"cp950", Declared::kBig5},
      {"windows-1252", Declared::kWestern}, {"iso-8859-1", Declared::kWestern},
      {"latin1", Declared::kWestern},     {"iso-8859-15", Declared::kWestern},
      {"cp1252", Declared::kWestern},     {"us-ascii", Declared::kWestern},
      {"utf-16", Declared::kUtf16},       {"utf-16le", Declared::kUtf16},
      {"unicode", Declared::kUtf16},
  };
  for (auto [n, d] : kNames) {
    if (n == name) return d;
  }
  return Declared::kNone;
}

// The value after `key` ("charset" or "encoding") at `pos` of the lower-cased head.
std::string_view ValueAfter(std::string_view head, std::size_t pos) {
  std::size_t i = pos;
  while (i < head.size() && (head[i] == ' ' || head[i] == '\t')) ++i;
  if (i >= head.size() || head[i] != '=') return {};
  ++i;
  while (i < head.size() && (head[i] == ' ' || head[i] == '\t' || head[i] == '"' || head[i] == '\'')) ++i;
  const std::size_t start = i;
  while (i < head.size() && (std::isalnum(static_cast<unsigned char>(head[i])) || head[i] == '-' ||
                             head[i] == '_' || head[i] == ':' || head[i] == '.')) {
    ++i;
  }
  return head.substr(start, i - start);
}

Declared FindDeclaration(std::string_view input) {
  const std::string head = LowerCopy(input.substr(0, kDeclarationBytes));
  for (std::string_view key : {"charset", "encoding"}) {
    for (std::size_t at = head.find(key); at != std::string::npos; at = head.find(key, at + 1)) {
      const Declared d = ByName(ValueAfter(head, at + key.size()));
      if (d != Declared::kNone) return d;
    }
  }
  return Declared::kNone;
}

bool HasHighByte(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

std::u16string Utf16Units(std::string_view bytes, bool big_endian) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    out.push_back(static_cast<char16_t>(big_endian ? (a << 8 | b) : (b << 8 | a)));
  }
  return out;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

}  // namespace

namespace html {

void PreparedPage::Prepare(std::string_view input) {
  original_ = input;
  converted_ = false;
  storage_.clear();
  charset_ = PageCharset::kGbk;
  if (StartsWith(input, "\xEF\xBB\xBF")) {
    original_ = input.substr(3);
    charset_ = PageCharset::kUtf8;
    return;
  }
  const bool le = StartsWith(input, "\xFF\xFE");
  if (le || StartsWith(input, "\xFE\xFF")) {
    storage_ = charset::FromWide(charset::kUtf8, Utf16Units(input.substr(2), !le));
    converted_ = true;
    charset_ = PageCharset::kUtf8;
    return;
  }
  if (text::LooksLikeUtf8(input)) {
    charset_ = PageCharset::kUtf8;
    return;
  }
  const Declared declared = FindDeclaration(input);
  if (!HasHighByte(input)) {
    // Plain ASCII reads the same either way; the declaration decides what
    // its references become.
    charset_ = declared == Declared::kUtf8 || declared == Declared::kUtf16 ? PageCharset::kUtf8
                                                                         : PageCharset::kGbk;
    return;
  }
  std::u16string wide;
  switch (declared) {
    case Declared::kBig5:
      wide = charset::ToWide(charset::kBig5, input);
      break;
    case Declared::kWestern:
      wide.reserve(input.size());
      for (char c : input) wide.push_back(charset::Cp1252ToUnicode(static_cast<unsigned char>(c)));
      break;
    case Declared::kUtf16:
      if (text::LooksLikeUtf16(input)) {
        storage_ = charset::FromWide(charset::kUtf8, Utf16Units(input, false));
        converted_ = true;
        charset_ = PageCharset::kUtf8;
      }
      return;
    default:
      // GBK, no declaration, or a UTF-8 claim the bytes deny: GBK, the
      // encoding of Chinese pages that are not UTF-8.
      return;
  }
  converted_ = true;
  if (charset::InexactCount(charset::kGbk, wide) == 0) {
    storage_ = charset::FromWide(charset::kGbk, wide);
  } else {
    storage_ = charset::FromWide(charset::kUtf8, wide);
    charset_ = PageCharset::kUtf8;
  }
}

void PreparedPage::ToUtf8() {
  if (charset_ == PageCharset::kUtf8) return;
  std::string utf8 = charset::GbkToUtf8(bytes());
  storage_ = std::move(utf8);
  converted_ = true;
  charset_ = PageCharset::kUtf8;
}

}  // namespace html

bool LooksLikeHtml(std::string_view head) {
  std::string_view s = head;
  if (StartsWith(s, "\xEF\xBB\xBF")) s.remove_prefix(3);
  const std::string lower = LowerCopy(s);
  std::string_view rest = lower;
  for (int item = 0; item < kMaxPrologItems; ++item) {
    while (!rest.empty() && (rest[0] == ' ' || rest[0] == '\t' || rest[0] == '\r' || rest[0] == '\n')) {
      rest.remove_prefix(1);
    }
    if (StartsWith(rest, "<!--")) {
      const std::size_t end = rest.find("-->");
      if (end == std::string_view::npos) return false;
      rest.remove_prefix(end + 3);
    } else if (StartsWith(rest, "<?")) {
      const std::size_t end = rest.find("?>");
      if (end == std::string_view::npos) return false;
      rest.remove_prefix(end + 2);
    } else if (StartsWith(rest, "<!doctype")) {
      rest.remove_prefix(9);
      while (!rest.empty() && rest[0] == ' ') rest.remove_prefix(1);
      return StartsWith(rest, "html");
    } else {
      for (std::string_view tag : {"<html", "<head", "<body", "<meta", "<title"}) {
        if (StartsWith(rest, tag) && rest.size() > tag.size() &&
            !std::isalnum(static_cast<unsigned char>(rest[tag.size()]))) {
          return true;
        }
      }
      return false;
    }
  }
  return false;
}

}  // namespace folian::convert
