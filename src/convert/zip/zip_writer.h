// Builds a ZIP archive in memory with minizip (deflate, level 9): JAR books.
// Nothing touches the disk; the caller writes the finished bytes through the
// atomic writer.
//
// Tested by tests/convert/jar_writer_test.cc.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "common/progress.h"
#include "convert/status.h"

namespace folian::convert {

class ZipWriter {
 public:
  ZipWriter();
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // Adds an entry (a name ending in "/" is a folder and takes no data);
  // `progress` (if given) sees the bytes compressed.
  Status Add(std::string_view name, std::string_view data, ProgressSink* progress = nullptr);
  // Writes the central directory and hands over the archive; the writer is
  // spent afterwards.
  Status Finish(std::string* archive);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace folian::convert
