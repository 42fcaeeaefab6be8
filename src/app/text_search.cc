#include "app/text_search.h"

namespace folian::app {
namespace {

bool IsLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

bool IsTrail(unsigned char c) { return c >= 0x40 && c != 0x7F && c != 0xFF; }

// Length of the character at `i`: a GBK lead byte takes a valid trail with
// it; a stray lead byte stands alone, as the code page decodes it.
std::size_t CharLength(std::string_view text, std::size_t i) {
  return IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
                 IsTrail(static_cast<unsigned char>(text[i + 1]))
             ? 2
             : 1;
}

}  // namespace

std::string ProcessEscapes(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 1 < field.size()) {
      const char next = field[i + 1];
      if (next == 'r' || next == 't' || next == 'n') {
        out += next == 'r' ? '\r' : next == 't' ? '\t' : '\n';
        ++i;
        continue;
      }
    }
    // Keep a double-byte character whole so its trail byte is never read as "\".
    if (IsLead(static_cast<unsigned char>(field[i])) && i + 1 < field.size()) {
      out += field[i++];
    }
    out += field[i];
  }
  return out;
}

std::size_t NextCharStart(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return text.size();
  std::size_t i = 0;
  while (i < pos) i += CharLength(text, i);
  return i;
}

std::size_t FindGbk(std::string_view text, std::string_view needle, std::size_t from) {
  if (needle.empty() || from > text.size()) return std::string_view::npos;
  std::size_t boundary = from;
  while (true) {
    const std::size_t hit = text.find(needle, boundary);
    if (hit == std::string_view::npos) return hit;
    while (boundary < hit) boundary += CharLength(text, boundary);
    if (boundary == hit) return hit;
  }
}

std::size_t ReplaceAllGbk(std::string& text, std::string_view needle, std::string_view replacement) {
  if (needle.empty()) return 0;
  std::string out;
  std::size_t count = 0, done = 0;
  for (std::size_t hit = FindGbk(text, needle, 0); hit != std::string::npos;
       hit = FindGbk(text, needle, hit + needle.size())) {
    out.append(text, done, hit - done);
    out.append(replacement);
    done = hit + needle.size();
    ++count;
  }
  if (count == 0) return 0;
  out.append(text, done, std::string::npos);
  text = std::move(out);
  return count;
}

}  // namespace folian::app
