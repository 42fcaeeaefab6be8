// Rewriting a text file in another encoding: the five elementary conversions
// and the three commands "转换为Ansi*", "转换为Unicode*" and "转换为utf8*".
// Only ".txt" files are converted; every write is atomic, and a conversion
// that would turn characters into "?" is refused unless forced. UTF-16 is
// converted from either byte order; "转换为Unicode*" leaves a UTF-16 file of
// either order as it is (it is Unicode already).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "text/text_file.h"

namespace folian::text {

// The elementary conversions, on file content. The ANSI inputs are GBK bytes;
// the outputs always carry their mark. `*unmappable` counts characters the
// target cannot hold (they become "?").
std::string AnsiToUtf16LE(std::string_view gbk, std::size_t* unmappable = nullptr);
std::string AnsiToUtf16BE(std::string_view gbk, std::size_t* unmappable = nullptr);
std::string AnsiToUtf8(std::string_view gbk, std::size_t* unmappable = nullptr);
// A whole UTF-16 file (LE or BE by `bom_class`) -> GBK; the first character
// is dropped only when it really is a mark.
std::string Utf16ToAnsi(std::string_view file, int bom_class, std::size_t* unmappable = nullptr);
// A whole UTF-8 file -> GBK; the mark is dropped only when there is one.
std::string Utf8ToAnsi(std::string_view file, std::size_t* unmappable = nullptr);

enum class EncodingCommand { kToAnsi, kToUnicode, kToUtf8 };

enum class ConversionOutcome {
  kConverted,
  kNotTxt,       // skipped: only ".txt" files are converted
  kLeftAlone,    // the command does nothing for this class
  kRefusedLoss,  // characters would become "?" and the caller did not force it
  kFailed,       // unreadable or unwritable; `error` says why
};

struct ConversionReport {
  ConversionOutcome outcome = ConversionOutcome::kFailed;
  StoredEncoding from;         // how the file was stored before
  StoredEncoding to;           // how it is stored now (== from unless converted)
  std::size_t unmappable = 0;  // characters that became (or would become) "?"
  std::string error;
};

// Runs one command on one file. The class is the one loading would find, so a
// mark-less UTF-8 or UTF-16 file is not mistaken for ANSI.
ConversionReport ConvertFileEncoding(const std::filesystem::path& path, EncodingCommand command,
                                     bool force);

// Whether `path` has the ".txt" extension, in any letter case.
bool IsTxtFile(const std::filesystem::path& path);

}  // namespace folian::text
