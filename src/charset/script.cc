#include "charset/script.h"

#include <array>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>

#include "charset/codepage.h"
#include "charset/ocd2.h"
#include "charset/script_table.h"

namespace folian::charset {
namespace {

// The dictionaries of OpenCC's s2t.json and t2s.json: the phrases segment
// the text, then phrases and characters convert it, in that order.
struct DictionaryFiles {
  const char* phrases;
  const char* characters;
};
constexpr std::array<DictionaryFiles, 2> kFiles = {{
    {"STPhrases.ocd2", "STCharacters.ocd2"},
    {"TSPhrases.ocd2", "TSCharacters.ocd2"},
}};

// Progress and cancel checks fall between slices of this many bytes.
constexpr std::size_t kSlice = std::size_t{1} << 20;

bool ReadDictionary(const std::filesystem::path& path, Dictionary* dict, std::string* error) {
  Ocd2Result r = ReadOcd2File(path);
  if (r.status != Ocd2Status::kOk) {
    if (error) *error = path.string() + ": " + Ocd2StatusText(r.status);
    return false;
  }
  *dict = std::move(r.dict);
  return true;
}

std::string Recode(std::string_view text, int from, int to) { return FromWide(to, ToWide(from, text), '?'); }

// Converts `in` into `*out` a slice at a time, reporting and polling between slices.
ScriptStatus Map(std::string_view in, ScriptDirection direction, const ScriptParams& params,
                 std::string* out) {
  const ScriptTable* table = LoadScriptTable(direction);
  if (!table) return ScriptStatus::kNoDictionary;
  out->clear();
  out->reserve(in.size() + in.size() / 16);
  std::size_t pos = 0;
  while (pos < in.size()) {
    if (Cancelled(params.cancel)) return ScriptStatus::kCancelled;
    pos = table->Convert(in, pos, pos + kSlice, out);
    if (params.progress) params.progress->SetPosition(static_cast<std::int64_t>(pos * 100 / in.size()));
  }
  return ScriptStatus::kOk;
}

}  // namespace

ScriptDirection DirectionOf(ScriptMode mode) {
  return mode == ScriptMode::kGbToGbk || mode == ScriptMode::kGbToBig5 ? ScriptDirection::kToTraditional
                                                                       : ScriptDirection::kToSimplified;
}

std::filesystem::path OpenccDataDir() {
  const char* dir = std::getenv("FOLIAN_OPENCC_DATA_DIR");
  return dir && *dir ? dir : FOLIAN_OPENCC_DATA_DIR;
}

const ScriptTable* LoadScriptTable(ScriptDirection direction, std::string* error) {
  // One table per direction and folder, kept for the whole run once built
  // (the pointers handed out stay valid); a folder that failed is tried
  // again on the next call.
  static std::mutex mutex;
  static std::map<std::pair<ScriptDirection, std::filesystem::path>, std::unique_ptr<const ScriptTable>> tables;
  const std::filesystem::path dir = OpenccDataDir();
  const DictionaryFiles& files = kFiles[static_cast<std::size_t>(direction)];
  std::lock_guard<std::mutex> lock(mutex);
  auto it = tables.find({direction, dir});
  if (it != tables.end()) return it->second.get();
  Dictionary phrases, characters;
  if (!ReadDictionary(dir / files.phrases, &phrases, error) ||
      !ReadDictionary(dir / files.characters, &characters, error)) {
    return nullptr;
  }
  auto table = ScriptTable::Build(phrases, characters);
  if (!table) {
    if (error) *error = (dir / files.phrases).string() + ": too large";
    return nullptr;
  }
  return tables.emplace(std::make_pair(direction, dir), std::move(table)).first->second.get();
}

ScriptStatus ConvertScript(std::string& text, ScriptMode mode, const ScriptParams& params) {
  if (text.empty()) return ScriptStatus::kOk;
  if (params.progress) params.progress->SetRange(0, 100);
  std::string out;
  ScriptStatus status;
  switch (mode) {
    case ScriptMode::kGbToGbk:
      status = Map(text, ScriptDirection::kToTraditional, params, &out);
      break;
    case ScriptMode::kGbToBig5:
      status = Map(text, ScriptDirection::kToTraditional, params, &out);
      if (status == ScriptStatus::kOk) out = Recode(out, kGbk, kBig5);
      break;
    case ScriptMode::kBig5ToGb:
      status = Map(Recode(text, kBig5, kGbk), ScriptDirection::kToSimplified, params, &out);
      break;
    case ScriptMode::kGbkToGb:
      status = Map(text, ScriptDirection::kToSimplified, params, &out);
      break;
    default:
      return ScriptStatus::kNoDictionary;  // no dictionary for a mode we do not know
  }
  if (status == ScriptStatus::kOk) text = std::move(out);
  return status;
}

bool ConvertScript(std::string& text, ScriptMode mode) {
  return ConvertScript(text, mode, ScriptParams{}) == ScriptStatus::kOk;
}

}  // namespace folian::charset
