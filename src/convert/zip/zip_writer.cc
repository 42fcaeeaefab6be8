#include "convert/zip/zip_writer.h"

#include <minizip/zip.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <limits>

namespace folian::convert {
namespace {

// minizip writes through these functions into a string; it seeks back to
// patch each local header once the entry's sizes are known.
struct MemOut {
  std::string data;
  std::uint64_t pos = 0;
};

voidpf MemOpen(voidpf opaque, const void*, int) { return opaque; }

uLong MemRead(voidpf, voidpf stream, void* buf, uLong size) {
  auto* f = static_cast<MemOut*>(stream);
  if (f->pos >= f->data.size()) return 0;
  const std::uint64_t n = std::min<std::uint64_t>(size, f->data.size() - f->pos);
  std::memcpy(buf, f->data.data() + f->pos, static_cast<std::size_t>(n));
  f->pos += n;
  return static_cast<uLong>(n);
}

uLong MemWrite(voidpf, voidpf stream, const void* buf, uLong size) {
  auto* f = static_cast<MemOut*>(stream);
  const auto end = static_cast<std::size_t>(f->pos + size);
  if (end > f->data.size()) f->data.resize(end);
  std::memcpy(f->data.data() + f->pos, buf, size);
  f->pos = end;
  return size;
}

ZPOS64_T MemTell(voidpf, voidpf stream) { return static_cast<MemOut*>(stream)->pos; }

long MemSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* f = static_cast<MemOut*>(stream);
  std::uint64_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = f->pos; break;
    case ZLIB_FILEFUNC_SEEK_END: base = f->data.size(); break;
    default: return -1;
  }
  if (offset > f->data.size() - base) return -1;
  f->pos = base + offset;
  return 0;
}

int MemClose(voidpf, voidpf) { return 0; }
int MemError(voidpf, voidpf) { return 0; }

zip_fileinfo NowInfo() {
  zip_fileinfo info{};
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  if (localtime_r(&t, &tm) != nullptr) {
    info.tmz_date.tm_sec = static_cast<uInt>(tm.tm_sec);
    info.tmz_date.tm_min = static_cast<uInt>(tm.tm_min);
    info.tmz_date.tm_hour = static_cast<uInt>(tm.tm_hour);
    info.tmz_date.tm_mday = static_cast<uInt>(tm.tm_mday);
    info.tmz_date.tm_mon = static_cast<uInt>(tm.tm_mon);
    info.tmz_date.tm_year = static_cast<uInt>(tm.tm_year + 1900);
  }
  return info;
}

}  // namespace

struct ZipWriter::Impl {
  MemOut out;
  zipFile zip = nullptr;
  ~Impl() {
    if (zip) zipClose(zip, nullptr);
  }
};

ZipWriter::ZipWriter() : impl_(std::make_unique<Impl>()) {
  zlib_filefunc64_def io{};
  io.zopen64_file = MemOpen;
  io.zread_file = MemRead;
  io.zwrite_file = MemWrite;
  io.ztell64_file = MemTell;
  io.zseek64_file = MemSeek;
  io.zclose_file = MemClose;
  io.zerror_file = MemError;
  io.opaque = &impl_->out;
  impl_->zip = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &io);
}

ZipWriter::~ZipWriter() = default;

Status ZipWriter::Add(std::string_view name, std::string_view data, ProgressSink* progress) {
  if (!impl_->zip) return Status::Error("无法创建 ZIP 压缩数据。");
  if (data.size() > std::numeric_limits<unsigned>::max() / 2) {
    return Status::Error("要压缩的数据过大。");
  }
  const std::string entry_name(name);
  const zip_fileinfo info = NowInfo();
  const bool folder = !name.empty() && name.back() == '/';
  if (zipOpenNewFileInZip64(impl_->zip, entry_name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                            folder ? 0 : Z_DEFLATED, folder ? 0 : Z_BEST_COMPRESSION,
                            0) != ZIP_OK) {
    return Status::Error("压缩数据时发生错误。");
  }
  if (progress != nullptr) progress->SetRange(0, static_cast<std::int64_t>(data.size()));
  // In pieces, so a long text shows its progress.
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  for (std::size_t done = 0; done < data.size();) {
    const std::size_t n = std::min(kPiece, data.size() - done);
    if (zipWriteInFileInZip(impl_->zip, data.data() + done, static_cast<unsigned>(n)) != ZIP_OK) {
      zipCloseFileInZip(impl_->zip);
      return Status::Error("压缩数据时发生错误。");
    }
    done += n;
    if (progress != nullptr) progress->SetPosition(static_cast<std::int64_t>(done));
  }
  if (zipCloseFileInZip(impl_->zip) != ZIP_OK) return Status::Error("压缩数据时发生错误。");
  return Status::Ok();
}

Status ZipWriter::Finish(std::string* archive) {
  if (!impl_->zip) return Status::Error("无法创建 ZIP 压缩数据。");
  const int rc = zipClose(impl_->zip, nullptr);
  impl_->zip = nullptr;
  if (rc != ZIP_OK) return Status::Error("压缩数据时发生错误。");
  *archive = std::move(impl_->out.data);
  return Status::Ok();
}

}  // namespace folian::convert
