// Passages a file repeats word for word around an advertising word. A site
// pastes the same slogan into chapter after chapter, into the middle of a
// sentence as often as between paragraphs; a story seldom repeats a stretch
// of a dozen characters or more holding such a word. Where two copies of a
// word stand in the same few characters, the copies are compared outwards
// until they differ: the stretch they share is the pasted passage, and the
// story around each copy, being different, marks its edges exactly.
//
// This finds the passages only; whether one is advertising is the
// detector's judgement (ad_detector.cc), on the words inside it.
//
// Tested by tests/tidy/ad_detector_test.cc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace folian::tidy::detector {

// A word found in the text (byte offsets into the whole text); the passage
// around it is sought inside its line [line_begin, line_end).
struct Anchor {
  std::uint32_t at = 0, len = 0;
  std::uint32_t line_begin = 0, line_end = 0;
};

// A repeated passage: byte offsets into the text. Its edges are where the
// bytes of two copies first differ, which may fall inside a character whose
// other byte the copies share: the caller, knowing the characters of the
// line, keeps only the characters wholly inside.
struct Repeat {
  std::size_t begin = 0, end = 0;
  std::size_t line_begin = 0;
  std::uint32_t copies = 0;  // how many copies of the window that found it
};

class RepeatFinder {
 public:
  // Passages longer than this are the story's (a poem quoted twice, a
  // chapter's ending formula with its names): slogans are shorter.
  static constexpr std::size_t kMaxBytes = 240;
  // Characters of context (in bytes, two a Han character) on one side of a
  // word that must agree for two copies to be compared at all.
  static constexpr std::size_t kWindowBytes = 6;

  // The repeated passages around `anchors` (in text order, any order
  // works), sorted by position, each copy once.
  void Find(std::string_view text, const std::vector<Anchor>& anchors, std::vector<Repeat>* out);

 private:
  struct Keyed {
    std::uint64_t key;
    std::uint32_t anchor;
  };
  std::vector<Keyed> keys_;
};

}  // namespace folian::tidy::detector
