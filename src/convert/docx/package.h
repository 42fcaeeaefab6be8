// Finds the parts of a .docx package through its relationship files: the
// main document (the package's "officeDocument" relationship) and the
// footnotes and endnotes parts (the main document's relationships). Names
// that cannot be found that way fall back to Word's usual part names.
//
// Tested by tests/convert/docx_reader_test.cc.
#pragma once

#include <string>
#include <string_view>

#include "convert/zip/zip_reader.h"

namespace folian::convert::docx {

struct PartNames {
  std::string document;  // e.g. "word/document.xml"
  std::string footnotes;  // "" when the package has none
  std::string endnotes;
};

PartNames FindParts(ZipReader& zip);

// `target` of a relationship, resolved against the folder of `source`
// ("word/document.xml" + "../media/a.png" -> "media/a.png"; "/x.xml" -> "x.xml").
std::string ResolveTarget(std::string_view source, std::string_view target);

}  // namespace folian::convert::docx
