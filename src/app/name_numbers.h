// The numbers in two file names, for sorting a File list by them: decimal
// digits when both names have some, else the capital Chinese numerals when
// both have one, else the ordinary ones; -1 for a name without a value.
#pragma once

#include <string_view>
#include <utility>

namespace folian::app {

// What one name offers; -1 where it has no such number.
struct NameValues {
  long long digits = -1;
  int capital = -1;
  int ordinary = -1;
};

// `name` is UTF-8 (as the file system gives it).
NameValues ValuesOfName(std::string_view name);

// The values the comparison uses for the pair.
std::pair<long long, long long> PairValues(const NameValues& a, const NameValues& b);

inline std::pair<long long, long long> NameNumbers(std::string_view a, std::string_view b) {
  return PairValues(ValuesOfName(a), ValuesOfName(b));
}

}  // namespace folian::app
