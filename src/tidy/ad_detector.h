// The advertisement detector: the stage beside the eight rule stages. The
// rows of the table name the sites they were written from; this stage finds
// advertising no row has seen by its shape. It reads the text the rows read
// (the line scanner's), so that it sees each advertisement whole, and the
// tidying keeps what both kept (ad_merge.h). What it looks for:
//   - advertising words (data/ads/words.tsv, folded so traditional and
//     full-width spellings count) and how densely they cover a line or a
//     clause: a line is advertising when their weight outruns the story
//     text around them (the Han characters no word, address or junk name
//     covers), with position (beside a title, at a chapter's end) and lines
//     repeated in the file counting for short lines;
//   - host names and web addresses, also deformed; site names spelt with
//     junk between the characters, and single characters between symbols
//     (》无>错》, 奇#書*网; title marks that enclose no title count as
//     symbols); brackets (also pairs of one symbol, such as +…+ or ☆…☆)
//     holding advertising words; symbols among advertising words lower the
//     weight they need, and inside a quote they are what tells pasted words
//     from spoken ones (quote marks are read in alternation, so marks
//     curled the wrong way round keep speech and narration apart);
//   - the ruins rules leave and the cards sites paste: a line ending in
//     doubled commas, a few characters ending in a symbol, two labels or
//     more with their colons (作者：…分类：…; with no values even when no
//     label is a word of the list), a date or time beside advertising
//     words, a book's title with another bracket making up a line, symbols
//     after a short line's sentence end (…愉快！^_^); inside a paragraph,
//     symbols glued into the Han text with the advertising words before
//     them (请登录--.), doubled commas after advertising words, a Latin
//     word of advertising between Han characters (押app到);
//   - inside a paragraph, a cluster of advertising words takes its clause
//     when it fills it, and neighbouring clauses that are advertising too
//     (the context of a block, as boilerplate removal judges web pages);
//   - passages the file repeats word for word around an advertising word,
//     an address or a deformed name (ad_repeats.h): a site pastes its slogan
//     into chapter after chapter, and where the copies stop agreeing is
//     where the story around them begins; repetition counts as evidence,
//     so fewer words are needed than for a passage seen once.
// Story safety comes first: words stories use (网站, 手机, 更新, 章节, QQ)
// weigh little, quoted speech needs much more evidence, titles need
// advertising-only words, and a line with a long stretch of story text is
// never removed whole.
//
// Where a removed piece ended a line that now ends mid-sentence, the next
// line is joined to it: the piece had made the line scanner end the
// paragraph there. Not so where the next line starts a paragraph its
// chapter's layout marks (`starts`, recorded by the line scanner): the
// paragraph ended there whatever the piece did.
//
// Tested by tests/tidy/ad_detector_test.cc.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tidy/paragraph_starts.h"

namespace folian::tidy {

// The features that decided a removal.
enum AdShape : unsigned {
  kShapeWords = 1u << 0,        // advertising words outweigh the story text
  kShapeHost = 1u << 1,         // a host name or web address
  kShapeJunkName = 1u << 2,     // a name spelt with junk between its characters
  kShapeBracket = 1u << 3,      // brackets holding advertising words
  kShapeClause = 1u << 4,       // a clause filled with advertising words
  kShapeResidue = 1u << 5,      // nothing but symbols and letters left of a line
  kShapeIsolated = 1u << 6,     // single characters between symbols
  kShapeBesideTitle = 1u << 7,  // a short line beside a title or at a chapter's end
  kShapeRepeated = 1u << 8,     // a short line the file repeats
  kShapeTitle = 1u << 9,        // a title line holding advertising
  kShapeTail = 1u << 10,        // words after a paragraph's last sentence, ending none
  kShapeRepeatedSpan = 1u << 11,  // a passage with advertising words the file repeats
  kShapeOtherScript = 1u << 12,   // characters of the other script (simplified, traditional) pasted in
  kShapeSiteName = 1u << 13,      // a short bare line ending as a site's name does (…网, …书屋)
};

struct DetectedAd {
  std::size_t offset = 0;  // where it stood in the text the detector was given
  std::string text;        // what went (GBK)
  std::string line;        // the line it stood in (GBK)
  bool whole_line = false;
  unsigned shapes = 0;             // AdShape bits
  std::vector<std::string> words;  // the advertising words found in it (GBK)
  int weight = 0;                  // their summed weight (with the shapes' share)
};

namespace detector {
class Vocabulary;
}

// Removes the advertising the detector finds from `text` (GBK, lines ending
// in CR LF as the rule stages leave them). Returns the number of removals;
// with `found`, each is appended there. `words`: the advertising words to
// look for, when not the built-in ones.
std::size_t RemoveDetectedAds(std::string& text, std::vector<DetectedAd>* found = nullptr,
                              const MarkedStarts* starts = nullptr, const detector::Vocabulary* words = nullptr);

}  // namespace folian::tidy
