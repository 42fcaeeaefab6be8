#include "convert/html/html_reader.h"

#include "convert/messages.h"

namespace folian::convert {

Status ReadHtml(std::string_view input, TextSink& sink, const ReadContext& ctx) {
  html::PreparedPage page;
  page.Prepare(input);
  std::string text;
  html::ScanResult scan = html::HtmlToText(page.bytes(), page.charset(), &text, ctx);
  if (!scan.cancelled && scan.unencodable > 0 && page.charset() == html::PageCharset::kGbk) {
    // A reference to a character GBK lacks: the whole text in UTF-8 rather
    // than a "?" in its place.
    page.ToUtf8();
    text.clear();
    scan = html::HtmlToText(page.bytes(), page.charset(), &text, ctx);
  }
  if (scan.cancelled) return Status::Error(msg::kCancelled);
  sink.SetEncoding(page.charset() == html::PageCharset::kUtf8 ? TextEncoding::kUtf8
                                                              : TextEncoding::kGbk);
  if (!sink.Append(text)) return Status::Error(msg::kOutputTooLarge);
  return Status::Ok();
}

}  // namespace folian::convert
