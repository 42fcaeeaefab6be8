#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "charset/codepage.h"
#include "text/encoding_detector.h"

namespace folian::text {

int UserPrimaryLanguage() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    std::string_view v(value);
    std::string_view lang = v.substr(0, v.find_first_of("_.@-"));
    if (lang == "zh") return kLangChinese;
    if (lang == "en") return kLangEnglish;
    return 0;
  }
  return kLangChinese;
}

std::optional<int> HighByteHeuristic(std::string_view sample, int primary_language) {
  if (primary_language != kLangChinese && primary_language != kLangEnglish) return std::nullopt;

  std::array<std::size_t, 128> count{};
  std::size_t high = 0;
  for (char c : sample) {
    auto b = static_cast<unsigned char>(c);
    if (b >= 0x80) {
      ++count[b - 0x80];
      ++high;
    }
  }
  if (high <= 10) return std::nullopt;

  auto in = [](unsigned char b, std::initializer_list<unsigned char> set) {
    return std::find(set.begin(), set.end(), b) != set.end();
  };
  std::size_t score_a = 5, score_b = 0, score_c = 0;
  for (int round = 0; round < 10; ++round) {
    // max_element returns the first maximum, so a tie goes to the lowest byte value.
    auto top = std::max_element(count.begin(), count.end());
    if (*top == 0) break;
    auto value = static_cast<unsigned char>(0x80 + (top - count.begin()));
    if (in(value, {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5}))
      score_a += *top;
    if (in(value, {0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8})) score_b += *top;
    if (in(value, {0xB0, 0xB1, 0xB2, 0xB3, 0xBA, 0xDB})) score_c += *top;
    *top = 0;
  }
  if (primary_language == kLangChinese) {
    if (score_a < score_b) return charset::kUtf8;
    return std::nullopt;
  }
  // English users: score A keeps its start value and collects nothing.
  if (5 < score_c) return charset::kOemCodePage;
  return std::nullopt;
}

}  // namespace folian::text
