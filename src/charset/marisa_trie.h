// The keys of a MARISA trie, read from its serialized form (internal to
// src/charset).
//
// OpenCC's .ocd2 dictionaries hold their keys in a trie of the marisa-trie
// library, serialized as that library writes it: a 16-byte header, then a
// nest of LOUDS tries (a trie's multi-byte edge labels are the keys of the
// next trie, which stores them reversed; the last one keeps them in a tail
// buffer). Each key's id is its rank among the terminal nodes of the first
// trie, and OpenCC stores the values in that order.
//
// We need every key once, at load time, so the tries are decoded
// sequentially from their raw bit vectors: the rank and select indexes the
// library keeps for random access are skipped. The input is a file on disk
// and is treated as untrusted: every length is checked against the bytes
// left, every node id and link against its table, and the work of
// restoring keys is capped.
//
// Tested by tests/charset/ocd2_test.cc (every key of the installed
// dictionaries against OpenCC's own reading) and fuzz/ocd2_fuzz.cc.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "convert/byte_reader.h"

namespace folian::charset::detail {

enum class MarisaStatus {
  kOk,
  kBadHeader,     // not "We love Marisa." where the trie starts
  kTruncated,     // a vector runs past the end of the data
  kBadStructure,  // the tries contradict themselves (sizes, node ids, links)
  kTooLarge,      // over one of the caps below
};

// The library nests at most this many tries (its own limit).
inline constexpr int kMaxMarisaTries = 127;
// A dictionary key is a phrase; nothing longer than this is a phrase.
inline constexpr std::size_t kMaxMarisaKeyBytes = 4096;
// Nodes visited while restoring all keys. The installed dictionaries need
// under a million; a hostile file whose links expand each other stops here.
inline constexpr std::size_t kMaxMarisaRestoreSteps = std::size_t{1} << 26;

// The keys one after another in `text`; key i is [ends[i - 1], ends[i])
// (ends[-1] = 0).
struct MarisaKeys {
  std::string text;
  std::vector<std::uint32_t> ends;
};

// Reads one serialized trie at the reader's position (leaving the reader
// just after it) and returns its keys in key-id order.
MarisaStatus ReadMarisaKeys(convert::ByteReader& reader, MarisaKeys* keys);

}  // namespace folian::charset::detail
