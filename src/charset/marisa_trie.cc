#include "charset/marisa_trie.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace folian::charset::detail {
namespace {

constexpr char kHeader[16] = "We love Marisa.";  // with its terminating NUL: 16 bytes
constexpr std::uint32_t kNoLink = UINT32_MAX;

// A bit vector as the library stores it: 64-bit little-endian units, bit i
// of the vector in bit i % 64 of unit i / 64, i.e. bit i % 8 of byte i / 8.
struct Bits {
  std::string_view bytes;
  std::uint32_t size = 0;
  std::uint32_t ones = 0;
  bool operator[](std::size_t i) const {
    return (static_cast<unsigned char>(bytes[i >> 3]) >> (i & 7)) & 1;
  }
};

// Fixed-width integers packed end to end in the same units.
struct Packed {
  std::string_view bytes;
  std::uint32_t width = 0;
  std::uint32_t mask = 0;
  std::uint64_t size = 0;
  std::uint64_t operator[](std::uint64_t i) const {
    const std::uint64_t pos = i * width;
    const std::size_t first = static_cast<std::size_t>(pos >> 3);
    std::uint64_t window = 0;
    // width <= 32 and a shift of at most 7 need at most 5 bytes.
    const std::size_t n = std::min<std::size_t>(8, bytes.size() - first);
    for (std::size_t k = 0; k < n; ++k) {
      window |= std::uint64_t{static_cast<unsigned char>(bytes[first + k])} << (8 * k);
    }
    return (window >> (pos & 7)) & mask;
  }
};

// One trie of the nest, as read and then decoded.
struct Trie {
  Bits louds, terminal, link;
  std::string_view bases;
  Packed extras;
  std::string_view tail;
  Bits tail_ends;  // empty: the tail holds NUL-terminated strings
  std::vector<std::uint32_t> parent;
  std::vector<std::uint32_t> links;  // per node: the link, or kNoLink
};

// Every vector is a 64-bit byte count, the bytes, then padding to 8.
MarisaStatus ReadVector(convert::ByteReader& r, std::size_t element, std::string_view* bytes) {
  std::uint64_t total = 0;
  if (!r.U64Le(&total)) return MarisaStatus::kTruncated;
  if (total % element != 0) return MarisaStatus::kBadStructure;
  if (!r.Bytes(total, bytes)) return MarisaStatus::kTruncated;
  if (!r.Skip((8 - total % 8) % 8)) return MarisaStatus::kTruncated;
  return MarisaStatus::kOk;
}

MarisaStatus ReadBits(convert::ByteReader& r, Bits* bits) {
  if (auto s = ReadVector(r, 8, &bits->bytes); s != MarisaStatus::kOk) return s;
  if (!r.U32Le(&bits->size) || !r.U32Le(&bits->ones)) return MarisaStatus::kTruncated;
  if (bits->size > bits->bytes.size() * 8 || bits->ones > bits->size) return MarisaStatus::kBadStructure;
  // The counted ones decide whether a nested trie follows: they must be true.
  std::size_t ones = 0;
  const std::size_t whole = bits->size / 8;
  for (std::size_t i = 0; i < whole; ++i) ones += std::popcount(static_cast<unsigned char>(bits->bytes[i]));
  for (std::size_t i = whole * 8; i < bits->size; ++i) ones += (*bits)[i];
  if (ones != bits->ones) return MarisaStatus::kBadStructure;
  // The rank index (12-byte entries) and the two select indexes (32-bit).
  std::string_view skipped;
  if (auto s = ReadVector(r, 12, &skipped); s != MarisaStatus::kOk) return s;
  if (auto s = ReadVector(r, 4, &skipped); s != MarisaStatus::kOk) return s;
  return ReadVector(r, 4, &skipped);
}

MarisaStatus ReadPacked(convert::ByteReader& r, Packed* packed) {
  if (auto s = ReadVector(r, 8, &packed->bytes); s != MarisaStatus::kOk) return s;
  if (!r.U32Le(&packed->width) || !r.U32Le(&packed->mask) || !r.U64Le(&packed->size)) {
    return MarisaStatus::kTruncated;
  }
  if (packed->width > 32) return MarisaStatus::kBadStructure;
  const std::uint64_t bits = std::uint64_t{packed->bytes.size()} * 8;
  if (packed->width != 0 && packed->size > bits / packed->width) return MarisaStatus::kBadStructure;
  return MarisaStatus::kOk;
}

MarisaStatus ReadTrie(convert::ByteReader& r, Trie* t) {
  MarisaStatus s;
  if ((s = ReadBits(r, &t->louds)) != MarisaStatus::kOk) return s;
  if ((s = ReadBits(r, &t->terminal)) != MarisaStatus::kOk) return s;
  if ((s = ReadBits(r, &t->link)) != MarisaStatus::kOk) return s;
  if ((s = ReadVector(r, 1, &t->bases)) != MarisaStatus::kOk) return s;
  if ((s = ReadPacked(r, &t->extras)) != MarisaStatus::kOk) return s;
  if ((s = ReadVector(r, 1, &t->tail)) != MarisaStatus::kOk) return s;
  return ReadBits(r, &t->tail_ends);
}

// LOUDS: "10" for the super-root, then for each node in breadth-first order
// a 1 per child and a 0. Children are numbered in that order, so a node's
// parent always has a smaller id and every walk upwards ends at the root.
MarisaStatus Decode(Trie* t, bool first) {
  const std::size_t nodes = t->bases.size();
  if (nodes == 0 || nodes > UINT32_MAX - 1) return MarisaStatus::kBadStructure;
  if (t->louds.size < 2 || !t->louds[0] || t->louds[1]) return MarisaStatus::kBadStructure;
  // Only the first trie marks terminals; the nested ones hold labels.
  if (t->link.size < nodes || (first && t->terminal.size < nodes)) return MarisaStatus::kBadStructure;
  t->parent.assign(nodes, 0);
  std::size_t next = 1;
  std::size_t pos = 2;
  for (std::size_t n = 0; n < next; ++n) {
    for (;;) {
      if (pos >= t->louds.size) return MarisaStatus::kBadStructure;
      if (!t->louds[pos++]) break;
      if (next >= nodes) return MarisaStatus::kBadStructure;
      t->parent[next++] = static_cast<std::uint32_t>(n);
    }
  }
  if (next != nodes) return MarisaStatus::kBadStructure;
  // A link is the node's base byte plus its packed extra times 256.
  t->links.assign(nodes, kNoLink);
  std::uint64_t link_id = 0;
  for (std::size_t n = 0; n < nodes; ++n) {
    if (!t->link[n]) continue;
    if (link_id >= t->extras.size) return MarisaStatus::kBadStructure;
    const std::uint64_t link =
        static_cast<unsigned char>(t->bases[n]) | t->extras[link_id++] << 8;
    if (link >= kNoLink) return MarisaStatus::kBadStructure;
    t->links[n] = static_cast<std::uint32_t>(link);
  }
  return MarisaStatus::kOk;
}

class Restorer {
 public:
  explicit Restorer(const std::vector<Trie>& tries) : tries_(tries) {}

  // Appends the key ending at `node` of the first trie: its labels from the
  // root down.
  MarisaStatus Key(std::uint32_t node, std::string* out) {
    const Trie& t = tries_[0];
    const std::size_t start = out->size();
    while (node != 0) {
      if (++steps_ > kMaxMarisaRestoreSteps) return MarisaStatus::kTooLarge;
      if (t.links[node] != kNoLink) {
        const std::size_t piece = out->size();
        if (auto s = Link(0, t.links[node], out, start); s != MarisaStatus::kOk) return s;
        std::reverse(out->begin() + static_cast<std::ptrdiff_t>(piece), out->end());
      } else {
        out->push_back(t.bases[node]);
      }
      if (out->size() - start > kMaxMarisaKeyBytes) return MarisaStatus::kTooLarge;
      node = t.parent[node];
    }
    std::reverse(out->begin() + static_cast<std::ptrdiff_t>(start), out->end());
    return MarisaStatus::kOk;
  }

 private:
  // The label a link of trie `level` stands for: a path of the next trie,
  // or a string of this trie's tail when it is the last.
  MarisaStatus Link(std::size_t level, std::uint32_t link, std::string* out, std::size_t start) {
    if (level + 1 < tries_.size()) return Path(level + 1, link, out, start);
    return Tail(tries_[level], link, out, start);
  }

  // The next tries store labels reversed: reading from the node up to the
  // root gives them forwards.
  MarisaStatus Path(std::size_t level, std::uint32_t node, std::string* out, std::size_t start) {
    const Trie& t = tries_[level];
    if (node == 0 || node >= t.parent.size()) return MarisaStatus::kBadStructure;
    while (node != 0) {
      if (++steps_ > kMaxMarisaRestoreSteps) return MarisaStatus::kTooLarge;
      if (t.links[node] != kNoLink) {
        if (auto s = Link(level, t.links[node], out, start); s != MarisaStatus::kOk) return s;
      } else {
        out->push_back(t.bases[node]);
      }
      if (out->size() - start > kMaxMarisaKeyBytes) return MarisaStatus::kTooLarge;
      node = t.parent[node];
    }
    return MarisaStatus::kOk;
  }

  MarisaStatus Tail(const Trie& t, std::uint32_t offset, std::string* out, std::size_t start) const {
    if (offset >= t.tail.size()) return MarisaStatus::kBadStructure;
    if (t.tail_ends.size == 0) {
      const std::string_view rest = t.tail.substr(offset);
      const std::size_t end = rest.find('\0');
      if (end == std::string_view::npos) return MarisaStatus::kBadStructure;
      if (out->size() - start + end > kMaxMarisaKeyBytes) return MarisaStatus::kTooLarge;
      out->append(rest.substr(0, end));
      return MarisaStatus::kOk;
    }
    for (std::size_t i = offset;; ++i) {
      if (i >= t.tail.size() || i >= t.tail_ends.size) return MarisaStatus::kBadStructure;
      if (out->size() - start >= kMaxMarisaKeyBytes) return MarisaStatus::kTooLarge;
      out->push_back(t.tail[i]);
      if (t.tail_ends[i]) return MarisaStatus::kOk;
    }
  }

  const std::vector<Trie>& tries_;
  std::size_t steps_ = 0;
};

}  // namespace

MarisaStatus ReadMarisaKeys(convert::ByteReader& reader, MarisaKeys* keys) {
  keys->text.clear();
  keys->ends.clear();
  std::string_view header;
  if (!reader.Bytes(sizeof kHeader, &header)) return MarisaStatus::kTruncated;
  if (std::memcmp(header.data(), kHeader, sizeof kHeader) != 0) return MarisaStatus::kBadHeader;

  // Each trie's vectors, then (when its links point into a nested trie
  // rather than a tail) the nested trie, then its cache and two counts.
  std::vector<Trie> tries;
  for (;;) {
    if (tries.size() == kMaxMarisaTries) return MarisaStatus::kTooLarge;
    Trie& t = tries.emplace_back();
    if (auto s = ReadTrie(reader, &t); s != MarisaStatus::kOk) return s;
    if (t.link.ones == 0 || !t.tail.empty()) break;
  }
  for (std::size_t i = tries.size(); i-- > 0;) {
    std::string_view cache;  // 12-byte entries that speed up lookups; not needed here
    if (auto s = ReadVector(reader, 12, &cache); s != MarisaStatus::kOk) return s;
    std::uint32_t level1_nodes = 0, config = 0;
    if (!reader.U32Le(&level1_nodes) || !reader.U32Le(&config)) return MarisaStatus::kTruncated;
  }
  for (std::size_t i = 0; i < tries.size(); ++i) {
    if (auto s = Decode(&tries[i], i == 0); s != MarisaStatus::kOk) return s;
  }
  Restorer restorer(tries);
  const Trie& first = tries.front();
  keys->ends.reserve(first.terminal.ones);
  for (std::size_t n = 0; n < first.parent.size(); ++n) {
    if (!first.terminal[n]) continue;
    if (auto s = restorer.Key(static_cast<std::uint32_t>(n), &keys->text); s != MarisaStatus::kOk) {
      keys->text.clear();
      keys->ends.clear();
      return s;
    }
    if (keys->text.size() > UINT32_MAX) return MarisaStatus::kTooLarge;
    keys->ends.push_back(static_cast<std::uint32_t>(keys->text.size()));
  }
  return MarisaStatus::kOk;
}

}  // namespace folian::charset::detail
