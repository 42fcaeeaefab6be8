// ePub books from arbitrary bytes, two ways: the bytes as an archive (the
// ZIP reader's paths), and the bytes cut into the container, the package
// and two content documents of a well-formed archive built here (the XML
// and spine paths, which random archives seldom reach). Nothing may crash,
// read out of bounds or allocate past the caps.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/epub/epub_reader.h"
#include "convert/text_sink.h"

using namespace folian;

namespace {

void Put16(std::string* s, unsigned v) {
  s->push_back(static_cast<char>(v & 0xFF));
  s->push_back(static_cast<char>(v >> 8));
}
void Put32(std::string* s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// A ZIP archive of stored entries.
std::string StoredZip(const std::vector<std::pair<std::string, std::string_view>>& entries) {
  std::string out, central;
  for (const auto& [name, data] : entries) {
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    const auto offset = static_cast<std::uint32_t>(out.size());
    for (std::string* s : {&out, &central}) {
      const bool local = s == &out;
      Put32(s, local ? 0x04034b50 : 0x02014b50);
      if (!local) Put16(s, 20);
      Put16(s, 20);
      Put16(s, 0);  // flags
      Put16(s, 0);  // stored
      Put32(s, 0);  // time, date
      Put32(s, crc);
      Put32(s, static_cast<std::uint32_t>(data.size()));
      Put32(s, static_cast<std::uint32_t>(data.size()));
      Put16(s, static_cast<unsigned>(name.size()));
      Put16(s, 0);  // extra
      if (!local) {
        Put16(s, 0);  // comment
        Put16(s, 0);  // disk
        Put16(s, 0);  // internal attributes
        Put32(s, 0);  // external attributes
        Put32(s, offset);
      }
      s->append(name);
      if (local) s->append(data);
    }
  }
  const auto central_at = static_cast<std::uint32_t>(out.size());
  out += central;
  Put32(&out, 0x06054b50);
  Put32(&out, 0);
  Put16(&out, static_cast<unsigned>(entries.size()));
  Put16(&out, static_cast<unsigned>(entries.size()));
  Put32(&out, static_cast<std::uint32_t>(central.size()));
  Put32(&out, central_at);
  Put16(&out, 0);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 18) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string archive;
  if (data[0] & 1) {
    // Parts separated by a line holding "--".
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (parts.size() < 3) {
      const std::size_t sep = bytes.find("\n--\n", start);
      if (sep == std::string_view::npos) break;
      parts.push_back(bytes.substr(start, sep - start));
      start = sep + 4;
    }
    parts.push_back(bytes.substr(start));
    parts.resize(4);
    archive = StoredZip({{"mimetype", "application/epub+zip"},
                         {"META-INF/container.xml", parts[0]},
                         {"OEBPS/content.opf", parts[1]},
                         {"OEBPS/a.xhtml", parts[2]},
                         {"OEBPS/Text/b.xhtml", parts[3]}});
  } else {
    archive = std::string(bytes);
  }
  convert::MemorySink sink(std::size_t{16} << 20);
  convert::ReadEpub(archive, sink, {});
  return 0;
}
