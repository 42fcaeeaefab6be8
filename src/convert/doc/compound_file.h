// Reads compound files (the OLE2 container of Word 97-2003 documents) held
// in memory: the header, the sector allocation table (FAT) with its DIFAT
// extension, the directory, the mini stream and its MiniFAT, and streams
// read whole along their sector chains.
//
// Everything is bounded: sector numbers are checked against the file's
// sector count before use, a chain that comes back to a sector it visited
// is damage (so a looping chain ends), the directory tree is
// walked with an explicit stack and a visited mark, and a stream's size is
// never trusted beyond what its chain holds.
//
// Example:
//   doc::CompoundFile cf;
//   if (!cf.Open(bytes).ok()) ...;
//   const doc::DirEntry* e = cf.FindInRoot(u"WordDocument");
//   std::string data;
//   if (e && cf.ReadStream(*e, &data).ok()) ...;
//
// Tested by tests/convert/compound_file_test.cc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/limits.h"
#include "convert/status.h"

namespace folian::convert::doc {

struct DirEntry {
  std::u16string name;
  std::uint8_t type = 0;  // kStorage, kStream, kRoot (0: unused)
  std::uint32_t left = 0, right = 0, child = 0;
  std::uint32_t start = 0;  // first sector (mini sector for small streams)
  std::uint64_t size = 0;
};

inline constexpr std::uint8_t kStorage = 1;
inline constexpr std::uint8_t kStream = 2;
inline constexpr std::uint8_t kRoot = 5;

// Directory entries of one file. Word documents have a few dozen; files
// with embedded objects a few thousand.
inline constexpr std::size_t kMaxDirEntries = 65536;

class CompoundFile {
 public:
  // Reads the structure of the compound file in `data`, which must outlive
  // this object. Fails for a file that is not a compound file or whose
  // allocation tables or directory are damaged.
  Status Open(std::string_view data);

  const std::vector<DirEntry>& entries() const { return entries_; }
  // The stream named `name` among the root storage's children (names
  // compare ignoring ASCII case, as the format says); nullptr if none.
  const DirEntry* FindInRoot(std::u16string_view name) const;
  // The whole stream. Fails when its chain is broken, or when it is larger
  // than `cap`.
  Status ReadStream(const DirEntry& entry, std::string* out, std::uint64_t cap = kMaxInflatedEntry) const;

 private:
  // Appends the sectors of the chain starting at `start` (at most
  // `max_bytes`) to `*out`; false when the chain leaves the file or loops.
  bool ReadChain(std::uint32_t start, std::uint64_t max_bytes, std::string* out) const;
  bool ReadMiniChain(std::uint32_t start, std::uint64_t max_bytes, std::string* out) const;
  std::string_view Sector(std::uint32_t index) const;

  std::string_view data_;
  std::uint32_t sector_size_ = 512;
  std::uint32_t mini_sector_size_ = 64;
  std::uint32_t mini_cutoff_ = 4096;
  std::uint32_t sector_count_ = 0;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> minifat_;
  std::string mini_stream_;
  std::vector<DirEntry> entries_;
};

}  // namespace folian::convert::doc
