// The WinHelp reader on the shared Chinese sample, on synthetic help files
// of the size the largest manuals reach (~4 MB of topic text, stored and
// Hall phrase-coded), and LZ77 expansion of 16 KB topic blocks. No other
// WinHelp reader is at hand as a peer; a whole conversion of the sample
// should take a few milliseconds.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "charset/codepage.h"
#include "convert/hlp_fixture.h"
#include "convert/hlp/hlp_format.h"
#include "convert/hlp/lz77.h"
#include "convert/limits.h"
#include "convert/text_sink.h"

namespace {

namespace fs = std::filesystem;
using namespace folian::convert;
using namespace folian::testing;

std::string Sample() {
  std::ifstream in(fs::path(FOLIAN_SHARED_DIR) / "formats/third_party/hlp/reversi_86_64-REVERSI.zh-CN.hcw4-gbk.hlp",
                   std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Synthetic(HlpPhraseKind phrases) {
  const std::string para = folian::charset::Utf8ToGbk("话说天下大势，分久必合，合久必分。周末七国分争，并入于秦。");
  HlpOptions o;
  o.title = para.substr(0, 8);
  o.phrase_kind = phrases;
  o.phrases = {para.substr(0, 12), para.substr(14, 8), para.substr(36, 10)};
  std::vector<HlpLink> links;
  std::size_t text = 0;
  for (int t = 0; text < (4u << 20); ++t) {
    links.push_back(HlpTopicHeader(o.title + std::to_string(t)));
    links.push_back(HlpParagraphs(std::vector<std::string>(100, para)));
    text += 100 * para.size();
  }
  return MakeHlp(o, links);
}

void Run(benchmark::State& state, const std::string& input) {
  if (input.empty()) {
    state.SkipWithError("sample not found");
    return;
  }
  for (auto _ : state) {
    MemorySink sink(kMaxOutputBytes);
    const Status s = ReadHlp(input, sink, ReadContext{});
    if (!s.ok()) state.SkipWithError(s.message().c_str());
    benchmark::DoNotOptimize(sink.text().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

void BM_ReadHlpSample(benchmark::State& state) {
  static const std::string sample = Sample();
  Run(state, sample);
}
BENCHMARK(BM_ReadHlpSample)->Unit(benchmark::kMillisecond);

void BM_ReadHlpStored4MB(benchmark::State& state) {
  static const std::string hlp = Synthetic(HlpPhraseKind::kNone);
  Run(state, hlp);
}
BENCHMARK(BM_ReadHlpStored4MB)->Unit(benchmark::kMillisecond);

void BM_ReadHlpHallPhrases4MB(benchmark::State& state) {
  static const std::string hlp = Synthetic(HlpPhraseKind::kHall);
  Run(state, hlp);
}
BENCHMARK(BM_ReadHlpHallPhrases4MB)->Unit(benchmark::kMillisecond);

void BM_ExpandLz77Block(benchmark::State& state) {
  std::string text;
  for (int k = 0; text.size() < 0x4000 - 12; ++k) {
    text += folian::charset::Utf8ToGbk("第") + std::to_string(k) + folian::charset::Utf8ToGbk("回 话说天下大势");
  }
  text.resize(0x4000 - 12);
  const std::string packed = CompressHlpLz77(text);
  std::string out;
  for (auto _ : state) {
    out.clear();
    hlp::ExpandLz77(packed, 0x4000 - 12, &out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ExpandLz77Block);

}  // namespace
