// New names for novel files: the normalised form of a name, and names by a
// batch pattern. Names are UTF-8, as the file system holds them.
//
// Normalising a name:
//  - full-width letters, digits and the full-width blank become half-width;
//  - site tags go: a bracketed part holding a web address or a domain such as
//    "[www.xxx.com]", "(xxx.net)" or "【xxx.org】";
//  - edition notes go: a bracketed part that is only one of the words below,
//    such as "(精校版)", "【全本】", "[TXT下载]";
//  - blanks at both ends of the stem go, runs of blanks become one;
//  - the extension is kept as it was (its letters folded to lower case).
// Brackets: () （） [] ［］ 【】 〔〕 {} ｛｝, and "(" closed by "）". Edition
// words (letters in any case): 最新章节 精校版 校对版 完整版 手打版 无错版 无删减
// TXT下载 精校 全本 全集 完本 完结 全文 最新 TXT 下载 手打 VIP 校对 全; a note
// may join several of them with blanks, "+", "、", "-" or "·".
#pragma once

#include <string>
#include <string_view>

namespace folian::files {

std::string NormaliseFileName(std::string_view name);

// What "文件批更名" asks for: a prefix and a running number, or a find and
// replace on the names (the extension is kept either way).
struct RenamePattern {
  enum class Kind { kNumbered, kReplace } kind = Kind::kNumbered;
  std::string prefix;
  int first = 1;
  int digits = 0;  // at least this many digits
  std::string find;
  std::string replace;
};

// The name pattern gives the `index`-th file (0-based) named `name`.
std::string PatternName(const RenamePattern& pattern, std::string_view name, int index);

}  // namespace folian::files
