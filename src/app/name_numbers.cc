#include "app/name_numbers.h"

#include <limits>
#include <string>

#include "charset/codepage.h"
#include "tidy/numerals.h"

namespace folian::app {
namespace {

long long LeadingDigits(std::string_view name) {
  std::size_t i = 0;
  while (i < name.size() && (name[i] < '0' || name[i] > '9')) ++i;
  if (i == name.size()) return -1;
  long long value = 0;
  constexpr long long kMax = std::numeric_limits<long long>::max() / 10 - 9;
  for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
    if (value > kMax) break;  // an absurd run of digits sorts as its leading part
    value = value * 10 + (name[i] - '0');
  }
  return value;
}

// The largest numeral whose text occurs in the name, the table read from 512 down.
int LargestNumeral(const std::string& gbk, std::string_view (*numeral)(int)) {
  for (int n = tidy::kNumeralMax; n >= 1; --n) {
    if (gbk.find(numeral(n)) != std::string::npos) return n;
  }
  return -1;
}

}  // namespace

NameValues ValuesOfName(std::string_view name) {
  NameValues v;
  v.digits = LeadingDigits(name);
  const std::string gbk = charset::Utf8ToGbk(name);
  v.capital = LargestNumeral(gbk, &tidy::CapitalNumeral);
  v.ordinary = LargestNumeral(gbk, &tidy::CommonNumeral);
  return v;
}

std::pair<long long, long long> PairValues(const NameValues& a, const NameValues& b) {
  if (a.digits >= 0 && b.digits >= 0) return {a.digits, b.digits};
  if (a.capital >= 0 && b.capital >= 0) return {a.capital, b.capital};
  return {a.ordinary, b.ordinary};
}

}  // namespace folian::app
