// Builds Palm databases for the converter tests and the fuzz seeds: a
// header, the record list and record 0, text records stored or compressed
// by a small PalmDOC compressor written for the tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/bytes.h"

namespace folian::testing {

// Greedy PalmDOC: back-references of 3 to 10 bytes within 2,047, a blank
// and a letter as one byte, the rest literals (escaped with 0x01 where the
// byte has a meaning of its own).
inline std::string CompressPalmDoc(std::string_view in) {
  std::string out;
  std::size_t i = 0;
  while (i < in.size()) {
    std::size_t best = 0, best_distance = 0;
    for (std::size_t d = 1; d <= 2047 && d <= i; ++d) {
      std::size_t n = 0;
      while (n < 10 && i + n < in.size() && in[i + n] == in[i - d + n]) ++n;
      if (n > best) {
        best = n;
        best_distance = d;
        if (n == 10) break;
      }
    }
    if (best >= 3) {
      const unsigned w = 0x8000 | (static_cast<unsigned>(best_distance) << 3) | static_cast<unsigned>(best - 3);
      out.push_back(static_cast<char>(w >> 8));
      out.push_back(static_cast<char>(w & 0xFF));
      i += best;
      continue;
    }
    const auto c = static_cast<unsigned char>(in[i]);
    if (c == ' ' && i + 1 < in.size() && static_cast<unsigned char>(in[i + 1]) >= 0x40 &&
        static_cast<unsigned char>(in[i + 1]) < 0x80) {
      out.push_back(static_cast<char>(in[i + 1] ^ 0x80));
      i += 2;
    } else if ((c >= 0x01 && c <= 0x08) || c >= 0x80) {
      out.push_back('\x01');
      out.push_back(static_cast<char>(c));
      ++i;
    } else {
      out.push_back(static_cast<char>(c));
      ++i;
    }
  }
  return out;
}

struct PdbBook {
  std::vector<std::string> records;   // records 1..N-1, as stored
  unsigned compression = 2;
  std::uint32_t text_length = 0;      // record 0's fields
  unsigned text_records = 0;
  std::string type_creator = "TEXtREAd";
};

// `text` cut into 4,096-byte records (compressed unless `compression` is 1).
inline PdbBook BookOf(std::string_view text, unsigned compression = 2) {
  PdbBook b;
  b.compression = compression;
  b.text_length = static_cast<std::uint32_t>(text.size());
  for (std::size_t at = 0; at < text.size(); at += 4096) {
    const std::string_view part = text.substr(at, 4096);
    b.records.push_back(compression == 1 ? std::string(part) : CompressPalmDoc(part));
  }
  b.text_records = static_cast<unsigned>(b.records.size());
  return b;
}

inline std::string MakePdb(const PdbBook& b) {
  const std::size_t n = b.records.size() + 1;
  std::string out(78 + 8 * n + 2, '\0');
  out.replace(0, 4, "book");
  out.replace(60, 8, b.type_creator);
  PutBe(out, 76, static_cast<unsigned>(n), 2);
  std::string record0(16, '\0');
  PutBe(record0, 0, b.compression, 2);
  PutBe(record0, 4, b.text_length, 4);
  PutBe(record0, 8, b.text_records, 2);
  PutBe(record0, 10, 4096, 2);
  std::vector<std::string_view> all{record0};
  for (const std::string& r : b.records) all.push_back(r);
  for (std::size_t k = 0; k < n; ++k) {
    PutBe(out, 78 + 8 * k, static_cast<std::uint32_t>(out.size()), 4);
    out.append(all[k]);
  }
  return out;
}

}  // namespace folian::testing
