// The clean-up after advertisement removal. The removal deletes strings, not
// lines: a line that held only an advertisement is left empty, and one whose
// Chinese words were deleted keeps the leftovers of the address or the
// punctuation around it ("m。", ".23us.。", "（，！"). Those lines go; every
// other line stays exactly as the removal left it.
//
// Which lines the removal changed is found by lining the text up with the
// text before the removal: unchanged lines match exactly, and between two
// lines both texts share (blank lines aside) lies a changed stretch. In a
// stretch, blank lines beyond the ones it had were emptied by the removal,
// and lines of leftovers (no Chinese character, a few letters or digits at
// most) go when the removal took Chinese characters, letters or digits from
// the stretch. Lines the removal did not touch are never dropped, and a line
// of punctuation the removal only rewrote ("。。。" -> "…") is kept.
//
// Tested by tests/tidy/layout_test.cc.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace folian::tidy {

// More letters and digits than this make a line text of its own, not the
// remains of a web address.
inline constexpr std::size_t kMaxResidueAlnum = 16;

// `after` is the text the removal made of `before` (both GBK, CR LF lines).
std::string DropAdResidue(std::string_view before, std::string after);

}  // namespace folian::tidy
