// Simplified/traditional conversion of GBK text by two dictionaries, with
// the results of OpenCC's converter for the same dictionaries.
//
// The scheme (OpenCC's "mmseg" segmentation and a dictionary group):
//  - The text is cut, left to right, at the longest key of the phrase
//    dictionary starting at each point; a point where no phrase starts
//    joins the run of such points before it.
//  - A phrase becomes its value.
//  - A run between phrases is converted by the character dictionary, again
//    longest key first, but a key never reaches into the phrase after the
//    run; characters without a key stay as they are.
// Keys match characters, not bytes: the dictionaries are Unicode (UTF-8)
// and the text is GBK, so each key is turned into GBK codes once, at build
// time, and the text is converted without ever leaving GBK. Values are
// turned into GBK the way every conversion to GBK here works: a character
// GBK lacks becomes its best-fit look-alike or "?". Bytes that are not a
// GBK character (a lead byte without its trail byte) are copied unchanged
// and no key reaches across them.
//
// Example:
//   auto table = ScriptTable::Build(phrases, characters);  // e.g. from .ocd2 files
//   std::string traditional = table->Convert(gbk_text);
//
// Tested by tests/charset/script_table_test.cc (synthetic dictionaries
// against OpenCC) and tests/charset/script_opencc_test.cc (the installed
// dictionaries against OpenCC on novels and random text).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "charset/code_trie.h"
#include "charset/dictionary.h"

namespace folian::charset {

class ScriptTable {
 public:
  // Null when a dictionary has more nodes than the trie can number.
  static std::unique_ptr<const ScriptTable> Build(const Dictionary& phrases, const Dictionary& characters);

  // Converts text[from, ...), appending to `out`, and stops at the first
  // character boundary at or after `until` (or the end of the text); returns
  // that position. A phrase that starts before `until` is converted whole.
  // Resuming from the returned position gives the result of one call.
  std::size_t Convert(std::string_view text, std::size_t from, std::size_t until, std::string* out) const;
  std::string Convert(std::string_view text) const;

  std::size_t phrase_nodes() const { return phrases_.node_count(); }

 private:
  // Per code: the phrase trie's node for the code as a phrase's first
  // character (0: no phrase starts with it; kOneCharPhrase: the character
  // alone is a phrase), and what the character becomes when no phrase
  // takes it.
  struct CodeEntry {
    std::uint32_t phrase = 0;
    std::uint32_t out = 0;
  };
  static constexpr std::uint32_t kOneCharPhrase = 0x80000000;
  // `out`: up to three bytes inline (first byte lowest) with their count in
  // bits 24-25; or kPooled | an index into the value pool; kSlow marks a
  // character that starts a multi-character key of the character dictionary
  // (its inline bytes are then the character itself).
  static constexpr std::uint32_t kSlow = 0x80000000;
  static constexpr std::uint32_t kPooled = 0x40000000;

  // Values are copied kValuePadding bytes at a time when they fit.
  static constexpr std::size_t kValuePadding = 16;

  ScriptTable() = default;

  // The longest phrase from `first` (a CodeEntry::phrase) whose first
  // character ends at q: its value and end.
  bool LongestPhrase(const unsigned char* s, std::size_t n, std::uint32_t first, std::size_t q,
                     std::uint32_t* value, std::size_t* end) const;
  bool PhraseAt(const unsigned char* s, std::size_t n, std::size_t q) const;
  std::uint32_t AddValue(std::string_view utf8, std::string* scratch);
  std::string_view Value(std::uint32_t i) const {
    const std::size_t begin = i == 0 ? 0 : value_ends_[i - 1];
    return std::string_view(values_).substr(begin, value_ends_[i] - begin);
  }

  // Whether two codes can begin a phrase, hashed into a bitmap small enough
  // for the level-2 cache: about seven in eight characters of a novel start
  // some phrase, but only one in eight starts one with the character after
  // it, and this turns the others away without a walk down the trie.
  static constexpr int kPairBits = 20;
  static std::size_t PairHash(std::uint32_t first, std::uint32_t second) {
    return static_cast<std::size_t>(((std::uint64_t{first} << 16 | second) * 0x9E3779B97F4A7C15ull) >>
                                    (64 - kPairBits));
  }
  bool PairMayStartPhrase(std::uint32_t first, std::uint32_t second) const {
    const std::size_t h = PairHash(first, second);
    return (pairs_[h >> 6] >> (h & 63)) & 1;
  }

  std::vector<CodeEntry> entries_;  // indexed by code
  std::vector<std::uint64_t> pairs_;
  detail::CodeTrie phrases_;
  detail::CodeTrie characters_;
  std::string values_;  // GBK values one after another, then kValuePadding zeros
  std::vector<std::uint32_t> value_ends_;
};

}  // namespace folian::charset
