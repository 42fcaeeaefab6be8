// The pattern engine against PCRE2 (interpreter and JIT) on a 20 MB GBK
// novel text with advertisements sprinkled in:
//   Ads/*     the advertisement workload: 73 case-insensitive deletes in sequence
//   Common/*  the common find patterns and the chapter-title pattern, every match kept
#include <benchmark/benchmark.h>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <iconv.h>
#include <pcre2.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "regex/pattern_set.h"
#include "regex/regex.h"

namespace {

using folian::regex::Pattern;

std::string ToGbk(const std::string& utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t in_left = utf8.size();
  char* o = out.data();
  std::size_t out_left = out.size();
  iconv(cd, &in, &in_left, &o, &out_left);
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// 20 MB of novel text (LF lines) with an advertisement line every ~16 KB.
const std::string& Corpus() {
  static const std::string text = [] {
    const std::string dir = std::string(FOLIAN_SHARED_DIR) + "/text/";
    std::vector<std::string> novels;
    for (const char* n : {"hongloumeng", "laocan", "rulin", "sanguo", "xiyouji"}) {
      std::string t = ReadFile(dir + "clean/" + n + ".gbk.txt");
      if (!t.empty()) novels.push_back(std::move(t));
    }
    std::vector<std::string> ads;
    std::istringstream tsv(ReadFile(dir + "ads/dev.gbk.tsv"));
    std::string line;
    std::getline(tsv, line);
    while (std::getline(tsv, line)) {
      const auto a = line.find('\t');
      const auto b = line.find('\t', a + 1);
      if (a != std::string::npos && b != std::string::npos) ads.push_back(line.substr(a + 1, b - a - 1));
    }
    std::string out;
    if (novels.empty()) return out;
    out.reserve(21 << 20);
    std::size_t ad = 0, since_ad = 0;
    for (std::size_t k = 0; out.size() < (20u << 20); ++k) {
      std::istringstream lines(novels[k % novels.size()]);
      while (std::getline(lines, line) && out.size() < (20u << 20)) {
        out += line;
        out += '\n';
        since_ad += line.size();
        if (since_ad > 16000 && !ads.empty()) {
          out += ads[ad++ % ads.size()];
          out += '\n';
          since_ad = 0;
        }
      }
    }
    return out;
  }();
  return text;
}

// "X.{0,2}Y.{0,2}Z" over the characters of `word` (GBK: two bytes each).
std::string Spread(const std::string& utf8_word, const char* gap = ".{0,2}") {
  const std::string gbk = ToGbk(utf8_word);
  std::string out;
  for (std::size_t i = 0; i < gbk.size();) {
    const std::size_t n = static_cast<unsigned char>(gbk[i]) >= 0x81 ? 2 : 1;
    if (!out.empty()) out += gap;
    out += gbk.substr(i, n);
    i += n;
  }
  return out;
}

const std::vector<std::string>& AdPatterns() {
  static const std::vector<std::string> list = [] {
    std::vector<std::string> p;
    for (const char* w : {"更新最快", "更新超快", "会员手打", "小说整理发布于", "小说整理发布", "小说整理"}) p.push_back(Spread(w));
    p.push_back(Spread("文学网", ".{0,1}"));
    p.push_back("[Ww].{0,1}[Ww].{0,1}[Ww]");
    p.push_back("[Cc].{0,1}[Oo0].{0,1}[Mm]");
    p.push_back("[Nn].{0,1}[Ee].{0,1}[Tt]");
    p.push_back(Spread("小说手机站", ".{0,1}"));
    p.push_back(ToGbk("手机阅读.{0,40}本站地址"));
    p.push_back(ToGbk("本书由.{0,60}首发"));
    for (const char* w : {"书包网", "闪舞小说网", "稻草人书屋", "顶点小说网", "乐文小说网", "浩奇文学网", "武林中文网",
                          "手机电子书网", "精华书阁", "吾读小说网", "三优小说网", "恋上你看书网", "悠阅书城",
                          "起点中文网", "纵横中文网", "飞卢小说网", "笔趣阁", "八一中文网", "全本小说网", "小说天堂",
                          "奇书网", "久久小说网", "书香门第", "读书网", "免费小说网", "红袖添香", "潇湘书院",
                          "晋江文学城", "创世中文网", "逐浪小说网", "书海小说网", "言情小说吧", "云来阁", "无弹窗",
                          "手打吧", "快眼看书", "天籁小说网", "书旗小说", "追书神器", "棉花糖小说网"}) {
      p.push_back(Spread(w));
    }
    for (const char* w : {"xiaoshuotxt", "qisuu", "xiabook", "bookbao", "xitxt", "uukanshu", "txtbook", "txtbbs",
                          "qidian", "iamtxt", "abada", "zxtxt", "yunxuange", "yunlaige", "xxqishu", "sjtxt",
                          "shutxt", "shumil", "16k"}) {
      p.push_back(Spread(w));
    }
    p.push_back(ToGbk(" 字数:[0-9]\\d*"));
    return p;
  }();
  return list;
}

const std::vector<std::string>& CommonPatterns() {
  static const std::vector<std::string> list = [] {
    std::vector<std::string> p = {
        "[A-Za-z]+", "[0-9]\\d*", "\\w+", "[a-zA-z]+://[^\\s]*", "[Pp][Ss].*?\\r\\n",
        ToGbk("【.*?】"), ToGbk("（.*?）"), "[\\(\\[\\{\\<].*?[\\)\\]\\}\\>]", ToGbk("《.*?》"),
        ToGbk("\\(.*?）"), ToGbk("（.*?\\)"), ToGbk("第.{1,10}(章|节|節|回|集|篇|部|卷)"),
        ToGbk("点击察看图片链接.*?\\r\\n"), "<.+?>",
        "((((1[6-9]|[2-9]\\d)\\d{2})-(0?[13578]|1[02])-(0?[1-9]|[12]\\d|3[01]))|(((1[6-9]|[2-9]\\d)\\d{2})-(0?"
        "[13456789]|1[012])-(0?[1-9]|[12]\\d|30))|(((1[6-9]|[2-9]\\d)\\d{2})-0?2-(0?[1-9]|1\\d|2[0-8]))|(((1[6-9]|["
        "2-9]\\d)(0[48]|[2468][048]|[13579][26])|((16|[2468][048]|[3579][26])00))-0?2-29-)) "
        "(20|21|22|23|[0-1]?\\d):[0-5]?\\d:[0-5]?\\d",
        ToGbk("第[一二三四五六七八九十○零百千0-9１２３４５６７８９０]{1,12}(章|节|節|回|集|部分).*?\n"),
    };
    return p;
  }();
  return list;
}

// --- PCRE2 side ---
struct Pcre2 {
  pcre2_code* code = nullptr;
  pcre2_match_data* md = nullptr;
  Pcre2(const std::string& pattern, std::uint32_t options, bool jit) {
    int err;
    PCRE2_SIZE off;
    code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), options, &err, &off, nullptr);
    if (code && jit) pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    if (code) md = pcre2_match_data_create_from_pattern(code, nullptr);
  }
  ~Pcre2() {
    pcre2_match_data_free(md);
    pcre2_code_free(code);
  }
  Pcre2(const Pcre2&) = delete;
  Pcre2& operator=(const Pcre2&) = delete;
  Pcre2(Pcre2&& o) noexcept : code(o.code), md(o.md) { o.code = nullptr; o.md = nullptr; }
};

// Every match, the way ALLMATCHES steps; returns the number of ovector entries.
std::size_t Pcre2AllMatches(const Pcre2& re, const std::string& s) {
  std::size_t entries = 0;
  PCRE2_SIZE from = 0;
  std::uint32_t flags = 0;
  while (from <= s.size()) {
    const int rc = pcre2_match(re.code, reinterpret_cast<PCRE2_SPTR>(s.data()), s.size(), from, flags, re.md, nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) {
      if (flags == 0) break;
      ++from;
      flags = 0;
      continue;
    }
    if (rc < 0) break;
    const PCRE2_SIZE* ov = pcre2_get_ovector_pointer(re.md);
    entries += static_cast<std::size_t>(rc);
    flags = ov[0] == ov[1] ? (PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED) : 0;
    from = ov[1];
  }
  return entries;
}

// --- Workload 1: advertisement deletes ---
void BM_Ads_Folian(benchmark::State& state) {
  const std::string& text = Corpus();
  if (text.empty()) return state.SkipWithError("../shared/text not found");
  std::vector<Pattern> pats;
  for (const auto& p : AdPatterns()) pats.push_back(Pattern::Compiled(p, "", folian::regex::ALLMATCHES | folian::regex::IGNORECASE));
  std::size_t deleted = 0;
  std::string work;
  for (auto _ : state) {
    state.PauseTiming();
    work = text;
    state.ResumeTiming();
    deleted = 0;
    for (const auto& p : pats) deleted += p.Substitute(work);
    benchmark::DoNotOptimize(work.data());
  }
  state.counters["deleted"] = static_cast<double>(deleted);
  state.counters["patterns"] = static_cast<double>(pats.size());
}
BENCHMARK(BM_Ads_Folian)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Ads_FolianSet(benchmark::State& state) {
  const std::string& text = Corpus();
  if (text.empty()) return state.SkipWithError("../shared/text not found");
  std::vector<Pattern> pats;
  for (const auto& p : AdPatterns()) pats.push_back(Pattern::Compiled(p, "", folian::regex::ALLMATCHES | folian::regex::IGNORECASE));
  const folian::regex::PatternSet set(pats);
  std::size_t deleted = 0;
  std::string work;
  for (auto _ : state) {
    state.PauseTiming();
    work = text;
    state.ResumeTiming();
    deleted = 0;
    for (std::size_t n : set.SubstituteEach(work)) deleted += n;
    benchmark::DoNotOptimize(work.data());
  }
  state.counters["deleted"] = static_cast<double>(deleted);
}
BENCHMARK(BM_Ads_FolianSet)->Unit(benchmark::kMillisecond)->UseRealTime();

void Pcre2Ads(benchmark::State& state, bool jit) {
  const std::string& text = Corpus();
  if (text.empty()) return state.SkipWithError("../shared/text not found");
  std::vector<Pcre2> pats;
  for (const auto& p : AdPatterns()) pats.emplace_back(p, PCRE2_CASELESS, jit);
  std::string work, out;
  std::size_t deleted = 0;
  for (auto _ : state) {
    state.PauseTiming();
    work = text;
    state.ResumeTiming();
    deleted = 0;
    for (const auto& p : pats) {
      out.resize(work.size() + 1);
      PCRE2_SIZE out_len = out.size();
      const int rc = pcre2_substitute(p.code, reinterpret_cast<PCRE2_SPTR>(work.data()), work.size(), 0,
                                      PCRE2_SUBSTITUTE_GLOBAL, p.md, nullptr, reinterpret_cast<PCRE2_SPTR>(""), 0,
                                      reinterpret_cast<PCRE2_UCHAR*>(out.data()), &out_len);
      if (rc > 0) {
        deleted += static_cast<std::size_t>(rc);
        out.resize(out_len);
        work.swap(out);
      }
    }
    benchmark::DoNotOptimize(work.data());
  }
  state.counters["deleted"] = static_cast<double>(deleted);
}
void BM_Ads_Pcre2Interp(benchmark::State& state) { Pcre2Ads(state, false); }
void BM_Ads_Pcre2Jit(benchmark::State& state) { Pcre2Ads(state, true); }
BENCHMARK(BM_Ads_Pcre2Interp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Ads_Pcre2Jit)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- Workload 2: common patterns, every match with its groups ---
void BM_Common_Folian(benchmark::State& state) {
  const std::string& text = Corpus();
  if (text.empty()) return state.SkipWithError("../shared/text not found");
  const auto& list = CommonPatterns();
  const auto idx = static_cast<std::size_t>(state.range(0));
  std::vector<Pattern> pats;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (idx == list.size() || idx == i) pats.push_back(Pattern::Compiled(list[i], folian::regex::ALLMATCHES | folian::regex::KEEPGROUPS));
  std::size_t entries = 0;
  folian::regex::MatchResult r;
  for (auto _ : state) {
    entries = 0;
    for (const auto& p : pats) {
      p.Match(text, &r);
      entries += r.size();
    }
  }
  state.counters["entries"] = static_cast<double>(entries);
}

void Pcre2Common(benchmark::State& state, bool jit) {
  const std::string& text = Corpus();
  if (text.empty()) return state.SkipWithError("../shared/text not found");
  const auto& list = CommonPatterns();
  const auto idx = static_cast<std::size_t>(state.range(0));
  std::vector<Pcre2> pats;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (idx == list.size() || idx == i) pats.emplace_back(list[i], 0, jit);
  std::size_t entries = 0;
  for (auto _ : state) {
    entries = 0;
    for (const auto& p : pats) entries += Pcre2AllMatches(p, text);
  }
  state.counters["entries"] = static_cast<double>(entries);
}
void BM_Common_Pcre2Interp(benchmark::State& state) { Pcre2Common(state, false); }
void BM_Common_Pcre2Jit(benchmark::State& state) { Pcre2Common(state, true); }
// Argument i: pattern i alone; 16 (the list size): all in sequence.
BENCHMARK(BM_Common_Folian)->DenseRange(0, 16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Common_Pcre2Interp)->DenseRange(0, 16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Common_Pcre2Jit)->DenseRange(0, 16)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
