#include "files/split.h"

#include <fmt/core.h>

#include <algorithm>
#include <cstring>
#include <system_error>

#include "text/atomic_write.h"
#include "text/decode.h"

namespace folian::files {
namespace {

namespace fs = std::filesystem;

// A file's content as a run of code units: bytes for ANSI and UTF-8, 16-bit
// units (in the file's byte order) for UTF-16.
class Units {
 public:
  Units(std::string_view bytes, int bom_class)
      : s_(bytes),
        width_(bom_class == text::kBomUtf16LE || bom_class == text::kBomUtf16BE ? 2 : 1),
        big_endian_(bom_class == text::kBomUtf16BE),
        bom_class_(bom_class) {}

  std::size_t width() const { return width_; }
  std::size_t size() const { return s_.size(); }

  unsigned At(std::size_t i) const {
    const auto* p = reinterpret_cast<const unsigned char*>(s_.data()) + i;
    if (width_ == 1) return p[0];
    return big_endian_ ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0];
  }
  bool Whole(std::size_t i) const { return i + width_ <= s_.size(); }

  // The next line feed at or after `from`, or npos.
  std::size_t FindLineFeed(std::size_t from) const {
    if (width_ == 1) {
      const void* hit = std::memchr(s_.data() + from, '\n', s_.size() - from);
      return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - s_.data())
                 : std::string_view::npos;
    }
    for (std::size_t i = from; Whole(i); i += 2) {
      if (At(i) == '\n') return i;
    }
    return std::string_view::npos;
  }

  std::string_view LineEnd() const {
    if (width_ == 1) return "\r\n";
    return big_endian_ ? std::string_view("\0\r\0\n", 4) : std::string_view("\r\0\n\0", 4);
  }

  // The end of the longest run of whole characters from `from` holding at
  // most `limit` bytes, before `end`; at least one character.
  std::size_t CutBefore(std::size_t from, std::size_t end, std::uint64_t limit) const {
    const std::size_t room = limit < end - from ? static_cast<std::size_t>(limit) : end - from;
    std::size_t cut = from;
    if (width_ == 2) {
      cut = from + room / 2 * 2;
      if (cut == from) cut = from + 2;
      // Never part a surrogate pair.
      if (cut < end && Whole(cut) && IsHigh(At(cut - 2)) && IsLow(At(cut))) {
        cut = cut - 2 == from ? cut + 2 : cut - 2;
      }
    } else if (bom_class_ == text::kBomUtf8) {
      cut = from + room;
      while (cut > from && cut < end && (At(cut) & 0xC0) == 0x80) --cut;
      if (cut == from) {
        cut = from + 1;
        while (cut < end && (At(cut) & 0xC0) == 0x80) ++cut;
      }
    } else {
      while (cut < end) {
        const std::size_t n = GbkCharLength(s_, cut);
        if (cut + n - from > room) break;
        cut += n;
      }
      if (cut == from) cut = from + GbkCharLength(s_, from);
    }
    return cut < end ? cut : end;
  }

 private:
  static bool IsHigh(unsigned u) { return u >= 0xD800 && u <= 0xDBFF; }
  static bool IsLow(unsigned u) { return u >= 0xDC00 && u <= 0xDFFF; }

  std::string_view s_;
  std::size_t width_;
  bool big_endian_;
  int bom_class_;
};

fs::path NumberedName(const fs::path& folder, std::string_view prefix, std::string_view format,
                      int number) {
  std::string name(prefix);
  name += fmt::format(fmt::runtime(format), number);
  return folder / name;
}

}  // namespace

fs::path ChapterPieceName(const fs::path& folder, std::string_view prefix, int number) {
  return NumberedName(folder, prefix, "{:04d}.txt", number);
}

fs::path SizePieceName(const fs::path& folder, std::string_view prefix, int number) {
  return NumberedName(folder, prefix, "_{:03d}.txt", number);
}

bool ValidPrefix(std::string_view prefix) {
  return prefix.find('/') == std::string_view::npos && prefix.find('\0') == std::string_view::npos;
}

SplitPlan PlanChapterSplit(std::string_view gbk_text, std::span<const Chapter> chapters,
                           text::StoredEncoding encoding, const fs::path& folder,
                           std::string_view prefix) {
  SplitPlan plan;
  if (gbk_text.empty()) return plan;
  std::vector<std::size_t> starts;
  for (const Chapter& c : chapters) {
    if (c.offset >= gbk_text.size()) continue;
    if (!starts.empty() && c.offset <= starts.back()) continue;
    starts.push_back(c.offset);
  }
  auto add = [&](int number, std::size_t begin, std::size_t end) {
    std::size_t lost = 0;
    plan.pieces.push_back({ChapterPieceName(folder, prefix, number),
                           text::EncodeForFile(gbk_text.substr(begin, end - begin), encoding, &lost)});
    plan.unmappable += lost;
  };
  // With no chapter at all the whole text is the text before the first one.
  const std::size_t first = starts.empty() ? gbk_text.size() : starts.front();
  if (first > 0) add(0, 0, first);
  for (std::size_t i = 0; i < starts.size(); ++i) {
    add(static_cast<int>(i + 1), starts[i], i + 1 < starts.size() ? starts[i + 1] : gbk_text.size());
  }
  return plan;
}

bool PlanSizeSplit(std::string_view file_bytes, std::uint64_t piece_bytes, const fs::path& folder,
                   std::string_view prefix, SplitPlan* plan) {
  *plan = {};
  if (piece_bytes == 0 || piece_bytes >= file_bytes.size()) return false;
  const text::StoredEncoding encoding = text::ClassifyFile(file_bytes);
  const std::string_view content = text::SkipMark(file_bytes, encoding);
  const std::string_view mark = file_bytes.substr(0, file_bytes.size() - content.size());
  const Units units(content, encoding.bom_class);
  const std::size_t w = units.width();
  const std::string_view crlf = units.LineEnd();

  std::size_t pos = 0;
  int number = 1;
  while (pos < content.size()) {
    std::string piece(mark);
    std::uint64_t count = 0;
    while (pos < content.size() && count < piece_bytes) {
      const std::size_t lf = units.FindLineFeed(pos);
      const bool has_lf = lf != std::string_view::npos;
      std::size_t body_end = has_lf ? lf : content.size();
      // A text stream reads CR LF as one line feed.
      if (has_lf && body_end >= pos + w && units.At(body_end - w) == '\r') body_end -= w;
      const std::size_t line_end = has_lf ? lf + w : content.size();
      if (body_end - pos <= piece_bytes) {
        piece.append(content.substr(pos, body_end - pos));
        count += body_end - pos + (has_lf ? w : 0);
        pos = line_end;
      } else {
        const std::size_t cut = units.CutBefore(pos, body_end, piece_bytes);
        piece.append(content.substr(pos, cut - pos));
        count += cut - pos;
        pos = cut;
      }
      piece.append(crlf);
    }
    plan->pieces.push_back({SizePieceName(folder, prefix, number++), std::move(piece)});
  }
  const bool ends_with_lf =
      content.size() >= w && content.size() % w == 0 && units.At(content.size() - w) == '\n';
  if (ends_with_lf && !plan->pieces.empty()) {
    plan->pieces.back().bytes.append(crlf);
  }
  return true;
}

std::vector<fs::path> ExistingPieces(const SplitPlan& plan) {
  std::vector<fs::path> taken;
  for (const SplitPiece& piece : plan.pieces) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(piece.path, ec))) taken.push_back(piece.path);
  }
  return taken;
}

bool PlanOverwrites(const SplitPlan& plan, const fs::path& file) {
  for (const SplitPiece& piece : plan.pieces) {
    std::error_code ec;
    if (fs::equivalent(piece.path, file, ec)) return true;
  }
  return false;
}

SplitResult WritePieces(const SplitPlan& plan, bool replace_existing, ProgressSink* progress,
                        const CancelFlag* cancel) {
  SplitResult result;
  if (progress != nullptr) {
    progress->SetRange(0, static_cast<std::int64_t>(plan.pieces.size()));
    progress->SetPosition(0);
  }
  const auto existing =
      replace_existing ? text::ExistingFile::kReplace : text::ExistingFile::kKeep;
  std::vector<text::StagedFile> staged;
  staged.reserve(plan.pieces.size());
  auto discard = [&staged] {
    for (const text::StagedFile& s : staged) text::DiscardStaged(s);
  };
  for (const SplitPiece& piece : plan.pieces) {
    if (Cancelled(cancel)) {
      result.cancelled = true;
      discard();
      return result;
    }
    text::StagedFile s;
    if (!text::StageFile(piece.path, piece.bytes, &s, &result.error, existing)) {
      result.failed = piece.path;
      if (result.error.empty()) result.error = piece.path.string();
      discard();
      return result;
    }
    staged.push_back(std::move(s));
    if (progress != nullptr) progress->SetPosition(static_cast<std::int64_t>(staged.size()));
  }

  // Every piece is on disk; renames need no room, so only a name taken or a
  // folder changed meanwhile stops this. The pieces already in place that
  // were new then go again; those that replaced a file cannot be undone.
  std::vector<fs::path> folders;
  std::vector<const text::StagedFile*> placed;
  for (std::size_t i = 0; i < staged.size(); ++i) {
    if (!text::CommitStaged(staged[i], &result.error)) {
      result.failed = plan.pieces[i].path;
      for (std::size_t j = i + 1; j < staged.size(); ++j) text::DiscardStaged(staged[j]);
      for (const text::StagedFile* p : placed) {
        if (p->replaces) {
          result.replaced.push_back(p->shown);
        } else {
          std::error_code ec;
          fs::remove(p->target, ec);
        }
      }
      result.written = result.replaced.size();
      break;
    }
    placed.push_back(&staged[i]);
    const fs::path folder = staged[i].target.parent_path();
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  }
  if (result.error.empty()) result.written = staged.size();
  for (const fs::path& folder : folders) text::SyncFolder(folder);
  return result;
}

}  // namespace folian::files
