// txt2umd then Umd2txt, and txt2jar then Jar2txt, give the text back: from
// files in every encoding the program reads (classified by its detection),
// at the chunk boundaries, and for an empty text.
#include <gtest/gtest.h>

#include <string>

#include "app/book_export.h"
#include "charset/codepage.h"
#include "convert/jar/jar_reader.h"
#include "convert/limits.h"
#include "convert/umd/umd_reader.h"
#include "support/temp_dir.h"
#include "support/bytes.h"

namespace folian::convert {
namespace {

using testing::ReadBytes;
using testing::Utf16;
using testing::TempDir;
using testing::WriteBytes;

enum class Format { kUmd, kJar };

struct Source {
  const char* name;
  std::string bytes;
  std::u16string text;  // what the file holds, without its mark
};

std::vector<Source> Sources() {
  const std::u16string t = u"第一回　张天师祈禳瘟疫\r\n问道：何故?为何？\r\n“好汉”……\r\n";
  const std::u16string foreign = u"Café «crème» 𠀀\r\n";
  const std::string utf8 = charset::FromWide(charset::kUtf8, t);
  return {
      {"GBK", charset::FromWide(charset::kGbk, t), t},
      {"UTF-8 without a mark", utf8, t},
      {"UTF-8 with a mark", "\xEF\xBB\xBF" + utf8, t},
      {"UTF-8 beyond GBK", charset::FromWide(charset::kUtf8, foreign), foreign},
      {"UTF-16LE with a mark", "\xFF\xFE" + Utf16(t), t},
      {"UTF-16BE with a mark", "\xFE\xFF" + Utf16(t, true), t},
      {"UTF-16BE without a mark", Utf16(t, true), t},
      // UTF-16LE forms of exactly 32,768 and 32,770 bytes: one chunk, and two.
      {"32,768 bytes", charset::FromWide(charset::kGbk, std::u16string(16383, u'书') + u'\n'),
       std::u16string(16383, u'书') + u'\n'},
      {"32,770 bytes", charset::FromWide(charset::kGbk, std::u16string(16384, u'书') + u'\n'),
       std::u16string(16384, u'书') + u'\n'},
      {"empty", "", u""},
  };
}

std::u16string TextOf(const MemorySink& sink) {
  return sink.encoding() == TextEncoding::kGbk ? charset::ToWide(charset::kGbk, sink.text())
                                               : charset::ToWide(charset::kUtf8, sink.text());
}

class RoundTrip : public ::testing::TestWithParam<Format> {};

TEST_P(RoundTrip, GivesTheTextBack) {
  TempDir dir;
  for (const Source& s : Sources()) {
    SCOPED_TRACE(s.name);
    const auto path = dir / "book.txt";
    WriteBytes(path, s.bytes);
    const app::ExportResult made =
        GetParam() == Format::kUmd ? app::ExportUmd(path, "", "") : app::ExportJar(path, {});
    ASSERT_TRUE(made.ok) << made.message;
    EXPECT_EQ(made.output, dir / (GetParam() == Format::kUmd ? "book.umd" : "book.jar"));
    const std::string book = ReadBytes(made.output);

    MemorySink sink(kMaxOutputBytes);
    const Status read = GetParam() == Format::kUmd ? ReadUmd(book, sink, {}) : ReadJar(book, sink, {});
    ASSERT_TRUE(read) << read.message();
    EXPECT_TRUE(TextOf(sink) == s.text) << charset::FromWide(charset::kUtf8, TextOf(sink));
    if (std::string_view(s.name) == "GBK") {
      EXPECT_EQ(sink.FileBytes(), s.bytes) << "byte for byte";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Books, RoundTrip, ::testing::Values(Format::kUmd, Format::kJar),
                         [](const auto& info) { return info.param == Format::kUmd ? "Umd" : "Jar"; });

}  // namespace
}  // namespace folian::convert
