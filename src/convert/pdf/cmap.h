// CMaps: how a composite font's string bytes split into codes (the code
// space ranges) and what text each code stands for (ToUnicode bfchar and
// bfrange mappings). Also the predefined CMaps Chinese PDFs name instead of
// embedding one: GB-EUC, GBK-EUC, GBKp-EUC, GBK2K, the UniGB UCS-2/UTF-16
// maps, their Big5 and Unicode relatives, and Identity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace folian::convert::pdf {

// How the codes of a predefined CMap turn into Unicode by themselves.
enum class CodeText {
  kNone,   // codes are glyph ids (Identity): only a ToUnicode map tells
  kGbk,    // the code bytes are GBK (code page 936)
  kBig5,   // the code bytes are Big5 (code page 950)
  kUcs2,   // the code is a UTF-16 code unit
  kUtf16,  // the code bytes are UTF-16BE (a surrogate pair is one 4-byte code)
};

class CMap {
 public:
  // Parses a CMap program (an embedded encoding or a ToUnicode stream).
  // Anything it cannot read is skipped; the mappings read so far stay.
  void Parse(std::string_view program);

  // Sets up one of the predefined CMaps by name; false when unknown.
  bool LoadPredefined(std::string_view name);

  // The next code in `s` at `*pos`: its value and byte length (1..4), per
  // the code space ranges (one byte when there are none; a byte sequence
  // no range covers is taken with the shortest range length, as viewers do).
  std::uint32_t NextCode(std::string_view s, std::size_t* pos, int* length) const;

  // Appends the text of `code` (of `length` bytes) to `*out`; false when
  // the CMap maps it to nothing.
  bool Lookup(std::uint32_t code, int length, std::u16string* out) const;

  bool has_code_space() const { return !spaces_.empty(); }
  bool has_mappings() const { return !chars_.empty() || !ranges_.empty() || code_text_ != CodeText::kNone; }
  bool vertical() const { return vertical_; }
  CodeText code_text() const { return code_text_; }
  // The name a CMap program gave itself or uses (/CMapName, usecmap).
  const std::string& used_name() const { return used_name_; }

  // Adds a code space range of `bytes` bytes (tests and predefined maps).
  void AddCodeSpace(int bytes, std::uint32_t lo, std::uint32_t hi);

 private:
  struct Space {
    int bytes;
    std::uint8_t lo[4];
    std::uint8_t hi[4];
  };
  struct Range {
    std::uint64_t lo;  // Key()s
    std::uint64_t hi;
    std::u16string base;  // text of `lo`; later codes add to its last unit
  };
  static std::uint64_t Key(std::uint32_t code, int length) {
    return static_cast<std::uint64_t>(length) << 32 | code;
  }
  void AddChar(std::uint32_t code, int length, std::u16string text);

  std::vector<Space> spaces_;
  std::unordered_map<std::uint64_t, std::u16string> chars_;
  std::vector<Range> ranges_;
  std::size_t mapped_ = 0;  // codes mapped so far (against kMaxCMapMappings)
  CodeText code_text_ = CodeText::kNone;
  bool vertical_ = false;
  std::string used_name_;
};

}  // namespace folian::convert::pdf
