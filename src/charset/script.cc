#include "charset/script.h"

#include <opencc/SimpleConverter.hpp>

#include <cstdlib>
#include <exception>
#include <memory>
#include <string_view>

#include "charset/codepage.h"

namespace folian::charset {
namespace {

// OpenCC's data folder; the environment can point elsewhere (an install
// outside the system's share folder).
std::string OpenccConfig(const char* name) {
  const char* dir = std::getenv("FOLIAN_OPENCC_DATA_DIR");
  return std::string(dir && *dir ? dir : FOLIAN_OPENCC_DATA_DIR) + "/" + name;
}

// Each OpenCC converter is loaded on first use and kept for the whole run
// (loading takes tens of milliseconds; converting with it is thread-safe).
// A failed load throws and is tried again on the next use.
const opencc::SimpleConverter& SimplifiedToTraditional() {
  static const opencc::SimpleConverter converter(OpenccConfig("s2t.json"));
  return converter;
}

const opencc::SimpleConverter& TraditionalToSimplified() {
  static const opencc::SimpleConverter converter(OpenccConfig("t2s.json"));
  return converter;
}

// Length of the run of well-formed GBK characters at `text[i]` (no NUL bytes:
// OpenCC stops at them).
std::size_t ValidRun(std::string_view text, std::size_t i) {
  const std::size_t start = i;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b == 0) break;
    if (b < 0x80 || b == 0x80 || b == 0xFF) {
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) break;
    const auto t = static_cast<unsigned char>(text[i + 1]);
    if (t < 0x40 || t == 0x7F || t == 0xFF) break;
    i += 2;
  }
  return i - start;
}

// GBK -> UTF-8 -> OpenCC -> GBK. Bytes that are not GBK characters are
// passed through untouched rather than turned into "?" by the round trip.
std::string MapGbk(std::string_view text, const opencc::SimpleConverter& converter) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t run = ValidRun(text, i);
    if (run == 0) {
      out += text[i++];
      continue;
    }
    const std::string utf8 = GbkToUtf8(text.substr(i, run));
    out += Utf8ToGbk(converter.Convert(utf8.data(), utf8.size()));
    i += run;
  }
  return out;
}

std::string Recode(std::string_view text, int from, int to) { return FromWide(to, ToWide(from, text), '?'); }

}  // namespace

bool ConvertScript(std::string& text, ScriptMode mode) {
  if (text.empty()) return true;
  try {
    std::string result;
    switch (mode) {
      case ScriptMode::kGbToGbk:
        result = MapGbk(text, SimplifiedToTraditional());
        break;
      case ScriptMode::kGbToBig5:
        result = Recode(MapGbk(text, SimplifiedToTraditional()), kGbk, kBig5);
        break;
      case ScriptMode::kBig5ToGb:
        result = MapGbk(Recode(text, kBig5, kGbk), TraditionalToSimplified());
        break;
      case ScriptMode::kGbkToGb:
        result = MapGbk(text, TraditionalToSimplified());
        break;
      default:
        return false;
    }
    text = std::move(result);
    return true;
  } catch (const std::exception&) {
    return false;  // OpenCC could not load its data: the text stays as it was
  }
}

}  // namespace folian::charset
