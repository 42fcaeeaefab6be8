#include "convert/epub/archive_path.h"

#include <vector>

namespace folian::convert::epub {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      const int hi = HexValue(s[i + 1]), lo = HexValue(s[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

// A URL scheme ("http:", "mailto:") before the first "/": not a name in the archive.
bool HasScheme(std::string_view href) {
  const std::size_t colon = href.find(':');
  return colon != std::string_view::npos && href.find('/') > colon;
}

}  // namespace

std::string ResolveHref(std::string_view base_dir, std::string_view href) {
  href = href.substr(0, href.find_first_of("#?"));
  if (href.empty() || HasScheme(href)) return {};
  std::string path;
  if (href.front() == '/') {
    path = std::string(href.substr(1));  // from the archive's root
  } else {
    path = std::string(base_dir).append(href);
  }
  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    const std::string segment = PercentDecode(std::string_view(path).substr(start, slash - start));
    if (segment == "..") {
      if (segments.empty()) return {};  // above the archive's root
      segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = slash + 1;
  }
  std::string out;
  for (const std::string& s : segments) {
    if (!out.empty()) out.push_back('/');
    out += s;
  }
  return out;
}

}  // namespace folian::convert::epub
