#include "convert/chm/chm_reader.h"

#include <mspack.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <span>

#include "convert/chm/hhc_order.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/page_name.h"

namespace folian::convert {
namespace {

// Streams of the help system itself, never pages of the book.
constexpr std::string_view kSystemStreams[] = {
    "#IDXHDR", "#ITBITS", "#IVB",    "#STRINGS", "#SYSTEM",     "#TOPICS",
    "#URLSTR", "#URLTBL", "#WINDOWS", "$FIftiMain", "#TOCIDX", "$OBJINST",
};
// Folders of the help system's keyword and link indexes.
constexpr std::string_view kSystemStorages[] = {"$WWAssociativeLinks", "$WWKeywordLinks"};

// Reading the input is the decompressor's only source of work: pages are
// extracted in the order they lie in the compressed section, so each
// compressed byte is read about once. A file that makes it read far more
// (a damaged reset table sending it back again and again) is stopped.
constexpr std::uint64_t kReadBudgetFactor = 8;
constexpr std::uint64_t kReadBudgetBase = std::uint64_t{64} << 20;

// The two class ids after "ITSF". libmspack insists on them, but some
// compilers (Free Pascal's chmcmd) write the first one twice and every
// viewer opens their files, so the reader shows libmspack the expected pair
// whatever the file holds; nothing else depends on them.
constexpr std::size_t kGuidsAt = 0x18;
constexpr char kGuids[] =
    "\x10\xFD\x01\x7C\xAA\x7B\xD0\x11\x9E\x0C\x00\xA0\xC9\x22\xE6\xEC"
    "\x11\xFD\x01\x7C\xAA\x7B\xD0\x11\x9E\x0C\x00\xA0\xC9\x22\xE6\xEC";
constexpr std::size_t kGuidsSize = sizeof(kGuids) - 1;

// A table of contents larger than this is no real book's.
constexpr std::uint64_t kMaxTocBytes = std::uint64_t{16} << 20;

enum class EntryKind { kPage, kOther, kRefused };

bool AtTop(std::string_view stored) {
  if (!stored.empty() && stored.front() == '/') stored.remove_prefix(1);
  return stored.find('/') == std::string_view::npos;
}

bool IsSystemName(const std::string& name) {
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = name.find('/', start);
    const bool last = slash == std::string::npos;
    const std::string_view part = std::string_view(name).substr(start, last ? std::string::npos : slash - start);
    const auto& list = last ? std::span<const std::string_view>(kSystemStreams)
                            : std::span<const std::string_view>(kSystemStorages);
    if (std::find(list.begin(), list.end(), part) != list.end()) return true;
    if (last) return false;
    start = slash + 1;
  }
}

// What a stored name is, and the name to write it under.
EntryKind Classify(std::string_view stored, std::string* out) {
  if (!IsPageName(stored)) return EntryKind::kOther;
  std::string name = SafeEntryName(stored);
  if (name.empty()) return EntryKind::kRefused;
  if (IsSystemName(name)) return EntryKind::kOther;
  *out = std::move(name);
  return EntryKind::kPage;
}

// ---- libmspack's view of memory ------------------------------------------
//
// libmspack opens files by name through a table of functions. Ours hands it
// the input bytes and collects each extracted page in a string; the "name"
// passed through libmspack is a pointer to one of the two targets below.

struct MemorySystem;

struct Target {
  bool write;
};

struct MemoryFile {
  MemorySystem* system;
  bool write;
  std::size_t pos = 0;
};

struct MemorySystem {
  mspack_system sys;  // first, so libmspack's pointer is ours
  std::string_view input;
  const CancelFlag* cancel = nullptr;
  std::uint64_t read_budget = 0;
  bool cancelled = false;
  bool budget_spent = false;
  std::string* out = nullptr;  // the page being extracted
  std::uint64_t out_cap = 0;
  bool over_cap = false;
  Target read_target{false};
  Target write_target{true};
};

MemoryFile* AsFile(mspack_file* f) { return reinterpret_cast<MemoryFile*>(f); }

mspack_file* Open(mspack_system* self, const char* filename, int mode) {
  auto* system = reinterpret_cast<MemorySystem*>(self);
  const auto* target = reinterpret_cast<const Target*>(filename);
  if (target == &system->read_target && mode == MSPACK_SYS_OPEN_READ) {
    return reinterpret_cast<mspack_file*>(new (std::nothrow) MemoryFile{system, false});
  }
  if (target == &system->write_target && mode == MSPACK_SYS_OPEN_WRITE && system->out != nullptr) {
    system->out->clear();
    return reinterpret_cast<mspack_file*>(new (std::nothrow) MemoryFile{system, true});
  }
  return nullptr;
}

void Close(mspack_file* file) { delete AsFile(file); }

int Read(mspack_file* file, void* buffer, int bytes) {
  MemoryFile* f = AsFile(file);
  MemorySystem* s = f->system;
  if (f->write || bytes < 0) return -1;
  if (Cancelled(s->cancel)) {
    s->cancelled = true;
    return -1;
  }
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(bytes), s->input.size() - f->pos);
  if (n > s->read_budget) {
    s->budget_spent = true;
    return -1;
  }
  s->read_budget -= n;
  std::memcpy(buffer, s->input.data() + f->pos, n);
  const std::size_t lo = std::max(f->pos, kGuidsAt);
  const std::size_t hi = std::min(f->pos + n, kGuidsAt + kGuidsSize);
  if (lo < hi) std::memcpy(static_cast<char*>(buffer) + (lo - f->pos), kGuids + (lo - kGuidsAt), hi - lo);
  f->pos += n;
  return static_cast<int>(n);
}

int Write(mspack_file* file, void* buffer, int bytes) {
  MemoryFile* f = AsFile(file);
  MemorySystem* s = f->system;
  if (!f->write || bytes < 0 || s->out == nullptr) return -1;
  if (static_cast<std::uint64_t>(bytes) > s->out_cap - s->out->size()) {
    s->over_cap = true;
    return -1;
  }
  s->out->append(static_cast<const char*>(buffer), static_cast<std::size_t>(bytes));
  return bytes;
}

int Seek(mspack_file* file, off_t offset, int mode) {
  MemoryFile* f = AsFile(file);
  if (f->write) return -1;
  const std::size_t size = f->system->input.size();
  std::int64_t base = 0;
  switch (mode) {
    case MSPACK_SYS_SEEK_START: base = 0; break;
    case MSPACK_SYS_SEEK_CUR: base = static_cast<std::int64_t>(f->pos); break;
    case MSPACK_SYS_SEEK_END: base = static_cast<std::int64_t>(size); break;
    default: return -1;
  }
  // Offsets come from the file; both are bounded by the input's size before
  // they are added, so the sum cannot overflow.
  const std::int64_t isize = static_cast<std::int64_t>(size);
  if (offset < -isize || offset > isize) return -1;
  const std::int64_t pos = base + static_cast<std::int64_t>(offset);
  if (pos < 0 || pos > isize) return -1;
  f->pos = static_cast<std::size_t>(pos);
  return 0;
}

off_t Tell(mspack_file* file) { return static_cast<off_t>(AsFile(file)->pos); }

void Message(mspack_file*, const char*, ...) {}

void* Alloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void Free(void* ptr) { std::free(ptr); }
void Copy(void* src, void* dest, size_t bytes) { std::memmove(dest, src, bytes); }

struct DecompressorDeleter {
  void operator()(mschm_decompressor* d) const { mspack_destroy_chm_decompressor(d); }
};

struct Page {
  mschmd_file* file;
  std::string name;
};

}  // namespace

bool LooksLikeChm(std::string_view head) { return head.substr(0, 4) == "ITSF"; }

std::string ChmPageName(std::string_view stored) {
  std::string name;
  return Classify(stored, &name) == EntryKind::kPage ? name : std::string();
}

Status ReadChm(std::string_view input, PageSink& sink, const ReadContext& ctx) {
  if (!LooksLikeChm(input)) return Status::Error(msg::kChmNotChm);
  MemorySystem ms;
  ms.sys = mspack_system{Open, Close, Read, Write, Seek, Tell, Message, Alloc, Free, Copy, nullptr};
  ms.input = input;
  ms.cancel = ctx.cancel;
  ms.read_budget = kReadBudgetBase + kReadBudgetFactor * static_cast<std::uint64_t>(input.size());

  std::unique_ptr<mschm_decompressor, DecompressorDeleter> chmd(mspack_create_chm_decompressor(&ms.sys));
  if (!chmd) return Status::Error(msg::kChmCannotOpen);
  mschmd_header* header = chmd->open(chmd.get(), reinterpret_cast<const char*>(&ms.read_target));
  if (header == nullptr) {
    if (ms.cancelled) return Status::Error(msg::kCancelled);
    return Status::Error(chmd->last_error(chmd.get()) == MSPACK_ERR_SIGNATURE ? msg::kChmNotChm
                                                                               : msg::kChmCannotOpen);
  }
  struct HeaderCloser {
    mschm_decompressor* d;
    mschmd_header* h;
    ~HeaderCloser() { d->close(d, h); }
  } closer{chmd.get(), header};

  std::vector<Page> pages;
  mschmd_file* toc = nullptr;
  std::size_t refused = 0;
  std::size_t entries = 0;
  for (mschmd_file* f = header->files; f != nullptr; f = f->next) {
    if (++entries > kMaxEntries) return Status::Error(msg::kChmTooManyEntries);
    // The table of contents: the first at the top, else the first anywhere.
    if (f->filename != nullptr && EndsWithNoCase(f->filename, ".hhc") &&
        (toc == nullptr || (!AtTop(toc->filename) && AtTop(f->filename)))) {
      toc = f;
    }
    std::string name;
    switch (Classify(f->filename != nullptr ? std::string_view(f->filename) : std::string_view(), &name)) {
      case EntryKind::kPage: pages.push_back({f, std::move(name)}); break;
      case EntryKind::kRefused: ++refused; break;
      case EntryKind::kOther: break;
    }
  }
  if (pages.empty()) return Status::Error(refused > 0 ? msg::kChmNamesRefused : msg::kChmNoPages);

  std::string bytes;
  if (toc != nullptr && toc->length >= 0 && static_cast<std::uint64_t>(toc->length) <= kMaxTocBytes &&
      (toc->section->id == 0 || static_cast<std::uint64_t>(toc->offset) <= kMaxInflatedTotal)) {
    ms.out = &bytes;
    ms.out_cap = static_cast<std::uint64_t>(toc->length);
    const int err = chmd->extract(chmd.get(), toc, reinterpret_cast<const char*>(&ms.write_target));
    ms.out = nullptr;
    if (ms.cancelled) return Status::Error(msg::kCancelled);
    // Without a readable table of contents the pages keep the file's order.
    if (err == MSPACK_ERR_OK && !ms.budget_spent) sink.SetReadingOrder(HhcPageOrder(bytes));
  }

  // The uncompressed section first, then the compressed one front to back,
  // so the decompressor runs forward once instead of restarting per page.
  std::stable_sort(pages.begin(), pages.end(), [](const Page& a, const Page& b) {
    const unsigned sa = a.file->section->id, sb = b.file->section->id;
    return sa != sb ? sa < sb : a.file->offset < b.file->offset;
  });

  ctx.progress->SetRange(0, static_cast<std::int64_t>(pages.size()));
  std::size_t written = 0;
  std::size_t damaged = 0;
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (Cancelled(ctx.cancel)) return Status::Error(msg::kCancelled);
    ctx.progress->SetPosition(static_cast<std::int64_t>(i));
    const mschmd_file* f = pages[i].file;
    // A compressed page is reached by decompressing everything before it,
    // so its end, not only its length, is what the caps bound.
    const std::uint64_t length = f->length < 0 ? ~std::uint64_t{0} : static_cast<std::uint64_t>(f->length);
    const std::uint64_t offset = f->offset < 0 ? ~std::uint64_t{0} : static_cast<std::uint64_t>(f->offset);
    const bool compressed = f->section->id != 0;
    if (length > kMaxInflatedEntry || length > kMaxInflatedTotal - total ||
        (compressed && offset > kMaxInflatedTotal - length)) {
      ++damaged;
      continue;
    }
    ms.out = &bytes;
    ms.out_cap = length;
    ms.over_cap = false;
    const int err = chmd->extract(chmd.get(), pages[i].file, reinterpret_cast<const char*>(&ms.write_target));
    ms.out = nullptr;
    if (ms.cancelled) return Status::Error(msg::kCancelled);
    if (ms.budget_spent) return Status::Error(written > 0 ? msg::kChmStoppedPartway : msg::kChmCannotOpen);
    if (err != MSPACK_ERR_OK || bytes.size() != length) {
      ++damaged;
      continue;
    }
    total += length;
    Status st = sink.AddFile(pages[i].name, bytes);
    if (!st.ok()) return st;
    ++written;
  }
  ctx.progress->SetPosition(static_cast<std::int64_t>(pages.size()));
  if (written == 0) return Status::Error(msg::kChmPagesDamaged);
  return Status::Ok();
}

}  // namespace folian::convert
