#include "convert/pdf/filters.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "convert/inflate.h"

namespace folian::convert::pdf {
namespace {

int HexDigit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsSpace(unsigned char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == 0;
}

// Room left under the cap for output appended since `base`.
std::size_t Room(const std::string& out, std::size_t base, std::size_t cap) {
  const std::size_t used = out.size() - base;
  return used < cap ? cap - used : 0;
}

std::string_view CanonicalName(std::string_view name) {
  if (name == "Fl") return "FlateDecode";
  if (name == "LZW") return "LZWDecode";
  if (name == "AHx") return "ASCIIHexDecode";
  if (name == "A85") return "ASCII85Decode";
  if (name == "RL") return "RunLengthDecode";
  return name;
}

}  // namespace

DecodeResult DecodeAsciiHex(std::string_view in, std::size_t cap, std::string* out) {
  const std::size_t base = out->size();
  int high = -1;
  for (const char ch : in) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '>') break;
    const int v = HexDigit(c);
    if (v < 0) {
      if (IsSpace(c)) continue;
      return out->size() > base ? DecodeResult::kPartial : DecodeResult::kFailed;
    }
    if (high < 0) {
      high = v;
      continue;
    }
    if (Room(*out, base, cap) == 0) return DecodeResult::kPartial;
    out->push_back(static_cast<char>(high << 4 | v));
    high = -1;
  }
  if (high >= 0 && Room(*out, base, cap) > 0) out->push_back(static_cast<char>(high << 4));
  return DecodeResult::kOk;
}

DecodeResult DecodeAscii85(std::string_view in, std::size_t cap, std::string* out) {
  const std::size_t base = out->size();
  std::size_t i = 0;
  if (in.substr(0, 2) == "<~") i = 2;
  std::uint32_t group[5];
  int n = 0;
  auto flush = [&](int count) -> bool {
    // count digits (2..5) give count - 1 bytes; missing digits count as 'u'.
    std::uint64_t v = 0;
    for (int k = 0; k < 5; ++k) v = v * 85 + (k < count ? group[k] : 84);
    if (v > 0xFFFFFFFFull) return false;
    const int bytes = count - 1;
    for (int k = 0; k < bytes; ++k) {
      if (Room(*out, base, cap) == 0) return false;
      out->push_back(static_cast<char>((v >> (24 - 8 * k)) & 0xFF));
    }
    return true;
  };
  for (; i < in.size(); ++i) {
    const auto c = static_cast<unsigned char>(in[i]);
    if (IsSpace(c)) continue;
    if (c == '~') break;  // "~>" ends the data
    if (c == 'z' && n == 0) {
      for (int k = 0; k < 4; ++k) {
        if (Room(*out, base, cap) == 0) return DecodeResult::kPartial;
        out->push_back('\0');
      }
      continue;
    }
    if (c < '!' || c > 'u') return out->size() > base ? DecodeResult::kPartial : DecodeResult::kFailed;
    group[n++] = c - '!';
    if (n == 5) {
      if (!flush(5)) return DecodeResult::kPartial;
      n = 0;
    }
  }
  if (n == 1) return DecodeResult::kPartial;  // a lone digit encodes nothing
  if (n > 1 && !flush(n)) return DecodeResult::kPartial;
  return DecodeResult::kOk;
}

DecodeResult DecodeLzw(std::string_view in, int early_change, std::size_t cap, std::string* out) {
  const std::size_t base = out->size();
  constexpr int kClear = 256;
  constexpr int kEod = 257;
  constexpr int kMaxCodes = 4096;
  // Each entry: the code of its prefix (-1 for single bytes), its last byte
  // and its length, so a string is rebuilt by walking back.
  struct Entry {
    std::int16_t prefix;
    std::uint8_t last;
    std::uint16_t length;
  };
  static_assert(kMaxCodes <= 32767);
  std::vector<Entry> table(kMaxCodes);
  for (int k = 0; k < 256; ++k) table[k] = {-1, static_cast<std::uint8_t>(k), 1};
  int next = 258;
  int bits = 9;
  int prev = -1;
  std::uint32_t buffer = 0;
  int buffered = 0;
  std::size_t i = 0;
  std::string scratch;
  const int early = early_change != 0 ? 1 : 0;
  for (;;) {
    while (buffered < bits && i < in.size()) {
      buffer = (buffer << 8) | static_cast<unsigned char>(in[i++]);
      buffered += 8;
    }
    if (buffered < bits) break;  // input ran out (no EOD): keep what we have
    const int code = static_cast<int>((buffer >> (buffered - bits)) & ((1u << bits) - 1));
    buffered -= bits;
    if (code == kClear) {
      next = 258;
      bits = 9;
      prev = -1;
      continue;
    }
    if (code == kEod) return DecodeResult::kOk;
    int emit_code = code;
    bool kwkwk = false;
    if (code >= next) {
      if (code != next || prev < 0) return out->size() > base ? DecodeResult::kPartial : DecodeResult::kFailed;
      emit_code = prev;  // the KwKwK case: prev's string plus its own first byte
      kwkwk = true;
    }
    // Rebuild the string of emit_code.
    const int len = table[emit_code].length;
    scratch.assign(static_cast<std::size_t>(len), '\0');
    int c = emit_code;
    for (int k = len - 1; k >= 0 && c >= 0; --k) {
      scratch[static_cast<std::size_t>(k)] = static_cast<char>(table[c].last);
      c = table[c].prefix;
    }
    if (kwkwk) scratch.push_back(scratch[0]);
    const std::size_t room = Room(*out, base, cap);
    if (scratch.size() > room) {
      out->append(scratch, 0, room);
      return DecodeResult::kPartial;
    }
    out->append(scratch);
    if (prev >= 0 && next < kMaxCodes) {
      const int plen = table[prev].length;
      table[next] = {static_cast<std::int16_t>(prev), static_cast<std::uint8_t>(scratch[0]),
                     static_cast<std::uint16_t>(plen + 1 > 0xFFFF ? 0xFFFF : plen + 1)};
      ++next;
    }
    prev = code;
    if (next + early >= 512 && bits < 10) bits = 10;
    if (next + early >= 1024 && bits < 11) bits = 11;
    if (next + early >= 2048 && bits < 12) bits = 12;
  }
  return out->size() > base ? DecodeResult::kPartial : DecodeResult::kFailed;
}

DecodeResult DecodeRunLength(std::string_view in, std::size_t cap, std::string* out) {
  const std::size_t base = out->size();
  std::size_t i = 0;
  while (i < in.size()) {
    const auto len = static_cast<unsigned char>(in[i++]);
    if (len == 128) return DecodeResult::kOk;
    if (len < 128) {
      const std::size_t n = len + 1u;
      if (n > in.size() - i) {
        out->append(in.substr(i, std::min(in.size() - i, Room(*out, base, cap))));
        return DecodeResult::kPartial;
      }
      if (n > Room(*out, base, cap)) return DecodeResult::kPartial;
      out->append(in.substr(i, n));
      i += n;
    } else {
      if (i >= in.size()) return DecodeResult::kPartial;
      const std::size_t n = 257u - len;
      if (n > Room(*out, base, cap)) return DecodeResult::kPartial;
      out->append(n, in[i++]);
    }
  }
  return DecodeResult::kOk;
}

DecodeResult DecodeFlate(std::string_view in, std::size_t cap, std::string* out) {
  const std::size_t base = out->size();
  InflateOutcome r = Inflate(in, cap, out, InflateFormat::kZlib);
  if (r == InflateOutcome::kComplete) return DecodeResult::kOk;
  if (r == InflateOutcome::kOverCap) return DecodeResult::kPartial;
  if (out->size() > base) return DecodeResult::kPartial;
  // Some producers write bare deflate data without the zlib header.
  r = Inflate(in, cap, out, InflateFormat::kRaw);
  if (r == InflateOutcome::kComplete) return DecodeResult::kOk;
  return out->size() > base ? DecodeResult::kPartial : DecodeResult::kFailed;
}

bool ApplyPredictor(const FilterParams& params, std::string* data) {
  if (params.predictor <= 1) return true;
  if (params.colors < 1 || params.colors > 32 || params.columns < 1 || params.columns > (1 << 24)) return false;
  if (params.bits_per_component != 1 && params.bits_per_component != 2 && params.bits_per_component != 4 &&
      params.bits_per_component != 8 && params.bits_per_component != 16) {
    return false;
  }
  const std::size_t bits_per_pixel =
      static_cast<std::size_t>(params.colors) * static_cast<std::size_t>(params.bits_per_component);
  const std::size_t bpp = (bits_per_pixel + 7) / 8;
  const std::size_t row = (bits_per_pixel * static_cast<std::size_t>(params.columns) + 7) / 8;
  std::string& d = *data;
  if (params.predictor == 2) {
    // TIFF: only the 8-bit case occurs in the streams we read (xref and
    // object data); others are left as they are.
    if (params.bits_per_component != 8) return true;
    for (std::size_t start = 0; start + row <= d.size(); start += row) {
      for (std::size_t k = bpp; k < row; ++k) {
        d[start + k] = static_cast<char>(static_cast<unsigned char>(d[start + k]) +
                                         static_cast<unsigned char>(d[start + k - bpp]));
      }
    }
    return true;
  }
  if (params.predictor < 10) return false;
  // PNG: each row starts with its own filter type byte.
  std::string result;
  result.reserve(d.size());
  std::string prior(row, '\0');
  std::string cur(row, '\0');
  std::size_t i = 0;
  while (i < d.size()) {
    const auto type = static_cast<unsigned char>(d[i++]);
    const std::size_t n = std::min(row, d.size() - i);
    cur.assign(d, i, n);
    cur.resize(row, '\0');
    i += n;
    for (std::size_t k = 0; k < row; ++k) {
      const int a = k >= bpp ? static_cast<unsigned char>(cur[k - bpp]) : 0;
      const int b = static_cast<unsigned char>(prior[k]);
      const int c = k >= bpp ? static_cast<unsigned char>(prior[k - bpp]) : 0;
      int x = static_cast<unsigned char>(cur[k]);
      switch (type) {
        case 0: break;
        case 1: x += a; break;
        case 2: x += b; break;
        case 3: x += (a + b) / 2; break;
        case 4: {
          const int p = a + b - c;
          const int pa = std::abs(p - a);
          const int pb = std::abs(p - b);
          const int pc = std::abs(p - c);
          x += (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
          break;
        }
        default: return false;
      }
      cur[k] = static_cast<char>(x & 0xFF);
    }
    result.append(cur, 0, n);
    prior.swap(cur);
  }
  d.swap(result);
  return true;
}

DecodeResult DecodeFilters(std::string_view data, const std::vector<FilterParams>& chain,
                           std::size_t cap, std::string* out) {
  out->clear();
  if (chain.empty()) {
    out->assign(data.substr(0, std::min(data.size(), cap)));
    return data.size() > cap ? DecodeResult::kPartial : DecodeResult::kOk;
  }
  std::string a(data);
  std::string b;
  bool partial = false;
  for (const FilterParams& f : chain) {
    b.clear();
    const std::string_view name = CanonicalName(f.name);
    DecodeResult r;
    if (name == "FlateDecode") {
      r = DecodeFlate(a, cap, &b);
    } else if (name == "LZWDecode") {
      r = DecodeLzw(a, f.early_change, cap, &b);
    } else if (name == "ASCIIHexDecode") {
      r = DecodeAsciiHex(a, cap, &b);
    } else if (name == "ASCII85Decode") {
      r = DecodeAscii85(a, cap, &b);
    } else if (name == "RunLengthDecode") {
      r = DecodeRunLength(a, cap, &b);
    } else if (name == "Crypt") {
      r = DecodeResult::kOk;  // the identity crypt filter; decryption happens before
      b = a;
    } else {
      return DecodeResult::kUnsupported;
    }
    if (r == DecodeResult::kFailed) return DecodeResult::kFailed;
    if (r == DecodeResult::kPartial) partial = true;
    if ((name == "FlateDecode" || name == "LZWDecode") && !ApplyPredictor(f, &b)) {
      return DecodeResult::kFailed;
    }
    a.swap(b);
  }
  out->swap(a);
  return partial ? DecodeResult::kPartial : DecodeResult::kOk;
}

}  // namespace folian::convert::pdf
