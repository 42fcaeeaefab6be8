// RTF to text (the Rtf2txt converter).
//
// Our own streaming reader: groups and control words are read in one pass
// with an explicit group stack; `\'hh` bytes are gathered into characters
// of the current font's code page (the font table's \fcharset or \cpg,
// else the document's \ansicpg); `\uN` gives Unicode characters and skips
// their \ucN fallback; destinations that hold no text (font, colour and
// style tables, document information, pictures, objects, headers and
// footers, field instructions, ...) are skipped; footnotes are placed after
// the text. \par, \line, \sect and \page end lines with CR LF, \tab and
// table cells give tabs, table rows end lines.
//
// Output: GBK, or UTF-8 with a mark when the document holds characters GBK
// cannot (the sink's encoding says which).
//
// Hostile files: the group depth and the number of groups are capped, \binN
// data never reaches past the end of the input, and the reader never
// recurses.
#pragma once

#include <cstddef>
#include <string_view>

#include "convert/read_context.h"
#include "convert/status.h"
#include "convert/text_sink.h"

namespace folian::convert {

Status ReadRtf(std::string_view input, TextSink& sink, const ReadContext& ctx);

// The magic: "{\rtf" at the start (after white space, or a UTF-8 mark some
// editors put before it).
bool LooksLikeRtf(std::string_view head);

namespace rtf {

// Groups open at once. Word nests a few dozen deep at most (nested tables,
// fields in shapes); a file deeper than this is damaged or made to exhaust
// memory.
inline constexpr std::size_t kMaxDepth = 512;
// Groups in one file. A long novel saved by Word has a few hundred thousand;
// the cap ends a file made of nothing but braces early.
inline constexpr std::size_t kMaxGroups = std::size_t{16} << 20;
// Fonts in the font table. Real tables have a few hundred entries at most.
inline constexpr std::size_t kMaxFonts = 16384;
// Footnote text kept for the end of the book; beyond it notes are dropped.
inline constexpr std::size_t kMaxNoteUnits = std::size_t{16} << 20;

}  // namespace rtf
}  // namespace folian::convert
