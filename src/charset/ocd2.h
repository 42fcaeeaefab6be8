// OpenCC's binary dictionaries (.ocd2): the keys and default values of one
// dictionary file, read without OpenCC.
//
// Layout: the text "OPENCC_MARISA_0.2.5", a serialized MARISA trie of the
// keys (charset/marisa_trie.h), then the values in key-id order: a 32-bit
// entry count, a 32-bit byte count and that many bytes of NUL-terminated
// strings, then per entry a 16-bit value count and a 16-bit byte length for
// each value, the values following each other in the string bytes. All
// integers are little-endian. An entry's first value is the one a
// conversion uses; an entry without values maps its key to itself.
//
// Example:
//   Ocd2Result r = ReadOcd2File("/usr/share/opencc/STCharacters.ocd2");
//   if (r.status == Ocd2Status::kOk)
//     for (std::size_t i = 0; i < r.dict.size(); ++i) use(r.dict.key(i), r.dict.value(i));
//
// Tested by tests/charset/ocd2_test.cc and fuzz/ocd2_fuzz.cc.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "charset/dictionary.h"

namespace folian::charset {

enum class Ocd2Status {
  kOk,
  kCannotRead,  // the file cannot be opened or read
  kBadHeader,   // not an .ocd2 file
  kBadTrie,     // the key trie is damaged
  kBadValues,   // the value table is damaged or does not fit the keys
  kTooLarge,    // over a cap (the file, a key, the work of reading it)
};

struct Ocd2Result {
  Ocd2Status status = Ocd2Status::kOk;
  std::size_t offset = 0;  // where reading stopped (at the fault, when there is one)
  Dictionary dict;  // keys in key-id order, each with its default value
};

// OpenCC's largest dictionary is about 1 MB; a file far beyond that is not one.
inline constexpr std::size_t kMaxOcd2Bytes = std::size_t{64} << 20;

Ocd2Result ParseOcd2(std::string_view bytes);
Ocd2Result ReadOcd2File(const std::filesystem::path& path);

// "bad value table" and so on, for messages.
const char* Ocd2StatusText(Ocd2Status status);

}  // namespace folian::charset
