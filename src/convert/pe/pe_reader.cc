#include "convert/pe/pe_reader.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "charset/codepage.h"
#include "convert/chm/chm_reader.h"
#include "convert/html/html_reader.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/page_name.h"
#include "convert/zip/zip_reader.h"

namespace folian::convert {
namespace {

// How far into a resource its page markup is looked for: a page may open
// with a script or a long comment before its first tag.
constexpr std::size_t kHtmlSniffChars = 1024;
// The end-of-central-directory record sits in the last 22 bytes of a ZIP
// plus its comment (at most 65535 bytes).
constexpr std::size_t kEocdSearch = 22 + 65535;
// Archives and help files unpacked from one book (appended, held as
// resources, or inside an archive). A real book has one or two; each costs
// a container's opening, so a file full of them is stopped here.
constexpr std::size_t kMaxContainers = 16;

std::string Lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Files handed on once each: a name seen before (in any letter case) is
// skipped, since two parts of one book (its resources and an appended
// archive) often hold the same page. The first reading order offered before
// any file is the one passed on.
class OnceSink final : public PageSink {
 public:
  explicit OnceSink(PageSink& out) : out_(out) {}

  Status AddFile(std::string_view name, std::string_view bytes) override {
    if (!names_.insert(Lowered(name)).second) return Status::Ok();
    Status s = out_.AddFile(name, bytes);
    if (!s.ok()) {
      failure_ = s;
      return s;
    }
    ++written_;
    return s;
  }
  void SetReadingOrder(std::vector<std::string> names) override {
    if (written_ == 0 && !ordered_) out_.SetReadingOrder(std::move(names));
    ordered_ = true;
  }

  bool Taken(std::string_view name) const { return names_.count(Lowered(name)) != 0; }
  std::size_t written() const { return written_; }
  // The sink's own failure (a write error), as opposed to a damaged source.
  const Status& failure() const { return failure_; }

 private:
  PageSink& out_;
  std::unordered_set<std::string> names_;
  std::size_t written_ = 0;
  bool ordered_ = false;
  Status failure_;
};

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// The first characters of `bytes` as ASCII: UTF-16 (by its mark, or by a
// '<' followed by a zero byte) narrowed unit by unit, anything else as is.
std::string SniffText(std::string_view bytes) {
  bool utf16 = false, big_endian = false;
  if (StartsWith(bytes, "\xFF\xFE")) {
    utf16 = true;
    bytes.remove_prefix(2);
  } else if (StartsWith(bytes, "\xFE\xFF")) {
    utf16 = big_endian = true;
    bytes.remove_prefix(2);
  } else if (StartsWith(bytes, std::string_view("<\0", 2))) {
    utf16 = true;
  } else if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    bytes.remove_prefix(3);
  }
  std::string out;
  if (!utf16) {
    out = Lowered(bytes.substr(0, kHtmlSniffChars));
  } else {
    for (std::size_t i = 0; i + 1 < bytes.size() && out.size() < kHtmlSniffChars; i += 2) {
      const unsigned char lo = big_endian ? bytes[i + 1] : bytes[i];
      const unsigned char hi = big_endian ? bytes[i] : bytes[i + 1];
      out.push_back(hi == 0 ? static_cast<char>(std::tolower(lo)) : '?');
    }
  }
  return out;
}

std::string_view ImageExtension(std::string_view bytes) {
  if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a")) return ".gif";
  if (StartsWith(bytes, "\x89PNG\r\n\x1A\n")) return ".png";
  if (StartsWith(bytes, "\xFF\xD8\xFF")) return ".jpg";
  return {};
}

bool IsAssetName(std::string_view name) {
  for (std::string_view ext : {".gif", ".jpg", ".jpeg", ".png", ".bmp", ".css", ".js"}) {
    if (EndsWithNoCase(name, ext)) return true;
  }
  return false;
}

// Every file name a page could refer to (an attribute value or url(...)
// holding a dot), lower-cased, without its folders, query or fragment.
void AddReferencedNames(std::string_view page, std::unordered_set<std::string>* names) {
  auto separator = [](char c) {
    return c == '"' || c == '\'' || c == '(' || c == ')' || c == '<' || c == '>' || c == '=' ||
           static_cast<unsigned char>(c) <= ' ';
  };
  std::size_t i = 0;
  while (i < page.size()) {
    while (i < page.size() && separator(page[i])) ++i;
    const std::size_t start = i;
    while (i < page.size() && !separator(page[i])) ++i;
    std::string_view token = page.substr(start, i - start);
    token = token.substr(0, token.find_first_of("?#"));
    const std::size_t slash = token.find_last_of("/\\");
    if (slash != std::string_view::npos) token.remove_prefix(slash + 1);
    if (token.find('.') != std::string_view::npos && token.size() <= 255) names->insert(Lowered(token));
  }
}

std::string_view BaseName(std::string_view name) {
  const std::size_t slash = name.find_last_of('/');
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

// Every RT_HTML entry is a page except the images and style sheets kept
// with the pages; other types only when their bytes are HTML.
bool IsPageResource(const PeResource& r) {
  if (LooksLikeHtmlResource(r.bytes)) return true;
  return r.type_name.empty() && r.type_id == kRtHtml && ImageExtension(r.bytes).empty() && !IsAssetName(r.name);
}

// Resource types a program keeps for itself (icons, menus, dialogs,
// version data ...), never a book's pages.
bool IsProgramType(const PeResource& r) {
  return r.type_name.empty() && r.type_id != kRtRcdata && r.type_id != kRtHtml && r.type_id <= 24;
}

bool HasEocd(std::string_view data) {
  const std::size_t from = data.size() > kEocdSearch ? data.size() - kEocdSearch : 0;
  return data.find("PK\x05\x06", from) != std::string_view::npos;
}

// An appended help file: "ITSF" and the header version every CHM carries.
std::string_view FindChm(std::string_view data) {
  std::size_t at = 0;
  while ((at = data.find("ITSF", at)) != std::string_view::npos) {
    if (data.size() - at >= 8 && data.substr(at + 4, 4) == std::string_view("\x03\0\0\0", 4)) {
      return data.substr(at);
    }
    ++at;
  }
  return {};
}

struct Found {
  std::vector<std::string_view> chms;
  std::vector<std::string_view> zips;
  std::vector<const PeResource*> pages;
  std::vector<const PeResource*> assets;
};

class Extractor {
 public:
  Extractor(PageSink& sink, const ReadContext& ctx) : once_(sink), ctx_(ctx) {}

  Status Run(const Found& found) {
    const std::size_t steps = found.chms.size() + found.zips.size() + found.pages.size();
    ctx_.progress->SetRange(0, static_cast<std::int64_t>(steps));
    // Help files first: their table of contents is the reading order.
    for (std::string_view chm : found.chms) {
      if (Status s = Chm(chm); !s.ok()) return s;
      Step();
    }
    for (std::string_view zip : found.zips) {
      if (Status s = Zip(zip); !s.ok()) return s;
      Step();
    }
    std::unordered_set<std::string> referred;
    for (const PeResource* page : found.pages) {
      if (Cancelled(ctx_.cancel)) return Status::Error(msg::kCancelled);
      if (Status s = Page(*page); !s.ok()) return s;
      AddReferencedNames(page->bytes, &referred);
      Step();
    }
    for (const PeResource* asset : found.assets) {
      if (Status s = Asset(*asset, referred); !s.ok()) return s;
    }
    if (once_.written() > 0) return Status::Ok();
    if (damaged_ > 0) return Status::Error(msg::kPeArchiveDamaged);
    if (refused_ > 0) return Status::Error(msg::kPeNamesRefused);
    return Status::Error(msg::kPeUnreadable);
  }

 private:
  void Step() { ctx_.progress->SetPosition(++done_); }

  Status Chm(std::string_view chm) {
    if (++containers_ > kMaxContainers) return Status::Ok();
    const std::size_t before = once_.written();
    const Status s = ReadChm(chm, once_, ctx_);
    if (!once_.failure().ok()) return once_.failure();
    if (Cancelled(ctx_.cancel)) return Status::Error(msg::kCancelled);
    if (!s.ok() && once_.written() == before) ++damaged_;
    return Status::Ok();
  }

  Status Zip(std::string_view data) {
    if (++containers_ > kMaxContainers) return Status::Ok();
    ZipReader zip;
    if (!zip.Open(data).ok()) {
      ++damaged_;
      return Status::Ok();
    }
    std::string bytes;
    for (const ZipEntry& entry : zip.entries()) {
      if (Cancelled(ctx_.cancel)) return Status::Error(msg::kCancelled);
      if (entry.directory) continue;
      // Archives made on Chinese systems often store GBK names.
      const std::string stored = IsUtf8(entry.name) ? entry.name : charset::GbkToUtf8(entry.name);
      const std::string name = SafeEntryName(stored);
      if (name.empty()) {
        ++refused_;
        continue;
      }
      if (once_.Taken(name)) continue;
      if (!zip.Read(entry, &bytes).ok()) {
        ++damaged_;
        continue;
      }
      if (Status s = once_.AddFile(name, bytes); !s.ok()) return s;
      // A help file in the archive: its pages too, beside it.
      if (LooksLikeChm(bytes)) {
        if (Status s = Chm(bytes); !s.ok()) return s;
      }
    }
    return Status::Ok();
  }

  Status Page(const PeResource& r) {
    std::string name;
    if (!r.name.empty()) {
      name = SafeEntryName(r.name);
      if (name.empty()) {
        ++refused_;
        return Status::Ok();
      }
      if (!IsPageName(name)) name += ".htm";
    } else {
      // Another language of the same page, or an equal number in another
      // type: a number of its own (ID_2.htm, ID_3.htm, ...).
      const std::string base = std::to_string(r.id);
      std::size_t& uses = numbered_[r.id];
      name = base + ".htm";
      while (once_.Taken(name)) name = base + "_" + std::to_string(++uses + 1) + ".htm";
    }
    return once_.AddFile(name, r.bytes);
  }

  Status Asset(const PeResource& r, const std::unordered_set<std::string>& referred) {
    std::string name;
    if (!r.name.empty()) {
      name = SafeEntryName(r.name);
      if (name.empty()) return Status::Ok();
      if (!IsAssetName(name)) name += ImageExtension(r.bytes);
    } else {
      const std::string_view ext = ImageExtension(r.bytes);
      if (ext.empty()) return Status::Ok();
      name = std::to_string(r.id) + std::string(ext);
    }
    if (!IsAssetName(name) || referred.count(Lowered(BaseName(name))) == 0) return Status::Ok();
    return once_.AddFile(name, r.bytes);
  }

  OnceSink once_;
  const ReadContext& ctx_;
  std::int64_t done_ = 0;
  std::size_t damaged_ = 0;
  std::size_t refused_ = 0;
  std::size_t containers_ = 0;
  std::unordered_map<std::uint32_t, std::size_t> numbered_;  // suffixes used per number
};

}  // namespace

bool LooksLikeHtmlResource(std::string_view bytes) {
  const std::string head = SniffText(bytes);
  for (std::string_view tag : {"<html", "<!doctype html", "<body", "<head", "<meta"}) {
    std::size_t at = 0;
    while ((at = head.find(tag, at)) != std::string::npos) {
      const std::size_t after = at + tag.size();
      if (after >= head.size() || !std::isalnum(static_cast<unsigned char>(head[after]))) return true;
      at = after;
    }
  }
  return LooksLikeHtml(head);
}

Status ReadPe(std::string_view input, PageSink& sink, const ReadContext& ctx) {
  if (!LooksLikePe(input)) return Status::Error(msg::kPeNotExe);
  PeImage image;
  const Status headers = ReadPeImage(input, &image);
  Found found;
  if (!headers.ok()) {
    // Without usable headers a self-extractor's archive may still close
    // the file.
    if (!HasEocd(input)) return headers;
    found.zips.push_back(input);
  } else {
    for (const PeResource& r : image.resources) {
      if (r.bytes.empty()) continue;
      if (LooksLikeChm(r.bytes)) {
        found.chms.push_back(r.bytes);
      } else if (StartsWith(r.bytes, "PK\x03\x04") && HasEocd(r.bytes)) {
        found.zips.push_back(r.bytes);
      } else if (IsProgramType(r)) {
        continue;
      } else if (IsPageResource(r)) {
        found.pages.push_back(&r);
      } else {
        found.assets.push_back(&r);
      }
    }
    const std::string_view overlay = input.substr(image.overlay_begin, image.overlay_end - image.overlay_begin);
    if (std::string_view chm = FindChm(overlay); !chm.empty()) found.chms.push_back(chm);
    // The whole file up to the overlay's end: an archive's offsets count
    // from its own start or, once adjusted for its program, from the file's.
    if (HasEocd(overlay)) found.zips.push_back(input.substr(0, image.overlay_end));
  }
  return Extractor(sink, ctx).Run(found);
}

}  // namespace folian::convert
