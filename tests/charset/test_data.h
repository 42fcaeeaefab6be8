// Shared helpers for the charset tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace folian::charset::testing {

inline std::string ReadFile(const std::filesystem::path& path) { return folian::testing::ReadBytes(path); }

// The GBK novels of the shared test material; empty when it is absent.
inline std::vector<std::filesystem::path> SharedGbkNovels() {
  std::vector<std::filesystem::path> out;
  const std::filesystem::path dir = std::filesystem::path(FOLIAN_SHARED_DIR) / "text" / "clean";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 8 && name.ends_with(".gbk.txt")) out.push_back(entry.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// GBK bytes written as a C++ literal in UTF-8 source: u8"..." would be wrong,
// so tests spell GBK with escapes; this keeps them readable.
inline std::string Bytes(std::initializer_list<unsigned> bytes) {
  std::string s;
  for (unsigned b : bytes) s += static_cast<char>(b);
  return s;
}

}  // namespace folian::charset::testing
