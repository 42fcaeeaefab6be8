// Builds WinHelp files for the converter tests and the fuzz seeds: the
// internal file system with its B+ tree directory, |SYSTEM, |TOPIC in
// stored or LZ77-compressed blocks, and the phrase tables of either kind,
// all written by small encoders made for the tests (an LZ77 compressor, an
// old-style phrase coder, a Hall coder with its bit-packed length index).
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/bytes.h"

namespace folian::testing {

// The longest earlier match at `i` (3-18 bytes, up to 4,096 back, not
// past `end`): its length (0 when none) and distance.
inline std::size_t HlpLongestMatch(std::string_view in, std::size_t i, std::size_t end, std::size_t* distance) {
  std::size_t best = 0;
  for (std::size_t d = 1; d <= 4096 && d <= i; ++d) {
    std::size_t n = 0;
    while (n < 18 && i + n < end && in[i + n] == in[i + n - d]) ++n;
    if (n > best) {
      best = n;
      *distance = d;
    }
  }
  return best >= 3 ? best : 0;
}

struct HlpLz77Item {
  std::size_t length, distance;  // distance 0: a literal
};

inline std::string EncodeHlpLz77(std::string_view in, const std::vector<HlpLz77Item>& items) {
  std::string out;
  std::size_t at = 0;
  for (std::size_t g = 0; g < items.size(); g += 8) {
    const std::size_t flag_at = out.size();
    out.push_back(0);
    unsigned flags = 0;
    for (std::size_t k = g; k < g + 8 && k < items.size(); ++k) {
      if (items[k].distance == 0) {
        out.push_back(in[at]);
      } else {
        flags |= 1u << (k - g);
        AddLe(out, static_cast<unsigned>((items[k].length - 3) << 12 | (items[k].distance - 1)), 2);
      }
      at += items[k].length;
    }
    out[flag_at] = static_cast<char>(flags);
  }
  return out;
}

inline std::vector<HlpLz77Item> GreedyHlpLz77(std::string_view in) {
  std::vector<HlpLz77Item> items;
  for (std::size_t i = 0; i < in.size();) {
    std::size_t distance = 0;
    const std::size_t n = HlpLongestMatch(in, i, in.size(), &distance);
    items.push_back(n > 0 ? HlpLz77Item{n, distance} : HlpLz77Item{1, 0});
    i += items.back().length;
  }
  return items;
}

// Greedy LZ77 of the help files.
inline std::string CompressHlpLz77(std::string_view in) { return EncodeHlpLz77(in, GreedyHlpLz77(in)); }

// LZ77 that fills exactly `capacity` bytes, as help compilers fill each
// topic block, or stops when the input ends or `max_out` bytes are coded.
// `*used` receives how many input bytes went in.
inline std::string CompressHlpLz77Filling(std::string_view in, std::size_t capacity, std::size_t max_out,
                                          std::size_t* used) {
  std::string out;
  std::size_t i = 0;
  const std::size_t end = std::min(in.size(), max_out);
  while (i < end && out.size() < capacity) {
    if (out.size() + 1 == capacity) {
      out.push_back(0);  // a flag byte with no items
      break;
    }
    const std::size_t flag_at = out.size();
    out.push_back(0);
    unsigned flags = 0;
    for (int bit = 0; bit < 8 && i < end && out.size() < capacity; ++bit) {
      std::size_t best_distance = 0;
      const std::size_t best = HlpLongestMatch(in, i, end, &best_distance);
      if (best > 0 && capacity - out.size() >= 2) {
        flags |= 1u << bit;
        AddLe(out, static_cast<unsigned>((best - 3) << 12 | (best_distance - 1)), 2);
        i += best;
      } else {
        out.push_back(in[i++]);
      }
    }
    out[flag_at] = static_cast<char>(flags);
  }
  *used = i;
  return out;
}

// LZ77 of all of `in` in exactly `capacity` bytes: the greedy coding, then
// references split (a literal and a reference one shorter) until the size
// is reached. False when the greedy coding is already too long.
inline bool CompressHlpLz77Exact(std::string_view in, std::size_t capacity, std::string* out) {
  std::vector<HlpLz77Item> items = GreedyHlpLz77(in);
  auto size = [&] {
    std::size_t n = (items.size() + 7) / 8;
    for (const HlpLz77Item& it : items) n += it.distance == 0 ? 1 : 2;
    return n;
  };
  auto splittable = [&](std::size_t k) { return items[k - 1].distance != 0 && items[k - 1].length >= 4; };
  bool lone_flag = false;
  for (std::size_t k = items.size(); size() < capacity;) {
    if (size() + 1 == capacity && items.size() % 8 == 0) {
      lone_flag = true;  // a flag byte with no items after it
      break;
    }
    while (k > 0 && !splittable(k)) --k;
    if (k == 0) {  // every reference passed once: start again from the end
      k = items.size();
      while (k > 0 && !splittable(k)) --k;
      if (k == 0) return false;
    }
    items[k - 1].length -= 1;
    items.insert(items.begin() + static_cast<std::ptrdiff_t>(k - 1), HlpLz77Item{1, 0});
  }
  if (size() + (lone_flag ? 1 : 0) != capacity) return false;
  *out = EncodeHlpLz77(in, items);
  if (lone_flag) out->push_back(0);
  return true;
}

// One topic link: its record type, the formatting part after the 21-byte
// header, and the text part before phrase compression. `stored`, when set,
// is written instead of the coded text (with the text's size as its
// expanded size): for damaged or hand-coded text.
struct HlpLink {
  std::uint8_t type = 0x20;
  std::string format;
  std::string text;
  bool has_stored = false;
  std::string stored;
  std::size_t claimed_size = 0;  // when set, the expanded size written instead of the text's
};

// A topic header record with `title`.
inline HlpLink HlpTopicHeader(std::string_view title) {
  HlpLink link;
  link.type = 0x02;
  link.format.assign(28, '\0');  // block size, browse links, number, regions
  link.text = std::string(title) + '\0';
  return link;
}

// Formatting data of a display record: sizes (a two-byte compressed long and
// a two-byte compressed word), then paragraph settings with no options.
inline std::string HlpDisplayStart(std::size_t text_size) {
  std::string f;
  AddLe(f, 0x8000, 2);                                              // size, even: two bytes
  AddLe(f, static_cast<unsigned>(text_size * 2 + 1) & 0xFFFF, 2);  // length, odd: two bytes
  f += std::string("\x00\x80\x00\x00", 4);
  AddLe(f, 0, 2);  // no paragraph options
  return f;
}

// A display record from pieces: each a string and the command bytes that
// follow it (the last piece's commands should end with 0xFF).
inline HlpLink HlpDisplay(const std::vector<std::pair<std::string, std::string>>& pieces) {
  HlpLink link;
  for (const auto& [s, commands] : pieces) link.text += s + '\0';
  link.format = HlpDisplayStart(link.text.size());
  for (const auto& piece : pieces) link.format += piece.second;
  return link;
}

// Paragraphs, each ended by a paragraph mark.
inline HlpLink HlpParagraphs(const std::vector<std::string>& paragraphs) {
  std::vector<std::pair<std::string, std::string>> pieces;
  for (const std::string& p : paragraphs) pieces.push_back({p, "\x82"});
  pieces.push_back({"", "\xFF"});
  return HlpDisplay(pieces);
}

// One table row: a cell per string, each one paragraph.
inline HlpLink HlpTableRow(const std::vector<std::string>& cells) {
  HlpLink link;
  link.type = 0x23;
  std::string cells_format;
  for (std::size_t c = 0; c < cells.size(); ++c) {
    AddLe(cells_format, static_cast<unsigned>(c), 2);
    cells_format += std::string("\x00\x00\x00", 3);
    cells_format += std::string("\x00\x80\x00\x00\x00\x00", 6);
    cells_format += "\x82";
    cells_format += "\xFF";
    link.text += cells[c] + '\0' + '\0';
  }
  AddLe(cells_format, 0xFFFF, 2);
  std::string f;
  AddLe(f, 0x8000, 2);
  AddLe(f, static_cast<unsigned>(link.text.size() * 2 + 1) & 0xFFFF, 2);
  f.push_back(static_cast<char>(cells.size()));
  f.push_back(1);  // table type 1: no minimum width
  for (std::size_t c = 0; c < cells.size(); ++c) {
    AddLe(f, 0, 2);
    AddLe(f, 1000, 2);
  }
  link.format = f + cells_format;
  return link;
}

enum class HlpCompression { kNone, kLz77Blocks4k, kLz77Blocks2k };
enum class HlpPhraseKind { kNone, kOld, kHall };

struct HlpOptions {
  std::uint16_t minor = 33;  // Windows 95 compiler
  HlpCompression compression = HlpCompression::kNone;
  std::string title;
  std::uint16_t lcid = 0x0804;  // 0: no language record
  int charset = 134;            // < 0: no character set record
  HlpPhraseKind phrase_kind = HlpPhraseKind::kNone;
  std::vector<std::string> phrases;
  bool compress_phrase_image = true;  // Hall: |PhrImage LZ77-compressed
  unsigned hall_bits = 2;
  bool with_system = true;
  bool with_topic = true;
  std::size_t entries_per_leaf = 64;  // fewer: the directory gets an index page
  // Further internal files (name, bytes), e.g. a picture.
  std::vector<std::pair<std::string, std::string>> extra_files;
};

struct HlpFile {
  std::string bytes;
  std::map<std::string, std::size_t> offsets;  // each internal file's header
  std::size_t directory = 0;
  std::size_t directory_page_size = 1024;
  std::size_t leaf_pages = 0;
  // The start of directory page `k` within `bytes`.
  std::size_t PageAt(std::size_t k) const { return directory + 9 + 38 + k * directory_page_size; }
  // The data of internal file `name` within `bytes`.
  std::size_t DataAt(const std::string& name) const { return offsets.at(name) + 9; }
};

namespace hlp_detail {

inline std::size_t LongestPhrase(const std::vector<std::string>& phrases, std::string_view text, std::size_t i,
                                 std::size_t* which) {
  std::size_t best = 0;
  for (std::size_t k = 0; k < phrases.size(); ++k) {
    const std::string& p = phrases[k];
    if (p.size() > best && text.substr(i, p.size()) == p) {
      best = p.size();
      *which = k;
    }
  }
  return best;
}

inline std::string CodeOld(const std::vector<std::string>& phrases, std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t k = 0;
    const std::size_t n = LongestPhrase(phrases, text, i, &k);
    if (n == 0) {
      out.push_back(text[i++]);
      continue;
    }
    i += n;
    std::size_t code = k * 2;
    if (i < text.size() && text[i] == ' ') {
      ++code;
      ++i;
    }
    out.push_back(static_cast<char>((code >> 8) + 1));
    out.push_back(static_cast<char>(code & 0xFF));
  }
  return out;
}

inline std::string CodeHall(const std::vector<std::string>& phrases, std::string_view text) {
  std::string out, literal;
  auto flush = [&] {
    for (std::size_t at = 0; at < literal.size(); at += 32) {
      const std::size_t n = std::min<std::size_t>(32, literal.size() - at);
      out.push_back(static_cast<char>(((n - 1) << 3) | 3));
      out += literal.substr(at, n);
    }
    literal.clear();
  };
  for (std::size_t i = 0; i < text.size();) {
    std::size_t k = 0;
    if (const std::size_t n = LongestPhrase(phrases, text, i, &k); n > 0) {
      flush();
      if (k < 128) {
        out.push_back(static_cast<char>(k * 2));
      } else {
        out.push_back(static_cast<char>((((k - 128) >> 8) << 2) | 1));
        out.push_back(static_cast<char>((k - 128) & 0xFF));
      }
      i += n;
      continue;
    }
    if (text[i] == ' ' || text[i] == '\0') {
      const char c = text[i];
      std::size_t n = 0;
      while (i + n < text.size() && text[i + n] == c && n < 16) ++n;
      flush();
      out.push_back(static_cast<char>(((n - 1) << 4) | (c == ' ' ? 7 : 15)));
      i += n;
      continue;
    }
    literal.push_back(text[i++]);
  }
  flush();
  return out;
}

inline std::string FileHeader(std::size_t used) {
  std::string h;
  AddLe(h, static_cast<std::uint32_t>(used + 9), 4);
  AddLe(h, static_cast<std::uint32_t>(used), 4);
  h.push_back(4);
  return h;
}

inline std::string SystemFile(const HlpOptions& o) {
  std::string s;
  AddLe(s, 0x036C, 2);
  AddLe(s, o.minor, 2);
  AddLe(s, 1, 2);
  AddLe(s, 0x12345678, 4);
  const unsigned flags = o.compression == HlpCompression::kLz77Blocks4k   ? 4
                         : o.compression == HlpCompression::kLz77Blocks2k ? 8
                                                                          : 0;
  AddLe(s, flags, 2);
  if (o.minor <= 16) {
    s += o.title + '\0';
    return s;
  }
  auto record = [&](unsigned type, const std::string& data) {
    AddLe(s, type, 2);
    AddLe(s, static_cast<unsigned>(data.size()), 2);
    s += data;
  };
  record(1, o.title + '\0');
  if (o.lcid != 0) {
    std::string lcid(8, '\0');
    AddLe(lcid, o.lcid, 2);
    record(9, lcid);
  }
  if (o.charset >= 0) record(11, std::string(1, static_cast<char>(o.charset)) + std::string("\x86\x00", 2));
  return s;
}

inline std::string OldPhrases(const HlpOptions& o, bool lz77) {
  std::string s, text;
  AddLe(s, static_cast<unsigned>(o.phrases.size()), 2);
  AddLe(s, 0x0100, 2);
  for (const std::string& p : o.phrases) text += p;
  if (lz77) AddLe(s, static_cast<std::uint32_t>(text.size()), 4);
  std::size_t at = (o.phrases.size() + 1) * 2;
  AddLe(s, static_cast<unsigned>(at), 2);
  for (const std::string& p : o.phrases) {
    at += p.size();
    AddLe(s, static_cast<unsigned>(at), 2);
  }
  s += lz77 ? CompressHlpLz77(text) : text;
  return s;
}

// |PhrIndex and |PhrImage.
inline std::pair<std::string, std::string> HallPhrases(const HlpOptions& o) {
  std::string text;
  for (const std::string& p : o.phrases) text += p;
  const std::string image = o.compress_phrase_image ? CompressHlpLz77(text) : text;
  std::vector<bool> bits;
  for (const std::string& p : o.phrases) {
    const std::size_t n = p.size() - 1;
    for (std::size_t q = n >> o.hall_bits; q > 0; --q) bits.push_back(true);
    bits.push_back(false);
    for (unsigned b = 0; b < o.hall_bits; ++b) bits.push_back(((n >> b) & 1) != 0);
  }
  std::string stream;
  for (std::size_t w = 0; w < bits.size(); w += 32) {
    std::uint32_t word = 0;
    for (std::size_t b = 0; b < 32 && w + b < bits.size(); ++b) {
      if (bits[w + b]) word |= std::uint32_t{1} << b;
    }
    AddLe(stream, word, 4);
  }
  std::string index;
  AddLe(index, 1, 4);
  AddLe(index, static_cast<std::uint32_t>(o.phrases.size()), 4);
  AddLe(index, static_cast<std::uint32_t>(28 + stream.size()), 4);
  AddLe(index, static_cast<std::uint32_t>(text.size()), 4);
  AddLe(index, static_cast<std::uint32_t>(image.size()), 4);
  AddLe(index, 0, 4);
  AddLe(index, o.hall_bits, 2);
  AddLe(index, 0x4A00, 2);
  return {index + stream, image};
}

inline std::string TopicFile(const HlpOptions& o, const std::vector<HlpLink>& links) {
  const bool lz = o.compression != HlpCompression::kNone;
  const std::size_t block = o.compression == HlpCompression::kLz77Blocks2k ? 2048 : 4096;
  const std::size_t span = 0x4000 - 12;  // expanded bytes a block may hold

  std::vector<std::string> records;
  for (const HlpLink& link : links) {
    std::string coded;
    if (link.has_stored) {
      coded = link.stored;
    } else if (o.phrase_kind == HlpPhraseKind::kOld) {
      coded = CodeOld(o.phrases, link.text);
    } else if (o.phrase_kind == HlpPhraseKind::kHall) {
      coded = CodeHall(o.phrases, link.text);
    } else {
      coded = link.text;
    }
    // Coding that does not shorten the text is not used.
    if (!link.has_stored && coded.size() >= link.text.size()) coded = link.text;
    std::string r;
    AddLe(r, static_cast<std::uint32_t>(21 + link.format.size() + coded.size()), 4);
    AddLe(r, static_cast<std::uint32_t>(link.claimed_size != 0 ? link.claimed_size : link.text.size()), 4);
    AddLe(r, 0, 4);  // previous, set below
    AddLe(r, 0, 4);  // next, set below
    AddLe(r, static_cast<std::uint32_t>(21 + link.format.size()), 4);
    r.push_back(static_cast<char>(link.type));
    r += link.format + coded;
    records.push_back(std::move(r));
  }
  std::string data;
  std::vector<std::size_t> starts;
  for (const std::string& r : records) {
    starts.push_back(data.size());
    data += r;
  }

  // Where each block's expanded data begins. Compressed blocks hold what
  // fits; that is found with the positions still unset and some room to
  // spare, then each block is coded to fill its size exactly.
  std::vector<std::size_t> bounds{0};
  auto position = [&](std::size_t linear) {
    std::size_t b = 0;
    while (b + 1 < bounds.size() && bounds[b + 1] <= linear) ++b;
    return static_cast<std::uint32_t>(b * 0x4000 + (linear - bounds[b]) + 12);
  };
  // Twice: the second split sees positions close to the final ones.
  for (int round = 0; round < 2; ++round) {
    bounds.assign(1, 0);
    for (std::size_t at = 0;;) {
      std::size_t used = 0;
      if (lz) {
        CompressHlpLz77Filling(std::string_view(data).substr(at), block - 12 - 128, span, &used);
      } else {
        used = std::min(block - 12, data.size() - at);
      }
      at += used;
      if (at >= data.size()) break;
      bounds.push_back(at);
    }
    for (std::size_t k = 0; k < records.size(); ++k) {
      PutLe(data, starts[k] + 8, k == 0 ? 0xFFFFFFFF : position(starts[k - 1]), 4);
      PutLe(data, starts[k] + 12, k + 1 < records.size() ? position(starts[k + 1]) : 0xFFFFFFFF, 4);
    }
  }
  std::vector<std::string> bodies;
  for (std::size_t b = 0; b < bounds.size(); ++b) {
    const std::size_t end = b + 1 < bounds.size() ? bounds[b + 1] : data.size();
    const std::string_view piece = std::string_view(data).substr(bounds[b], end - bounds[b]);
    std::string body;
    if (!lz) {
      body = piece;
    } else if (b + 1 == bounds.size() || piece.size() == span) {
      // The last block, or one that expands to all 16 KB: the reader stops
      // there, so what follows in the block does not matter.
      body = CompressHlpLz77(piece);
    } else if (!CompressHlpLz77Exact(piece, block - 12, &body)) {
      std::abort();  // the fixture's own split is wrong
    }
    bodies.push_back(body);
  }

  std::string file;
  for (std::size_t b = 0; b < bodies.size(); ++b) {
    std::uint32_t first = 0xFFFFFFFF;
    const std::size_t end = b + 1 < bounds.size() ? bounds[b + 1] : data.size();
    for (std::size_t s : starts) {
      if (s >= bounds[b] && s < end) {
        first = position(s);
        break;
      }
    }
    std::string full;
    AddLe(full, 0xFFFFFFFF, 4);
    AddLe(full, first, 4);
    AddLe(full, 0, 4);
    full += bodies[b];
    // Every block but the last takes its whole size.
    if (b + 1 < bodies.size()) full.resize(block, '\0');
    file += full;
  }
  return file;
}

}  // namespace hlp_detail

inline HlpFile BuildHlp(const HlpOptions& o, const std::vector<HlpLink>& links) {
  std::vector<std::pair<std::string, std::string>> files;
  if (o.with_system) files.push_back({"|SYSTEM", hlp_detail::SystemFile(o)});
  if (o.with_topic) files.push_back({"|TOPIC", hlp_detail::TopicFile(o, links)});
  if (o.phrase_kind == HlpPhraseKind::kOld) {
    files.push_back({"|Phrases", hlp_detail::OldPhrases(o, o.compression != HlpCompression::kNone)});
  } else if (o.phrase_kind == HlpPhraseKind::kHall) {
    auto [index, image] = hlp_detail::HallPhrases(o);
    files.push_back({"|PhrIndex", index});
    files.push_back({"|PhrImage", image});
  }
  for (const auto& f : o.extra_files) files.push_back(f);
  std::sort(files.begin(), files.end());

  HlpFile out;
  std::string bytes(16, '\0');
  for (const auto& [name, data] : files) {
    out.offsets[name] = bytes.size();
    bytes += hlp_detail::FileHeader(data.size()) + data;
  }

  // The directory: leaves of up to entries_per_leaf names, and an index
  // page over them when there is more than one.
  const std::size_t page = out.directory_page_size;
  std::vector<std::string> pages;
  std::vector<std::string> first_names;
  for (std::size_t at = 0; at < files.size() || pages.empty(); at += o.entries_per_leaf) {
    const std::size_t n = std::min(o.entries_per_leaf, files.size() - std::min(at, files.size()));
    std::string p;
    AddLe(p, 0, 2);
    AddLe(p, static_cast<unsigned>(n), 2);
    AddLe(p, pages.empty() ? 0xFFFF : static_cast<unsigned>(pages.size() - 1), 2);
    AddLe(p, 0xFFFF, 2);  // next, set below
    for (std::size_t k = at; k < at + n; ++k) {
      p += files[k].first + '\0';
      AddLe(p, static_cast<std::uint32_t>(out.offsets[files[k].first]), 4);
    }
    first_names.push_back(n > 0 ? files[at].first : std::string());
    p.resize(page, '\0');
    pages.push_back(p);
    if (files.empty()) break;
  }
  out.leaf_pages = pages.size();
  for (std::size_t k = 0; k + 1 < pages.size(); ++k) PutLe(pages[k], 6, static_cast<unsigned>(k + 1), 2);
  unsigned root = 0, levels = 1;
  if (pages.size() > 1) {
    std::string index;
    AddLe(index, 0, 2);
    AddLe(index, static_cast<unsigned>(pages.size() - 1), 2);
    AddLe(index, 0, 2);  // first child
    for (std::size_t k = 1; k < first_names.size(); ++k) {
      index += first_names[k] + '\0';
      AddLe(index, static_cast<unsigned>(k), 2);
    }
    index.resize(page, '\0');
    root = static_cast<unsigned>(pages.size());
    levels = 2;
    pages.push_back(index);
  }
  std::string tree;
  AddLe(tree, 0x293B, 2);
  AddLe(tree, 0x0402, 2);
  AddLe(tree, static_cast<unsigned>(page), 2);
  tree += std::string("z4", 2) + std::string(14, '\0');
  AddLe(tree, 0, 2);
  AddLe(tree, 0, 2);
  AddLe(tree, root, 2);
  AddLe(tree, 0xFFFF, 2);
  AddLe(tree, static_cast<unsigned>(pages.size()), 2);
  AddLe(tree, levels, 2);
  AddLe(tree, static_cast<std::uint32_t>(files.size()), 4);
  for (const std::string& p : pages) tree += p;

  out.directory = bytes.size();
  bytes += hlp_detail::FileHeader(tree.size()) + tree;
  PutLe(bytes, 0, 0x00035F3F, 4);
  PutLe(bytes, 4, static_cast<std::uint32_t>(out.directory), 4);
  PutLe(bytes, 8, 0xFFFFFFFF, 4);
  PutLe(bytes, 12, static_cast<std::uint32_t>(bytes.size()), 4);
  out.bytes = std::move(bytes);
  return out;
}

inline std::string MakeHlp(const HlpOptions& o, const std::vector<HlpLink>& links) {
  return BuildHlp(o, links).bytes;
}

}  // namespace folian::testing
