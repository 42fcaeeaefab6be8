// Simplified/traditional conversion of a 20 MB novel beside OpenCC in the
// same run, and the cost of loading the dictionaries.
//
// The novel is the shared clean novels repeated to 20 MB (GBK, simplified);
// its traditional form is the s2t result. Every figure counts the GBK size
// of the text, so MB/s compare the same novel: ours converts the GBK bytes,
// OpenCC the same text as UTF-8 (its own input), and "OpenCC GBK" is the
// conversion as it was done before ours (GBK -> UTF-8 -> OpenCC -> GBK).
#include <benchmark/benchmark.h>
#include <opencc/SimpleConverter.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "charset/codepage.h"
#include "charset/ocd2.h"
#include "charset/script.h"
#include "charset/script_table.h"

namespace {

using namespace folian::charset;

constexpr std::size_t kNovelBytes = std::size_t{20} << 20;
const char* const kOpenccDir = "/usr/share/opencc";

struct Novel {
  std::string simplified, traditional;            // GBK
  std::string simplified_utf8, traditional_utf8;  // the same texts for OpenCC
  bool ok = false;
};

const Novel& GetNovel() {
  static const Novel novel = [] {
    Novel n;
    std::vector<std::filesystem::path> paths;
    std::error_code ec;
    const auto dir = std::filesystem::path(FOLIAN_SHARED_DIR) / "text" / "clean";
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
      if (e.path().string().ends_with(".gbk.txt")) paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    std::string once;
    for (const auto& p : paths) {
      std::ifstream in(p, std::ios::binary);
      std::ostringstream s;
      s << in.rdbuf();
      once += s.str();
    }
    const ScriptTable* table = LoadScriptTable(ScriptDirection::kToTraditional);
    if (once.empty() || !table) return n;
    while (n.simplified.size() < kNovelBytes) n.simplified += once;
    n.simplified.resize(kNovelBytes);
    // Cut at a line end so the text ends with a whole character.
    n.simplified.resize(n.simplified.rfind('\n') + 1);
    n.traditional = table->Convert(n.simplified);
    n.simplified_utf8 = GbkToUtf8(n.simplified);
    n.traditional_utf8 = GbkToUtf8(n.traditional);
    n.ok = true;
    return n;
  }();
  return novel;
}

bool NeedNovel(benchmark::State& state) {
  if (GetNovel().ok) return true;
  state.SkipWithError("shared novels or OpenCC dictionaries not found");
  return false;
}

// --- ours ---

void Load(benchmark::State& state, const char* phrases, const char* characters) {
  const std::filesystem::path dir = kOpenccDir;
  for (auto _ : state) {
    const Ocd2Result p = ReadOcd2File(dir / phrases);
    const Ocd2Result c = ReadOcd2File(dir / characters);
    auto table = ScriptTable::Build(p.dict, c.dict);
    if (!table) state.SkipWithError("cannot load the dictionaries");
    benchmark::DoNotOptimize(table.get());
  }
}
void BM_Load_S2T(benchmark::State& state) { Load(state, "STPhrases.ocd2", "STCharacters.ocd2"); }
void BM_Load_T2S(benchmark::State& state) { Load(state, "TSPhrases.ocd2", "TSCharacters.ocd2"); }

void Ours(benchmark::State& state, ScriptDirection direction, const std::string& in) {
  const ScriptTable* table = LoadScriptTable(direction);
  std::string out;
  for (auto _ : state) {
    out.clear();
    table->Convert(in, 0, in.size(), &out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
void BM_Ours_S2T(benchmark::State& state) {
  if (NeedNovel(state)) Ours(state, ScriptDirection::kToTraditional, GetNovel().simplified);
}
void BM_Ours_T2S(benchmark::State& state) {
  if (NeedNovel(state)) Ours(state, ScriptDirection::kToSimplified, GetNovel().traditional);
}

// The whole call the window and the CLI make: a copy in, slices with
// progress checks, the result moved back.
void ConvertScriptRun(benchmark::State& state, ScriptMode mode, const std::string& in) {
  for (auto _ : state) {
    std::string text = in;
    ConvertScript(text, mode);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}
void BM_ConvertScript_GbToGbk(benchmark::State& state) {
  if (NeedNovel(state)) ConvertScriptRun(state, ScriptMode::kGbToGbk, GetNovel().simplified);
}
void BM_ConvertScript_GbkToGb(benchmark::State& state) {
  if (NeedNovel(state)) ConvertScriptRun(state, ScriptMode::kGbkToGb, GetNovel().traditional);
}

// --- OpenCC ---

void BM_OpenCC_Load_S2T(benchmark::State& state) {
  for (auto _ : state) {
    opencc::SimpleConverter converter(std::string(kOpenccDir) + "/s2t.json");
    benchmark::DoNotOptimize(&converter);
  }
}

void Opencc(benchmark::State& state, const char* config, const std::string& utf8, std::size_t gbk_size) {
  const opencc::SimpleConverter converter(std::string(kOpenccDir) + "/" + config);
  for (auto _ : state) benchmark::DoNotOptimize(converter.Convert(utf8));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * gbk_size));
}
void BM_OpenCC_S2T(benchmark::State& state) {
  if (NeedNovel(state)) Opencc(state, "s2t.json", GetNovel().simplified_utf8, GetNovel().simplified.size());
}
void BM_OpenCC_T2S(benchmark::State& state) {
  if (NeedNovel(state)) Opencc(state, "t2s.json", GetNovel().traditional_utf8, GetNovel().traditional.size());
}
// OpenCC as the GBK conversion used it: through UTF-8 both ways.
void BM_OpenCCGbk_S2T(benchmark::State& state) {
  if (!NeedNovel(state)) return;
  const opencc::SimpleConverter converter(std::string(kOpenccDir) + "/s2t.json");
  const std::string& in = GetNovel().simplified;
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToGbk(converter.Convert(GbkToUtf8(in))));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
}

BENCHMARK(BM_Load_S2T)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load_T2S)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCC_Load_S2T)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ours_S2T)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ours_T2S)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertScript_GbToGbk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertScript_GbkToGb)->Unit(benchmark::kMillisecond);
// Seconds per run: one iteration each is enough to compare.
BENCHMARK(BM_OpenCC_S2T)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OpenCC_T2S)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OpenCCGbk_S2T)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
