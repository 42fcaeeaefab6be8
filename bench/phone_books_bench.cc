// UMD and JAR books both ways: Umd2txt and Jar2txt on a novel-sized book
// (2 MB of GBK text), txt2umd and txt2jar packing it, and Umd2txt on the
// shared sample an independent library wrote. Bytes per second are of the
// GBK text.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "convert/jar/jar_reader.h"
#include "convert/jar/jar_writer.h"
#include "convert/limits.h"
#include "convert/source_text.h"
#include "convert/text_sink.h"
#include "convert/umd/umd_reader.h"
#include "convert/umd/umd_writer.h"

namespace {

using namespace folian::convert;

// About 2 MB of GBK novel text, with line breaks.
const std::string& NovelGbk() {
  static const std::string text = [] {
    const std::string line =
        "\xCB\xB5\xC0\xB4\xBB\xB0\xB3\xA4\xA3\xAC\xC7\xD2\xCC\xFD\xCF\xC2\xBB\xD8\xB7\xD6\xBD\xE2\xA1\xA3"
        "\xCB\xFB\xD7\xDF\xBD\xF8\xBF\xCD\xD5\xBB\xA3\xAC\xBF\xB4\xBC\xFB\xD2\xBB\xB0\xD1\xB1\xA6\xBD\xA3\r\n";
    std::string t;
    while (t.size() < (2u << 20)) t += line;
    return t;
  }();
  return text;
}

std::string Umd() {
  std::string book;
  WriteUmd({u"t", u"a", DecodeSource(NovelGbk()).units}, &book);
  return book;
}

std::string Jar() {
  const SourceText src = DecodeSource(NovelGbk());
  std::string archive;
  WriteJar(JarTextEntry(src, NovelGbk()), "book", {}, &archive);
  return archive;
}

void BM_Umd2Txt(benchmark::State& state) {
  const std::string book = Umd();
  for (auto _ : state) {
    MemorySink sink(kMaxOutputBytes);
    if (!ReadUmd(book, sink, {})) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(sink.text().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * NovelGbk().size()));
}
BENCHMARK(BM_Umd2Txt)->Unit(benchmark::kMillisecond);

void BM_Txt2Umd(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Umd());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * NovelGbk().size()));
}
BENCHMARK(BM_Txt2Umd)->Unit(benchmark::kMillisecond);

void BM_Jar2Txt(benchmark::State& state) {
  const std::string archive = Jar();
  for (auto _ : state) {
    MemorySink sink(kMaxOutputBytes);
    if (!ReadJar(archive, sink, {})) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(sink.text().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * NovelGbk().size()));
}
BENCHMARK(BM_Jar2Txt)->Unit(benchmark::kMillisecond);

void BM_Txt2Jar(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(Jar());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * NovelGbk().size()));
}
BENCHMARK(BM_Txt2Jar)->Unit(benchmark::kMillisecond);

// The shared sample an independent library wrote (its own reader: 0.26 s).
void BM_Umd2TxtSharedSample(benchmark::State& state) {
  const std::filesystem::path path =
      std::filesystem::path(FOLIAN_SHARED_DIR) / "formats/generated/umd/en_alice.legado-umdlib.umd";
  std::ifstream in(path, std::ios::binary);
  const std::string book((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (book.empty()) {
    state.SkipWithError("no shared sample");
    return;
  }
  for (auto _ : state) {
    MemorySink sink(kMaxOutputBytes);
    if (!ReadUmd(book, sink, {})) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(sink.text().data());
  }
}
BENCHMARK(BM_Umd2TxtSharedSample)->Unit(benchmark::kMillisecond);

}  // namespace
