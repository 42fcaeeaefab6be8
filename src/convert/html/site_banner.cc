#include "convert/html/site_banner.h"

#include <string_view>

#include "charset/codepage.h"

namespace folian::convert::html {
namespace {

constexpr char kSlogan[] = "读书在起点 · 创作无极限 · 中国最大的原创文学网站";
// Followed by the site's host name, whatever it was at the time.
constexpr char kMadeBy[] = "起点中文网制作发布 &nbsp;&nbsp;欢迎访问起点 ";
constexpr std::string_view kScriptParts[] = {"<script>document.write('", "');", "</script>"};

bool IsHostChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-';
}

// Removes every `needle` (and, with `host`, the host name after it).
std::size_t RemoveAll(std::string* s, std::string_view needle, bool host) {
  std::size_t count = 0;
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = s->find(needle); at != std::string::npos; at = s->find(needle, from)) {
    out.append(*s, from, at - from);
    from = at + needle.size();
    if (host) {
      while (from < s->size() && IsHostChar((*s)[from])) ++from;
    }
    ++count;
  }
  if (count > 0) {
    out.append(*s, from, std::string::npos);
    *s = std::move(out);
  }
  return count;
}

}  // namespace

bool RemoveSiteBanners(std::string* page) {
  for (const bool gbk : {true, false}) {
    const std::string slogan = gbk ? charset::Utf8ToGbk(kSlogan) : std::string(kSlogan);
    const std::string made_by = gbk ? charset::Utf8ToGbk(kMadeBy) : std::string(kMadeBy);
    const std::size_t slogans = RemoveAll(page, slogan, false);
    const std::size_t made = RemoveAll(page, made_by, true);
    if (slogans > 0 && made > 0) {
      for (std::string_view part : kScriptParts) RemoveAll(page, part, false);
    }
    if (slogans + made > 0) return true;
  }
  return false;
}

}  // namespace folian::convert::html
