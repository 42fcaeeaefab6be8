#include "convert/page_name.h"

#include <algorithm>

#include "charset/utf8_decode.h"

namespace folian::convert {
namespace {

// File names longer than this are refused by the file systems we write to.
constexpr std::size_t kMaxComponentBytes = 255;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool IsUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t start = i;
    if (charset::detail::NextUtf8(p, s.size(), i) == 0xFFFD && s.substr(start, i - start) != "\xEF\xBF\xBD") {
      return false;
    }
  }
  return true;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    if (Lower(s[s.size() - suffix.size() + i]) != suffix[i]) return false;
  }
  return true;
}

bool IsPageName(std::string_view name) { return EndsWithNoCase(name, ".htm") || EndsWithNoCase(name, ".html"); }

// Backslashes count as folder separators (the containers' own platform
// reads them so), so "..\x.htm" climbs as surely as "../x.htm".
std::string SafeEntryName(std::string_view stored) {
  std::string name(stored);
  std::replace(name.begin(), name.end(), '\\', '/');
  // One leading slash is the container's root; more would be an absolute
  // name on disk.
  if (!name.empty() && name.front() == '/') name.erase(0, 1);
  if (name.empty() || name.front() == '/' || !IsUtf8(name)) return {};
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t slash = name.find('/', start);
    if (slash == std::string::npos) slash = name.size();
    const std::string_view part = std::string_view(name).substr(start, slash - start);
    if (part.empty() || part == "." || part == ".." || part.size() > kMaxComponentBytes) return {};
    for (char c : part) {
      // ':' makes a drive letter or a stream name on the containers' own
      // platform; control bytes are never part of a real file's name.
      if (c == ':' || static_cast<unsigned char>(c) < 0x20) return {};
    }
    start = slash + 1;
  }
  return name;
}

}  // namespace folian::convert
