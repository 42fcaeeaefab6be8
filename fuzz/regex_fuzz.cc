// libFuzzer target for the pattern engine: compile, match and substitute
// arbitrary patterns, templates and subjects.
//
// Input: one option byte, then pattern, template and subject separated by
// NUL bytes (missing parts are empty). A watchdog cancels a match that runs
// too long, so a slow pattern is not reported as a hang.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "regex/pattern_set.h"
#include "regex/regex.h"

namespace {

std::atomic<bool> g_cancel{false};
std::atomic<std::uint64_t> g_generation{0};

void StartWatchdog() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::thread([] {
      std::uint64_t seen = 0;
      int ticks = 0;
      for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const std::uint64_t now = g_generation.load();
        if (now == seen) {
          if (++ticks >= 6) g_cancel = true;
        } else {
          seen = now;
          ticks = 0;
        }
      }
    }).detach();
  });
}

std::string_view Next(std::string_view& rest) {
  const auto nul = rest.find('\0');
  std::string_view part = rest.substr(0, nul);
  rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace folian::regex;
  StartWatchdog();
  if (size < 1) return 0;
  g_cancel = false;
  ++g_generation;
  static const unsigned kOptions[] = {IGNORECASE, ALLMATCHES, LINEANCHORS, DOTALL, KEEPGROUPS, FREESPACING};
  unsigned options = 0;
  for (int i = 0; i < 6; ++i)
    if (data[0] & (1u << i)) options |= kOptions[i];
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string_view pattern = Next(rest);
  const std::string_view tmpl = Next(rest);
  const std::string_view subject = rest;

  Pattern p;
  try {
    p.Compile(pattern, tmpl, options);
  } catch (const bad_regexpr& e) {
    if (std::strlen(e.what()) == 0) __builtin_trap();
    return 0;
  }
  MatchResult r;
  if (p.Match(subject, &r, &g_cancel)) {
    const auto groups = static_cast<std::size_t>(p.GroupCount());
    if (groups == 0 || r.size() % groups != 0) __builtin_trap();
    for (const Span& s : r) {
      if (s.matched && (s.start < 0 || static_cast<std::size_t>(s.start) + s.length > subject.size())) __builtin_trap();
      if (!s.matched && (s.start != -1 || s.length != 0)) __builtin_trap();
    }
  }
  std::string text(subject);
  const std::size_t start = data[0] & 0x40 ? text.size() / 3 : 0;
  const std::size_t n = p.Substitute(text, start, std::string::npos, &g_cancel);
  // The set path must agree with substituting directly.
  if (!g_cancel.load()) {
    std::string again(subject);
    const std::size_t direct = p.Substitute(again, 0, std::string::npos, &g_cancel);
    std::string via_set(subject);
    const PatternSet set(std::vector<Pattern>{p});
    const auto counts = set.SubstituteEach(via_set, &g_cancel);
    if (!g_cancel.load() && (counts[0] != direct || via_set != again)) __builtin_trap();
  }
  (void)n;
  return 0;
}
