// txt2jar: a phone e-book archive built in memory.
//
// Entries, in order: those of the user's reader template jar if one is given
// (its own manifest, "0" and "1" left out, since ours replace them), the
// "META-INF/" folder if the template has none, the manifest, the book text
// "1" and the book information "0". Without a template the archive holds the
// book but no reader program: no reader program is shipped with Folian.
//
// Tested by tests/convert/jar_writer_test.cc and jar_round_trip_test.cc.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/progress.h"
#include "convert/source_text.h"
#include "convert/status.h"

namespace folian::convert {

namespace jar {
// A reader template is a small phone program (tens of KB); anything much
// larger is not one.
inline constexpr std::size_t kMaxTemplateBytes = std::size_t{16} << 20;
inline constexpr std::size_t kMaxTemplateEntries = 4096;
}  // namespace jar

// Entry "1" for a source file: a UTF-16LE file's bytes as they are; any
// other text as "HB", its UTF-16LE units and a terminating zero unit.
std::string JarTextEntry(const SourceText& source, std::string_view file_bytes);

// The manifest, lines joined by CR LF, the last without a line end.
std::string JarManifest();

// Entry "0". `base_name` (UTF-8) is cut at a character boundary when its line
// would pass the one-byte count; `*name_cut` says so.
std::string JarInfoEntry(std::size_t text_entry_bytes, std::string_view base_name,
                         bool* name_cut = nullptr);

struct JarWriteInfo {
  bool name_cut = false;
  std::size_t template_entries = 0;  // entries copied from the template
};

// `template_jar` empty: no template. `progress` (if given) sees the text
// entry compressed.
Status WriteJar(std::string_view text_entry, std::string_view base_name,
                std::string_view template_jar, std::string* archive,
                JarWriteInfo* info = nullptr, ProgressSink* progress = nullptr);

}  // namespace folian::convert
