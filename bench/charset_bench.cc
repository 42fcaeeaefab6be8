// Code-page conversion speed beside glibc iconv and ICU over a ~20 MB novel
// text (the script conversion has its own, bench/script_bench.cc).
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "charset/codepage.h"
#include "charset/script.h"

namespace {

using namespace folian::charset;

struct Corpus {
  std::string gbk, big5, utf8;
  std::u16string wide;
  std::u16string wide_big5;  // what Big5 holds of the text
  bool ok = false;
};

const Corpus& GetCorpus() {
  static const Corpus corpus = [] {
    Corpus c;
    std::vector<std::string> novels;
    std::error_code ec;
    const auto dir = std::filesystem::path(FOLIAN_SHARED_DIR) / "text" / "clean";
    std::vector<std::filesystem::path> paths;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
      if (e.path().string().ends_with(".gbk.txt")) paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    for (const auto& p : paths) {
      std::ifstream in(p, std::ios::binary);
      std::ostringstream s;
      s << in.rdbuf();
      novels.push_back(s.str());
    }
    if (novels.empty()) return c;
    std::string once;
    for (const auto& n : novels) once += n;
    // The Big5 text is the same novels in traditional script, made once.
    std::string big5_once = once;
    if (!ConvertScript(big5_once, ScriptMode::kGbToBig5)) return c;
    while (c.gbk.size() < 20u << 20) {
      c.gbk += once;
      c.big5 += big5_once;
    }
    c.wide = ToWide(kGbk, c.gbk);
    c.utf8 = GbkToUtf8(c.gbk);
    c.wide_big5 = ToWide(kBig5, c.big5);
    c.ok = true;
    return c;
  }();
  return corpus;
}

bool NeedCorpus(benchmark::State& state) {
  if (GetCorpus().ok) return true;
  state.SkipWithError("shared novels not found under " FOLIAN_SHARED_DIR "/text/clean");
  return false;
}

// --- Folian: into a reused string (like iconv and ICU below, which write
// into a preallocated buffer), and returning a fresh string ---

template <typename In, typename Out, typename Fn>
void FolianRun(benchmark::State& state, const In& in, std::size_t counted, Fn fn) {
  Out out;
  for (auto _ : state) {
    fn(in, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * counted);
}

void BM_Folian_GbkToUtf16(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  FolianRun<std::string, std::u16string>(state, c.gbk, c.gbk.size(),
                                         [](const std::string& in, std::u16string& out) { ToWide(kGbk, in, out); });
}
void BM_Folian_Utf16ToGbk(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  FolianRun<std::u16string, std::string>(state, c.wide, c.gbk.size(),
                                         [](const std::u16string& in, std::string& out) { FromWide(kGbk, in, out); });
}
void BM_Folian_GbkToUtf8(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  FolianRun<std::string, std::string>(state, c.gbk, c.gbk.size(),
                                      [](const std::string& in, std::string& out) { GbkToUtf8(in, out); });
}
void BM_Folian_Utf8ToGbk(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  FolianRun<std::string, std::string>(state, c.utf8, c.gbk.size(),
                                      [](const std::string& in, std::string& out) { Utf8ToGbk(in, out); });
}
void BM_Folian_Big5ToUtf16(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  FolianRun<std::string, std::u16string>(state, c.big5, c.big5.size(),
                                         [](const std::string& in, std::u16string& out) { ToWide(kBig5, in, out); });
}
void BM_Folian_Utf16ToBig5(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  FolianRun<std::u16string, std::string>(state, c.wide_big5, c.big5.size(),
                                         [](const std::u16string& in, std::string& out) { FromWide(kBig5, in, out); });
}

void BM_FolianFresh_GbkToUtf16(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  for (auto _ : state) benchmark::DoNotOptimize(ToWide(kGbk, c.gbk));
  state.SetBytesProcessed(state.iterations() * c.gbk.size());
}
void BM_FolianFresh_Utf16ToGbk(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  for (auto _ : state) benchmark::DoNotOptimize(FromWide(kGbk, c.wide));
  state.SetBytesProcessed(state.iterations() * c.gbk.size());
}
void BM_FolianFresh_GbkToUtf8(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  for (auto _ : state) benchmark::DoNotOptimize(GbkToUtf8(c.gbk));
  state.SetBytesProcessed(state.iterations() * c.gbk.size());
}
void BM_FolianFresh_Utf8ToGbk(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToGbk(c.utf8));
  state.SetBytesProcessed(state.iterations() * c.gbk.size());
}
void BM_FolianFresh_Big5ToUtf16(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  for (auto _ : state) benchmark::DoNotOptimize(ToWide(kBig5, c.big5));
  state.SetBytesProcessed(state.iterations() * c.big5.size());
}
void BM_FolianFresh_Utf16ToBig5(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  for (auto _ : state) benchmark::DoNotOptimize(FromWide(kBig5, c.wide_big5));
  state.SetBytesProcessed(state.iterations() * c.big5.size());
}

// --- glibc iconv ---

void IconvRun(benchmark::State& state, const char* to, const char* from, const char* in, std::size_t in_size,
              std::size_t out_capacity, std::size_t counted) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv_open failed");
    return;
  }
  std::vector<char> out(out_capacity);
  for (auto _ : state) {
    char* ip = const_cast<char*>(in);
    std::size_t il = in_size;
    char* op = out.data();
    std::size_t ol = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) {
      state.SkipWithError("iconv failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  iconv_close(cd);
  state.SetBytesProcessed(state.iterations() * counted);
}

void BM_Iconv_GbkToUtf16(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  IconvRun(state, "UTF-16LE", "CP936", c.gbk.data(), c.gbk.size(), c.gbk.size() * 2 + 16, c.gbk.size());
}
void BM_Iconv_Utf16ToGbk(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  IconvRun(state, "CP936", "UTF-16LE", reinterpret_cast<const char*>(c.wide.data()), c.wide.size() * 2,
           c.gbk.size() + 16, c.gbk.size());
}
void BM_Iconv_GbkToUtf8(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  IconvRun(state, "UTF-8", "CP936", c.gbk.data(), c.gbk.size(), c.gbk.size() * 3 + 16, c.gbk.size());
}
void BM_Iconv_Utf8ToGbk(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  IconvRun(state, "CP936", "UTF-8", c.utf8.data(), c.utf8.size(), c.gbk.size() + 16, c.gbk.size());
}
void BM_Iconv_Big5ToUtf16(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  IconvRun(state, "UTF-16LE", "CP950", c.big5.data(), c.big5.size(), c.big5.size() * 2 + 16, c.big5.size());
}
void BM_Iconv_Utf16ToBig5(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  IconvRun(state, "CP950", "UTF-16LE", reinterpret_cast<const char*>(c.wide_big5.data()), c.wide_big5.size() * 2,
           c.big5.size() + 16, c.big5.size());
}

// --- ICU ---

UConverter* OpenIcu(const char* name) {
  UErrorCode e = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open(name, &e);
  if (U_FAILURE(e)) throw std::runtime_error(name);
  return cnv;
}

void IcuToUtf16(benchmark::State& state, const char* name, const std::string& in) {
  UConverter* cnv = OpenIcu(name);
  std::vector<UChar> out(in.size() + 16);
  for (auto _ : state) {
    UErrorCode e = U_ZERO_ERROR;
    benchmark::DoNotOptimize(ucnv_toUChars(cnv, out.data(), static_cast<int32_t>(out.size()), in.data(),
                                           static_cast<int32_t>(in.size()), &e));
  }
  ucnv_close(cnv);
  state.SetBytesProcessed(state.iterations() * in.size());
}

void IcuFromUtf16(benchmark::State& state, const char* name, const std::u16string& in, std::size_t counted) {
  UConverter* cnv = OpenIcu(name);
  std::vector<char> out(in.size() * 2 + 16);
  for (auto _ : state) {
    UErrorCode e = U_ZERO_ERROR;
    benchmark::DoNotOptimize(ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()),
                                             reinterpret_cast<const UChar*>(in.data()),
                                             static_cast<int32_t>(in.size()), &e));
  }
  ucnv_close(cnv);
  state.SetBytesProcessed(state.iterations() * counted);
}

void IcuConvert(benchmark::State& state, const char* to, const char* from, const std::string& in,
                std::size_t out_capacity, std::size_t counted) {
  UConverter* target = OpenIcu(to);
  UConverter* source = OpenIcu(from);
  std::vector<char> out(out_capacity);
  for (auto _ : state) {
    UErrorCode e = U_ZERO_ERROR;
    char* op = out.data();
    const char* ip = in.data();
    ucnv_convertEx(target, source, &op, out.data() + out.size(), &ip, in.data() + in.size(), nullptr, nullptr,
                   nullptr, nullptr, true, true, &e);
    benchmark::DoNotOptimize(op);
  }
  ucnv_close(target);
  ucnv_close(source);
  state.SetBytesProcessed(state.iterations() * counted);
}

void BM_Icu_GbkToUtf16(benchmark::State& state) {
  if (NeedCorpus(state)) IcuToUtf16(state, "windows-936-2000", GetCorpus().gbk);
}
void BM_Icu_Utf16ToGbk(benchmark::State& state) {
  if (NeedCorpus(state)) IcuFromUtf16(state, "windows-936-2000", GetCorpus().wide, GetCorpus().gbk.size());
}
void BM_Icu_GbkToUtf8(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  IcuConvert(state, "UTF-8", "windows-936-2000", c.gbk, c.gbk.size() * 3 + 16, c.gbk.size());
}
void BM_Icu_Utf8ToGbk(benchmark::State& state) {
  if (!NeedCorpus(state)) return;
  const auto& c = GetCorpus();
  IcuConvert(state, "windows-936-2000", "UTF-8", c.utf8, c.gbk.size() + 16, c.gbk.size());
}
void BM_Icu_Big5ToUtf16(benchmark::State& state) {
  if (NeedCorpus(state)) IcuToUtf16(state, "windows-950-2000", GetCorpus().big5);
}
void BM_Icu_Utf16ToBig5(benchmark::State& state) {
  if (NeedCorpus(state)) IcuFromUtf16(state, "windows-950-2000", GetCorpus().wide_big5, GetCorpus().big5.size());
}

#define FOLIAN_TRIO(name)                                           \
  BENCHMARK(BM_Folian_##name)->Unit(benchmark::kMillisecond);      \
  BENCHMARK(BM_FolianFresh_##name)->Unit(benchmark::kMillisecond); \
  BENCHMARK(BM_Iconv_##name)->Unit(benchmark::kMillisecond);  \
  BENCHMARK(BM_Icu_##name)->Unit(benchmark::kMillisecond)

FOLIAN_TRIO(GbkToUtf16);
FOLIAN_TRIO(Utf16ToGbk);
FOLIAN_TRIO(GbkToUtf8);
FOLIAN_TRIO(Utf8ToGbk);
FOLIAN_TRIO(Big5ToUtf16);
FOLIAN_TRIO(Utf16ToBig5);

}  // namespace
