// The text of the |TOPIC internal file, topic by topic.
//
// |TOPIC is a run of blocks (4 KB, or 2 KB in some compressed files), each a
// 12-byte header and data, LZ77-compressed where |SYSTEM says so. Records
// (topic links) run through the blocks' data, across block ends, each
// naming the next by a position counted as WinHelp 4 counts them: the
// block's number times 16 KB plus the offset in the block's expanded data,
// header included. A topic header record gives the topic's title; display
// and table records keep their text in the second part of the link data,
// phrase-compressed where the file has phrase tables, as strings that
// alternate with the formatting commands of the first part. The text is
// kept in order; paragraph ends become CR LF, table cells tabs; the other
// commands (fonts, hotspots, pictures, macros) are skipped.
//
// Tested by tests/convert/hlp_reader_test.cc.
#pragma once

#include <string_view>

#include "convert/gbk_or_utf8_text.h"
#include "convert/hlp/phrases.h"
#include "convert/hlp/system_file.h"
#include "convert/read_context.h"

namespace folian::convert::hlp {

enum class TopicError {
  kNone,
  kDamaged,    // a block that cannot be expanded, a record past the data, a loop
  kPhrases,    // a phrase number the tables do not hold
  kTooLarge,   // more expanded text than any help file holds
  kCancelled,
};

// Appends to `*text` the help file's title as the first line, then the
// topics of `topic_file`: for each a blank line, its title on a line of its
// own (when it has one), then its paragraphs.
TopicError ReadTopics(std::string_view topic_file, const SystemInfo& system, const PhraseTable& phrases,
                      const ReadContext& ctx, GbkOrUtf8Text* text);

}  // namespace folian::convert::hlp
