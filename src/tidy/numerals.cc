#include "tidy/numerals.h"

#include <array>
#include <string>
#include <unordered_map>

namespace folian::tidy {
namespace {

// GBK digits 0..9 and the units 十/百 of each form; index 0 is 零.
constexpr std::array<std::string_view, 10> kCommonDigits = {
    "\xC1\xE3", "\xD2\xBB", "\xB6\xFE", "\xC8\xFD", "\xCB\xC4",
    "\xCE\xE5", "\xC1\xF9", "\xC6\xDF", "\xB0\xCB", "\xBE\xC5"};
constexpr std::array<std::string_view, 10> kCapitalDigits = {
    "\xC1\xE3", "\xD2\xBC", "\xB7\xA1", "\xC8\xFE", "\xCB\xC1",
    "\xCE\xE9", "\xC2\xBD", "\xC6\xE2", "\xB0\xC6", "\xBE\xC1"};
constexpr std::string_view kCommonTen = "\xCA\xAE";     // 十
constexpr std::string_view kCommonHundred = "\xB0\xD9"; // 百
constexpr std::string_view kCapitalTen = "\xCA\xB0";    // 拾
constexpr std::string_view kCapitalHundred = "\xB0\xDB";// 佰

// Writing convention of chapter numbers: 十一 (not 一十一) below 20,
// 一百零五 for a zero tens digit, 一百一十 with an explicit tens digit.
std::string Spell(int n, const std::array<std::string_view, 10>& digit,
                  std::string_view ten, std::string_view hundred) {
  std::string s;
  const int h = n / 100, t = n / 10 % 10, u = n % 10;
  if (h > 0) {
    s += digit[h];
    s += hundred;
    if (t == 0 && u != 0) s += digit[0];
  }
  if (t > 0) {
    if (!(h == 0 && t == 1)) s += digit[t];
    s += ten;
  }
  if (u > 0) s += digit[u];
  return s;
}

struct Tables {
  std::array<std::string, kNumeralMax + 1> capital, common;
  std::unordered_map<std::string_view, int> value;
  Tables() {
    for (int n = 1; n <= kNumeralMax; ++n) {
      capital[n] = Spell(n, kCapitalDigits, kCapitalTen, kCapitalHundred);
      common[n] = Spell(n, kCommonDigits, kCommonTen, kCommonHundred);
    }
    for (int n = 1; n <= kNumeralMax; ++n) {
      value.emplace(capital[n], n);
      value.emplace(common[n], n);
    }
  }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

}  // namespace

std::string_view CapitalNumeral(int n) {
  if (n < 1 || n > kNumeralMax) return {};
  return GetTables().capital[n];
}

std::string_view CommonNumeral(int n) {
  if (n < 1 || n > kNumeralMax) return {};
  return GetTables().common[n];
}

int NumeralValue(std::string_view gbk) {
  const auto& v = GetTables().value;
  auto it = v.find(gbk);
  return it == v.end() ? 0 : it->second;
}

}  // namespace folian::tidy
