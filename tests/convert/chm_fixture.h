// Builds small CHM files for converter tests: every entry stored in the
// uncompressed section, listed in one directory chunk in the order given.
// Names go in exactly as given (with their leading '/'), so tests can store
// hostile ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/bytes.h"

namespace folian::testing {

struct ChmItem {
  std::string name;  // as stored, e.g. "/html/a.htm"
  std::string data;
  std::uint64_t claimed_length = 0;  // the length the directory states, when not the data's
};

namespace chm_detail {

// Seven bits a byte, most significant first, high bit set on all but the last.
inline void EncInt(std::string& s, std::uint64_t v) {
  char buf[10];
  int n = 0;
  do {
    buf[n++] = static_cast<char>(v & 0x7F);
    v >>= 7;
  } while (v != 0);
  while (n > 1) s.push_back(static_cast<char>(buf[--n] | 0x80));
  s.push_back(buf[0]);
}

inline std::string Guid(std::uint32_t first) {
  std::string g;
  AddLe(g, first, 4);
  g += std::string("\xAA\x7B\xD0\x11\x9E\x0C\x00\xA0\xC9\x22\xE6\xEC", 12);
  return g;
}

}  // namespace chm_detail

inline constexpr std::uint32_t kChmFixtureChunk = 4096;

inline std::string MakeChm(const std::vector<ChmItem>& items) {
  using namespace chm_detail;
  constexpr std::uint32_t kItsfLen = 0x60, kHs0Len = 0x18, kItspLen = 0x54;
  std::string entries;
  std::string content;
  for (const ChmItem& item : items) {
    EncInt(entries, item.name.size());
    entries += item.name;
    EncInt(entries, 0);  // section 0: uncompressed
    EncInt(entries, content.size());
    EncInt(entries, item.claimed_length != 0 ? item.claimed_length : item.data.size());
    content += item.data;
  }
  constexpr std::uint32_t kPmglHead = 0x14;
  if (entries.size() + kPmglHead + 2 > kChmFixtureChunk) throw std::runtime_error("too many CHM items");

  std::string chunk = "PMGL";
  AddLe(chunk, kChmFixtureChunk - kPmglHead - entries.size(), 4);  // free space and quick refs
  AddLe(chunk, 0, 4);
  AddLe(chunk, 0xFFFFFFFF, 4);  // no previous chunk
  AddLe(chunk, 0xFFFFFFFF, 4);  // no next chunk
  chunk += entries;
  chunk.resize(kChmFixtureChunk - 2, '\0');
  AddLe(chunk, items.size(), 2);

  const std::uint64_t dir_offset = kItsfLen + kHs0Len;
  const std::uint64_t content_offset = dir_offset + kItspLen + kChmFixtureChunk;
  const std::uint64_t total = content_offset + content.size();

  std::string f = "ITSF";
  AddLe(f, 3, 4);
  AddLe(f, kItsfLen, 4);
  AddLe(f, 1, 4);
  AddLe(f, 0, 4);       // timestamp
  AddLe(f, 0x804, 4);   // language: Chinese (PRC)
  f += Guid(0x7C01FD10);
  f += Guid(0x7C01FD11);
  AddLe(f, kItsfLen, 8);
  AddLe(f, kHs0Len, 8);
  AddLe(f, dir_offset, 8);
  AddLe(f, kItspLen + kChmFixtureChunk, 8);
  AddLe(f, content_offset, 8);

  AddLe(f, 0x1FE, 4);
  AddLe(f, 0, 4);
  AddLe(f, total, 8);
  AddLe(f, 0, 4);
  AddLe(f, 0, 4);

  f += "ITSP";
  AddLe(f, 1, 4);
  AddLe(f, kItspLen, 4);
  AddLe(f, 0x0A, 4);
  AddLe(f, kChmFixtureChunk, 4);
  AddLe(f, 2, 4);           // density
  AddLe(f, 1, 4);           // depth: no index chunk
  AddLe(f, 0xFFFFFFFF, 4);  // index root: none
  AddLe(f, 0, 4);           // first PMGL
  AddLe(f, 0, 4);           // last PMGL
  AddLe(f, 0xFFFFFFFF, 4);
  AddLe(f, 1, 4);  // chunks
  AddLe(f, 0x804, 4);
  f += std::string("\x6A\x92\x02\x5D\x2E\x21\xD0\x11\x9D\xF9\x00\xA0\xC9\x22\xE6\xEC", 16);
  AddLe(f, kItspLen, 4);
  AddLe(f, 0xFFFFFFFF, 4);
  AddLe(f, 0xFFFFFFFF, 4);
  AddLe(f, 0xFFFFFFFF, 4);
  f += chunk;
  f += content;
  return f;
}

}  // namespace folian::testing
