// Which encoding a text file is stored in, judged from a sample of its first
// bytes: byte-order marks, UTF-16 line breaks, then the high-byte heuristic.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>

namespace folian::text {

// Option bits of the detector.
enum DetectOption : unsigned {
  kDetectZeroUnit = 1,  // report kDetectFoundZeroUnit when the sample holds a zero 16-bit unit
  kDetectDefault = 2,   // shorthand for kDetectCodePage | kDetectBomFlag (clears bit 1)
  kDetectCodePage = 4,  // fill the code page
  kDetectBomFlag = 8,   // fill the BOM flag
};

enum DetectStatus : int {
  kDetectOk = 0,
  kDetectCannotOpen = -1,
  kDetectNoMemory = -2,
  kDetectReadFailed = -3,
  kDetectFoundZeroUnit = -4,  // only with kDetectZeroUnit; the outs are left as they were
};

// The sample size every caller of the program uses.
inline constexpr std::size_t kDetectSampleSize = 1024;

// Primary language numbers the high-byte heuristic knows.
inline constexpr int kLangChinese = 4;
inline constexpr int kLangEnglish = 9;

// The user's primary language from the locale: LC_ALL, then LC_MESSAGES,
// then LANG (the first one set decides); zh -> Chinese, en -> English, any
// other language -> 0. Chinese when none is set.
int UserPrimaryLanguage();

// The high-byte heuristic over a sample: a code page (UTF-8 for Chinese
// users, the OEM code page for English ones), or nullopt when it declines.
std::optional<int> HighByteHeuristic(std::string_view sample, int primary_language);

// Detects over an in-memory sample (exactly the bytes a file read gave).
int DetectEncodingOfSample(std::string_view sample, unsigned options, int* codepage,
                           int* bom_flag, int primary_language);

// Reads up to `sample_size` bytes of `path` and detects over them with the
// user's language. Returns a DetectStatus.
int DetectEncoding(const std::filesystem::path& path, std::size_t sample_size, unsigned options,
                   int* codepage, int* bom_flag);

}  // namespace folian::text
