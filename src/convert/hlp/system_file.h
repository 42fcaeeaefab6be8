// The |SYSTEM internal file: which compiler wrote the help file (its
// version), how the topic text is compressed, the title, and the language
// and character set the text is in.
//
// Tested by tests/convert/hlp_reader_test.cc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace folian::convert::hlp {

inline constexpr std::uint16_t kSystemMagic = 0x036C;
// Minor versions up to this one are Windows 3.0 help files, whose topic
// records have another layout.
inline constexpr std::uint16_t kLastWin30Minor = 16;

struct SystemInfo {
  std::uint16_t minor = 0;
  std::uint16_t flags = 0;
  bool lz77 = false;                  // topic blocks (and |Phrases text) LZ77-compressed
  std::size_t topic_block_bytes = 0;  // 4096 or 2048
  std::string title;                  // bytes in the file's code page
  int codepage = 1252;                // 936, 950 or 1252
};

// False when `file` is not a |SYSTEM file (magic) or too short for its header.
bool ReadSystem(std::string_view file, SystemInfo* info);

}  // namespace folian::convert::hlp
