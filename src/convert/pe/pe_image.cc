#include "convert/pe/pe_image.h"

#include <algorithm>
#include <unordered_set>

#include "charset/codepage.h"
#include "convert/byte_reader.h"
#include "convert/limits.h"
#include "convert/messages.h"

namespace folian::convert {
namespace {

// The loader's own limit on sections; more come only from damaged files.
constexpr std::uint32_t kMaxSections = 96;
// Entries of the whole resource tree. A program's resources run to a few
// thousand; a tree whose directories all point at one another could
// otherwise multiply into billions of visits.
constexpr std::size_t kMaxResourceEntries = kMaxEntries;
// Type, name, language: data entries sit at the third level.
constexpr int kResourceLevels = 3;
constexpr std::uint32_t kHighBit = 0x80000000u;

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kCertificateDirectory = 4;

struct Section {
  std::uint32_t virtual_address = 0;
  std::uint32_t raw_size = 0;
  std::uint32_t raw_offset = 0;
};

struct DataDirectory {
  std::uint32_t address = 0;
  std::uint32_t size = 0;
};

class ResourceWalker {
 public:
  ResourceWalker(std::string_view input, const std::vector<Section>& sections, std::string_view tree,
                 PeImage* image)
      : input_(input), sections_(sections), tree_(tree), image_(image), byte_budget_(input.size()) {}

  void Walk() {
    PeResource path;
    Directory(0, 0, &path);
  }

 private:
  // The bytes at [rva, rva + size) when they lie on disk inside one section.
  bool Map(std::uint32_t rva, std::uint32_t size, std::string_view* out) const {
    for (const Section& s : sections_) {
      if (rva < s.virtual_address) continue;
      const std::uint64_t delta = std::uint64_t{rva} - s.virtual_address;
      if (delta > s.raw_size || size > s.raw_size - delta) continue;
      return ByteReader::Slice(input_, std::uint64_t{s.raw_offset} + delta, size, out);
    }
    return false;
  }

  // A name string of the tree: a count of UTF-16 units, then the units.
  bool Name(std::uint32_t offset, std::string* out) const {
    ByteReader r(tree_);
    std::uint16_t units = 0;
    std::string_view raw;
    if (!r.Seek(offset) || !r.U16Le(&units) || !r.Bytes(std::uint64_t{units} * 2, &raw)) return false;
    std::u16string wide(units, u'\0');
    for (std::size_t i = 0; i < units; ++i) {
      wide[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                      static_cast<unsigned char>(raw[2 * i + 1]) << 8);
    }
    *out = charset::FromWide(charset::kUtf8, wide);
    return true;
  }

  void Directory(std::uint32_t offset, int level, PeResource* path) {
    // A directory reached twice means the tree loops back on itself.
    if (!visited_.insert(offset).second) {
      ++image_->bad_resources;
      return;
    }
    ByteReader r(tree_);
    std::uint16_t named = 0, numbered = 0;
    if (!r.Seek(offset) || !r.Skip(12) || !r.U16Le(&named) || !r.U16Le(&numbered)) {
      ++image_->bad_resources;
      return;
    }
    const std::uint32_t count = std::uint32_t{named} + numbered;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint32_t name = 0, target = 0;
      if (!r.U32Le(&name) || !r.U32Le(&target)) {  // the count runs past the tree
        ++image_->bad_resources;
        return;
      }
      if (++entries_ > kMaxResourceEntries) {
        ++image_->bad_resources;
        return;
      }
      std::string text;
      if ((name & kHighBit) != 0 && !Name(name & ~kHighBit, &text)) {
        ++image_->bad_resources;
        continue;
      }
      const std::uint32_t id = (name & kHighBit) != 0 ? 0 : name;
      if (level == 0) {
        path->type_id = id;
        path->type_name = std::move(text);
      } else if (level == 1) {
        path->id = id;
        path->name = std::move(text);
      } else {
        path->language = id;
      }
      const bool subdirectory = (target & kHighBit) != 0;
      if (subdirectory != (level + 1 < kResourceLevels)) {  // too deep, or data too early
        ++image_->bad_resources;
        continue;
      }
      if (subdirectory) {
        Directory(target & ~kHighBit, level + 1, path);
        if (entries_ > kMaxResourceEntries) return;
      } else {
        Data(target, *path);
      }
    }
  }

  void Data(std::uint32_t offset, const PeResource& path) {
    ByteReader r(tree_);
    std::uint32_t rva = 0, size = 0;
    PeResource res = path;
    // A real file's resources do not overlap, so together they never pass
    // the file's size; entries sharing or overlapping bytes beyond that
    // would only multiply the work of everything that reads them.
    if (!r.Seek(offset) || !r.U32Le(&rva) || !r.U32Le(&size) || !Map(rva, size, &res.bytes) ||
        size > byte_budget_) {
      ++image_->bad_resources;
      return;
    }
    byte_budget_ -= size;
    image_->resources.push_back(std::move(res));
  }

  std::string_view input_;
  const std::vector<Section>& sections_;
  std::string_view tree_;
  PeImage* image_;
  std::unordered_set<std::uint32_t> visited_;
  std::size_t entries_ = 0;
  std::size_t byte_budget_;
};

}  // namespace

bool LooksLikePe(std::string_view head) { return head.substr(0, 2) == "MZ"; }

Status ReadPeImage(std::string_view input, PeImage* image) {
  *image = PeImage{};
  if (!LooksLikePe(input)) return Status::Error(msg::kPeNotExe);
  ByteReader r(input);
  std::uint32_t pe_offset = 0;
  std::string_view signature;
  if (!r.Seek(0x3C) || !r.U32Le(&pe_offset) || !r.Seek(pe_offset) || !r.Bytes(4, &signature) ||
      signature != std::string_view("PE\0\0", 4)) {
    return Status::Error(msg::kPeBadHeaders);
  }
  std::uint16_t section_count = 0, optional_size = 0, magic = 0;
  if (!r.Skip(2) || !r.U16Le(&section_count) || !r.Skip(12) || !r.U16Le(&optional_size) || !r.Skip(2)) {
    return Status::Error(msg::kPeBadHeaders);
  }
  const std::size_t optional_at = r.pos();
  std::string_view optional;
  if (!r.Bytes(optional_size, &optional) || section_count > kMaxSections) {
    return Status::Error(msg::kPeBadHeaders);
  }
  ByteReader o(optional);
  if (!o.U16Le(&magic) || (magic != kPe32Magic && magic != kPe32PlusMagic)) {
    return Status::Error(msg::kPeBadHeaders);
  }
  image->pe32_plus = magic == kPe32PlusMagic;
  std::uint32_t headers_size = 0, directory_count = 0;
  const std::size_t directories_at = image->pe32_plus ? 112 : 96;
  if (!o.Seek(60) || !o.U32Le(&headers_size) || !o.Seek(directories_at - 4) || !o.U32Le(&directory_count)) {
    return Status::Error(msg::kPeBadHeaders);
  }
  auto directory = [&](std::uint32_t index) {
    DataDirectory d;
    ByteReader dr(optional);
    if (index < directory_count && dr.Seek(directories_at + 8 * std::uint64_t{index})) {
      if (!dr.U32Le(&d.address) || !dr.U32Le(&d.size)) d = DataDirectory{};
    }
    return d;
  };

  std::vector<Section> sections;
  ByteReader st(input);
  if (!st.Seek(optional_at + optional_size)) return Status::Error(msg::kPeBadHeaders);
  std::uint64_t sections_end = std::min<std::uint64_t>(headers_size, input.size());
  sections_end = std::max<std::uint64_t>(sections_end, st.pos() + 40 * std::uint64_t{section_count});
  for (std::uint16_t i = 0; i < section_count; ++i) {
    Section s;
    if (!st.Skip(12) || !st.U32Le(&s.virtual_address) || !st.U32Le(&s.raw_size) || !st.U32Le(&s.raw_offset) ||
        !st.Skip(16)) {
      return Status::Error(msg::kPeBadHeaders);
    }
    if (s.raw_size == 0) continue;
    // A section cut short by the file's end keeps the part that is there.
    if (s.raw_offset >= input.size()) continue;
    s.raw_size = static_cast<std::uint32_t>(std::min<std::uint64_t>(s.raw_size, input.size() - s.raw_offset));
    sections_end = std::max<std::uint64_t>(sections_end, std::uint64_t{s.raw_offset} + s.raw_size);
    sections.push_back(s);
  }
  image->overlay_begin = static_cast<std::size_t>(std::min<std::uint64_t>(sections_end, input.size()));
  image->overlay_end = input.size();
  // The signature block is addressed by file offset and, when present,
  // closes the file after any appended data.
  const DataDirectory cert = directory(kCertificateDirectory);
  if (cert.size != 0 && cert.address >= image->overlay_begin && cert.address <= input.size() &&
      cert.size <= input.size() - cert.address) {
    image->overlay_end = cert.address;
  }

  const DataDirectory res = directory(kResourceDirectory);
  if (res.address == 0 || res.size == 0) return Status::Ok();
  // Offsets inside the tree count from its start and may reach anywhere in
  // the rest of its section, whatever size the directory claims.
  for (const Section& s : sections) {
    if (res.address < s.virtual_address || res.address - s.virtual_address >= s.raw_size) continue;
    const std::uint32_t delta = res.address - s.virtual_address;
    const std::string_view tree = input.substr(std::size_t{s.raw_offset} + delta, s.raw_size - delta);
    ResourceWalker(input, sections, tree, image).Walk();
    break;
  }
  return Status::Ok();
}

}  // namespace folian::convert
