// Arbitrary bytes as a saved web page: the encoding choice, the scan, the
// references and the site banners. Nothing may read out of bounds, and the
// text must hold no zero byte and no line feed without its carriage return.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "convert/html/html_reader.h"
#include "convert/html/site_banner.h"
#include "convert/text_sink.h"

using namespace folian;

namespace {

void CheckText(const std::string& text) {
  if (text.find('\0') != std::string::npos) std::abort();
  for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1)) {
    if (i == 0 || text[i - 1] != '\r') std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 18) return 0;  // long pages only repeat what short ones reach
  const std::string_view page(reinterpret_cast<const char*>(data), size);

  convert::MemorySink sink(std::size_t{16} << 20);
  if (convert::ReadHtml(page, sink, {}).ok()) CheckText(sink.text());

  // The scan in each encoding, the way the ePub reader drives it.
  for (const bool skip_head : {false, true}) {
    std::string out;
    convert::html::ScanOptions options;
    options.skip_head = skip_head;
    convert::html::HtmlToText(page, convert::html::PageCharset::kUtf8, &out, {}, options);
    CheckText(out);
  }

  std::string copy(page);
  if (convert::html::RemoveSiteBanners(&copy) && copy.size() >= page.size()) std::abort();
  return 0;
}
