#include "convert/hlp/internal_files.h"

#include "convert/byte_reader.h"
#include "convert/limits.h"

namespace folian::convert::hlp {
namespace {

constexpr std::size_t kHeaderBytes = 16;
constexpr std::size_t kFileHeaderBytes = 9;
constexpr std::uint16_t kTreeMagic = 0x293B;
// Magic, flags, page size, structure (16), must-be-zero, splits, root,
// must-be-minus-one, total pages, levels, total entries.
constexpr std::size_t kTreeHeaderBytes = 38;
constexpr std::size_t kLeafHeaderBytes = 8;
constexpr std::size_t kIndexHeaderBytes = 6;
// Help compilers write 1 KB directory pages and 2 KB or 4 KB pages for the
// other trees; anything smaller cannot hold one entry's header.
constexpr std::uint16_t kMinPageBytes = 16;
// A directory of a few thousand names is two or three levels deep; more
// than this many is a damaged header, and the descent stops there.
constexpr int kMaxLevels = 16;

}  // namespace

bool InternalFiles::Find(std::string_view name, std::string_view* data) const {
  for (const auto& [n, d] : files_) {
    if (n == name) {
      *data = d;
      return true;
    }
  }
  return false;
}

bool InternalFileAt(std::string_view input, std::uint64_t offset, std::string_view* data) {
  ByteReader r(input);
  std::uint32_t reserved = 0, used = 0;
  if (!r.Seek(offset) || !r.U32Le(&reserved) || !r.U32Le(&used) || !r.Skip(1)) return false;
  return ByteReader::Slice(input, offset + kFileHeaderBytes, used, data);
}

DirectoryError ReadInternalFiles(std::string_view input, InternalFiles* out) {
  out->files_.clear();
  ByteReader header(input);
  std::uint32_t magic = 0, directory = 0, first_free = 0, file_size = 0;
  if (!header.U32Le(&magic) || magic != kHelpMagic) return DirectoryError::kNotHelp;
  if (!header.U32Le(&directory) || !header.U32Le(&first_free) || !header.U32Le(&file_size)) {
    return DirectoryError::kTruncated;
  }
  static_assert(kHeaderBytes == 16);
  // The header gives the whole file's size: a shorter file lost its end.
  if (file_size > input.size()) return DirectoryError::kTruncated;

  std::string_view dir;
  if (!InternalFileAt(input, directory, &dir)) return DirectoryError::kTruncated;
  ByteReader tree(dir);
  std::uint16_t tree_magic = 0, flags = 0, page_size = 0;
  std::uint16_t root = 0, total_pages = 0, levels = 0;
  if (!tree.U16Le(&tree_magic) || !tree.U16Le(&flags) || !tree.U16Le(&page_size) ||
      !tree.Skip(16 + 2 + 2) || !tree.U16Le(&root) || !tree.Skip(2) || !tree.U16Le(&total_pages) ||
      !tree.U16Le(&levels) || !tree.Skip(4)) {
    return DirectoryError::kTruncated;
  }
  if (tree_magic != kTreeMagic || page_size < kMinPageBytes || levels == 0 || levels > kMaxLevels) {
    return DirectoryError::kDamaged;
  }
  const std::string_view pages = dir.substr(kTreeHeaderBytes);
  // Pages the file really holds; the header's count may not claim more.
  const std::size_t held = pages.size() / page_size;
  if (total_pages > held) return DirectoryError::kTruncated;
  auto page_at = [&](std::int32_t number, std::string_view* page) {
    if (number < 0 || static_cast<std::uint32_t>(number) >= total_pages) return false;
    *page = pages.substr(static_cast<std::size_t>(number) * page_size, page_size);
    return true;
  };

  // Down the first child of each index page to the first leaf.
  std::vector<bool> seen(total_pages, false);
  std::int32_t number = root;
  for (int level = 1; level < levels; ++level) {
    std::string_view page;
    if (!page_at(number, &page) || seen[static_cast<std::size_t>(number)]) return DirectoryError::kDamaged;
    seen[static_cast<std::size_t>(number)] = true;
    ByteReader r(page);
    std::uint16_t first_child = 0;
    if (!r.Skip(4) || !r.U16Le(&first_child)) return DirectoryError::kDamaged;
    number = static_cast<std::int16_t>(first_child);
  }
  static_assert(kIndexHeaderBytes == 6);

  // Along the leaves.
  while (number != -1) {
    std::string_view page;
    if (!page_at(number, &page) || seen[static_cast<std::size_t>(number)]) return DirectoryError::kDamaged;
    seen[static_cast<std::size_t>(number)] = true;
    ByteReader r(page);
    std::uint16_t count = 0, next = 0;
    if (!r.Skip(2) || !r.U16Le(&count) || !r.Skip(2) || !r.U16Le(&next)) return DirectoryError::kDamaged;
    static_assert(kLeafHeaderBytes == 8);
    for (std::uint16_t k = 0; k < count; ++k) {
      const std::string_view rest = page.substr(r.pos());
      const std::size_t end = rest.find('\0');
      if (end == std::string_view::npos) return DirectoryError::kDamaged;
      std::string name(rest.substr(0, end));
      std::uint32_t offset = 0;
      if (!r.Skip(end + 1) || !r.U32Le(&offset)) return DirectoryError::kDamaged;
      std::string_view data;
      if (!InternalFileAt(input, offset, &data)) return DirectoryError::kTruncated;
      if (out->files_.size() >= kMaxEntries) return DirectoryError::kTooMany;
      out->files_.emplace_back(std::move(name), data);
    }
    number = static_cast<std::int16_t>(next);
  }
  return DirectoryError::kNone;
}

}  // namespace folian::convert::hlp
