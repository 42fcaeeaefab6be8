// Palm database e-books in the PalmDOC layout (type "TEXt", creator "REAd"):
// the text records after record 0, expanded where record 0 says they are
// compressed, their line feeds made CR LF.
//
// Which encoding the text is in is judged from all of it (records split
// characters): valid UTF-8 stays UTF-8; text that reads as Chinese GBK
// stays GBK; anything else is a Western book in cp1252 and comes out as
// UTF-8 with a mark.
//
// The record list is checked before any record is read: offsets must
// ascend and lie inside the file, and no record may be longer than a Palm
// record can be. Records after the ones record 0 counts as text are
// bookmarks and notes, not text, and are left out when the text they would
// follow is already complete.
//
// Tested by tests/convert/pdb_reader_test.cc.
#pragma once

#include <string_view>

#include "convert/read_context.h"
#include "convert/status.h"
#include "convert/text_sink.h"

namespace folian::convert {

Status ReadPdb(std::string_view input, TextSink& sink, const ReadContext& ctx);

// The registry's magic test: type "TEXt" and creator "REAd" at offset 60.
bool LooksLikePalmDoc(std::string_view head);

}  // namespace folian::convert
