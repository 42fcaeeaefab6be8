#include "text/garbled.h"

#include <bitset>
#include <memory>

#include "charset/codepage.h"

namespace folian::text {
namespace {

bool IsPrivateUse(char32_t c) { return c >= 0xE000 && c <= 0xF8FF; }

// Which two-byte sequences are GBK characters a reader can see: defined by
// the code page and not mapped into the private-use area, where its
// user-defined areas (AAA1-AFFE, F8A1-FEFE, A140-A7A0) and unassigned
// positions land.
class PairTable {
 public:
  PairTable() {
    std::string pair(2, '\0');
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        pair[0] = static_cast<char>(lead);
        pair[1] = static_cast<char>(trail);
        const std::u16string wide = charset::ToWide(charset::kGbk, pair);
        if (wide.size() == 1 && wide[0] != 0xFFFD && !IsPrivateUse(wide[0])) {
          good_.set(lead << 8 | trail);
        }
      }
    }
  }
  bool Good(unsigned char lead, unsigned char trail) const { return good_.test(lead << 8 | trail); }

 private:
  std::bitset<0x10000> good_;
};

const PairTable& Pairs() {
  static const PairTable table;
  return table;
}

bool IsLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

std::size_t CharLength(std::string_view text, std::size_t i) {
  return IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// A decoding is clean when it gives back exactly the bytes it came from
// (nothing undefined or dropped), holds no control character besides line
// breaks and tabs, and GBK can show every character it holds.
std::optional<std::string> CleanDecoding(std::string_view bytes, const std::u16string& wide,
                                         const std::string& roundtrip) {
  if (wide.empty() || roundtrip != bytes) return std::nullopt;
  for (char16_t c : wide) {
    if (c == 0xFFFD || (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) {
      return std::nullopt;
    }
  }
  std::size_t defaulted = 0;
  std::string gbk = charset::FromWide(charset::kGbk, wide, '?', &defaulted);
  if (defaulted != 0) return std::nullopt;
  for (std::size_t i = 0; i < gbk.size();) {
    std::size_t n = 0;
    if (IsGarbledAt(gbk, i, &n)) return std::nullopt;
    i += n;
  }
  return gbk;
}

}  // namespace

bool IsGarbledAt(std::string_view text, std::size_t i, std::size_t* length) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) {
    *length = 1;
    return false;
  }
  if (!IsLead(c) || i + 1 >= text.size()) {
    *length = 1;
    return true;  // 0x80, 0xFF, or a lead byte cut off at the end
  }
  const auto t = static_cast<unsigned char>(text[i + 1]);
  if (Pairs().Good(c, t)) {
    *length = 2;
    return false;
  }
  // A lead byte whose second byte cannot be a trail byte is garbled alone:
  // the byte after it may start a character of its own.
  const bool trail_like = t >= 0x40 && t <= 0xFE && t != 0x7F;
  *length = trail_like ? 2 : 1;
  return true;
}

std::optional<ByteRange> FindGarbled(std::string_view text, std::size_t from) {
  std::size_t i = 0;
  // Character boundaries are only known walking from the start.
  while (i < from && i < text.size()) i += CharLength(text, i);
  while (i < text.size()) {
    std::size_t n = 0;
    if (!IsGarbledAt(text, i, &n)) {
      i += n;
      continue;
    }
    const std::size_t start = i;
    i += n;
    while (i < text.size() && IsGarbledAt(text, i, &n)) i += n;
    return ByteRange{start, i - start};
  }
  return std::nullopt;
}

std::optional<Repair> RepairGarbled(std::string_view bytes) {
  if (bytes.empty()) return std::nullopt;
  {
    const std::u16string wide = charset::ToWide(charset::kUtf8, bytes);
    if (auto gbk = CleanDecoding(bytes, wide, charset::EncodeUtf8(wide))) {
      return Repair{std::move(*gbk), RepairSource::kUtf8};
    }
  }
  {
    const std::u16string wide = charset::ToWide(charset::kBig5, bytes);
    if (auto gbk = CleanDecoding(bytes, wide, charset::FromWide(charset::kBig5, wide))) {
      return Repair{std::move(*gbk), RepairSource::kBig5};
    }
  }
  if (bytes.size() % 2 == 0) {
    std::u16string wide;
    wide.reserve(bytes.size() / 2);
    std::string roundtrip;
    bool surrogates_paired = true;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
      wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    for (std::size_t i = 0; i < wide.size(); ++i) {
      if (wide[i] >= 0xD800 && wide[i] <= 0xDFFF) surrogates_paired = false;
    }
    roundtrip.assign(bytes);
    if (surrogates_paired) {
      if (auto gbk = CleanDecoding(bytes, wide, roundtrip)) {
        return Repair{std::move(*gbk), RepairSource::kUtf16LE};
      }
    }
  }
  return std::nullopt;
}

}  // namespace folian::text
