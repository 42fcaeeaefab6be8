// A trie over GBK character codes (internal to src/charset).
//
// A code is a character as the text holds it: the byte itself for a
// single-byte character, lead << 8 | trail for a double-byte one. Nodes are
// numbered from 1 (the root); every edge, (parent, code) -> child, is one
// 64-bit slot of an open-addressing hash table, so a step down the trie is
// one hashed probe into a table small enough to stay in cache. Several
// codes may lead to the same child (two codes of one character).
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
  // A slot keeps the child id in 24 bits.
  static constexpr std::uint32_t kMaxNodes = (1u << 24) - 1;

  CodeTrie();

  // The child of `node` along `code`, or 0.
  std::uint32_t Child(std::uint32_t node, std::uint32_t code) const {
    const std::uint64_t key = std::uint64_t{node} << 16 | code;
    for (std::size_t i = Hash(key);; i = (i + 1) & mask_) {
      const std::uint64_t slot = slots_[i];
      if (slot == 0) return 0;
      if ((slot & kKeyMask) == key) return static_cast<std::uint32_t>(slot >> kKeyBits);
    }
  }
  std::uint32_t value(std::uint32_t node) const { return info_[node] & kNoValue; }
  bool has_children(std::uint32_t node) const { return (info_[node] & kHasChildren) != 0; }
  std::size_t node_count() const { return info_.size() - 1; }

  // The child of `node` along `code`, made when missing; 0 when the trie is full.
  std::uint32_t AddChild(std::uint32_t node, std::uint32_t code);
  // Makes `code` lead from `node` to an existing child as well.
  void AddEdge(std::uint32_t node, std::uint32_t code, std::uint32_t child);
  // The first value set on a node stays.
  void SetValue(std::uint32_t node, std::uint32_t v) {
    if (value(node) == kNoValue) info_[node] = (info_[node] & kHasChildren) | (v & kNoValue);
  }

 private:
  static constexpr int kKeyBits = 40;  // node (24 bits) << 16 | code
  static constexpr std::uint64_t kKeyMask = (std::uint64_t{1} << kKeyBits) - 1;
  static constexpr std::uint32_t kHasChildren = 0x80000000;

  std::size_t Hash(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  void Insert(std::uint64_t key, std::uint32_t child);
  void Grow();

  std::vector<std::uint32_t> info_;  // per node: value | kHasChildren; [0] unused
  std::vector<std::uint64_t> slots_;  // child << 40 | key; 0 = empty
  std::size_t mask_ = 0;
  int shift_ = 0;
  std::size_t edges_ = 0;
};

}  // namespace folian::charset::detail
