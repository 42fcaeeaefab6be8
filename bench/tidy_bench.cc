// End-to-end tidy of a 20 MB GBK novel with advertising (default options,
// advertising removal on): the fast engine beside the full-pass reference,
// with and without the advertisement detector (which must keep the whole
// run at 100 MB/s or more), and the detector alone.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tidy/ad_detector.h"
#include "tidy/ad_removal.h"
#include "tidy/anchor_filter.h"
#include "tidy/pattern_chain.h"
#include "tidy/line_scanner.h"
#include "tidy/rule_table.h"
#include "tidy/tidy_text.h"

namespace {

using namespace folian::tidy;

constexpr std::size_t kTargetBytes = 20u << 20;

// The polluted sample novels, repeated up to 20 MB; empty when absent.
const std::string& Novel() {
  static const std::string text = [] {
    std::string one;
    const auto dir = std::filesystem::path(FOLIAN_SHARED_DIR) / "text" / "polluted";
    for (const char* name : {"polluted-dev-01.txt", "polluted-dev-02.txt", "polluted-dev-03.txt"}) {
      std::ifstream in(dir / name, std::ios::binary);
      std::ostringstream ss;
      ss << in.rdbuf();
      one += ss.str();
    }
    std::string all;
    if (one.empty()) return all;
    all.reserve(kTargetBytes + one.size());
    while (all.size() < kTargetBytes) all += one;
    all.resize(kTargetBytes);
    return all;
  }();
  return text;
}

void RunTidy(benchmark::State& state, AdEngine engine, bool detector = true) {
  const std::string& text = Novel();
  if (text.empty()) {
    state.SkipWithError("shared text material not found");
    return;
  }
  static const AdRemover remover(BuiltinRules());
  TidyParams params;
  params.engine = engine;
  params.remover = &remover;
  params.ad_detector = detector;
  for (auto _ : state) {
    auto out = TidyText(text, TidyOptions::AtStart(), BuiltinRules(), params);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

void BM_TidyFast(benchmark::State& state) { RunTidy(state, AdEngine::kFast); }
void BM_TidyReference(benchmark::State& state) { RunTidy(state, AdEngine::kReference); }
// The table alone, to see what the detector costs.
void BM_TidyFastNoDetector(benchmark::State& state) { RunTidy(state, AdEngine::kFast, false); }

// The advertisement detector alone, on the text the rule stages leave.
void BM_DetectorOnly(benchmark::State& state) {
  const std::string& text = Novel();
  if (text.empty()) return state.SkipWithError("shared text material not found");
  static const AdRemover remover(BuiltinRules());
  TidyParams params;
  params.remover = &remover;
  params.ad_detector = false;
  const std::string staged = *TidyText(text, TidyOptions::AtStart(), BuiltinRules(), params);
  for (auto _ : state) {
    std::string work = staged;
    RemoveDetectedAds(work);
    benchmark::DoNotOptimize(work);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(staged.size()));
}

// The parts of the fast run, to see where the time goes.
void BM_ScanOnly(benchmark::State& state) {
  const std::string& text = Novel();
  if (text.empty()) return state.SkipWithError("shared text material not found");
  ScanConfig c;
  c.footer_token = BuiltinRules().footer_token;
  c.footer_site_name = BuiltinRules().footer_site_name;
  for (auto _ : state) {
    std::string out;
    out.reserve(text.size() * 7 / 5);
    std::vector<std::string> titles;
    ScanLines(text, c, &out, &titles);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

void BM_AdStagesFast(benchmark::State& state) {
  const std::string& text = Novel();
  if (text.empty()) return state.SkipWithError("shared text material not found");
  std::string scanned;
  std::vector<std::string> titles;
  ScanLines(text, ScanConfig{}, &scanned, &titles);
  static const AdRemover remover(BuiltinRules());
  AdRunInput in;
  in.titles = &titles;
  for (auto _ : state) {
    std::string work = scanned;
    remover.Run(work, in);
    benchmark::DoNotOptimize(work);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

// The per-line anchor pass alone: which rules each line of the scanned text
// can fire, with the needles found.
void BM_AnchorPass(benchmark::State& state) {
  const std::string& text = Novel();
  if (text.empty()) return state.SkipWithError("shared text material not found");
  std::string scanned;
  std::vector<std::string> titles;
  ScanLines(text, ScanConfig{}, &scanned, &titles);
  std::vector<std::string_view> lines;
  for (std::size_t from = 0;;) {
    const std::size_t nl = scanned.find('\n', from);
    lines.push_back(std::string_view(scanned).substr(from, nl == std::string::npos ? nl : nl - from));
    if (nl == std::string::npos) break;
    from = nl + 1;
  }
  std::vector<PatternChain> chains;
  std::vector<AnchorFilter::Needle> needles;
  unsigned group = 0;
  for (const auto& stage : BuiltinRules().stages) {
    for (const Rule& r : stage) {
      if (r.kind != RuleKind::kPatternDelete) {
        needles.push_back({r.find, false, nullptr, group});
      } else if (auto c = PatternChain::Parse(r.find, true)) {
        chains.push_back(std::move(*c));
      }
    }
    ++group;
  }
  for (const PatternChain& c : chains) needles.push_back({"", true, &c, group});
  const AnchorFilter filter(needles, scanned);
  std::vector<std::uint32_t> hits;
  for (auto _ : state) {
    std::uint64_t any = 0;
    hits.clear();
    for (std::string_view line : lines) any |= filter.Groups(line, &hits);
    benchmark::DoNotOptimize(any);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(scanned.size()));
}

}  // namespace

BENCHMARK(BM_AnchorPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdStagesFast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectorOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TidyFast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TidyFastNoDetector)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TidyReference)->Unit(benchmark::kMillisecond)->Iterations(1);
