#include "charset/code_trie.h"

#include <bit>

namespace folian::charset::detail {

namespace {
constexpr std::size_t kFirstSlots = 1 << 10;
}  // namespace

CodeTrie::CodeTrie() : info_(2, kNoValue), slots_(kFirstSlots, 0) {
  mask_ = slots_.size() - 1;
  shift_ = 64 - std::countr_zero(slots_.size());
}

std::uint32_t CodeTrie::AddChild(std::uint32_t node, std::uint32_t code) {
  if (const std::uint32_t child = Child(node, code)) return child;
  if (node_count() >= kMaxNodes) return 0;
  const auto child = static_cast<std::uint32_t>(info_.size());
  info_.push_back(kNoValue);
  AddEdge(node, code, child);
  return child;
}

void CodeTrie::AddEdge(std::uint32_t node, std::uint32_t code, std::uint32_t child) {
  const std::uint64_t key = std::uint64_t{node} << 16 | code;
  if (Child(node, code) != 0) return;
  // At most 3/4 full: a miss, the common case, then ends within a probe or two.
  if ((edges_ + 1) * 4 > slots_.size() * 3) Grow();
  Insert(key, child);
  ++edges_;
  info_[node] |= kHasChildren;
}

void CodeTrie::Insert(std::uint64_t key, std::uint32_t child) {
  std::size_t i = Hash(key);
  while (slots_[i] != 0) i = (i + 1) & mask_;
  slots_[i] = std::uint64_t{child} << kChildShift | key;
}

void CodeTrie::Grow() {
  std::vector<std::uint64_t> old(slots_.size() * 2, 0);
  old.swap(slots_);
  mask_ = slots_.size() - 1;
  shift_ = 64 - std::countr_zero(slots_.size());
  for (const std::uint64_t slot : old) {
    if (slot != 0) Insert(slot & kKeyMask, ChildOf(slot));
  }
}

void CodeTrie::Freeze() {
  for (std::uint64_t& slot : slots_) {
    if (slot == 0) continue;
    const std::uint32_t child = ChildOf(slot);
    slot &= ~(kEndsKey | kLeadsOn);
    if (value(child) != kNoValue) slot |= kEndsKey;
    if (has_children(child)) slot |= kLeadsOn;
  }
}

}  // namespace folian::charset::detail
