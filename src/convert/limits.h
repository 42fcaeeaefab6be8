// Caps shared by every converter. Input is untrusted: a damaged or hostile
// file must end with a message, never exhaust memory or disk.
#pragma once

#include <cstddef>
#include <cstdint>

namespace folian::convert {

// No e-book a reader owns comes near this; larger files are refused before
// they are read into memory.
inline constexpr std::uint64_t kMaxInputBytes = std::uint64_t{256} << 20;

// The text one conversion may produce. Real books stay far below it; a
// decompression bomb hits it and stops instead of filling the disk.
inline constexpr std::size_t kMaxOutputBytes = std::size_t{512} << 20;

// Everything decompressed from one input, all entries or streams together.
inline constexpr std::uint64_t kMaxInflatedTotal = std::uint64_t{1} << 30;

// One archive entry or compressed stream, decompressed.
inline constexpr std::uint64_t kMaxInflatedEntry = std::uint64_t{256} << 20;

// Entries of an archive, records of a database, pages of a help file:
// a real book has a few thousand at most.
inline constexpr std::size_t kMaxEntries = 100000;

// Nesting of groups, elements or containers: parsers that recurse or keep a
// stack stop here rather than overflow.
inline constexpr int kMaxNesting = 512;

}  // namespace folian::convert
