#include "convert/doc/compound_file.h"

#include <algorithm>

#include "convert/byte_reader.h"
#include "convert/messages.h"

namespace folian::convert::doc {
namespace {

constexpr std::string_view kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kHeaderDifat = 109;
constexpr std::size_t kDirEntrySize = 128;

Status Damaged() { return Status::Error(msg::kDocDamaged); }

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

}  // namespace

std::string_view CompoundFile::Sector(std::uint32_t index) const {
  // Sector i follows the header, which takes the first sector's room.
  const std::uint64_t offset = (std::uint64_t{index} + 1) * sector_size_;
  if (offset >= data_.size()) return {};
  return data_.substr(static_cast<std::size_t>(offset),
                      static_cast<std::size_t>(std::min<std::uint64_t>(sector_size_, data_.size() - offset)));
}

bool CompoundFile::ReadChain(std::uint32_t start, std::uint64_t max_bytes, std::string* out) const {
  std::uint32_t sector = start;
  std::uint64_t taken = 0;
  std::vector<bool> seen;
  while (sector != kEndOfChain && taken < max_bytes) {
    // A sector outside the file or the table, or one visited before (a
    // loop), ends the walk as damage.
    if (sector >= sector_count_ || sector >= fat_.size()) return false;
    if (seen.empty()) seen.resize(sector_count_, false);
    if (seen[sector]) return false;
    seen[sector] = true;
    const std::string_view s = Sector(sector);
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(s.size(), max_bytes - taken));
    out->append(s.substr(0, n));
    taken += n;
    if (s.size() < sector_size_) break;  // the file ends inside this sector
    sector = fat_[sector];
  }
  return true;
}

bool CompoundFile::ReadMiniChain(std::uint32_t start, std::uint64_t max_bytes, std::string* out) const {
  std::uint32_t sector = start;
  std::uint64_t taken = 0;
  std::vector<bool> seen;
  while (sector != kEndOfChain && taken < max_bytes) {
    if (sector >= minifat_.size()) return false;
    if (seen.empty()) seen.resize(minifat_.size(), false);
    if (seen[sector]) return false;
    seen[sector] = true;
    const std::uint64_t offset = std::uint64_t{sector} * mini_sector_size_;
    if (offset >= mini_stream_.size()) return false;
    const std::size_t n = static_cast<std::size_t>(
        std::min<std::uint64_t>({mini_sector_size_, mini_stream_.size() - offset, max_bytes - taken}));
    out->append(mini_stream_, static_cast<std::size_t>(offset), n);
    taken += n;
    sector = minifat_[sector];
  }
  return true;
}

Status CompoundFile::Open(std::string_view data) {
  data_ = data;
  if (data.size() < 512 || data.substr(0, 8) != kSignature) return Status::Error(msg::kDocNotCompound);
  ByteReader r(data);
  std::uint16_t major = 0, byte_order = 0, sector_shift = 0, mini_shift = 0;
  std::uint32_t fat_sectors = 0, first_dir = 0, first_minifat = 0, minifat_sectors = 0, first_difat = 0,
                difat_sectors = 0;
  r.Seek(0x1A);
  r.U16Le(&major);
  r.U16Le(&byte_order);
  r.U16Le(&sector_shift);
  r.U16Le(&mini_shift);
  r.Seek(0x2C);
  r.U32Le(&fat_sectors);
  r.U32Le(&first_dir);
  r.Seek(0x3C);
  r.U32Le(&first_minifat);
  r.U32Le(&minifat_sectors);
  r.U32Le(&first_difat);
  r.U32Le(&difat_sectors);
  if (!r.ok() || byte_order != 0xFFFE || (sector_shift != 9 && sector_shift != 12) || mini_shift != 6) {
    return Damaged();
  }
  sector_size_ = 1u << sector_shift;
  mini_sector_size_ = 1u << mini_shift;
  if (data.size() <= sector_size_) return Damaged();
  const std::uint64_t sectors = (data.size() - sector_size_ + sector_size_ - 1) / sector_size_;
  sector_count_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, kEndOfChain - 1));
  if (fat_sectors == 0 || fat_sectors > sector_count_) return Damaged();

  // Where the FAT lives: 109 sector numbers in the header, the rest in the
  // DIFAT chain (each sector's last entry links the next).
  std::vector<std::uint32_t> fat_at;
  fat_at.reserve(fat_sectors);
  r.Seek(0x4C);
  for (std::size_t i = 0; i < kHeaderDifat && fat_at.size() < fat_sectors; ++i) {
    std::uint32_t s = 0;
    r.U32Le(&s);
    fat_at.push_back(s);
  }
  const std::uint32_t per_sector = sector_size_ / 4;
  std::uint32_t difat = first_difat;
  for (std::uint32_t step = 0; fat_at.size() < fat_sectors; ++step) {
    if (difat >= sector_count_ || step >= difat_sectors || step >= sector_count_) return Damaged();
    ByteReader d(Sector(difat));
    for (std::uint32_t i = 0; i + 1 < per_sector && fat_at.size() < fat_sectors; ++i) {
      std::uint32_t s = 0;
      if (!d.U32Le(&s)) return Damaged();
      fat_at.push_back(s);
    }
    if (!d.Seek(std::uint64_t{per_sector - 1} * 4) || !d.U32Le(&difat)) return Damaged();
  }
  fat_.clear();
  fat_.reserve(std::size_t{fat_sectors} * per_sector);
  for (const std::uint32_t s : fat_at) {
    if (s >= sector_count_) return Damaged();
    ByteReader f(Sector(s));
    std::uint32_t v = 0;
    while (f.U32Le(&v)) fat_.push_back(v);
  }

  // The directory: 128-byte entries along the directory chain.
  std::string dir;
  if (!ReadChain(first_dir, std::uint64_t{kMaxDirEntries} * kDirEntrySize, &dir)) return Damaged();
  entries_.clear();
  for (std::size_t off = 0; off + kDirEntrySize <= dir.size(); off += kDirEntrySize) {
    ByteReader e(std::string_view(dir).substr(off, kDirEntrySize));
    DirEntry entry;
    std::uint16_t name_bytes = 0;
    e.Seek(64);
    e.U16Le(&name_bytes);
    const std::size_t units = name_bytes >= 2 && name_bytes <= 64 ? name_bytes / 2 - 1 : 0;
    ByteReader n(std::string_view(dir).substr(off, 64));
    for (std::size_t i = 0; i < units; ++i) {
      std::uint16_t u = 0;
      n.U16Le(&u);
      entry.name.push_back(static_cast<char16_t>(u));
    }
    e.U8(&entry.type);
    e.Skip(1);  // colour of the red-black tree
    e.U32Le(&entry.left);
    e.U32Le(&entry.right);
    e.U32Le(&entry.child);
    e.Seek(116);
    e.U32Le(&entry.start);
    e.U64Le(&entry.size);
    // Version 3 files leave the high half of the size undefined.
    if (major < 4) entry.size &= 0xFFFFFFFF;
    entries_.push_back(std::move(entry));
  }
  if (entries_.empty() || entries_[0].type != kRoot) return Damaged();

  // Small streams live in the mini stream (the root's data), allocated by
  // the MiniFAT.
  mini_stream_.clear();
  minifat_.clear();
  const DirEntry& root = entries_[0];
  if (root.size > 0) {
    if (root.size > data.size() || !ReadChain(root.start, root.size, &mini_stream_)) return Damaged();
    std::string table;
    if (minifat_sectors > sector_count_ ||
        !ReadChain(first_minifat, std::uint64_t{minifat_sectors} * sector_size_, &table)) {
      return Damaged();
    }
    ByteReader m(table);
    std::uint32_t v = 0;
    while (m.U32Le(&v)) minifat_.push_back(v);
  }
  return Status::Ok();
}

const DirEntry* CompoundFile::FindInRoot(std::u16string_view name) const {
  if (entries_.empty()) return nullptr;
  std::vector<bool> seen(entries_.size(), false);
  std::vector<std::uint32_t> pending{entries_[0].child};
  while (!pending.empty()) {
    const std::uint32_t id = pending.back();
    pending.pop_back();
    if (id == kNoStream || id >= entries_.size() || seen[id]) continue;
    seen[id] = true;
    const DirEntry& e = entries_[id];
    if (e.type == kStream && SameName(e.name, name)) return &e;
    pending.push_back(e.left);
    pending.push_back(e.right);
  }
  return nullptr;
}

Status CompoundFile::ReadStream(const DirEntry& entry, std::string* out, std::uint64_t cap) const {
  out->clear();
  if (entry.type != kStream) return Damaged();
  if (entry.size > cap || entry.size > data_.size()) return Damaged();
  out->reserve(static_cast<std::size_t>(entry.size));
  const bool ok = entry.size < mini_cutoff_ ? ReadMiniChain(entry.start, entry.size, out)
                                            : ReadChain(entry.start, entry.size, out);
  if (!ok || out->size() < entry.size) {
    out->clear();
    return Damaged();
  }
  return Status::Ok();
}

}  // namespace folian::convert::doc
