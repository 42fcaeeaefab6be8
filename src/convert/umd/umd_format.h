// The UMD e-book layout shared by the reader and the writer.
//
// A file is the magic, then a run of sections and data blocks, all integers
// little-endian:
//   section:    '#' type(2) flag(1) length(1, the whole section) payload
//   data block: '$' id(4) length(4, the whole block) payload
// A text book keeps its text as UTF-16LE cut into chunks, each a zlib stream
// in a data block of its own. Sections 0x81, 0x83 and 0x84 name the block
// that follows them (chunk index, chapter offsets, chapter titles); the
// content chunks come after the 0x84 section under identifiers of their own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace folian::convert::umd {

inline constexpr unsigned char kMagic[4] = {0x89, 0x9B, 0x9A, 0xDE};

inline constexpr char kSectionMark = '#';
inline constexpr char kBlockMark = '$';
inline constexpr std::size_t kSectionHeader = 5;  // '#', type, flag, length
inline constexpr std::size_t kBlockHeader = 9;    // '$', id, length

enum SectionType : std::uint16_t {
  kFileKind = 0x01,      // payload: kind (1 text, 2 pictures), then 2 bytes
  kTitle = 0x02,         // UTF-16LE, no terminator
  kAuthor = 0x03,
  kYear = 0x04,
  kMonth = 0x05,
  kDay = 0x06,
  kBookKind = 0x07,
  kPublisher = 0x08,
  kVendor = 0x09,
  kPageSeed = 0x0A,      // 4 bytes
  kContentLength = 0x0B, // 4 bytes: bytes of the UTF-16LE text
  kEnd = 0x0C,           // 4 bytes: size of the whole file
  kChunkIndex = 0x81,    // id of the block listing the chunk ids
  kCover = 0x82,         // picture kind (1), id of the picture block
  kChapterOffsets = 0x83,
  kChapterTitles = 0x84, // also the state the content chunks are read in
  kChunkPadding = 0xF1,  // 16 zero bytes
};

inline constexpr std::uint8_t kKindText = 1;
inline constexpr std::uint8_t kKindPictures = 2;

// Writers cut the text into chunks of this many bytes of UTF-16LE.
inline constexpr std::size_t kChunkBytes = 32768;
// A shorter last chunk is padded to this size.
inline constexpr std::size_t kMinLastChunkBytes = 4096;
// The first byte of a zlib stream at the window size every writer uses.
inline constexpr unsigned char kZlibFirstByte = 0x78;

// One byte holds a section's length, so a text section carries at most
// (255 - 5) / 2 UTF-16 units.
inline constexpr std::size_t kMaxSectionTextUnits = (255 - kSectionHeader) / 2;

// The cover picture: an 8-bit BMP of this size.
inline constexpr int kCoverWidth = 176;
inline constexpr int kCoverHeight = 208;

}  // namespace folian::convert::umd
