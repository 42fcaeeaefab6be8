#include "tidy/layout.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "tidy/line_substance.h"

namespace folian::tidy {
namespace {

std::string IndentUnit(const TidyOptions& o) {
  switch (o.indent) {
    case 2:
      if (o.indent_num1 > 0 && o.indent_num1 < 20) return std::string(o.indent_num1, ' ');
      break;
    case 3:
      if (o.indent_num2 > 0 && o.indent_num2 < 10) {
        std::string s;
        for (int i = 0; i < o.indent_num2; ++i) s += "\xA1\xA1";
        return s;
      }
      break;
    case 4:
      if (o.indent_num3 > 0 && o.indent_num3 < 10) return std::string(o.indent_num3, '\t');
      break;
    default:
      break;
  }
  return {};
}

// Only blanks, tabs and full-width blanks (or nothing); most lines show
// otherwise at their first byte.
bool IsBlank(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t') continue;
    if (c == '\xA1' && i + 1 < line.size() && line[i + 1] == '\xA1') {
      ++i;
      continue;
    }
    return false;
  }
  return true;
}

// A line of the text, by offsets, and the lines of punctuation moved back
// to its end (a stretch of the text whose line breaks are left out).
struct Line {
  std::size_t begin = 0, end = 0;
  std::size_t tail_begin = 0, tail_end = 0;
  bool blank = false;
};

}  // namespace

std::string ApplyLayout(std::string text, const TidyOptions& o) {
  // The pieces between line breaks; the last one is what follows the last
  // break (empty when the text ends with one).
  const std::string_view view = text;
  std::vector<Line> lines;
  for (std::size_t from = 0;;) {
    std::size_t at = view.find("\r\n", from);
    const bool last = at == std::string_view::npos;
    if (last) at = view.size();
    const std::string_view line = view.substr(from, at - from);
    const bool blank = IsBlank(line);
    Line* prev = lines.empty() ? nullptr : &lines.back();
    if (o.split_at_fullstop && !blank && prev != nullptr && !prev->blank &&
        MeasureLine(line).marks_only()) {
      if (prev->tail_end == prev->tail_begin) prev->tail_begin = from;
      prev->tail_end = at;
    } else {
      lines.push_back({from, at, 0, 0, blank});
    }
    if (last) break;
    from = at + 2;
  }
  // Blank lines at either end go: the text starts with its first line of
  // text and ends with its last (and the line break after it, if it had one).
  std::size_t first = 0, end = lines.size();
  while (first < end && lines[first].blank) ++first;
  while (end > first && lines[end - 1].blank) --end;
  if (first == end) return {};

  const std::string unit = IndentUnit(o);
  const std::string_view brk = o.paragraph == 1 ? "\r\n\r\n" : "\r\n";
  // Without indentation or doubled breaks nothing grows, so the text is
  // rewritten in place: each piece lands at or before where it stood.
  const bool in_place = unit.empty() && brk.size() == 2;
  std::string fresh;
  if (!in_place) fresh.resize(text.size() + (end - first) * (unit.size() + brk.size()));
  char* const out = in_place ? text.data() : fresh.data();
  std::size_t w = 0;
  auto put = [&](const char* p, std::size_t n) {
    if (n != 0) std::memmove(out + w, p, n);
    w += n;
  };
  for (std::size_t i = first; i < end; ++i) {
    const Line& l = lines[i];
    if (!l.blank) {
      put(unit.data(), unit.size());
      put(text.data() + l.begin, l.end - l.begin);
      // The tail's lines follow each other: only the breaks between go.
      for (std::size_t p = l.tail_begin; p < l.tail_end;) {
        std::size_t at = view.find("\r\n", p);
        if (at == std::string_view::npos || at > l.tail_end) at = l.tail_end;
        put(text.data() + p, at - p);
        p = at + 2;
      }
    }
    if (i + 1 < end) put(brk.data(), brk.size());
  }
  if (end < lines.size()) put("\r\n", 2);
  if (in_place) {
    text.resize(w);
    return text;
  }
  fresh.resize(w);
  return fresh;
}

}  // namespace folian::tidy
