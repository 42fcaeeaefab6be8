// Caps of the PDF reader. A PDF is untrusted: every structure that can
// repeat, nest or point elsewhere stops at one of these, each chosen far
// above what a real book needs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace folian::convert::pdf {

// Where the header may start: readers accept up to 1 KB of junk before it.
inline constexpr std::size_t kHeaderWindow = 1024;

// Objects one file may define (numbered or inside object streams). A
// thousand-page book has tens of thousands; the index costs ~40 bytes each.
inline constexpr std::size_t kMaxObjects = 2'000'000;

// Arrays and dictionaries nested inside one object. Real files nest a few
// levels; the parser recurses, so this bounds its stack.
inline constexpr int kMaxObjectDepth = 64;

// Items of one array or dictionary (a content stream's operands are not
// objects). Large /W or /Differences arrays hold tens of thousands.
inline constexpr std::size_t kMaxContainerItems = 1'000'000;

// References followed to reach one object (a reference to a reference ...).
inline constexpr int kMaxRefHops = 32;

// A stream decodes to at most ten times its stored size, but the cap is
// never below this floor: text compresses better than ten to one often
// enough that a tighter cut would lose pages.
inline constexpr std::size_t kStreamCapFactor = 10;
inline constexpr std::size_t kStreamCapFloor = std::size_t{8} << 20;

// Pages read from the page tree, and its depth (a tree of 200,000 pages is
// a few levels deep; a loop or a chain must not recurse without end).
inline constexpr std::size_t kMaxPages = 200'000;
inline constexpr int kMaxPageTreeDepth = 64;

// Form XObjects drawn inside forms. Producers nest two or three.
inline constexpr int kMaxFormDepth = 12;

// Saved graphics states (q without Q) kept; deeper saves are counted but
// not stored, so a stream of q's costs no memory.
inline constexpr std::size_t kMaxGraphicsStack = 256;

// Operands gathered before an operator; real operators take at most six
// (plus TJ's one array). A stream of bare numbers is dropped past this.
inline constexpr std::size_t kMaxOperands = 4096;

// Elements of one TJ array.
inline constexpr std::size_t kMaxTjItems = 1'000'000;

// Mappings one CMap may hold (a full CJK ToUnicode map has ~30,000; a
// bfrange counts its codes), and the bytes one code may span.
inline constexpr std::size_t kMaxCMapMappings = 1'000'000;
inline constexpr int kMaxCodeBytes = 4;

// Characters one mapping may produce (ligatures give two or three).
inline constexpr std::size_t kMaxMappedUnits = 32;

// Fonts decoded per document; each font is built once and cached.
inline constexpr std::size_t kMaxFonts = 20'000;

}  // namespace folian::convert::pdf
