// The e-book formats the converters read, one row each: a name, the file
// extensions that usually mean it, a test of the first bytes (its magic),
// and its reader. The window's buttons, the batch runner and
// `folian-cli convert` all find a reader here, so adding a format is one row
// in registry.cc and nothing else in the frame.
//
// A reader either produces text (through a TextSink) or unpacks pages into a
// folder (through a PageSink, for help files and .exe books).
//
// Example:
//   const Format* f = DetectFormat("book.epub", head);   // by name, then by magic
//   if (f && f->read_text) f->read_text(bytes, sink, ctx);
//
// Tested by tests/convert/registry_test.cc.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "convert/page_sink.h"
#include "convert/read_context.h"
#include "convert/status.h"
#include "convert/text_sink.h"

namespace folian::convert {

using TextReader = Status (*)(std::string_view input, TextSink& sink, const ReadContext& ctx);
using PageReader = Status (*)(std::string_view input, PageSink& sink, const ReadContext& ctx);
// True when `head` (the first bytes of a file, at most kSniffBytes) carries
// the format's magic.
using Sniffer = bool (*)(std::string_view head);

// What a sniffer is shown: enough for every magic we test, including an
// HTML declaration after a long comment or a ZIP's first entry name.
inline constexpr std::size_t kSniffBytes = 4096;

struct Format {
  std::string_view name;                         // lower case, e.g. "html" (the CLI's --format)
  std::span<const std::string_view> extensions;  // lower case, with the dot
  Sniffer sniff = nullptr;                       // nullptr: the format has no magic
  TextReader read_text = nullptr;                // exactly one of the two readers is set
  PageReader read_pages = nullptr;
  // The text goes after an existing ".txt" of the output's name instead of
  // replacing it (saved web pages of one book, converted page by page).
  bool appends = false;
  // The pages go into a folder named after the input, beside it, instead of
  // the input's own folder (a program's folder holds files of its own).
  bool own_folder = false;
  // The magic only confirms the extension: a file of another name is never
  // taken for this format by its first bytes ("MZ" begins every program,
  // not only books).
  bool magic_needs_extension = false;
};

// Every format, strongest magic first.
std::span<const Format> Formats();

const Format* FormatByName(std::string_view name);
// By the extension of `file_name` (any letter case); nullptr when none claims it.
const Format* FormatByExtension(std::string_view file_name);

// The reader for a file: its extension's format when the magic agrees (or
// the format has none); otherwise the first format whose magic matches
// (and does not need its extension), since a renamed file keeps its bytes; otherwise the extension's format
// (its reader then says what is wrong). nullptr when nothing claims it.
const Format* DetectFormat(std::string_view file_name, std::string_view head);

}  // namespace folian::convert
