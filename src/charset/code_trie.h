// A trie over GBK character codes (internal to src/charset).
//
// A code is a character as the text holds it: the byte itself for a
// single-byte character, lead << 8 | trail for a double-byte one. Nodes are
// numbered from 1 (the root); every edge, (parent, code) -> child, is one
// 64-bit slot of an open-addressing hash table, so a step down the trie is
// one hashed probe into a table small enough to stay in cache. Once the
// trie is complete, Freeze() copies into each slot whether its child ends a
// key and whether it has children, so a walk reads nothing but slots until
// it has found its longest key. Several codes may lead to the same child
// (two codes of one character).
//
// Tested through tests/charset/script_table_test.cc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace folian::charset::detail {

class CodeTrie {
 public:
  static constexpr std::uint32_t kRoot = 1;
  static constexpr std::uint32_t kNoValue = 0x7FFFFFFF;
  // A slot keeps the child id in 22 bits.
  static constexpr std::uint32_t kMaxNodes = (1u << 22) - 1;

  CodeTrie();

  // The edge from `node` along `code`, or 0; read it with the three below
  // (the two flags are only set once the trie is frozen).
  std::uint64_t Edge(std::uint32_t node, std::uint32_t code) const {
    const std::uint64_t key = std::uint64_t{node} << 16 | code;
    for (std::size_t i = Hash(key);; i = (i + 1) & mask_) {
      const std::uint64_t slot = slots_[i];
      if (slot == 0) return 0;
      if ((slot & kKeyMask) == key) return slot;
    }
  }
  static std::uint32_t ChildOf(std::uint64_t edge) { return static_cast<std::uint32_t>(edge >> kChildShift); }
  static bool EndsKey(std::uint64_t edge) { return (edge & kEndsKey) != 0; }
  static bool LeadsOn(std::uint64_t edge) { return (edge & kLeadsOn) != 0; }

  // The child of `node` along `code`, or 0.
  std::uint32_t Child(std::uint32_t node, std::uint32_t code) const { return ChildOf(Edge(node, code)); }
  std::uint32_t value(std::uint32_t node) const { return info_[node] & kNoValue; }
  bool has_children(std::uint32_t node) const { return (info_[node] & kHasChildren) != 0; }
  std::size_t node_count() const { return info_.size() - 1; }

  // The child of `node` along `code`, made when missing; 0 when the trie is full.
  std::uint32_t AddChild(std::uint32_t node, std::uint32_t code);
  // Makes `code` lead from `node` to an existing child as well.
  void AddEdge(std::uint32_t node, std::uint32_t code, std::uint32_t child);
  // Sets each edge's flags from its child; call when all keys are in.
  void Freeze();

  // Calls fn(parent, code, child) for every edge.
  template <typename Fn>
  void ForEachEdge(Fn fn) const {
    for (const std::uint64_t slot : slots_) {
      if (slot == 0) continue;
      fn(static_cast<std::uint32_t>((slot & kKeyMask) >> 16), static_cast<std::uint32_t>(slot & 0xFFFF),
         ChildOf(slot));
    }
  }
  // The first value set on a node stays.
  void SetValue(std::uint32_t node, std::uint32_t v) {
    if (value(node) == kNoValue) info_[node] = (info_[node] & kHasChildren) | (v & kNoValue);
  }

 private:
  // A slot: child (22 bits) << 42 | flags (2 bits) << 40 | node (24 bits) << 16 | code.
  static constexpr int kChildShift = 42;
  static constexpr std::uint64_t kKeyMask = (std::uint64_t{1} << 40) - 1;
  static constexpr std::uint64_t kEndsKey = std::uint64_t{1} << 41;
  static constexpr std::uint64_t kLeadsOn = std::uint64_t{1} << 40;
  static constexpr std::uint32_t kHasChildren = 0x80000000;

  std::size_t Hash(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  void Insert(std::uint64_t key, std::uint32_t child);
  void Grow();

  std::vector<std::uint32_t> info_;  // per node: value | kHasChildren; [0] unused
  std::vector<std::uint64_t> slots_;  // 0 = empty
  std::size_t mask_ = 0;
  int shift_ = 0;
  std::size_t edges_ = 0;
};

}  // namespace folian::charset::detail
