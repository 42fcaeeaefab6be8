// Builds compound files (the OLE2 container of .doc files) for tests, and
// Word 97 documents inside them: streams in regular or mini sectors,
// sectors of 512 or 4096 bytes, a DIFAT chain when asked for, streams in a
// sub-storage; SetFatEntry() lets a test damage the allocation
// table afterwards. The Word builder writes a FIB, the text pieces (8-bit or
// UTF-16, optionally stored out of order as fast saves do), the piece table
// and a paragraph property page marking table rows' ends.
#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/bytes.h"

namespace folian::testing {

inline constexpr std::uint32_t kCfbEnd = 0xFFFFFFFE;
inline constexpr std::uint32_t kCfbFree = 0xFFFFFFFF;
inline constexpr std::uint32_t kCfbFatSect = 0xFFFFFFFD;
inline constexpr std::uint32_t kCfbDifSect = 0xFFFFFFFC;

struct CfbStream {
  std::u16string name;
  std::string data;
  std::u16string storage = u"";  // "" : a child of the root
};

struct CfbOptions {
  unsigned sector_shift = 9;     // 9 (512-byte sectors, version 3) or 12 (4096, version 4)
  std::size_t extra_fat = 0;     // FAT sectors beyond the needed ones (past 109 they need the DIFAT)
};

inline std::string MakeCompoundFile(const std::vector<CfbStream>& streams, const CfbOptions& opt = {}) {
  const std::uint32_t ss = 1u << opt.sector_shift;
  const std::uint32_t per = ss / 4;
  std::vector<std::string> sectors;  // sector contents, each ss bytes
  std::vector<std::uint32_t> fat;
  auto allocate = [&](std::string_view data) -> std::uint32_t {
    if (data.empty()) return kCfbEnd;
    const auto first = static_cast<std::uint32_t>(sectors.size());
    for (std::size_t off = 0; off < data.size(); off += ss) {
      std::string s(data.substr(off, ss));
      s.resize(ss, '\0');
      sectors.push_back(std::move(s));
      fat.push_back(static_cast<std::uint32_t>(sectors.size()));  // next
    }
    fat.back() = kCfbEnd;
    return first;
  };

  // Mini stream: streams under 4096 bytes, in 64-byte mini sectors.
  std::string mini;
  std::vector<std::uint32_t> minifat;
  std::vector<std::uint32_t> starts(streams.size());
  for (std::size_t i = 0; i < streams.size(); ++i) {
    const std::string& d = streams[i].data;
    if (d.size() >= 4096) {
      starts[i] = allocate(d);
      continue;
    }
    if (d.empty()) {
      starts[i] = kCfbEnd;
      continue;
    }
    starts[i] = static_cast<std::uint32_t>(minifat.size());
    for (std::size_t off = 0; off < d.size(); off += 64) {
      std::string s = d.substr(off, 64);
      s.resize(64, '\0');
      mini += s;
      minifat.push_back(static_cast<std::uint32_t>(minifat.size() + 1));
    }
    minifat.back() = kCfbEnd;
  }
  const std::uint32_t mini_start = allocate(mini);
  std::string minifat_bytes;
  for (std::uint32_t v : minifat) AddLe(minifat_bytes, v, 4);
  const std::uint32_t minifat_start = allocate(minifat_bytes);
  const auto minifat_sectors = static_cast<std::uint32_t>((minifat_bytes.size() + ss - 1) / ss);

  // Directory: the root, storages, then streams; siblings chained rightwards.
  struct Dir {
    std::u16string name;
    std::uint8_t type;
    std::uint32_t left = kCfbFree, right = kCfbFree, child = kCfbFree, start = kCfbEnd;
    std::uint64_t size = 0;
  };
  std::vector<Dir> dirs;
  dirs.push_back({u"Root Entry", 5});
  dirs[0].start = mini_start;
  dirs[0].size = mini.size();
  std::vector<std::u16string> storage_names;
  for (const CfbStream& s : streams) {
    if (s.storage.empty()) continue;
    bool known = false;
    for (const auto& n : storage_names) known = known || n == s.storage;
    if (!known) storage_names.push_back(s.storage);
  }
  auto link = [&](std::uint32_t parent, std::uint32_t id) {
    if (dirs[parent].child == kCfbFree) {
      dirs[parent].child = id;
      return;
    }
    std::uint32_t at = dirs[parent].child;
    while (dirs[at].right != kCfbFree) at = dirs[at].right;
    dirs[at].right = id;
  };
  std::vector<std::uint32_t> storage_ids;
  for (const auto& n : storage_names) {
    dirs.push_back({n, 1});
    storage_ids.push_back(static_cast<std::uint32_t>(dirs.size() - 1));
    link(0, storage_ids.back());
  }
  for (std::size_t i = 0; i < streams.size(); ++i) {
    Dir d{streams[i].name, 2};
    d.start = starts[i];
    d.size = streams[i].data.size();
    dirs.push_back(d);
    std::uint32_t parent = 0;
    for (std::size_t k = 0; k < storage_names.size(); ++k) {
      if (storage_names[k] == streams[i].storage) parent = storage_ids[k];
    }
    link(parent, static_cast<std::uint32_t>(dirs.size() - 1));
  }
  std::string dir_bytes;
  for (const Dir& d : dirs) {
    std::string e(128, '\0');
    for (std::size_t k = 0; k < d.name.size() && k < 31; ++k) PutLe(e, 2 * k, d.name[k], 2);
    PutLe(e, 64, static_cast<std::uint16_t>((std::min<std::size_t>(d.name.size(), 31) + 1) * 2), 2);
    e[66] = static_cast<char>(d.type);
    e[67] = 1;  // black
    PutLe(e, 68, d.left, 4);
    PutLe(e, 72, d.right, 4);
    PutLe(e, 76, d.child, 4);
    PutLe(e, 116, d.start, 4);
    PutLe(e, 120, static_cast<std::uint32_t>(d.size), 4);
    PutLe(e, 124, static_cast<std::uint32_t>(d.size >> 32), 4);
    dir_bytes += e;
  }
  const std::uint32_t dir_start = allocate(dir_bytes);

  // FAT sectors (enough for every sector including themselves), then the
  // DIFAT sectors for those past the header's 109.
  std::uint32_t fat_count = 0, difat_count = 0;
  for (;;) {
    const std::uint64_t total = sectors.size() + fat_count + difat_count;
    const auto need = static_cast<std::uint32_t>((total + per - 1) / per + opt.extra_fat);
    const std::uint32_t need_difat = need > 109 ? (need - 109 + per - 2) / (per - 1) : 0;
    if (need <= fat_count && need_difat <= difat_count) break;
    fat_count = std::max(fat_count, need);
    difat_count = std::max(difat_count, need_difat);
  }
  const auto fat_first = static_cast<std::uint32_t>(sectors.size());
  const std::uint32_t difat_first = fat_first + fat_count;
  fat.resize(std::size_t{fat_count} * per, kCfbFree);
  for (std::uint32_t i = 0; i < fat_count; ++i) fat[fat_first + i] = kCfbFatSect;
  for (std::uint32_t i = 0; i < difat_count; ++i) fat[difat_first + i] = kCfbDifSect;
  for (std::uint32_t i = 0; i < fat_count; ++i) {
    std::string s(ss, '\0');
    for (std::uint32_t k = 0; k < per; ++k) PutLe(s, 4 * k, fat[std::size_t{i} * per + k], 4);
    sectors.push_back(std::move(s));
  }
  for (std::uint32_t i = 0; i < difat_count; ++i) {
    std::string s(ss, '\xFF');
    for (std::uint32_t k = 0; k + 1 < per; ++k) {
      const std::uint64_t n = 109 + std::uint64_t{i} * (per - 1) + k;
      if (n < fat_count) PutLe(s, 4 * k, fat_first + static_cast<std::uint32_t>(n), 4);
    }
    PutLe(s, 4 * (per - 1), i + 1 < difat_count ? difat_first + i + 1 : kCfbEnd, 4);
    sectors.push_back(std::move(s));
  }

  std::string header(ss, '\0');
  header.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  PutLe(header, 0x18, 0x3E, 2);
  PutLe(header, 0x1A, opt.sector_shift == 12 ? 4 : 3, 2);
  PutLe(header, 0x1C, 0xFFFE, 2);
  PutLe(header, 0x1E, static_cast<std::uint16_t>(opt.sector_shift), 2);
  PutLe(header, 0x20, 6, 2);
  PutLe(header, 0x28, opt.sector_shift == 12 ? static_cast<std::uint32_t>((dir_bytes.size() + ss - 1) / ss) : 0, 4);
  PutLe(header, 0x2C, fat_count, 4);
  PutLe(header, 0x30, dir_start, 4);
  PutLe(header, 0x38, 4096, 4);
  PutLe(header, 0x3C, minifat_start, 4);
  PutLe(header, 0x40, minifat_sectors, 4);
  PutLe(header, 0x44, difat_count > 0 ? difat_first : kCfbEnd, 4);
  PutLe(header, 0x48, difat_count, 4);
  for (std::uint32_t k = 0; k < 109; ++k) PutLe(header, 0x4C + 4 * k, k < fat_count ? fat_first + k : kCfbFree, 4);
  std::string out = header;
  for (const std::string& s : sectors) out += s;
  return out;
}

// The FAT entry of sector `index` of a file made above (first FAT sectors
// named by the header; enough for the small files tests make).
inline std::size_t FatEntryOffset(std::string_view file, std::uint32_t index) {
  const std::uint32_t ss = 1u << (static_cast<unsigned char>(file[0x1E]));
  const std::uint32_t per = ss / 4;
  const std::uint32_t fat_sector = static_cast<std::uint32_t>(GetLe(file, 0x4C + 4 * (index / per), 4));
  return (std::size_t{fat_sector} + 1) * ss + 4 * (index % per);
}
inline void SetFatEntry(std::string* file, std::uint32_t index, std::uint32_t value) {
  PutLe(*file, FatEntryOffset(*file, index), value, 4);
}

// --- Word 97 documents --------------------------------------------------

struct WordPiece {
  std::u16string text;
  bool compressed = false;  // 8-bit (code page 1252) rather than UTF-16
};

struct WordLayout {
  std::vector<WordPiece> pieces;  // in CP order
  bool stored_backwards = false;  // pieces stored in the stream last first (fast save)
  // Characters of the parts; ccp_text < 0 means "all of the text".
  std::int64_t ccp_text = -1;
  std::uint32_t ccp_footnotes = 0, ccp_headers = 0, ccp_endnotes = 0;
  // CPs of cell marks (7) that end a table row.
  std::vector<std::uint32_t> row_ends;
  std::uint16_t nfib = 0x00C1;
  bool encrypted = false;
  bool table1 = true;
  bool prc_before_pieces = true;  // a property modifier ahead of the piece table
};

inline std::string MakeWordDocument(const WordLayout& layout) {
  // WordDocument: the FIB, then the pieces' bytes from offset 1024.
  constexpr std::size_t kFibSize = 32 + 2 + 28 + 2 + 88 + 2 + 93 * 8;
  std::string word(1024, '\0');
  std::vector<std::uint32_t> fcs(layout.pieces.size());
  std::vector<std::size_t> order(layout.pieces.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = layout.stored_backwards ? order.size() - 1 - i : i;
  for (std::size_t i : order) {
    fcs[i] = static_cast<std::uint32_t>(word.size());
    for (char16_t c : layout.pieces[i].text) {
      if (layout.pieces[i].compressed) {
        if (c >= 0x100 && c != 0x201C && c != 0x201D && c != 0x2019) throw std::runtime_error("not 8-bit");
        word.push_back(c == 0x201C ? '\x93' : c == 0x201D ? '\x94' : c == 0x2019 ? '\x92' : static_cast<char>(c));
      } else {
        AddLe(word, c, 2);
      }
    }
  }
  // Row ends: one paragraph property page. Its runs cover the text without
  // gaps, as Word's do: a flagged run per row-ending mark, unflagged runs
  // (no properties) between them.
  std::string papx_plc;
  if (!layout.row_ends.empty()) {
    word.resize((word.size() + 511) / 512 * 512, '\0');
    const auto pn = static_cast<std::uint32_t>(word.size() / 512);
    std::vector<std::uint32_t> bounds;  // run boundaries (byte offsets)
    std::vector<bool> flagged;          // per run
    for (std::uint32_t cp : layout.row_ends) {
      std::uint32_t at = 0, width = 2, cp0 = 0;
      for (std::size_t i = 0; i < layout.pieces.size(); ++i) {
        const auto n = static_cast<std::uint32_t>(layout.pieces[i].text.size());
        if (cp >= cp0 && cp < cp0 + n) {
          width = layout.pieces[i].compressed ? 1 : 2;
          at = fcs[i] + (cp - cp0) * width;
        }
        cp0 += n;
      }
      if (bounds.empty()) {
        bounds.push_back(at);
      } else if (bounds.back() != at) {
        bounds.push_back(at);
        flagged.push_back(false);
      }
      bounds.push_back(at + width);
      flagged.push_back(true);
    }
    std::string page(512, '\0');
    const auto runs = static_cast<std::uint8_t>(flagged.size());
    for (std::size_t i = 0; i < bounds.size(); ++i) PutLe(page, 4 * i, bounds[i], 4);
    for (std::size_t r = 0; r < flagged.size(); ++r) {
      if (!flagged[r]) continue;  // bx offset 0: no properties
      // Properties: cb = 3 -> 5 bytes: style 0, sprmPFTtp = 1.
      const std::size_t off = 400 - 8 * r;
      page[off] = 3;
      page[off + 3] = 0x17;
      page[off + 4] = 0x24;
      page[off + 5] = 1;
      page[(runs + 1) * 4 + r * 13] = static_cast<char>(off / 2);
    }
    page[511] = static_cast<char>(runs);
    word += page;
    AddLe(papx_plc, bounds.front(), 4);
    AddLe(papx_plc, bounds.back(), 4);
    AddLe(papx_plc, pn, 4);
  }

  // Table stream: [Prc] Pcdt, then the PlcBtePapx.
  std::string table;
  if (layout.prc_before_pieces) {
    table.push_back('\x01');
    AddLe(table, 3, 2);
    table.append("\x03\x26\x01", 3);
  }
  std::string plc;
  std::uint32_t cp = 0;
  AddLe(plc, 0, 4);
  for (const WordPiece& p : layout.pieces) {
    cp += static_cast<std::uint32_t>(p.text.size());
    AddLe(plc, cp, 4);
  }
  for (std::size_t i = 0; i < layout.pieces.size(); ++i) {
    AddLe(plc, 0, 2);
    AddLe(plc, layout.pieces[i].compressed ? (fcs[i] * 2) | 0x40000000u : fcs[i], 4);
    AddLe(plc, 0, 2);
  }
  const auto fc_clx = static_cast<std::uint32_t>(0);
  table.push_back('\x02');
  AddLe(table, static_cast<std::uint32_t>(plc.size()), 4);
  table += plc;
  const auto lcb_clx = static_cast<std::uint32_t>(table.size());
  const auto fc_papx = static_cast<std::uint32_t>(table.size());
  table += papx_plc;

  // The FIB.
  std::string& fib = word;
  PutLe(fib, 0, 0xA5EC, 2);
  PutLe(fib, 2, layout.nfib, 2);
  PutLe(fib, 6, 0x0804, 2);
  PutLe(fib, 0x0A, static_cast<std::uint16_t>((layout.table1 ? 0x0200 : 0) | (layout.encrypted ? 0x0100 : 0)), 2);
  PutLe(fib, 0x20, 14, 2);
  const std::size_t cslw_at = 0x22 + 28;
  PutLe(fib, cslw_at, 22, 2);
  const std::size_t lw = cslw_at + 2;
  PutLe(fib, lw + 3 * 4, layout.ccp_text < 0 ? cp : static_cast<std::uint32_t>(layout.ccp_text), 4);
  PutLe(fib, lw + 4 * 4, layout.ccp_footnotes, 4);
  PutLe(fib, lw + 5 * 4, layout.ccp_headers, 4);
  PutLe(fib, lw + 8 * 4, layout.ccp_endnotes, 4);
  const std::size_t pairs_at = lw + 22 * 4;
  PutLe(fib, pairs_at, 93, 2);
  const std::size_t fclcb = pairs_at + 2;
  PutLe(fib, fclcb + 13 * 8, fc_papx, 4);
  PutLe(fib, fclcb + 13 * 8 + 4, static_cast<std::uint32_t>(papx_plc.size()), 4);
  PutLe(fib, fclcb + 33 * 8, fc_clx, 4);
  PutLe(fib, fclcb + 33 * 8 + 4, lcb_clx, 4);
  static_assert(kFibSize < 1024);

  return MakeCompoundFile({{u"WordDocument", word}, {layout.table1 ? u"1Table" : u"0Table", table}});
}

}  // namespace folian::testing
