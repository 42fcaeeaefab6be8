#include "convert/hlp/phrases.h"

#include "convert/byte_reader.h"
#include "convert/hlp/lz77.h"

namespace folian::convert::hlp {
namespace {

// |Phrases offsets are 16-bit, so its text can never be longer.
constexpr std::size_t kMaxOldPhraseText = 0x10000;
// Hall numbers reach 128 + 64 * 256 phrases; a larger count is damage.
constexpr std::uint32_t kMaxHallPhrases = 128 + 64 * 256;
// The phrase image of the largest help files is a few hundred kilobytes.
constexpr std::uint32_t kMaxHallImage = 16u << 20;
constexpr std::size_t kHallHeaderBytes = 28;
// Old-style numbers: lead bytes 1-9 give 1152 phrases; compilers that wrote
// more used lead byte 10 as well.
constexpr std::size_t kPhrasesBelowLead10 = 9 * 256 / 2;

// Bits of little-endian 32-bit words, lowest bit first.
class BitStream {
 public:
  explicit BitStream(std::string_view data) : data_(data) {}
  bool Bit(bool* bit) {
    if (mask_ == 0) {
      ByteReader r(data_);
      if (!r.Seek(pos_) || !r.U32Le(&word_)) return false;
      pos_ += 4;
      mask_ = 1;
    }
    *bit = (word_ & mask_) != 0;
    mask_ <<= 1;
    return true;
  }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
  std::uint32_t word_ = 0;
  std::uint32_t mask_ = 0;
};

bool Append(std::string_view s, std::size_t cap, std::size_t start, std::string* out) {
  if (s.size() > cap - (out->size() - start)) return false;
  out->append(s);
  return true;
}

}  // namespace

bool PhraseTable::LoadOld(std::string_view file, bool compressed) {
  return LoadOldAs(file, compressed) || LoadOldAs(file, !compressed);
}

bool PhraseTable::LoadOldAs(std::string_view file, bool with_size) {
  kind_ = Kind::kNone;
  text_.clear();
  offsets_.clear();
  ByteReader r(file);
  std::uint16_t count = 0, hundred = 0;
  std::uint32_t expanded = 0;
  if (!r.U16Le(&count) || !r.U16Le(&hundred) || count == 0) return false;
  if (with_size && (!r.U32Le(&expanded) || expanded > kMaxOldPhraseText)) return false;
  std::vector<std::uint32_t> raw(std::size_t{count} + 1);
  for (std::uint32_t& o : raw) {
    std::uint16_t v = 0;
    if (!r.U16Le(&v)) return false;
    o = v;
  }
  const std::string_view rest = file.substr(r.pos());
  if (with_size) {
    if (ExpandLz77(rest, expanded, &text_) == Lz77Result::kDamaged) return false;
  } else {
    text_.assign(rest);
  }
  // The offsets count from a base of their own (the offset list's start);
  // the first phrase begins right after the list.
  const std::uint32_t base = raw[0];
  for (std::size_t k = 1; k < raw.size(); ++k) {
    if (raw[k] < raw[k - 1]) return false;
  }
  for (std::uint32_t& o : raw) o -= base;
  if (raw.back() > text_.size()) return false;
  offsets_ = std::move(raw);
  kind_ = Kind::kOld;
  return true;
}

bool PhraseTable::LoadHall(std::string_view index, std::string_view image) {
  kind_ = Kind::kNone;
  text_.clear();
  offsets_.clear();
  ByteReader r(index);
  std::uint32_t magic = 0, entries = 0, index_size = 0, image_size = 0, image_stored = 0, zero = 0;
  std::uint16_t bits_word = 0, tail = 0;
  if (!r.U32Le(&magic) || !r.U32Le(&entries) || !r.U32Le(&index_size) || !r.U32Le(&image_size) ||
      !r.U32Le(&image_stored) || !r.U32Le(&zero) || !r.U16Le(&bits_word) || !r.U16Le(&tail)) {
    return false;
  }
  static_assert(kHallHeaderBytes == 28);
  if (entries == 0 || entries > kMaxHallPhrases || image_size > kMaxHallImage) return false;
  const unsigned bits = bits_word & 0x0F;

  if (image_stored == image_size || image.size() == image_size) {
    if (image.size() < image_size) return false;
    text_.assign(image.substr(0, image_size));
  } else if (ExpandLz77(image, image_size, &text_) == Lz77Result::kDamaged) {
    return false;
  }

  // Each length: 1, plus 2^bits for every leading 1 bit, plus `bits` more
  // bits as a number, lowest first.
  BitStream stream(index.substr(kHallHeaderBytes));
  std::vector<std::uint32_t> offsets;
  offsets.reserve(std::size_t{entries} + 1);
  offsets.push_back(0);
  std::uint64_t at = 0;
  for (std::uint32_t k = 0; k < entries; ++k) {
    std::uint64_t n = 1;
    bool bit = false;
    for (;;) {
      if (!stream.Bit(&bit)) return false;
      if (!bit) break;
      n += std::uint64_t{1} << bits;
      if (at + n > text_.size()) return false;
    }
    for (unsigned b = 0; b < bits; ++b) {
      if (!stream.Bit(&bit)) return false;
      if (bit) n += std::uint64_t{1} << b;
    }
    at += n;
    if (at > text_.size()) return false;
    offsets.push_back(static_cast<std::uint32_t>(at));
  }
  offsets_ = std::move(offsets);
  kind_ = Kind::kHall;
  return true;
}

bool PhraseTable::Expand(std::string_view in, std::size_t cap, std::string* out) const {
  switch (kind_) {
    case Kind::kOld: return ExpandOld(in, cap, out);
    case Kind::kHall: return ExpandHall(in, cap, out);
    case Kind::kNone: break;
  }
  return Append(in, cap, out->size(), out);
}

bool PhraseTable::ExpandOld(std::string_view in, std::size_t cap, std::string* out) const {
  const std::size_t start = out->size();
  const unsigned last_lead = count() > kPhrasesBelowLead10 ? 10 : 9;
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto c = static_cast<unsigned char>(in[i]);
    if (c == 0 || c > last_lead) {
      if (!Append(in.substr(i, 1), cap, start, out)) return false;
      continue;
    }
    if (i + 1 >= in.size()) return false;
    const std::size_t code = (c - 1u) * 256u + static_cast<unsigned char>(in[++i]);
    const std::size_t k = code / 2;
    if (k >= count()) return false;
    if (!Append(phrase(k), cap, start, out)) return false;
    if ((code & 1) != 0 && !Append(" ", cap, start, out)) return false;
  }
  return true;
}

bool PhraseTable::ExpandHall(std::string_view in, std::size_t cap, std::string* out) const {
  const std::size_t start = out->size();
  for (std::size_t i = 0; i < in.size();) {
    const auto c = static_cast<unsigned char>(in[i++]);
    if ((c & 1) == 0) {
      const std::size_t k = c >> 1;
      if (k >= count() || !Append(phrase(k), cap, start, out)) return false;
    } else if ((c & 3) == 1) {
      if (i >= in.size()) return false;
      const std::size_t k = 128 + (c >> 2) * 256u + static_cast<unsigned char>(in[i++]);
      if (k >= count() || !Append(phrase(k), cap, start, out)) return false;
    } else if ((c & 7) == 3) {
      const std::size_t n = (c >> 3) + 1u;
      if (n > in.size() - i || !Append(in.substr(i, n), cap, start, out)) return false;
      i += n;
    } else {
      const std::size_t n = (c >> 4) + 1u;
      if (n > cap - (out->size() - start)) return false;
      out->append(n, (c & 15) == 7 ? ' ' : '\0');
    }
  }
  return true;
}

}  // namespace folian::convert::hlp
