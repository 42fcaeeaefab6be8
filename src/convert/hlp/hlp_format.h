// WinHelp help files (.hlp) to text (the Hlp2txt converter).
//
// The help file's title (from |SYSTEM) comes first, on a line of its own;
// then every topic in the file's order: a blank line, the topic's title on
// its own line, its paragraphs each ending in CR LF. Text is decoded from
// the file's code page (its language id or font character set: GBK for
// Chinese (PRC) files, Big5 for Taiwan and Hong Kong ones, cp1252
// otherwise) and stored as GBK, or as UTF-8 with a mark when it holds
// characters GBK cannot.
//
// Compressed files (LZ77 topic blocks, |Phrases or |PhrIndex/|PhrImage
// phrase tables) are read; Windows 3.0 help files are refused with a
// message. Damaged files end with a message and no text.
//
// Tested by tests/convert/hlp_reader_test.cc.
#pragma once

#include <string_view>

#include "convert/read_context.h"
#include "convert/status.h"
#include "convert/text_sink.h"

namespace folian::convert {

Status ReadHlp(std::string_view input, TextSink& sink, const ReadContext& ctx);

// The magic: 3F 5F 03 00.
bool LooksLikeHlp(std::string_view head);

}  // namespace folian::convert
