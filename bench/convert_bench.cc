// The e-book readers on the shared sample books (a synthetic page when they
// are absent): the time a conversion costs before the file is written. The
// whole conversion of each sample, process start and write included, should
// stay far below a second (peers take 0.25 to 2.8 s per book).
#include <benchmark/benchmark.h>

#include <string>

#include "reader_bench.h"
#include "convert/epub/epub_reader.h"
#include "convert/html/html_reader.h"
#include "convert/pdb/pdb_reader.h"
#include "convert/registry.h"
#include "convert/text_sink.h"

namespace {

using namespace folian::convert;
using folian::bench::FormatSample;
using folian::bench::RunReader;

// A saved chapter page of the usual kind, GBK with &nbsp; indents, ~2 MB.
const std::string& SyntheticPage() {
  static const std::string page = [] {
    std::string p = "<html><head><meta charset=gbk><title>t</title><script>var a=1;</script></head><body>";
    const std::string line =
        "&nbsp;&nbsp;&nbsp;&nbsp;\xCB\xFB\xD7\xDF\xBD\xF8\xBF\xCD\xD5\xBB\xA3\xAC\xBF\xB4\xBC\xFB"
        "\xD2\xBB\xB0\xD1\xB1\xA6\xBD\xA3\xA1\xA3&ldquo;\xBA\xC3&rdquo;<br />\r\n";
    while (p.size() < (2u << 20)) p += line;
    return p + "</body></html>";
  }();
  return page;
}

void BM_ReadHtmlSyntheticGbk(benchmark::State& state) { RunReader(state, ReadHtml, SyntheticPage()); }
void BM_ReadHtmlXiyouji(benchmark::State& state) {
  static const std::string in = FormatSample("generated/html/zh_xiyouji.utf8-p.html");
  RunReader(state, ReadHtml, in);
}
void BM_ReadEpubXiyouji(benchmark::State& state) {
  static const std::string in = FormatSample("generated/epub/zh_xiyouji.pandoc-epub3.epub");
  RunReader(state, ReadEpub, in);
}
void BM_ReadEpubGutenberg(benchmark::State& state) {
  static const std::string in = FormatSample("third_party/epub/gutenberg-pg11.ebookmaker.epub");
  RunReader(state, ReadEpub, in);
}
void BM_ReadPdbSanguo(benchmark::State& state) {
  static const std::string in = FormatSample("generated/pdb/zh_sanguo.txt2pdbdoc-compressed-gbk.pdb");
  RunReader(state, ReadPdb, in);
}
void BM_ReadPdbAlice(benchmark::State& state) {
  static const std::string in = FormatSample("generated/pdb/en_alice.calibre-palmdoc.pdb");
  RunReader(state, ReadPdb, in);
}

BENCHMARK(BM_ReadHtmlSyntheticGbk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadHtmlXiyouji)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadEpubXiyouji)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadEpubGutenberg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPdbSanguo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPdbAlice)->Unit(benchmark::kMillisecond);

}  // namespace
