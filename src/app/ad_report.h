// The advertisement report ("广告检查"): what a tidy run with advertising
// removal on would take out of a document, one piece a line, each with its
// reason: the row of the rule table, the scanner's footer filter, or the
// advertisement detector's features. The same records back
// `folian-cli tidy --explain`.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tidy/removal.h"
#include "tidy/tidy_options.h"

namespace folian::app {

// One removal as the report words it (GBK): the reason in 〔〕, what went,
// and for a piece of a line, the line it stood in.
std::string DescribeRemoval(const tidy::Removal& removal);

// The report of GBK text: each removal a tidy run with `options` (and
// advertising removal on, `custom` as its custom deletions) would make,
// described, each followed by CR LF.
std::string AdReportLines(std::string_view gbk, tidy::TidyOptions options,
                          const std::vector<std::string>& custom = {});

// Where the report of a document goes: its path with ".txt" appended (the
// command numbers the name when a file already has it).
std::filesystem::path AdReportPath(const std::filesystem::path& document);

}  // namespace folian::app
