#include "tidy/paragraph_starts.h"

namespace folian::tidy {
namespace {

// Bytes of a line's start that name it: sixteen characters tell the
// paragraphs of a novel apart, and the stages after the scanner seldom
// touch a paragraph's first words (they take advertising from its end).
constexpr std::size_t kKeyBytes = 32;

std::uint64_t Key(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  const std::string_view head = line.substr(i, kKeyBytes);
  // FNV-1a, the length folded in so that a short line is no prefix of a
  // longer one's key.
  std::uint64_t h = 1469598103934665603ull ^ head.size();
  for (const char c : head) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return h;
}

}  // namespace

void MarkedStarts::Add(std::string_view line) { keys_.insert(Key(line)); }

bool MarkedStarts::Holds(std::string_view line) const { return !keys_.empty() && keys_.count(Key(line)) != 0; }

}  // namespace folian::tidy
