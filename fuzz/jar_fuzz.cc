// Phone e-book archives from arbitrary bytes. The first byte picks the mode:
//  0: the rest is a JAR for Jar2txt, which must end with text or a message;
//  1: the rest is a reader template: txt2jar either refuses it with a
//     message or writes an archive whose book Jar2txt reads back whole;
//  2: the rest is UTF-16LE text, written as a book and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "charset/codepage.h"
#include "convert/jar/jar_reader.h"
#include "convert/jar/jar_writer.h"
#include "convert/text_sink.h"
#include "convert/wide_text.h"

using namespace folian;
using namespace folian::convert;

namespace {

constexpr std::size_t kFuzzOutputCap = std::size_t{64} << 20;

const std::u16string kBook = u"第一回\r\n张天师祈禳瘟疫?\r\n";

// Our entry "1" for `text`: "HB", the units, a zero unit.
std::string TextEntry(std::u16string_view text) {
  std::string e = "HB";
  for (char16_t u : text) {
    e += static_cast<char>(u & 0xFF);
    e += static_cast<char>(u >> 8);
  }
  return e.append(2, '\0');
}

void ExpectBook(const std::string& archive, const std::u16string& text) {
  MemorySink sink(kFuzzOutputCap);
  if (!ReadJar(archive, sink, {})) std::abort();
  const std::u16string back = sink.encoding() == TextEncoding::kGbk
                                  ? charset::ToWide(charset::kGbk, sink.text())
                                  : charset::ToWide(charset::kUtf8, sink.text());
  if (back != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (1 << 20)) return 0;  // longer inputs only repeat what short ones reach
  std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 3) {
    case 0: {
      LooksLikeJar(bytes.substr(0, 4096));
      MemorySink sink(kFuzzOutputCap);
      const Status s = ReadJar(bytes, sink, {});
      if (!s.ok() && s.message().empty()) std::abort();  // every failure says why
      break;
    }
    case 1: {
      std::string archive;
      const Status s = WriteJar(TextEntry(kBook), "book", bytes, &archive);
      if (!s.ok() && s.message().empty()) std::abort();
      if (s.ok()) ExpectBook(archive, kBook);
      break;
    }
    default: {
      std::u16string text = UnitsFromLe(bytes.substr(0, 1 << 16));
      // A leading mark stand-in, trailing zeros and unpaired surrogates are
      // rightly changed by the reader: kept out.
      for (char16_t& u : text) {
        if (u == 0 || u == 0xFEFF || u == 0x4248 || (u >= 0xD800 && u <= 0xDFFF)) u = u'x';
      }
      std::string archive;
      if (!WriteJar(TextEntry(text), "book", {}, &archive)) std::abort();
      ExpectBook(archive, text);
      break;
    }
  }
  return 0;
}
