// Why an encoding command left a file as it was, in the window's words
// (UTF-8): a command that changes nothing says so, and why.
#pragma once

#include <string>

#include "text/file_conversion.h"

namespace folian::app {

// The reason for a kLeftAlone or kNotTxt outcome; empty for the others.
std::string LeftAloneReason(const text::ConversionReport& report);

}  // namespace folian::app
