#include "app/name_source.h"

#include "charset/codepage.h"

namespace folian::app {
namespace {

std::string FolderName(const std::filesystem::path& folder) {
  std::filesystem::path p = folder;
  if (!p.has_filename() && p.has_parent_path()) p = p.parent_path();  // "a/b/" -> "a/b"
  std::string name = p.filename().string();
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

bool Blank(std::string_view line) {
  for (char c : line) {
    if (c != ' ' && c != '\t' && c != '\r') return false;
  }
  return true;
}

std::string FirstLine(std::string_view gbk) {
  if (gbk.find('\n') == std::string_view::npos) return {};
  std::size_t pos = 0;
  while (pos < gbk.size()) {
    std::size_t end = gbk.find('\n', pos);
    if (end == std::string_view::npos) end = gbk.size();
    std::string_view line = gbk.substr(pos, std::min<std::size_t>(end - pos, 1024));
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!Blank(line)) return charset::GbkToUtf8(line);
    pos = end + 1;
  }
  return {};
}

}  // namespace

std::string SuggestedName(int source, const std::filesystem::path& folder,
                          std::string_view editor_gbk, std::string_view clipboard_utf8) {
  switch (source) {
    case kNameFromFile: return FirstLine(editor_gbk);
    case kNameFromClipboard: return std::string(clipboard_utf8);
    default: return FolderName(folder);
  }
}

}  // namespace folian::app
