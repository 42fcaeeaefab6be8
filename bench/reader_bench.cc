#include "reader_bench.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "convert/limits.h"
#include "convert/text_sink.h"

namespace folian::bench {

std::string FormatSample(const char* relative) {
  std::ifstream in(std::filesystem::path(FOLIAN_SHARED_DIR) / "formats" / relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RunReader(benchmark::State& state, convert::TextReader read, const std::string& input) {
  if (input.empty()) {
    state.SkipWithError("sample not found (../shared/formats)");
    return;
  }
  std::size_t text = 0;
  for (auto _ : state) {
    convert::MemorySink sink(convert::kMaxOutputBytes);
    const convert::Status s = read(input, sink, convert::ReadContext{});
    if (!s.ok()) state.SkipWithError(s.message().c_str());
    text = sink.text().size();
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
  state.counters["text_bytes"] = static_cast<double>(text);
}

}  // namespace folian::bench
