// Arbitrary bytes through the editor-text checks and the name normaliser:
// every range they report must lie inside the input, and repairs must be
// clean GBK.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/ad_report.h"
#include "files/file_names.h"
#include "text/bracket_match.h"
#include "text/garbled.h"
#include "text/hard_returns.h"
#include "tidy/tidy_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  using namespace folian::text;
  auto inside = [&](const ByteRange& r) {
    if (r.length == 0 || r.start + r.length > size) std::abort();
  };
  // Plain loops: GCC 12 ends a for-condition's variable before the
  // iteration expression that reads it.
  for (std::size_t from = 0;;) {
    const auto run = FindGarbled(text, from);
    if (!run) break;
    inside(*run);
    from = run->start + run->length;
  }
  for (std::size_t from = 0;;) {
    const auto hr = FindHardReturn(text, from);
    if (!hr) break;
    inside(*hr);
    from = hr->start + hr->length;
  }
  for (const ByteRange& r : UnmatchedBrackets(text)) inside(r);
  if (auto repair = RepairGarbled(text.substr(0, 64))) {
    if (FindGarbled(repair->gbk, 0)) std::abort();
  }
  (void)folian::app::AdReportLines(text, folian::tidy::TidyOptions::AtStart());
  (void)folian::files::NormaliseFileName(text.substr(0, 255));
  return 0;
}
