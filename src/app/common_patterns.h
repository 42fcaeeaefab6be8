// The common-pattern list (control 1096): its 17 items and their patterns,
// UTF-8 as the find field shows them.
#pragma once

#include <span>
#include <string>

namespace folian::app {

struct CommonPattern {
  const char* label;
  std::string pattern;
};

inline constexpr int kAdPatternItem = 1;

// Item 0 ("无") has an empty pattern; item 1 is the advertisement pattern.
std::span<const CommonPattern> CommonPatterns();

// The script-conversion list (control 1100), blanks as shown.
std::span<const char* const> ScriptConversionItems();

}  // namespace folian::app
