#include "tidy/replace_all.h"

#include <string.h>

namespace folian::tidy {

std::size_t FindBytes(std::string_view text, std::string_view find, std::size_t from) {
  if (from > text.size() || find.empty()) return std::string_view::npos;
  const void* hit = memmem(text.data() + from, text.size() - from, find.data(), find.size());
  if (hit == nullptr) return std::string_view::npos;
  return static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
}

std::size_t ReplaceAll(std::string& text, std::string_view find, std::string_view replace) {
  if (find.empty()) return 0;
  std::size_t at = FindBytes(text, find);
  if (at == std::string_view::npos) return 0;
  std::string out;
  out.reserve(replace.size() > find.size() ? text.size() + text.size() / 8 : text.size());
  std::size_t from = 0, count = 0;
  while (at != std::string_view::npos) {
    out.append(text, from, at - from);
    out.append(replace);
    from = at + find.size();
    ++count;
    at = FindBytes(text, find, from);
  }
  out.append(text, from, std::string::npos);
  text.swap(out);
  return count;
}

std::size_t ReplaceAllRepeat(std::string& text, std::string_view find, std::string_view replace) {
  if (find.empty()) return 0;
  if (replace.find(find) != std::string_view::npos) return ReplaceAll(text, find, replace);
  std::size_t total = 0;
  while (std::size_t n = ReplaceAll(text, find, replace)) total += n;
  return total;
}

}  // namespace folian::tidy
