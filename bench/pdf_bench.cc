// ReadPdf on the PDF samples of ../shared/formats (a LibreOffice Chinese
// novel with CID fonts, an English Ghostscript book with literal strings),
// in memory: the reader's own time, without process start or disk.
// The whole-process comparison with pdftotext is tools/eval's job.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "convert/limits.h"
#include "convert/pdf/pdf_format.h"

namespace {

std::string Sample(const char* name) {
  const std::filesystem::path p = std::filesystem::path(FOLIAN_SHARED_DIR) / "formats" / "generated" / "pdf" / name;
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void ReadSample(benchmark::State& state, const char* name) {
  const std::string pdf = Sample(name);
  if (pdf.empty()) {
    state.SkipWithError("sample missing (../shared/formats/generated/pdf)");
    return;
  }
  std::size_t text = 0;
  for (auto _ : state) {
    folian::convert::MemorySink sink(folian::convert::kMaxOutputBytes);
    const folian::convert::Status st = folian::convert::ReadPdf(pdf, sink, folian::convert::ReadContext());
    if (!st.ok()) state.SkipWithError(st.message().c_str());
    text = sink.text().size();
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * pdf.size()));
  state.counters["text_bytes"] = static_cast<double>(text);
}

void BM_PdfChineseCidFonts(benchmark::State& state) { ReadSample(state, "zh_hongloumeng.libreoffice.pdf"); }
void BM_PdfEnglishLiteralStrings(benchmark::State& state) { ReadSample(state, "en_alice.enscript-ghostscript.pdf"); }

BENCHMARK(BM_PdfChineseCidFonts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdfEnglishLiteralStrings)->Unit(benchmark::kMillisecond);

}  // namespace
