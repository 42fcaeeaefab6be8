// Helpers for the tidy tests: GBK literals written as UTF-8, the shared
// material's location, and a rule table holding the generic rows.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "charset/codepage.h"
#include "tidy/rule_table.h"

namespace folian::tidy::testing {

// UTF-8 source text -> GBK bytes.
inline std::string G(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }
// GBK -> UTF-8, for readable failure messages.
inline std::string U(std::string_view gbk) { return charset::GbkToUtf8(gbk); }

inline std::filesystem::path SharedText() {
  return std::filesystem::path(FOLIAN_SHARED_DIR) / "text";
}

// The generic rows of the advertisement stages (no site rows), plus a few
// site-style rows so restorations feed later deletions. Built once.
const RuleTable& GenericRules();

// Every file of the shared text material (clean GBK and polluted), sorted.
std::vector<std::filesystem::path> SharedTextFiles();

}  // namespace folian::tidy::testing
