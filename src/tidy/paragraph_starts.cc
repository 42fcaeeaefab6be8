#include "tidy/paragraph_starts.h"

#include <algorithm>
#include <cstring>

namespace folian::tidy {
namespace {

// Bytes of a line's start that name it: sixteen characters tell the
// paragraphs of a novel apart, and the stages after the scanner seldom
// touch a paragraph's first words (they take advertising from its end).
constexpr std::size_t kKeyBytes = 32;

}  // namespace

std::uint64_t MarkedStarts::Key(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  const std::string_view head = line.substr(i, kKeyBytes);
  // Eight bytes at a time; the length folded in, so that a short line is
  // no prefix of a longer one's key.
  std::uint64_t h = 0x9E3779B97F4A7C15ull * (head.size() + 1);
  for (std::size_t at = 0; at < head.size(); at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, head.data() + at, std::min<std::size_t>(8, head.size() - at));
    h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 31;
  }
  return h;
}

bool MarkedStarts::Holds(std::string_view line) const {
  if (keys_.empty()) return false;
  if (sorted_ != keys_.size()) {
    std::sort(keys_.begin(), keys_.end());
    keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
    sorted_ = keys_.size();
  }
  return std::binary_search(keys_.begin(), keys_.end(), Key(line));
}

}  // namespace folian::tidy
