// Loading and saving a 20 MB novel in each stored encoding: the cost a user
// pays when opening a file and at every save or tidy write-back.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "text/text_file.h"
#include "text/utf_tests.h"

namespace {

namespace fs = std::filesystem;
using folian::text::StoredEncoding;

// ~20 MB of GBK prose: the shared novels when present, else one repeated line.
const std::string& NovelGbk() {
  static const std::string text = [] {
    std::string seed;
    for (const char* name : {"xiyouji.gbk.txt", "laocan.gbk.txt", "rulin.gbk.txt"}) {
      std::ifstream in(fs::path(FOLIAN_SHARED_DIR) / "text" / "clean" / name, std::ios::binary);
      seed.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (seed.empty()) seed = "\xB5\xDA\xD2\xBB\xD5\xC2 \xD1\xA9\xD2\xB9\r\n";
    std::string out;
    while (out.size() < 20u << 20) out += seed;
    return out;
  }();
  return text;
}

struct Files {
  fs::path dir;
  Files() {
    std::string tmpl = (fs::temp_directory_path() / "folian-bench.XXXXXX").string();
    if (::mkdtemp(tmpl.data()) != nullptr) dir = tmpl;
  }
  ~Files() {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
  }
  fs::path For(StoredEncoding enc) {
    fs::path p = dir / ("novel-" + std::to_string(enc.bom_class) + (enc.mark ? "m" : "") + ".txt");
    if (!fs::exists(p)) folian::text::SaveTextFile(p, NovelGbk(), enc, {0, true});
    return p;
  }
};

Files& BenchFiles() {
  static Files files;
  return files;
}

StoredEncoding EncodingArg(const benchmark::State& state) {
  return {static_cast<int>(state.range(0)), state.range(1) != 0};
}

void BM_LoadTextFile(benchmark::State& state) {
  fs::path p = BenchFiles().For(EncodingArg(state));
  folian::text::LoadedText loaded;
  for (auto _ : state) {
    if (!folian::text::LoadTextFile(p, &loaded)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(loaded.text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(p)));
}

void BM_SaveTextFile(benchmark::State& state) {
  StoredEncoding enc = EncodingArg(state);
  fs::path p = BenchFiles().dir / "save.txt";
  for (auto _ : state) {
    if (!folian::text::SaveTextFile(p, NovelGbk(), enc)) state.SkipWithError("save failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * NovelGbk().size()));
}

// The test every mark-less file goes through on load; a UTF-8 novel passes it whole.
void BM_LooksLikeUtf8(benchmark::State& state) {
  std::ifstream in(BenchFiles().For({folian::text::kBomUtf8, false}), std::ios::binary);
  const std::string text(std::istreambuf_iterator<char>(in), {});
  for (auto _ : state)
    if (!folian::text::LooksLikeUtf8(text)) state.SkipWithError("not UTF-8");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// Arguments: class (1 ANSI, 2 UTF-8, 3 UTF-16LE, 4 UTF-16BE), mark.
#define FOLIAN_ENCODINGS \
  ArgNames({"class", "mark"})->Args({1, 0})->Args({2, 0})->Args({2, 1})->Args({3, 1})->Args({4, 1}) \
      ->Unit(benchmark::kMillisecond)
BENCHMARK(BM_LoadTextFile)->FOLIAN_ENCODINGS;
BENCHMARK(BM_SaveTextFile)->FOLIAN_ENCODINGS;
BENCHMARK(BM_LooksLikeUtf8)->Unit(benchmark::kMillisecond);

}  // namespace
