// Shapes advertising takes inside a line of GBK text, found on its
// characters (ad_glyphs.h) without any pattern engine:
//   - host names and web addresses, also deformed (look-alike letters,
//     blanks or junk between the letters, a left-over "name." whose ".com"
//     an earlier stage took): runs of letters and digits with separators;
//   - site names spelt with junk between their characters (全.本.小.说.网,
//     ~无~错~小~说, t,xt,小,说天,堂): pieces of one or two Han characters
//     with symbols between them;
//   - clauses: the stretches between story punctuation.
//
// Tested by tests/tidy/ad_detector_test.cc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>
#include <vector>

#include "tidy/ad_glyphs.h"

namespace folian::tidy::detector {

using Range = std::pair<std::size_t, std::size_t>;  // unit indices [first, second)

// Runs of letters and digits of any alphabet, with the separators found
// inside web addresses between them (. / : _ - ~ blank 。 , ， 、 ? ？ | \ = ^ * + `).
void LatinRuns(std::span<const Unit> u, std::vector<Range>* out);

// Whether a run looks like a host name or a web address: www, http, wap,
// txt or "m." in it, two letters or digits then a dot and more, a top-level
// domain word, look-alike letters among Latin ones, or four or more letters
// and digits right before or after a dot (a host an earlier stage cut).
bool HostLike(std::span<const Unit> u, Range run);

// Site names spelt with junk between their characters: at least three
// pieces of one or two Han characters, at least half of them single, with
// one to four separator characters (not digits alone, not story
// punctuation) between them; blanks alone separate only from four pieces
// on. With fewer than three single pieces the characters must spell a word
// `has_word` knows (folded units); one character repeated is never a name.
void JunkRuns(std::span<const Unit> u, std::vector<Range>* out,
              const std::function<bool(std::span<const std::uint16_t>)>& has_word);

// Single Han characters each between symbols (》无>错》, *好+书*): a
// name of two or three characters spelt with junk, or what is left of a
// longer one. Title marks count as symbols when they enclose no Han
// character or pair with none. At least two characters, not all one (a
// laugh), and three symbol runs of one to three symbols each; or, inside
// Han text, one character between two runs of symbols that are no
// brackets (奇#書*网), taken with the characters on either side.
void IsolatedRuns(std::span<const Unit> u, std::vector<Range>* out);

// Grows a range over neighbouring junk symbols and letters (not blanks),
// and over a rule of four or more dashes.
Range ExtendOverJunk(std::span<const Unit> u, Range r);


// The clauses of a line: each ends after a run of clause-ending punctuation
// (，。！？；：…) and the closing marks that follow it; the last one at the
// line's end.
void Clauses(std::span<const Unit> u, std::vector<Range>* out);

}  // namespace folian::tidy::detector
