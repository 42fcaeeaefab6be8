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

void MarkedStarts::JoinBridged(std::string* text) const {
  if (bridges_.empty()) return;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> bridges = bridges_;
  std::sort(bridges.begin(), bridges.end());
  const std::string_view t(*text);
  auto is_blank = [](std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
  };
  std::string out;
  std::size_t copied = 0;  // of `t`, into `out`
  for (std::size_t at = 0; at < t.size();) {
    std::size_t end = t.find("\r\n", at);
    if (end == std::string_view::npos) break;
    const std::string_view line = t.substr(at, end - at);
    // The next line of text.
    std::size_t next = end + 2;
    for (;;) {
      const std::size_t e = t.find("\r\n", next);
      if (e == std::string_view::npos || !is_blank(t.substr(next, e - next))) break;
      next = e + 2;
    }
    if (!is_blank(line) && next < t.size()) {
      const std::uint64_t tail = TailKey(line);
      auto it = std::lower_bound(bridges.begin(), bridges.end(), std::make_pair(tail, std::uint64_t{0}));
      if (it != bridges.end() && it->first == tail) {
        const std::size_t e = t.find("\r\n", next);
        const std::uint64_t head = Key(t.substr(next, (e == std::string_view::npos ? t.size() : e) - next));
        for (; it != bridges.end() && it->first == tail; ++it) {
          if (it->second != head) continue;
          std::size_t keep = end;
          while (keep > at && (t[keep - 1] == ' ' || t[keep - 1] == '\t')) --keep;
          std::size_t from = next;
          while (from < t.size() && (t[from] == ' ' || t[from] == '\t')) ++from;
          out.append(t.substr(copied, keep - copied));
          copied = from;
          break;
        }
      }
    }
    at = next;
  }
  if (copied == 0) return;
  out.append(t.substr(copied));
  *text = std::move(out);
}

}  // namespace folian::tidy
