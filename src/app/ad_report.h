// The advertisement line report: the lines of a document that look like
// advertising, for the user to look through. A line is reported when its
// lower-case form holds one of 35 substrings: web-address and site-name
// fragments, "http", "ps:", "图片链接", "未完待续", the characters "<", "@",
// "#", "&", "$", "^", and words download sites paste into novels.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace folian::app {

// The substrings, UTF-8, lower case.
std::span<const std::string_view> AdReportSubstrings();

// The reported lines of GBK text, each followed by CR LF (GBK).
std::string AdReportLines(std::string_view gbk);

// Where the report of a document goes: its path with ".txt" appended (the
// command numbers the name when a file already has it).
std::filesystem::path AdReportPath(const std::filesystem::path& document);

}  // namespace folian::app
