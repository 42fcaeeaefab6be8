// Compiled form of a pattern: a flat instruction list for the backtracking
// matcher plus what the literal analysis found out about it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "regex/ast.h"

namespace folian::regex {

enum class Op : std::uint8_t {
  kMatch,
  kByte,       // a: byte
  kString,     // a: offset in `strings`, b: length
  kStringI,    // the same, folded: pool holds lower case
  kSet,        // a: set index
  kAny,        // any byte
  kStar,       // one-byte loop: a set, b min, c max (-1 none), d next byte or -1,
               // `group` the capture around each byte (the last one counts)
  kSplit,      // try a, then b
  kJmp,        // a
  kOpen,       // a: register holding where group's text starts until it closes
  kClose,      // a: group, b: register of its kOpen
  kAssert,     // a: AssertKind
  kBackref,    // a: group, b: fold case
  kLoopInit,   // a: counter register (a+1 holds the iteration start)
  kLoopMark,   // a: register; iteration start = pos
  kLoopTail,   // a: register, b: body pc, c: exit pc; min/max in `count_min/max`
  kLoopCheck,  // the same fields, decides whether to run the body again
  kEmptyStop,  // a: register; ends a loop whose iteration matched nothing (c: exit)
  kLookBegin,  // a: register, b: pc of kLookEnd, c: pc of the "no" branch
  kLookEnd,    // a: pc of kLookBegin
  kBehind,     // a: register holding the look-behind's position, b min, c max
  kAtPos,      // a: register; pos must equal it
  kCondGroup,  // a: group, b: pc of the "no" branch
  kRecurse,
};

// kLookBegin flags.
enum : std::uint8_t {
  kLookNegate = 1,
  kLookBehind = 2,
  kLookCondition = 4,
  kLookAtomic = 8,  // keeps the position it reached
};

struct Inst {
  Op op = Op::kMatch;
  std::uint8_t flags = 0;  // greedy for loops, kLook* for look-arounds
  std::int32_t a = 0, b = 0, c = 0, d = -1;
  std::int32_t count_min = 0, count_max = -1;
  std::int32_t group = -1;  // kStar: the capturing group around the byte, if any
};

// One piece of a compiled substitution template.
struct TemplatePiece {
  enum Kind : std::uint8_t {
    kLiteral,    // text
    kGroup,      // group's text
    kBefore,     // the subject before the match
    kAfter,      // the subject after the match
    kUpper,      // \U: upper-case until \E
    kLower,      // \L
    kEndCase,    // \E
    kUpperNext,  // \u: the next byte only
    kLowerNext,  // \l
  };
  Kind kind = kLiteral;
  int group = 0;
  std::string text;
};

class Program {
 public:
  std::vector<Inst> code;
  std::vector<ByteSet> sets;
  std::vector<std::array<std::uint8_t, 256>> tables;  // `sets` as lookup tables
  std::array<std::uint8_t, 256> first_table{};
  std::string strings;
  int capture_count = 0;  // groups including the whole match
  int slot_count = 0;     // 2 * capture_count + registers
  bool has_recursion = false;
  unsigned options = 0;

  // Literal analysis (see literals.h).
  bool anchored_start = false;       // only position 0 can match
  bool anchored_line = false;        // only line starts can match
  bool nullable = true;              // can match the empty string
  ByteSet first_bytes;               // bytes that can start a match (when !nullable)
  int first_count = 256;
  std::string required;              // bytes every match contains (folded when required_icase)
  bool required_icase = false;
  int required_offset_max = -1;      // largest distance of `required` from the match start, -1 unknown
  std::size_t min_length = 0;
  // Byte pairs and single bytes (ASCII letters folded to lower case) that
  // every match contains; a text without one of them cannot match.
  std::vector<std::uint16_t> need_pairs;
  std::vector<ByteSet> need_bytes;

  // States (pc, position) the matcher may remember as already tried, when
  // nothing but the position decides how the rest of the pattern goes.
  bool memo_ok = false;
  std::vector<std::int32_t> memo_index;  // per pc: memo row or -1
  std::int32_t memo_rows = 0;

  bool has_template = false;
  std::vector<TemplatePiece> subst;
};

}  // namespace folian::regex
