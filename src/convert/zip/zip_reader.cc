#include "convert/zip/zip_reader.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>

namespace folian::convert {
namespace {

// minizip reads through these functions, so the archive never has to be a
// file on disk.
struct MemFile {
  const char* data = nullptr;
  std::uint64_t size = 0;
  std::uint64_t pos = 0;
};

voidpf MemOpen(voidpf opaque, const void*, int) { return opaque; }

uLong MemRead(voidpf, voidpf stream, void* buf, uLong size) {
  auto* f = static_cast<MemFile*>(stream);
  const std::uint64_t n = std::min<std::uint64_t>(size, f->size - f->pos);
  std::memcpy(buf, f->data + f->pos, static_cast<std::size_t>(n));
  f->pos += n;
  return static_cast<uLong>(n);
}

uLong MemWrite(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T MemTell(voidpf, voidpf stream) { return static_cast<MemFile*>(stream)->pos; }

long MemSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* f = static_cast<MemFile*>(stream);
  std::uint64_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = f->pos; break;
    case ZLIB_FILEFUNC_SEEK_END: base = f->size; break;
    default: return -1;
  }
  if (offset > f->size - base) return -1;
  f->pos = base + offset;
  return 0;
}

int MemClose(voidpf, voidpf) { return 0; }
int MemError(voidpf, voidpf) { return 0; }

}  // namespace

struct ZipReader::Impl {
  MemFile file;
  unzFile zip = nullptr;
  std::vector<unz64_file_pos> positions;  // per entry
  ~Impl() {
    if (zip) unzClose(zip);
  }
};

ZipReader::ZipReader() = default;
ZipReader::~ZipReader() = default;

Status ZipReader::Open(std::string_view data) {
  impl_ = std::make_unique<Impl>();
  entries_.clear();
  inflated_total_ = 0;
  impl_->file.data = data.data();
  impl_->file.size = data.size();
  zlib_filefunc64_def io{};
  io.zopen64_file = MemOpen;
  io.zread_file = MemRead;
  io.zwrite_file = MemWrite;
  io.ztell64_file = MemTell;
  io.zseek64_file = MemSeek;
  io.zclose_file = MemClose;
  io.zerror_file = MemError;
  io.opaque = &impl_->file;
  impl_->zip = unzOpen2_64("", &io);
  if (!impl_->zip) return Status::Error("不是有效的 ZIP 压缩文件。");
  unz_global_info64 info{};
  if (unzGetGlobalInfo64(impl_->zip, &info) != UNZ_OK) return Status::Error("ZIP 文件目录已损坏。");
  if (info.number_entry > kMaxEntries) return Status::Error("ZIP 文件中的条目过多，拒绝处理。");
  int rc = unzGoToFirstFile(impl_->zip);
  while (rc == UNZ_OK) {
    if (entries_.size() >= kMaxEntries) return Status::Error("ZIP 文件中的条目过多，拒绝处理。");
    unz_file_info64 fi{};
    char name[1024];
    if (unzGetCurrentFileInfo64(impl_->zip, &fi, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
      return Status::Error("ZIP 文件目录已损坏。");
    }
    unz64_file_pos pos{};
    if (unzGetFilePos64(impl_->zip, &pos) != UNZ_OK) return Status::Error("ZIP 文件目录已损坏。");
    ZipEntry e;
    // A name longer than the buffer is cut by minizip; keep what it gave.
    e.name.assign(name, strnlen(name, sizeof name));
    e.size = fi.uncompressed_size;
    e.compressed = fi.compressed_size;
    e.directory = !e.name.empty() && e.name.back() == '/';
    entries_.push_back(std::move(e));
    impl_->positions.push_back(pos);
    rc = unzGoToNextFile(impl_->zip);
  }
  if (rc != UNZ_END_OF_LIST_OF_FILE) return Status::Error("ZIP 文件目录已损坏。");
  return Status::Ok();
}

const ZipEntry* ZipReader::Find(std::string_view name, bool ignore_case) const {
  for (const ZipEntry& e : entries_) {
    if (e.name.size() != name.size()) continue;
    if (!ignore_case) {
      if (e.name == name) return &e;
      continue;
    }
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i) {
      auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
      same = lower(e.name[i]) == lower(name[i]);
    }
    if (same) return &e;
  }
  return nullptr;
}

Status ZipReader::Read(const ZipEntry& entry, std::string* out, std::uint64_t cap) {
  out->clear();
  if (!impl_ || !impl_->zip || &entry < entries_.data() || &entry >= entries_.data() + entries_.size()) {
    return Status::Error("ZIP 条目不存在。");
  }
  const std::uint64_t budget = std::min<std::uint64_t>(cap, kMaxInflatedTotal - inflated_total_);
  // A claim over the cap (a bomb's honest header, or a lie) is refused
  // before anything is inflated; a claim under it still bounds nothing, so
  // the loop below counts what really comes out.
  if (entry.size > budget) return Status::Error("ZIP 条目 " + entry.name + " 解压后过大，拒绝处理。");
  const auto index = static_cast<std::size_t>(&entry - entries_.data());
  unz64_file_pos pos = impl_->positions[index];
  if (unzGoToFilePos64(impl_->zip, &pos) != UNZ_OK || unzOpenCurrentFile(impl_->zip) != UNZ_OK) {
    return Status::Error("无法读取 ZIP 条目 " + entry.name + "。");
  }
  out->reserve(static_cast<std::size_t>(entry.size));
  char buf[64 * 1024];
  Status status;
  for (;;) {
    const int n = unzReadCurrentFile(impl_->zip, buf, sizeof buf);
    if (n < 0) {
      status = Status::Error("ZIP 条目 " + entry.name + " 的数据已损坏。");
      break;
    }
    if (n == 0) break;
    if (static_cast<std::uint64_t>(n) > budget - out->size()) {
      status = Status::Error("ZIP 条目 " + entry.name + " 解压后过大，拒绝处理。");
      break;
    }
    out->append(buf, static_cast<std::size_t>(n));
  }
  const int close_rc = unzCloseCurrentFile(impl_->zip);
  if (status.ok() && close_rc == UNZ_CRCERROR) {
    status = Status::Error("ZIP 条目 " + entry.name + " 的校验和不符，数据已损坏。");
  }
  inflated_total_ += out->size();
  if (!status.ok()) out->clear();
  return status;
}

}  // namespace folian::convert
