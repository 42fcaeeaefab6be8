// The file system inside a WinHelp file: a 16-byte header (magic
// 0x00035F3F, the directory's offset), internal files that each start with
// a 9-byte header giving their size, and a directory of them kept as a
// B+ tree of names and offsets.
//
// Every page number, entry count and offset is checked against the bytes
// that hold it, a page is visited at most once (a damaged tree that loops
// ends with an error), and the tree's depth is bounded.
//
// Tested by tests/convert/hlp_reader_test.cc.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace folian::convert::hlp {

inline constexpr std::uint32_t kHelpMagic = 0x00035F3F;

enum class DirectoryError {
  kNone,
  kNotHelp,     // no WinHelp magic
  kTruncated,   // the header, the directory or a file lies past the end
  kDamaged,     // pages out of range, a loop, entries that do not fit
  kTooMany,     // more entries than any help file has
};

class InternalFiles {
 public:
  // The bytes of the internal file `name` (case matters: "|TOPIC"),
  // without its header; false when there is none.
  bool Find(std::string_view name, std::string_view* data) const;
  std::size_t size() const { return files_.size(); }

 private:
  friend DirectoryError ReadInternalFiles(std::string_view input, InternalFiles* out);
  std::vector<std::pair<std::string, std::string_view>> files_;
};

// Lists the internal files of `input`; views point into `input`.
DirectoryError ReadInternalFiles(std::string_view input, InternalFiles* out);

// The bytes of the internal file whose header is at `offset`, when the
// header and the size it gives lie inside `input`.
bool InternalFileAt(std::string_view input, std::uint64_t offset, std::string_view* data);

}  // namespace folian::convert::hlp
