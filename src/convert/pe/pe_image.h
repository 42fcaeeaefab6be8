// The parts of a Windows program file (PE: PE32 or PE32+) that can hold an
// e-book's pages: the resources, walked through their three-level tree
// (type, name, language), and the overlay, the bytes appended after the
// last section where self-extracting archives keep their data.
//
// Every offset, count and size comes from the file and is checked before
// use: headers and sections must lie inside the input, a resource's bytes
// must lie inside one section's bytes on disk, and the tree is walked at
// most three levels deep, each directory once, with a cap on its entries.
// Bad parts of the tree are left out and counted; only bad headers fail.
//
// Tested by tests/convert/pe_reader_test.cc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/status.h"

namespace folian::convert {

struct PeResource {
  std::uint32_t type_id = 0;  // RT_HTML = 23, RT_RCDATA = 10; 0 when the type is named
  std::string type_name;      // UTF-8; empty when the type is numbered
  std::uint32_t id = 0;       // 0 when named
  std::string name;           // UTF-8; empty when numbered
  std::uint32_t language = 0;
  std::string_view bytes;     // inside the input
};

struct PeImage {
  bool pe32_plus = false;
  // The overlay: from the end of the last section's bytes on disk to the
  // file's end, or to the signature block when one closes the file.
  std::size_t overlay_begin = 0;
  std::size_t overlay_end = 0;
  std::vector<PeResource> resources;  // in the tree's order
  std::size_t bad_resources = 0;      // entries left out: bad ranges, loops, too deep
};

inline constexpr std::uint32_t kRtRcdata = 10;
inline constexpr std::uint32_t kRtHtml = 23;

// "MZ", the start of every Windows program.
bool LooksLikePe(std::string_view head);

// Fills `image` from `input`. Fails for input that is not a PE file or
// whose headers or section table are cut short or lie outside the file.
Status ReadPeImage(std::string_view input, PeImage* image);

}  // namespace folian::convert
