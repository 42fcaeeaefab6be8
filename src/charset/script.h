// Simplified/traditional script conversion of GBK text, and GBK <-> Big5.
//
// The two script directions use OpenCC's installed dictionaries (the
// "s2t" and "t2s" configurations: STPhrases + STCharacters, TSPhrases +
// TSCharacters) through our own GBK converter (charset/script_table.h), and
// give OpenCC's results byte for byte. The dictionaries are read from the
// folder named by $FOLIAN_OPENCC_DATA_DIR, else the system's OpenCC folder,
// once per process, direction and folder, on first use; a failed load is
// tried again on the next use.
//
// Example:
//   std::string text = gbk;
//   if (ConvertScript(text, ScriptMode::kGbToGbk, params) == ScriptStatus::kOk) ...
#pragma once

#include <filesystem>
#include <string>

#include "common/progress.h"

namespace folian::charset {

class ScriptTable;

// The four modes in the order the window's combo box lists them.
enum class ScriptMode {
  kGbToGbk,   // simplified -> traditional within GBK
  kGbToBig5,  // simplified -> traditional, then GBK -> Big5
  kBig5ToGb,  // Big5 -> GBK, then traditional -> simplified
  kGbkToGb,   // traditional -> simplified within GBK
};

enum class ScriptDirection { kToTraditional, kToSimplified };
ScriptDirection DirectionOf(ScriptMode mode);

enum class ScriptStatus {
  kOk,
  kNoDictionary,  // a dictionary could not be read: the text is unchanged
  kCancelled,     // stopped through the cancel flag: the text is unchanged
};

struct ScriptParams {
  // Positions 0..100 while converting; polled for cancel about every megabyte.
  ProgressSink* progress = nullptr;
  const CancelFlag* cancel = nullptr;
};

// Converts `text` in place. An empty text stays empty without touching the
// dictionaries.
ScriptStatus ConvertScript(std::string& text, ScriptMode mode, const ScriptParams& params);
// The same without progress; false when a dictionary could not be read.
bool ConvertScript(std::string& text, ScriptMode mode);

// The converter of one direction, loaded on first use; null (with `*error`
// naming the file and the fault) when a dictionary cannot be read.
const ScriptTable* LoadScriptTable(ScriptDirection direction, std::string* error = nullptr);

// Where the dictionaries are read from.
std::filesystem::path OpenccDataDir();

}  // namespace folian::charset
