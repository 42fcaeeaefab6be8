// Web pages to text. Markup goes; "<br>" (any spelling: "<br/>",
// "<BR clear=all>"), "</br>" and "</p>" become line breaks; block elements
// (headings, paragraphs, divisions, list items, table rows, the title) end
// the line they close, so a heading never runs into its first paragraph;
// scripts, style sheets and comments are skipped; character references are
// decoded. Line ends come out as CR LF; lines holding nothing but the
// source's indentation come out empty.
//
// The text keeps the page's own encoding: a GBK page gives GBK text, a
// UTF-8 page UTF-8 text, and references are written in that encoding. A
// GBK page that refers to characters GBK cannot hold gives UTF-8 text
// instead, so nothing turns into "?". UTF-16 pages give UTF-8 text; Big5
// and Western (cp1252) pages give GBK text when GBK holds all of it, else
// UTF-8.
//
// Example:
//   MemorySink sink(kMaxOutputBytes);
//   Status s = ReadHtml(page_bytes, sink, ReadContext{});
//
// Tested by tests/convert/html_reader_test.cc.
#pragma once

#include <string>
#include <string_view>

#include "convert/read_context.h"
#include "convert/status.h"
#include "convert/text_sink.h"

namespace folian::convert {

Status ReadHtml(std::string_view input, TextSink& sink, const ReadContext& ctx);

// The magic test of the format registry: an HTML or XHTML document start
// within the first bytes (after a mark, blanks and comments).
bool LooksLikeHtml(std::string_view head);

namespace html {

// The two encodings the scan works in.
enum class PageCharset { kGbk, kUtf8 };

// A page's bytes in one of those encodings: the input itself when it
// already is, else a converted copy.
class PreparedPage {
 public:
  PreparedPage() = default;
  PreparedPage(const PreparedPage&) = delete;
  PreparedPage& operator=(const PreparedPage&) = delete;

  PageCharset charset() const { return charset_; }
  std::string_view bytes() const { return converted_ ? std::string_view(storage_) : original_; }

  // Chooses the page's encoding: its mark, then its declaration (a meta
  // charset or an XML encoding), checked against its bytes (valid UTF-8 is
  // UTF-8 whatever the page claims; a page claiming UTF-8 that is not is GBK).
  void Prepare(std::string_view input);
  // Re-reads a GBK page as UTF-8 (for references GBK cannot hold).
  void ToUtf8();

 private:
  PageCharset charset_ = PageCharset::kGbk;
  std::string_view original_;
  std::string storage_;
  bool converted_ = false;
};

struct ScanResult {
  // References whose character the page's encoding cannot hold ("?" was
  // written for each).
  std::size_t unencodable = 0;
  bool cancelled = false;
};

struct ScanOptions {
  // Leaves out the document's head (its title included): the content
  // documents of a book carry file names and the book's title there.
  bool skip_head = false;
};

// The core scan: the text of `page` (in `charset`) appended to `*out` in the
// same encoding. Checks `ctx.cancel` and reports progress as it goes.
ScanResult HtmlToText(std::string_view page, PageCharset charset, std::string* out,
                      const ReadContext& ctx, const ScanOptions& options = {});

}  // namespace html
}  // namespace folian::convert
