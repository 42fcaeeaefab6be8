// A bounded cursor over untrusted bytes. Every read checks offset and length
// before touching memory; a failed read returns false, leaves the cursor
// where it was and marks the reader failed, so a parser can read a whole
// header and test ok() once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace folian::convert {

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::string_view data) : data_(data) {}

  std::size_t size() const { return data_.size(); }
  std::size_t pos() const { return pos_; }
  std::size_t remaining() const { return data_.size() - pos_; }
  bool ok() const { return ok_; }
  std::string_view data() const { return data_; }

  bool Seek(std::uint64_t pos) {
    if (pos > data_.size()) return Fail();
    pos_ = static_cast<std::size_t>(pos);
    return true;
  }
  bool Skip(std::uint64_t n) {
    if (n > remaining()) return Fail();
    pos_ += static_cast<std::size_t>(n);
    return true;
  }
  bool Bytes(std::uint64_t n, std::string_view* out) {
    if (n > remaining()) return Fail();
    *out = data_.substr(pos_, static_cast<std::size_t>(n));
    pos_ += static_cast<std::size_t>(n);
    return true;
  }
  bool U8(std::uint8_t* v) { return Int(v, 1, false); }
  bool U16Le(std::uint16_t* v) { return Int(v, 2, false); }
  bool U16Be(std::uint16_t* v) { return Int(v, 2, true); }
  bool U32Le(std::uint32_t* v) { return Int(v, 4, false); }
  bool U32Be(std::uint32_t* v) { return Int(v, 4, true); }
  bool U64Le(std::uint64_t* v) { return Int(v, 8, false); }

  // [offset, offset + length) of `data`, when it lies wholly inside.
  static bool Slice(std::string_view data, std::uint64_t offset, std::uint64_t length,
                    std::string_view* out) {
    if (offset > data.size() || length > data.size() - offset) return false;
    *out = data.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    return true;
  }

 private:
  bool Fail() {
    ok_ = false;
    return false;
  }
  template <typename T>
  bool Int(T* v, std::size_t n, bool big_endian) {
    if (n > remaining()) return Fail();
    std::uint64_t x = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const auto b = static_cast<std::uint64_t>(static_cast<unsigned char>(data_[pos_ + i]));
      x |= big_endian ? b << (8 * (n - 1 - i)) : b << (8 * i);
    }
    *v = static_cast<T>(x);
    pos_ += n;
    return true;
  }

  std::string_view data_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace folian::convert
