// Internal to the advertisement removal. Nearly every advertisement pattern
// is a chain of short literal pieces with bounded gaps of any bytes between
// them ("笔.{0,2}趣.{0,2}阁"). Reading a pattern as such a chain lets the fast
// engine test exactly whether a line can hold a match at all before handing
// the line to the pattern engine, which then decides the match itself.
#pragma once

#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folian::tidy {

class PatternChain {
 public:
  // nullopt when the pattern is not such a chain.
  static std::optional<PatternChain> Parse(std::string_view pattern, bool ignore_case);

  // True when some match of the pattern starts at `pos` of `line` (a line
  // holds no newline, so "." matches every byte of it).
  bool MatchesAt(std::string_view line, std::size_t pos) const;

  // True when some match of the pattern has piece `piece` (an index into
  // Pieces()) starting at `pos`: the rest is matched outwards from there, so
  // a piece found first need not be tried from every start it allows.
  bool MatchesAround(std::string_view line, std::size_t piece, std::size_t pos) const;

  // The bytes every match starts with, letters in lower case; may be empty.
  const std::string& prefix() const { return prefix_; }

  // A fixed-length piece of the chain and how far past a match's start it
  // can begin (`max_offset` is kUnbounded after an unbounded gap).
  static constexpr std::size_t kUnbounded = static_cast<std::size_t>(-1) / 4;
  struct Piece {
    const std::vector<std::bitset<256>>* bytes;
    std::size_t min_offset, max_offset;
    std::size_t gap_min, gap_max;  // the gap after the piece (max may be kUnbounded)
  };
  std::vector<Piece> Pieces() const;

 private:
  struct Item {
    std::vector<std::bitset<256>> bytes;
    std::size_t gap_min = 0, gap_max = 0;  // the gap after this item
  };
  bool ItemAt(std::string_view line, std::size_t item, std::size_t pos) const;
  bool MatchFrom(std::string_view line, std::size_t item, std::size_t pos) const;
  bool MatchBefore(std::string_view line, std::size_t item, std::size_t pos) const;

  std::vector<Item> items_;
  std::string prefix_;
};

}  // namespace folian::tidy
