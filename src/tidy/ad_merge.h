// Joins the two advertisement removals made from one text. The rows delete
// the strings they were written from, a piece at a time, and the detector
// judges advertising by its shape, which it can only read whole: run one
// after the other, the first leaves the second fragments (a row takes a
// site's host, and the name beside it is too little for the detector; the
// detector takes an address, and the row that held the whole slogan no
// longer matches). So both read the same text, and the result keeps what
// both kept.
//
// `rows` is what the rows made of `text`, `detected` what the detector made
// of it (only deletions: it is a subsequence of `text`). Where the rows
// rewrote a character rather than deleting it, their writing stands unless
// the detector removed everything it replaced. A stretch the rows changed
// too much to line up with the text is kept as the rows left it.
//
// Tested by tests/tidy/ad_merge_test.cc.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace folian::tidy {

// What the detector removed from a text: byte ranges, in order, none
// cutting a character.
using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;

// Reads the ranges off the detector's result `detected` (lined up with
// `text` line by line, and a character at a time inside a changed stretch).
// False when `detected` is no deletion of `text`.
bool DetectorRemoved(std::string_view text, std::string_view detected, Ranges* removed);

// Turns `rows` (what the rows made of `text`) into the merge, in place: a
// novel's tidy holds no more texts than the rows alone need. All texts GBK,
// lines ending in LF or CR LF.
void MergeRemovals(std::string_view text, std::string* rows, const Ranges& removed);

}  // namespace folian::tidy
