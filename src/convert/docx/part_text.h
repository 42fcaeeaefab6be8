// The text of one WordprocessingML part (the main document, footnotes or
// endnotes). The tree is walked with sibling and parent links instead of
// recursion; tinyxml2 itself refuses trees deeper than its element depth
// limit, so neither parsing nor walking can exhaust the stack.
//
// Tested by tests/convert/docx_reader_test.cc.
#pragma once

#include <string_view>

#include "common/progress.h"
#include "convert/gbk_or_utf8_text.h"

namespace folian::convert::docx {

enum class PartResult { kOk, kBadXml, kCancelled };

enum class PartKind {
  kDocument,  // w:document/w:body
  kNotes,     // w:footnotes or w:endnotes: every note but the separators
};

// Appends the text of the part in `xml` (UTF-8, or UTF-16 with a mark) to `*out`.
PartResult ReadPartText(std::string_view xml, PartKind kind, GbkOrUtf8Text* out, const CancelFlag* cancel);

}  // namespace folian::convert::docx
