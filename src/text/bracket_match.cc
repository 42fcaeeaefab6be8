#include "text/bracket_match.h"

#include <algorithm>

namespace folian::text {
namespace {

enum class Kind { kNone, kRound, kSquare, kCurly };

struct Bracket {
  Kind kind = Kind::kNone;
  bool open = false;
  std::size_t length = 1;
};

Bracket Classify(std::string_view text, std::size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  switch (c) {
    case '(': return {Kind::kRound, true, 1};
    case ')': return {Kind::kRound, false, 1};
    case '[': return {Kind::kSquare, true, 1};
    case ']': return {Kind::kSquare, false, 1};
    case '{': return {Kind::kCurly, true, 1};
    case '}': return {Kind::kCurly, false, 1};
    default: break;
  }
  if (c < 0x81 || c > 0xFE || i + 1 >= text.size()) return {Kind::kNone, false, 1};
  if (c == 0xA3) {
    switch (static_cast<unsigned char>(text[i + 1])) {
      case 0xA8: return {Kind::kRound, true, 2};    // （
      case 0xA9: return {Kind::kRound, false, 2};   // ）
      case 0xDB: return {Kind::kSquare, true, 2};   // ［
      case 0xDD: return {Kind::kSquare, false, 2};  // ］
      case 0xFB: return {Kind::kCurly, true, 2};    // ｛
      case 0xFD: return {Kind::kCurly, false, 2};   // ｝
      default: break;
    }
  }
  return {Kind::kNone, false, 2};
}

struct Open {
  Kind kind;
  ByteRange at;
};

}  // namespace

std::vector<ByteRange> UnmatchedBrackets(std::string_view text) {
  std::vector<ByteRange> unmatched;
  std::vector<Open> stack;
  auto flush_line = [&] {
    for (const Open& o : stack) unmatched.push_back(o.at);
    stack.clear();
  };
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '\r' || text[i] == '\n') {
      flush_line();
      ++i;
      continue;
    }
    const Bracket b = Classify(text, i);
    if (b.kind != Kind::kNone) {
      if (b.open) {
        stack.push_back({b.kind, {i, b.length}});
      } else {
        // A closer pairs with the nearest opener of its kind; openers above
        // that one were never closed.
        auto it = std::find_if(stack.rbegin(), stack.rend(),
                               [&](const Open& o) { return o.kind == b.kind; });
        if (it == stack.rend()) {
          unmatched.push_back({i, b.length});
        } else {
          const auto keep = static_cast<std::size_t>(stack.rend() - it) - 1;
          for (std::size_t k = keep + 1; k < stack.size(); ++k) unmatched.push_back(stack[k].at);
          stack.resize(keep);
        }
      }
    }
    i += b.length;
  }
  flush_line();
  std::sort(unmatched.begin(), unmatched.end(),
            [](const ByteRange& a, const ByteRange& b) { return a.start < b.start; });
  return unmatched;
}

std::optional<ByteRange> FindUnmatchedBracket(std::string_view text, std::size_t from) {
  for (const ByteRange& r : UnmatchedBrackets(text)) {
    if (r.start >= from) return r;
  }
  return std::nullopt;
}

}  // namespace folian::text
