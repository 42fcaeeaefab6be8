// Where the rename/merge dialog ("文件更名/文件合并") takes its suggested name:
// the Working folder's name, the first line of the document, or the
// clipboard. The chosen source is remembered while the program runs.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace folian::app {

enum NameSource : int { kNameFromFolder = 0, kNameFromFile = 1, kNameFromClipboard = 2 };

// The suggestion (UTF-8) from `source`: the folder's last component in lower
// case; the first non-blank line of the editor's text (GBK, lines read up to
// 1,024 bytes, only when the text has more than one line); the clipboard text.
std::string SuggestedName(int source, const std::filesystem::path& folder,
                          std::string_view editor_gbk, std::string_view clipboard_utf8);

}  // namespace folian::app
