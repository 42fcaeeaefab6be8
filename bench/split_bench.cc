// Merging and splitting at the sizes readers meet:
//   ChapterAnalysis/*  the chapter pattern over a 20 MB GBK novel: ours (with
//                      and without WHOLECHARS) beside PCRE2-JIT on the same
//                      pattern and text
//   SplitByChapter/*   that novel into its chapters: the pieces built, and
//                      built and written (each file atomically)
//   SplitBySize/*      the same file into 100 KB pieces
//   Merge1000          1,000 files of 20 KB read, joined and written
// Files go to a scratch folder under the system's temporary folder.
#include <benchmark/benchmark.h>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/chapters.h"
#include "files/merge.h"
#include "files/split.h"
#include "regex/regex.h"
#include "text/atomic_write.h"

namespace {

namespace fs = std::filesystem;
using namespace folian;

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// 20 MB of the shared GBK novels, CR LF lines, as the editor holds a
// downloaded novel.
const std::string& Novel() {
  static const std::string text = [] {
    std::vector<std::string> novels;
    for (const char* n : {"xiyouji", "sanguo", "hongloumeng", "rulin", "laocan"}) {
      std::string t = ReadFile(std::string(FOLIAN_SHARED_DIR) + "/text/clean/" + n + ".gbk.txt");
      if (!t.empty()) novels.push_back(std::move(t));
    }
    std::string out;
    if (novels.empty()) return out;
    out.reserve(21u << 20);
    for (std::size_t k = 0; out.size() < (20u << 20); ++k) {
      for (char c : novels[k % novels.size()]) {
        if (c == '\n') out += '\r';
        out += c;
      }
    }
    out.resize(20u << 20);
    out.resize(out.rfind('\n') + 1);
    return out;
  }();
  return text;
}

// A scratch folder, emptied when the process ends.
const fs::path& Scratch() {
  static struct Dir {
    fs::path path;
    Dir() {
      std::string tmpl = (fs::temp_directory_path() / "folian-bench.XXXXXX").string();
      if (::mkdtemp(tmpl.data()) != nullptr) path = tmpl;
    }
    ~Dir() {
      std::error_code ec;
      if (!path.empty()) fs::remove_all(path, ec);
    }
  } dir;
  return dir.path;
}

fs::path Fresh(const char* name) {
  const fs::path p = Scratch() / name;
  std::error_code ec;
  fs::remove_all(p, ec);
  fs::create_directories(p);
  return p;
}

// --- chapter analysis ---

void BM_ChapterAnalysis_Folian(benchmark::State& state) {
  const std::string& text = Novel();
  if (text.empty()) return state.SkipWithError("../shared/text not found");
  std::size_t chapters = 0;
  for (auto _ : state) {
    chapters = files::FindChapters(text, files::DefaultChapterPattern()).chapters.size();
  }
  state.counters["chapters"] = static_cast<double>(chapters);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ChapterAnalysis_Folian)->Unit(benchmark::kMillisecond)->UseRealTime();

// The byte dialect alone (no character-start check), for the check's cost.
void BM_ChapterAnalysis_FolianBytes(benchmark::State& state) {
  const std::string& text = Novel();
  if (text.empty()) return state.SkipWithError("../shared/text not found");
  const regex::Pattern p =
      regex::Pattern::Compiled(files::DefaultChapterPattern(), regex::ALLMATCHES | regex::KEEPGROUPS);
  std::size_t matches = 0;
  for (auto _ : state) {
    matches = p.ForEachMatch(text, [](std::span<const regex::Span>) { return true; });
  }
  state.counters["chapters"] = static_cast<double>(matches);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ChapterAnalysis_FolianBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ChapterAnalysis_Pcre2Jit(benchmark::State& state) {
  const std::string& text = Novel();
  if (text.empty()) return state.SkipWithError("../shared/text not found");
  const std::string& pattern = files::DefaultChapterPattern();
  int err = 0;
  PCRE2_SIZE off = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), 0,
                                   &err, &off, nullptr);
  if (code == nullptr) return state.SkipWithError("PCRE2 does not compile the pattern");
  pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
  pcre2_match_data* md = pcre2_match_data_create_from_pattern(code, nullptr);
  std::size_t chapters = 0;
  for (auto _ : state) {
    chapters = 0;
    PCRE2_SIZE from = 0;
    // The pattern never matches empty, so each search resumes at the last end.
    while (pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), from, 0, md,
                       nullptr) > 0) {
      const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(md);
      ++chapters;
      from = ov[1];
    }
  }
  pcre2_match_data_free(md);
  pcre2_code_free(code);
  state.counters["chapters"] = static_cast<double>(chapters);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ChapterAnalysis_Pcre2Jit)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- splitting ---

const std::vector<files::Chapter>& NovelChapters() {
  static const std::vector<files::Chapter> chapters =
      files::FindChapters(Novel(), files::DefaultChapterPattern()).chapters;
  return chapters;
}

void BM_SplitByChapter_Plan(benchmark::State& state) {
  const std::string& text = Novel();
  if (text.empty()) return state.SkipWithError("../shared/text not found");
  const auto& chapters = NovelChapters();
  const fs::path out = Fresh("chapters");
  std::size_t pieces = 0;
  for (auto _ : state) {
    pieces = files::PlanChapterSplit(text, chapters, {text::kBomAnsi, false}, out, "novel").pieces.size();
  }
  state.counters["pieces"] = static_cast<double>(pieces);
}
BENCHMARK(BM_SplitByChapter_Plan)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SplitByChapter_Write(benchmark::State& state) {
  const std::string& text = Novel();
  if (text.empty()) return state.SkipWithError("../shared/text not found");
  const auto& chapters = NovelChapters();
  const fs::path out = Fresh("chapters");
  std::size_t pieces = 0;
  for (auto _ : state) {
    const files::SplitPlan plan =
        files::PlanChapterSplit(text, chapters, {text::kBomAnsi, false}, out, "novel");
    const files::SplitResult r = files::WritePieces(plan, /*replace_existing=*/true);
    if (!r.ok()) return state.SkipWithError(r.error.c_str());
    pieces = r.written;
  }
  state.counters["pieces"] = static_cast<double>(pieces);
}
BENCHMARK(BM_SplitByChapter_Write)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_SplitBySize(benchmark::State& state) {
  const std::string& text = Novel();
  if (text.empty()) return state.SkipWithError("../shared/text not found");
  const bool write = state.range(0) != 0;
  const fs::path out = Fresh("sizes");
  std::size_t pieces = 0;
  for (auto _ : state) {
    files::SplitPlan plan;
    files::PlanSizeSplit(text, 100u << 10, out, "novel", &plan);
    pieces = plan.pieces.size();
    if (write) {
      const files::SplitResult r = files::WritePieces(plan, /*replace_existing=*/true);
      if (!r.ok()) return state.SkipWithError(r.error.c_str());
    }
  }
  state.counters["pieces"] = static_cast<double>(pieces);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
// Argument 0: the pieces built; 1: built and written.
BENCHMARK(BM_SplitBySize)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- merging ---

const std::vector<fs::path>& ChapterFiles() {
  static const std::vector<fs::path> files = [] {
    std::vector<fs::path> out;
    const std::string& text = Novel();
    if (text.empty()) return out;
    const fs::path dir = Fresh("sources");
    constexpr std::size_t kFileBytes = 20u << 10;
    std::size_t pos = 0;
    for (int i = 0; i < 1000; ++i) {
      std::size_t end = text.find('\n', pos + kFileBytes);
      if (end == std::string::npos) end = text.size() - 1;
      char name[32];
      std::snprintf(name, sizeof name, "%04d.txt", i);
      out.push_back(dir / name);
      text::WriteFileAtomic(out.back(), std::string_view(text).substr(pos, end + 1 - pos));
      pos = end + 1;
    }
    return out;
  }();
  return files;
}

void BM_Merge1000(benchmark::State& state) {
  const auto& sources = ChapterFiles();
  if (sources.empty()) return state.SkipWithError("../shared/text not found");
  const fs::path target = Fresh("merged") / "all.txt";
  std::size_t bytes = 0;
  for (auto _ : state) {
    const files::MergedText merged = files::BuildMergedText(sources, /*headings=*/true);
    const files::MergeOutcome o = files::WriteMerged(target, merged, /*replace_existing=*/true, false);
    if (!o.written) return state.SkipWithError(o.error.c_str());
    bytes = merged.gbk.size();
  }
  state.counters["files"] = static_cast<double>(sources.size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_Merge1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
