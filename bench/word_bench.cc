// The RTF and Word readers on the shared samples, and on synthetic books of
// the size a long novel reaches (~8 MB of RTF written the way Chinese Word
// writes it, \'hh pairs with \uN fallbacks). A whole conversion of each
// sample, process start and write included, should stay well below the
// peers' times (pandoc 0.3 to 4 s, unrtf 0.03 to 1.3 s, antiword and
// catdoc 0.05 to 0.1 s per file on this project's machine).
#include <benchmark/benchmark.h>

#include <string>

#include "reader_bench.h"
#include "convert/doc/doc_format.h"
#include "convert/docx/docx_format.h"
#include "convert/rtf/rtf_format.h"
#include "convert/text_sink.h"

namespace {

using namespace folian::convert;
using folian::bench::FormatSample;
using folian::bench::RunReader;

// ~8 MB: GBK pairs as escapes, a Unicode run with one-character fallbacks,
// paragraphs and a footnote now and then.
const std::string& SyntheticRtf() {
  static const std::string rtf = [] {
    std::string r = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                    "{\\colortbl;\\red0\\green0\\blue0;}\\uc1\\pard\\f0\\fs24 ";
    const std::string para =
        "\\'b5\\'da\\'d2\\'bb\\'bb\\'d8 \\'cb\\'fb\\'d7\\'df\\'bd\\'f8\\'bf\\'cd\\'d5\\'bb\\'a3\\'ac"
        "\\u30475?\\u35265?\\u19968?\\u25226?\\u23453?\\u21073?\\'a1\\'a3{\\footnote \\'d7\\'a2}\\par\r\n";
    while (r.size() < (8u << 20)) r += para;
    return r + "}";
  }();
  return rtf;
}

void BM_ReadRtfSynthetic8MB(benchmark::State& state) { RunReader(state, ReadRtf, SyntheticRtf()); }
void BM_ReadRtfAliceLibreOffice(benchmark::State& state) {
  static const std::string in = FormatSample("generated/rtf/en_alice.libreoffice.rtf");
  RunReader(state, ReadRtf, in);
}
void BM_ReadRtfHongloumengPandoc(benchmark::State& state) {
  static const std::string in = FormatSample("generated/rtf/zh_hongloumeng.pandoc.rtf");
  RunReader(state, ReadRtf, in);
}
void BM_ReadRtfWordZhCn(benchmark::State& state) {
  static const std::string in = FormatSample("third_party/rtf/striprtf-issue_11.msword-zh-CN.rtf");
  RunReader(state, ReadRtf, in);
}
void BM_ReadDocSanguo(benchmark::State& state) {
  static const std::string in = FormatSample("generated/doc/zh_sanguo.libreoffice-from-gbk-txt.doc");
  RunReader(state, ReadDoc, in);
}
void BM_ReadDocAlice(benchmark::State& state) {
  static const std::string in = FormatSample("generated/doc/en_alice.libreoffice-from-docx.doc");
  RunReader(state, ReadDoc, in);
}
void BM_ReadDocxShuihu(benchmark::State& state) {
  static const std::string in = FormatSample("generated/docx/zh_shuihu.pandoc.docx");
  RunReader(state, ReadDocx, in);
}

BENCHMARK(BM_ReadRtfSynthetic8MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRtfAliceLibreOffice)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRtfHongloumengPandoc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRtfWordZhCn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDocSanguo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDocAlice)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDocxShuihu)->Unit(benchmark::kMillisecond);

}  // namespace
