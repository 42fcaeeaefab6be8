#include "charset/ocd2.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "charset/marisa_trie.h"
#include "convert/byte_reader.h"

namespace folian::charset {
namespace {

constexpr std::string_view kMagic = "OPENCC_MARISA_0.2.5";

Ocd2Status FromMarisa(detail::MarisaStatus s) {
  switch (s) {
    case detail::MarisaStatus::kOk:
      return Ocd2Status::kOk;
    case detail::MarisaStatus::kTooLarge:
      return Ocd2Status::kTooLarge;
    default:
      return Ocd2Status::kBadTrie;
  }
}

Ocd2Result Fail(Ocd2Status status, const convert::ByteReader& r) {
  Ocd2Result result;
  result.status = status;
  result.offset = r.pos();
  return result;
}

}  // namespace

Ocd2Result ParseOcd2(std::string_view bytes) {
  convert::ByteReader r(bytes);
  if (bytes.size() > kMaxOcd2Bytes) return Fail(Ocd2Status::kTooLarge, r);
  std::string_view magic;
  if (!r.Bytes(kMagic.size(), &magic) || magic != kMagic) return Fail(Ocd2Status::kBadHeader, r);

  detail::MarisaKeys keys;
  if (auto s = detail::ReadMarisaKeys(r, &keys); s != detail::MarisaStatus::kOk) {
    return Fail(FromMarisa(s), r);
  }

  std::uint32_t count = 0, total = 0;
  std::string_view strings;
  if (!r.U32Le(&count) || !r.U32Le(&total) || !r.Bytes(total, &strings)) {
    return Fail(Ocd2Status::kBadValues, r);
  }
  if (count != keys.ends.size()) return Fail(Ocd2Status::kBadValues, r);

  Ocd2Result result;
  result.dict.SetKeys(std::move(keys.text), std::move(keys.ends));
  result.dict.Reserve(count);
  std::size_t cursor = 0;  // into `strings`
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint16_t values = 0;
    if (!r.U16Le(&values)) return Fail(Ocd2Status::kBadValues, r);
    for (std::uint16_t v = 0; v < values; ++v) {
      std::uint16_t length = 0;
      if (!r.U16Le(&length) || length > strings.size() - cursor) return Fail(Ocd2Status::kBadValues, r);
      if (v == 0) {
        // A value is the string up to its NUL (the length counts the NUL).
        const std::string_view value = strings.substr(cursor, length);
        result.dict.AddValue(value.substr(0, value.find('\0')));
      }
      cursor += length;
    }
    if (values == 0) result.dict.AddValue(result.dict.key(i));
  }
  result.offset = r.pos();
  return result;
}

Ocd2Result ReadOcd2File(const std::filesystem::path& path) {
  Ocd2Result failed;
  failed.status = Ocd2Status::kCannotRead;
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return failed;
  if (size > kMaxOcd2Bytes) {
    failed.status = Ocd2Status::kTooLarge;
    return failed;
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return failed;
  // One read of the size the file had; a file that changed meanwhile reads
  // short and fails to parse rather than being read past the cap.
  std::string bytes(static_cast<std::size_t>(size), '\0');
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
  const bool error = std::ferror(f) != 0;
  std::fclose(f);
  if (error) return failed;
  return ParseOcd2(bytes);
}

const char* Ocd2StatusText(Ocd2Status status) {
  switch (status) {
    case Ocd2Status::kOk:
      return "ok";
    case Ocd2Status::kCannotRead:
      return "cannot read the file";
    case Ocd2Status::kBadHeader:
      return "not an OpenCC dictionary";
    case Ocd2Status::kBadTrie:
      return "damaged key trie";
    case Ocd2Status::kBadValues:
      return "damaged value table";
    case Ocd2Status::kTooLarge:
      return "too large";
  }
  return "unknown";
}

}  // namespace folian::charset
