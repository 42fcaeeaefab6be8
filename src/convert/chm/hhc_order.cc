#include "convert/chm/hhc_order.h"

#include <algorithm>
#include <unordered_set>

#include "charset/codepage.h"
#include "convert/limits.h"
#include "text/utf_tests.h"

namespace folian::convert {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerCopy(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), Lower);
  return out;
}

// The value of attribute `name` in the tag text `tag` (quoted or bare).
std::string_view Attribute(std::string_view tag, std::string_view lower_tag, std::string_view name) {
  std::size_t at = 0;
  while ((at = lower_tag.find(name, at)) != std::string_view::npos) {
    const bool starts = at > 0 && (lower_tag[at - 1] == ' ' || lower_tag[at - 1] == '\t' ||
                                   lower_tag[at - 1] == '\r' || lower_tag[at - 1] == '\n');
    std::size_t p = at + name.size();
    at = p;
    if (!starts) continue;
    while (p < tag.size() && (tag[p] == ' ' || tag[p] == '\t')) ++p;
    if (p >= tag.size() || tag[p] != '=') continue;
    ++p;
    while (p < tag.size() && (tag[p] == ' ' || tag[p] == '\t')) ++p;
    if (p >= tag.size()) return {};
    if (tag[p] == '"' || tag[p] == '\'') {
      const std::size_t end = tag.find(tag[p], p + 1);
      if (end == std::string_view::npos) return {};
      return tag.substr(p + 1, end - p - 1);
    }
    std::size_t end = p;
    while (end < tag.size() && tag[end] != ' ' && tag[end] != '\t' && tag[end] != '>') ++end;
    return tag.substr(p, end - p);
  }
  return {};
}

std::string PageName(std::string_view local) {
  std::string name(local.substr(0, local.find('#')));
  std::replace(name.begin(), name.end(), '\\', '/');
  // "&amp;" is the one reference real tables of contents use in names.
  for (std::size_t at; (at = name.find("&amp;")) != std::string::npos;) name.replace(at, 5, "&");
  while (name.rfind("./", 0) == 0) name.erase(0, 2);
  while (!name.empty() && name.front() == '/') name.erase(0, 1);
  // "ms-its:book.chm::/page.htm" names a page of this or another help file.
  const std::size_t colons = name.find("::");
  if (colons != std::string::npos) {
    name.erase(0, colons + 2);
    while (!name.empty() && name.front() == '/') name.erase(0, 1);
  }
  return name;
}

}  // namespace

std::vector<std::string> HhcPageOrder(std::string_view hhc) {
  std::string converted;
  if (!text::LooksLikeUtf8(hhc)) {
    converted = charset::GbkToUtf8(hhc);
    hhc = converted;
  }
  std::vector<std::string> order;
  std::unordered_set<std::string> seen;
  std::size_t pos = 0;
  while (order.size() < kMaxEntries) {
    const std::size_t open = hhc.find('<', pos);
    if (open == std::string_view::npos) break;
    const std::size_t close = hhc.find('>', open);
    if (close == std::string_view::npos) break;
    pos = close + 1;
    const std::string_view tag = hhc.substr(open + 1, close - open - 1);
    if (tag.size() < 6) continue;
    const std::string lower = LowerCopy(tag);
    if (lower.rfind("param", 0) != 0 || (lower[5] != ' ' && lower[5] != '\t' && lower[5] != '\r' && lower[5] != '\n')) {
      continue;
    }
    if (LowerCopy(Attribute(tag, lower, "name")) != "local") continue;
    std::string name = PageName(Attribute(tag, lower, "value"));
    if (name.empty()) continue;
    if (seen.insert(LowerCopy(name)).second) order.push_back(std::move(name));
  }
  return order;
}

}  // namespace folian::convert
