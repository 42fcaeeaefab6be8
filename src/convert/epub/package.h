// The two XML documents of an ePub that say what to read: META-INF/
// container.xml names the package document, whose manifest lists the
// book's files and whose spine gives their reading order. Elements are
// recognised by their local name, so "opf:item" is an item too.
// Tested by tests/convert/epub_reader_test.cc.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "convert/status.h"

namespace folian::convert::epub {

// The longest serials run to a few thousand chapters, one document each.
inline constexpr std::size_t kMaxSpineItems = 20000;
// Manifest entries: one per file of the archive at most.
inline constexpr std::size_t kMaxManifestItems = 100000;
// An href or id longer than this is no name a producer writes.
inline constexpr std::size_t kMaxReferenceBytes = 2048;

struct ManifestItem {
  std::string id;
  std::string href;
  std::string media_type;
};

struct Package {
  std::vector<ManifestItem> items;  // in document order
  std::vector<std::string> spine;   // idrefs in reading order
};

// The package document's path inside the archive (the first rootfile whose
// media type is the package's, else the first rootfile).
Status FindPackagePath(std::string_view container_xml, std::string* path);

Status ParsePackage(std::string_view opf, Package* package);

// A content document the HTML converter reads: its media type says (X)HTML,
// or its href ends in .htm, .html or .xhtml (any case).
bool IsHtmlItem(const ManifestItem& item);

}  // namespace folian::convert::epub
