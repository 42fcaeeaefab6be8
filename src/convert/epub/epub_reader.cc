#include "convert/epub/epub_reader.h"

#include <string>
#include <unordered_map>

#include "convert/epub/archive_path.h"
#include "convert/epub/package.h"
#include "convert/html/html_reader.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/zip/zip_reader.h"

namespace folian::convert {
namespace {

// The container and the package document: even a package listing twenty
// thousand chapters is a few megabytes.
constexpr std::uint64_t kMaxXmlBytes = std::uint64_t{16} << 20;

constexpr std::string_view kContainer = "META-INF/container.xml";

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}

// Entries by name, exactly or ignoring case (producers disagree with their
// own hrefs about capitals).
class EntryIndex {
 public:
  explicit EntryIndex(const ZipReader& zip) {
    for (const ZipEntry& e : zip.entries()) {
      if (e.directory) continue;
      exact_.emplace(e.name, &e);
      folded_.emplace(Lower(e.name), &e);
    }
  }
  const ZipEntry* Find(const std::string& name) const {
    if (auto it = exact_.find(name); it != exact_.end()) return it->second;
    if (auto it = folded_.find(Lower(name)); it != folded_.end()) return it->second;
    return nullptr;
  }

 private:
  std::unordered_map<std::string, const ZipEntry*> exact_, folded_;
};

bool EndsLine(const std::string& text) { return !text.empty() && text.back() == '\n'; }

}  // namespace

bool LooksLikeEpub(std::string_view head) {
  if (head.substr(0, 4) != "PK\x03\x04") return false;
  return head.find("mimetypeapplication/epub+zip") != std::string_view::npos ||
         head.find(kContainer) != std::string_view::npos;
}

Status ReadEpub(std::string_view input, TextSink& sink, const ReadContext& ctx) {
  ZipReader zip;
  if (!zip.Open(input).ok()) return Status::Error(msg::kEpubNotZip);
  const EntryIndex index(zip);

  const ZipEntry* container = index.Find(std::string(kContainer));
  if (container == nullptr) return Status::Error(msg::kEpubNoContainer);
  std::string xml;
  if (Status s = zip.Read(*container, &xml, kMaxXmlBytes); !s.ok()) return s;
  std::string package_path;
  if (Status s = epub::FindPackagePath(xml, &package_path); !s.ok()) return s;

  const ZipEntry* opf = index.Find(package_path);
  if (opf == nullptr) return Status::Error(msg::kEpubNoPackage + package_path);
  if (Status s = zip.Read(*opf, &xml, kMaxXmlBytes); !s.ok()) return s;
  epub::Package package;
  if (Status s = epub::ParsePackage(xml, &package); !s.ok()) {
    return Status::Error(s.message() == msg::kEpubBadPackage ? s.message() + package_path : s.message());
  }
  xml.clear();
  const std::size_t slash = package_path.rfind('/');
  const std::string base_dir = slash == std::string::npos ? "" : package_path.substr(0, slash + 1);

  // Manifest items by id: exactly, else ignoring case; the first of equal ids.
  std::unordered_map<std::string, const epub::ManifestItem*> by_id, by_folded_id;
  for (const epub::ManifestItem& item : package.items) {
    by_id.emplace(item.id, &item);
    by_folded_id.emplace(Lower(item.id), &item);
  }

  sink.SetEncoding(TextEncoding::kUtf8);
  std::string text;
  std::size_t converted = 0;
  const auto steps = static_cast<std::int64_t>(package.spine.size());
  ctx.progress->SetRange(0, steps);
  // Progress counts documents; the scan of each one only watches the stop request.
  ReadContext per_document;
  per_document.cancel = ctx.cancel;
  std::string doc;
  for (std::size_t i = 0; i < package.spine.size(); ++i) {
    if (Cancelled(ctx.cancel)) return Status::Error(msg::kCancelled);
    ctx.progress->SetPosition(static_cast<std::int64_t>(i));
    const std::string& idref = package.spine[i];
    const epub::ManifestItem* item = nullptr;
    if (auto it = by_id.find(idref); it != by_id.end()) {
      item = it->second;
    } else if (auto f = by_folded_id.find(Lower(idref)); f != by_folded_id.end()) {
      item = f->second;
    }
    // A spine entry naming no content document (an image page, a missing
    // id) is skipped.
    if (item == nullptr || !epub::IsHtmlItem(*item)) continue;
    const std::string name = epub::ResolveHref(base_dir, item->href);
    const ZipEntry* entry = name.empty() ? nullptr : index.Find(name);
    if (entry == nullptr) continue;
    if (Status s = zip.Read(*entry, &doc); !s.ok()) {
      return Status::Error(msg::kEpubBadDocument + s.message());
    }
    html::PreparedPage page;
    page.Prepare(doc);
    page.ToUtf8();
    html::ScanOptions options;
    options.skip_head = true;
    if (html::HtmlToText(page.bytes(), html::PageCharset::kUtf8, &text, per_document, options).cancelled) {
      return Status::Error(msg::kCancelled);
    }
    // Each document ends its last line: the next one's heading starts a line.
    if (!text.empty() && !EndsLine(text)) text += "\r\n";
    ++converted;
    if (text.size() > kMaxOutputBytes) return Status::Error(msg::kOutputTooLarge);
  }
  ctx.progress->SetPosition(steps);
  if (converted == 0) return Status::Error(msg::kEpubNoText);
  if (!sink.Append(text)) return Status::Error(msg::kOutputTooLarge);
  return Status::Ok();
}

}  // namespace folian::convert
