#include "text/hard_returns.h"

#include "tidy/line_scanner.h"

namespace folian::text {
namespace {

// ” ！ 。 ＝ － × ※ ） ？ … ’ 」 』 —: a line whose last two bytes occur
// anywhere in here ends a paragraph (the test is on bytes, as tidying's).
constexpr std::string_view kClosing =
    "\xA1\xB1\xA3\xA1\xA1\xA3\xA3\xBD\xA3\xAD\xA1\xC1\xA1\xF9\xA3\xA9\xA3\xBF"
    "\xA1\xAD\xA1\xAF\xA1\xB9\xA1\xBB\xA1\xAA";
constexpr std::string_view kAsciiEnds = "\"'~]!#*=-.)?_>1234567890";

std::string_view Trim(std::string_view s) {
  auto blank_at_front = [&] {
    if (s.empty()) return std::size_t{0};
    const char c = s.front();
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return std::size_t{1};
    return s.size() >= 2 && s[0] == '\xA1' && s[1] == '\xA1' ? std::size_t{2} : std::size_t{0};
  };
  auto blank_at_back = [&] {
    if (s.empty()) return std::size_t{0};
    const char c = s.back();
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return std::size_t{1};
    return s.size() >= 2 && s[s.size() - 2] == '\xA1' && s.back() == '\xA1' ? std::size_t{2}
                                                                            : std::size_t{0};
  };
  for (std::size_t n = blank_at_front(); n != 0; n = blank_at_front()) s.remove_prefix(n);
  for (std::size_t n = blank_at_back(); n != 0; n = blank_at_back()) s.remove_suffix(n);
  return s;
}

}  // namespace

bool LineEndsParagraph(std::string_view line, int short_line) {
  if (short_line <= 0) short_line = kDefaultShortLineBytes;
  line = Trim(line);
  if (line.empty() || static_cast<long long>(line.size()) < short_line) return true;
  if (tidy::IsTitleLine(line)) return true;
  if (line.size() >= 2 && kClosing.find(line.substr(line.size() - 2)) != std::string_view::npos) {
    return true;
  }
  return kAsciiEnds.find(line.back()) != std::string_view::npos;
}

std::optional<ByteRange> FindHardReturn(std::string_view text, std::size_t from, int short_line) {
  std::size_t line_start = 0;
  while (line_start < text.size()) {
    const std::size_t brk = text.find_first_of("\r\n", line_start);
    if (brk == std::string_view::npos) return std::nullopt;  // the last line has no break
    std::size_t end = brk + 1;
    if (text[brk] == '\r' && end < text.size() && text[end] == '\n') ++end;
    if (brk >= from && !LineEndsParagraph(text.substr(line_start, brk - line_start), short_line)) {
      return ByteRange{brk, end - brk};
    }
    line_start = end;
  }
  return std::nullopt;
}

}  // namespace folian::text
