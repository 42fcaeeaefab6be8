// Reads ZIP archives held in memory (ePub, JAR, DOCX, archives inside .exe
// books): the entry list, and entries inflated whole under size caps. What
// an entry claims about its size is never trusted: the cap is enforced on
// the bytes that actually come out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/limits.h"
#include "convert/status.h"

namespace folian::convert {

struct ZipEntry {
  std::string name;            // as stored (ZIP names are UTF-8 or the producer's code page)
  std::uint64_t size = 0;      // uncompressed size the archive claims
  std::uint64_t compressed = 0;
  bool directory = false;      // name ends in "/"
};

class ZipReader {
 public:
  ZipReader();
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Opens the archive in `data`, which must outlive the reader. Fails for a
  // file that is not a ZIP archive or has more than kMaxEntries entries.
  Status Open(std::string_view data);

  const std::vector<ZipEntry>& entries() const { return entries_; }

  // The entry named exactly `name` (or ignoring ASCII case), nullptr if none.
  const ZipEntry* Find(std::string_view name, bool ignore_case = false) const;

  // Inflates an entry of entries() into `*out`. Fails when it would exceed
  // `cap` bytes, when the archive's total would pass kMaxInflatedTotal, or
  // when the data is damaged (bad deflate data or checksum).
  Status Read(const ZipEntry& entry, std::string* out, std::uint64_t cap = kMaxInflatedEntry);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::vector<ZipEntry> entries_;
  std::uint64_t inflated_total_ = 0;
};

}  // namespace folian::convert
