// Garbled text in GBK documents: runs of bytes that are no GBK character, or
// that fall in GBK's user-defined areas (private characters no font shows),
// and their repair by reading the bytes as another encoding.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace folian::text {

struct ByteRange {
  std::size_t start = 0;
  std::size_t length = 0;
  bool operator==(const ByteRange&) const = default;
};

// Whether the character starting at `i` is garbled, and how many bytes it
// spans (1 or 2). The walk is by GBK characters from the text's start.
bool IsGarbledAt(std::string_view text, std::size_t i, std::size_t* length);

// The first garbled run starting at or after `from` (rounded forward to a
// character boundary); a run is the longest stretch of consecutive garbled
// characters. Nothing when the rest of the text is clean.
std::optional<ByteRange> FindGarbled(std::string_view text, std::size_t from);

// Which decoding repaired the bytes.
enum class RepairSource { kUtf8, kBig5, kUtf16LE };

struct Repair {
  std::string gbk;
  RepairSource source;
};

// Reads `bytes` as UTF-8, then Big5, then UTF-16LE; the first decoding that
// is clean (every byte used, no undefined sequence, no control character,
// every character held by GBK outside its user-defined areas) gives the
// repair. Nothing when none is clean.
std::optional<Repair> RepairGarbled(std::string_view bytes);

}  // namespace folian::text
