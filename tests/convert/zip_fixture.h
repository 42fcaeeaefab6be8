// Builds ZIP archives for converter tests: entries deflated or stored, in
// the order given, returned as bytes.
#pragma once

#include <minizip/zip.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace folian::testing {

struct ZipItem {
  std::string name;
  std::string data;
  bool stored = false;  // no compression (ePub's "mimetype" is stored)
};

inline std::string MakeZip(const std::vector<ZipItem>& items) {
  TempDir dir;
  const std::string path = (dir / "fixture.zip").string();
  zipFile z = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!z) throw std::runtime_error("zipOpen64 failed");
  for (const ZipItem& item : items) {
    zip_fileinfo info{};
    if (zipOpenNewFileInZip64(z, item.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                              item.stored ? 0 : Z_DEFLATED, item.stored ? 0 : Z_DEFAULT_COMPRESSION,
                              item.data.size() >= 0xFFFFFFFFu) != ZIP_OK ||
        zipWriteInFileInZip(z, item.data.data(), static_cast<unsigned>(item.data.size())) != ZIP_OK ||
        zipCloseFileInZip(z) != ZIP_OK) {
      zipClose(z, nullptr);
      throw std::runtime_error("cannot add " + item.name);
    }
  }
  zipClose(z, nullptr);
  return ReadBytes(path);
}

}  // namespace folian::testing
