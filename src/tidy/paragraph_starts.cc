#include "tidy/paragraph_starts.h"

#include <algorithm>
#include <cstring>

namespace folian::tidy {
namespace {

// Bytes of a line's start that name it: sixteen characters tell the
// paragraphs of a novel apart, and the stages after the scanner seldom
// touch a paragraph's first words (they take advertising from its end).
constexpr std::size_t kKeyBytes = 32;

std::uint64_t Hash(std::string_view bytes) {
  // Eight bytes at a time; the length folded in, so that a short line is
  // no prefix of a longer one's key.
  std::uint64_t h = 0x9E3779B97F4A7C15ull * (bytes.size() + 1);
  for (std::size_t at = 0; at < bytes.size(); at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + at, std::min<std::size_t>(8, bytes.size() - at));
    h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
    h ^= h >> 31;
  }
  return h;
}

}  // namespace

std::uint64_t MarkedStarts::Key(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  return Hash(line.substr(i, kKeyBytes));
}

std::uint64_t MarkedStarts::TailKey(std::string_view paragraph) {
  std::size_t n = paragraph.size();
  while (n > 0 && (paragraph[n - 1] == ' ' || paragraph[n - 1] == '\t')) --n;
  const std::size_t from = n > kKeyBytes ? n - kKeyBytes : 0;
  return Hash(paragraph.substr(from, n - from));
}

bool MarkedStarts::Find(std::vector<std::uint64_t>& keys, std::size_t& sorted, std::uint64_t key) {
  if (keys.empty()) return false;
  if (sorted != keys.size()) {
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    sorted = keys.size();
  }
  return std::binary_search(keys.begin(), keys.end(), key);
}

bool MarkedStarts::Holds(std::string_view line) const { return Find(keys_, sorted_, Key(line)); }

bool MarkedStarts::EndsOpen(std::string_view paragraph) const {
  return Find(ends_, ends_sorted_, TailKey(paragraph));
}

}  // namespace folian::tidy
