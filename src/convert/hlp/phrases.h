// The phrase tables that shorten a help file's text: common strings stored
// once and referred to by number from the topics' text.
//
// Two kinds exist. |Phrases (help compilers of the Windows 3.1 era) holds a
// count, offsets and the phrase text, LZ77-compressed in files that say so;
// in the text a byte 1-9 and the byte after it name a phrase, the lowest bit
// adding a space after it. |PhrIndex with |PhrImage (Windows 95 compilers,
// "Hall" compression) keeps the phrase lengths as a bit stream and the text
// apart; in the text every byte is a command: a phrase by a one- or two-byte
// number, a run of literal bytes, of spaces or of NULs.
//
// Tested by tests/convert/hlp_reader_test.cc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace folian::convert::hlp {

class PhraseTable {
 public:
  enum class Kind { kNone, kOld, kHall };

  // |Phrases. `compressed` when the help file's header says LZ77: the file
  // then carries the text's expanded size and the text is compressed. A file
  // written the other way is read that way too. False when damaged.
  bool LoadOld(std::string_view file, bool compressed);
  // |PhrIndex and |PhrImage. False when damaged.
  bool LoadHall(std::string_view index, std::string_view image);

  Kind kind() const { return kind_; }
  std::size_t count() const { return offsets_.empty() ? 0 : offsets_.size() - 1; }
  std::string_view phrase(std::size_t k) const {
    return std::string_view(text_).substr(offsets_[k], offsets_[k + 1] - offsets_[k]);
  }

  // Appends the expansion of phrase-compressed text to `*out`, at most `cap`
  // bytes. False when a phrase number is out of range or the cap is reached.
  bool Expand(std::string_view in, std::size_t cap, std::string* out) const;

 private:
  bool LoadOldAs(std::string_view file, bool with_size);
  bool ExpandOld(std::string_view in, std::size_t cap, std::string* out) const;
  bool ExpandHall(std::string_view in, std::size_t cap, std::string* out) const;

  Kind kind_ = Kind::kNone;
  std::string text_;
  std::vector<std::uint32_t> offsets_;  // count() + 1, ascending, into text_
};

}  // namespace folian::convert::hlp
