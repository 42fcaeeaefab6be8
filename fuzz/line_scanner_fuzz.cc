// Arbitrary bytes through the line scanner, following the layout and by the
// closing-punctuation rule alone: nothing may crash, and the two may differ
// in line breaks only (the layout decides where paragraphs end, never what
// they hold).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tidy/line_scanner.h"

namespace {

std::string WithoutBreaks(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (const char c : s) {
    if (c != '\r' && c != '\n') out.push_back(c);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace folian::tidy;
  if (size < 2 || size > 65536) return 0;
  ScanConfig c;
  const std::uint8_t a = data[0], b = data[1];
  c.num_convert = 1 + a % 3;
  c.char_convert = 1 + (a / 3) % 3;
  c.punc_convert = 1 + (a / 9) % 3;
  c.has_adver = (a & 0x80) != 0;
  c.split_at_fullstop = (b & 1) != 0;
  c.short_line = 1 + b / 2;
  c.footer_token = "qisuu";
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

  std::string follow, rule;
  std::vector<std::string> titles;
  c.follow_layout = true;
  ScanLines(text, c, &follow, &titles);
  if (titles.size() > kMaxTitles) std::abort();
  c.follow_layout = false;
  ScanLines(text, c, &rule, &titles);
  if (WithoutBreaks(follow) != WithoutBreaks(rule)) {
    std::fprintf(stderr, "following the layout changed the text, not only its line breaks\n");
    std::abort();
  }
  return 0;
}
