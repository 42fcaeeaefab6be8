// Where the pages of a help file or an .exe book land: a folder on disk.
// Each name a reader hands over is checked before anything is created: it
// must stay inside the folder (no "..", no absolute name, no drive letter,
// no backslash, no zero byte, no path through a symbolic link), and the
// number of files and the bytes written are capped, so a hostile container
// can neither write elsewhere nor fill the disk. Every page is written
// through the atomic writer.
// Tested by tests/app/convert_file_test.cc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "convert/page_sink.h"

namespace folian::app {

class FolderPageSink final : public convert::PageSink {
 public:
  // With `create_root` the root folder is created (with its parents) when
  // the first file arrives; otherwise it must exist.
  explicit FolderPageSink(std::filesystem::path root, bool create_root = false);

  convert::Status AddFile(std::string_view name, std::string_view bytes) override;

  const std::filesystem::path& root() const { return root_; }
  // The files written, in order, as paths under root().
  const std::vector<std::filesystem::path>& written() const { return written_; }
  // The same files in the reader's reading order: those it names first, in
  // its order (names compared in any letter case), then the rest as written.
  std::vector<std::filesystem::path> InReadingOrder() const;

  void SetReadingOrder(std::vector<std::string> names) override { order_ = std::move(names); }

  // The name's path under root(), or empty when the name is refused.
  std::filesystem::path Resolve(std::string_view name) const;

 private:
  std::filesystem::path root_;
  std::vector<std::filesystem::path> written_;
  std::vector<std::string> names_;  // as handed over, one per written_
  std::vector<std::string> order_;
  std::uint64_t bytes_ = 0;
  bool create_root_ = false;
};

}  // namespace folian::app
