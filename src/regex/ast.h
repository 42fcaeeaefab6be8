// Parsed form of a pattern: a tree the compiler and the literal analysis walk.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace folian::regex {

// A set of byte values.
struct ByteSet {
  std::array<std::uint64_t, 4> bits{};

  bool Has(unsigned char c) const { return (bits[c >> 6] >> (c & 63)) & 1; }
  void Add(unsigned char c) { bits[c >> 6] |= std::uint64_t{1} << (c & 63); }
  void AddRange(unsigned lo, unsigned hi) {
    for (unsigned c = lo; c <= hi; ++c) Add(static_cast<unsigned char>(c));
  }
  void AddSet(const ByteSet& o) {
    for (int i = 0; i < 4; ++i) bits[i] |= o.bits[i];
  }
  void Negate() {
    for (auto& w : bits) w = ~w;
  }
  // Adds the other case of every ASCII letter in the set.
  void FoldCase();
  int Count() const;
  bool operator==(const ByteSet&) const = default;
};

enum class AssertKind : std::uint8_t {
  kSubjectStart,   // \A, ^ without LINEANCHORS
  kLineStart,      // ^ with LINEANCHORS
  kEndOrFinalNl,   // \Z, $ without LINEANCHORS
  kLineEnd,        // $ with LINEANCHORS
  kSubjectEnd,     // \z
  kWordBoundary,   // \b
  kNotWordBoundary,
};

enum class NodeKind : std::uint8_t {
  kEmpty,
  kByte,       // one literal byte (`icase` folds ASCII letters)
  kSet,        // one byte from `set`
  kAssert,
  kGroup,      // capturing group `group` around kids[0]
  kConcat,
  kAlternate,
  kRepeat,     // kids[0] repeated min..max (max < 0: unbounded)
  kBackref,
  kLook,       // look-around: `behind`, `negate`
  kAtomic,
  kCondition,  // cond_group > 0 or kids[0] a kLook; then yes, optional no
  kRecurse,
};

struct Node {
  NodeKind kind = NodeKind::kEmpty;
  bool icase = false;
  bool greedy = true;
  bool behind = false;
  bool negate = false;
  unsigned char byte = 0;
  AssertKind assert_kind = AssertKind::kSubjectStart;
  int group = 0;
  int min = 0, max = 0;
  int cond_group = 0;
  ByteSet set;
  std::vector<std::unique_ptr<Node>> kids;

  explicit Node(NodeKind k) : kind(k) {}
};

using NodePtr = std::unique_ptr<Node>;

struct Ast {
  NodePtr root;
  int capture_count = 0;  // capturing groups, not counting the whole match
  bool has_recursion = false;
};

}  // namespace folian::regex
