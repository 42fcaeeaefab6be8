#include "app/ad_report.h"

#include <array>
#include <vector>

#include "charset/codepage.h"

namespace folian::app {
namespace {

constexpr std::array<std::string_view, 35> kSubstrings = {
    "http", "www", ".com", ".net", ".org", ".cn", "wap.", "ps:", "ps：", "图片链接",
    "未完待续", "<", "@", "#", "&", "$", "^", "小说网", "书友", "首发", "手打", "txt",
    "下载", "本站", "最新章节", "推荐票", "月票", "求收藏", "qq", "群号", "vip", "更新时间",
    "本章字数", "免费阅读", "全文阅读"};

const std::vector<std::string>& GbkSubstrings() {
  static const std::vector<std::string> list = [] {
    std::vector<std::string> out;
    for (std::string_view s : kSubstrings) out.push_back(charset::Utf8ToGbk(s));
    return out;
  }();
  return list;
}

// ASCII letters to lower case, leaving both bytes of a GBK character alone
// (a trail byte may look like a capital letter).
std::string LowerCopy(std::string_view line) {
  std::string out(line);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (c >= 0x81 && c <= 0xFE && i + 1 < out.size()) {
      ++i;
    } else if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c + 32);
    }
  }
  return out;
}

// Whether `needle` occurs in `hay` starting on a character boundary.
bool ContainsGbk(std::string_view hay, std::string_view needle) {
  for (std::size_t i = 0; i + needle.size() <= hay.size();) {
    if (hay.compare(i, needle.size(), needle) == 0) return true;
    const auto c = static_cast<unsigned char>(hay[i]);
    i += c >= 0x81 && c <= 0xFE && i + 1 < hay.size() ? 2 : 1;
  }
  return false;
}

}  // namespace

std::span<const std::string_view> AdReportSubstrings() { return kSubstrings; }

std::string AdReportLines(std::string_view gbk) {
  const auto& needles = GbkSubstrings();
  std::string out;
  std::size_t start = 0;
  while (start < gbk.size()) {
    std::size_t end = gbk.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = gbk.size();
    const std::string_view line = gbk.substr(start, end - start);
    const std::string lower = LowerCopy(line);
    for (const std::string& n : needles) {
      if (ContainsGbk(lower, n)) {
        out.append(line);
        out.append("\r\n");
        break;
      }
    }
    start = end;
    if (start < gbk.size() && gbk[start] == '\r') ++start;
    if (start < gbk.size() && gbk[start] == '\n') ++start;
  }
  return out;
}

std::filesystem::path AdReportPath(const std::filesystem::path& document) {
  std::filesystem::path p = document;
  p += ".txt";
  return p;
}

}  // namespace folian::app
