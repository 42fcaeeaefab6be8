// The File Information Block at the start of a Word 97-2003 document's
// WordDocument stream: which version wrote it, whether it is encrypted,
// which table stream holds its tables, how many characters each part of the
// text has, and where the piece table and the paragraph property index are.
//
// Tested by tests/convert/doc_reader_test.cc.
#pragma once

#include <cstdint>
#include <string_view>

namespace folian::convert::doc {

struct Fib {
  std::uint16_t nfib = 0;
  bool encrypted = false;     // RC4 or XOR obfuscation: the text is unreadable without the password
  bool table1 = false;        // tables in "1Table", else "0Table"
  std::uint16_t lid = 0;      // the document's language
  // Characters of the document's parts, in the order they follow each other.
  std::uint32_t ccp_text = 0;
  std::uint32_t ccp_footnotes = 0;
  std::uint32_t ccp_headers = 0;
  std::uint32_t ccp_macros = 0;
  std::uint32_t ccp_annotations = 0;
  std::uint32_t ccp_endnotes = 0;
  // In the table stream: the piece table (CLX) and the paragraph property
  // page index (PlcBtePapx).
  std::uint32_t fc_clx = 0, lcb_clx = 0;
  std::uint32_t fc_papx = 0, lcb_papx = 0;
};

enum class FibResult {
  kOk,
  kNotWord,     // no Word signature
  kOldVersion,  // Word 6/95 or earlier: another layout
  kDamaged,     // too short for the fields it declares
};

FibResult ParseFib(std::string_view word_document, Fib* fib);

}  // namespace folian::convert::doc
