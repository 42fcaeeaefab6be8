// The largest file read whole as text. A novel of 1 GB is already far past
// any real book (tens of MB at most); the load, the GBK copy and a tidy's
// result each hold the text, so a file above it is refused before a byte is
// read rather than taking several gigabytes of memory.
#pragma once

#include <cstdint>

namespace folian::text {

inline constexpr std::uint64_t kMaxTextFileBytes = std::uint64_t{1} << 30;

// The refusal, after the file's quoted name; {} is the cap in MB.
inline constexpr char kTooLargeFormat[] = "文件大于 {} MB 的上限，未读入";

}  // namespace folian::text
