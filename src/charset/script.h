// Simplified/traditional script conversion of GBK text and GBK <-> Big5.
#pragma once

#include <string>

namespace folian::charset {

// The four modes in the order the window's combo box lists them.
enum class ScriptMode {
  kGbToGbk,   // simplified -> traditional within GBK
  kGbToBig5,  // simplified -> traditional, then GBK -> Big5
  kBig5ToGb,  // Big5 -> GBK, then traditional -> simplified
  kGbkToGb,   // traditional -> simplified within GBK
};

// Converts `text` in place. An empty text stays empty; a mapping that fails
// leaves the text unchanged and returns false.
bool ConvertScript(std::string& text, ScriptMode mode);

}  // namespace folian::charset
