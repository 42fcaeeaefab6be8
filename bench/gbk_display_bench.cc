// The editor's side of opening and saving a 20 MB novel: GBK bytes to the
// text the editor shows, and back. The window's whole open (read, decode,
// show) must stay under a second; these two are the part the core owns.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/gbk_display.h"

namespace {

const std::string& Novel() {
  static const std::string text = [] {
    std::string seed;
    for (const char* name : {"xiyouji.gbk.txt", "laocan.gbk.txt", "rulin.gbk.txt"}) {
      std::ifstream in(std::filesystem::path(FOLIAN_SHARED_DIR) / "text" / "clean" / name,
                       std::ios::binary);
      seed.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (seed.empty()) seed = "\xB5\xDA\xD2\xBB\xD5\xC2 \xD1\xA9\xD2\xB9\r\n";
    std::string out;
    while (out.size() < 20u << 20) out += seed;
    return out;
  }();
  return text;
}

void BM_GbkToDisplay(benchmark::State& state) {
  const std::string& text = Novel();
  for (auto _ : state) {
    benchmark::DoNotOptimize(folian::app::GbkToDisplay(text, folian::app::LineBreaksOf(text)));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_GbkToDisplay)->Unit(benchmark::kMillisecond);

void BM_DisplayToGbk(benchmark::State& state) {
  const std::string& text = Novel();
  const auto breaks = folian::app::LineBreaksOf(text);
  const std::u16string shown = folian::app::GbkToDisplay(text, breaks);
  for (auto _ : state) benchmark::DoNotOptimize(folian::app::DisplayToGbk(shown, breaks));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_DisplayToGbk)->Unit(benchmark::kMillisecond);

}  // namespace
