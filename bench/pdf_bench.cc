// ReadPdf on the PDF samples of ../shared/formats (a LibreOffice Chinese
// novel with CID fonts, an English Ghostscript book with literal strings),
// in memory: the reader's own time, without process start or disk.
// The whole-process comparison with pdftotext is tools/eval's job.
#include <benchmark/benchmark.h>

#include "reader_bench.h"
#include "convert/pdf/pdf_format.h"

namespace {

void ReadSample(benchmark::State& state, const char* name) {
  folian::bench::RunReader(state, folian::convert::ReadPdf,
                           folian::bench::FormatSample((std::string("generated/pdf/") + name).c_str()));
}

void BM_PdfChineseCidFonts(benchmark::State& state) { ReadSample(state, "zh_hongloumeng.libreoffice.pdf"); }
void BM_PdfEnglishLiteralStrings(benchmark::State& state) { ReadSample(state, "en_alice.enscript-ghostscript.pdf"); }

BENCHMARK(BM_PdfChineseCidFonts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdfEnglishLiteralStrings)->Unit(benchmark::kMillisecond);

}  // namespace
