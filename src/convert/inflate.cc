#include "convert/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace folian::convert {

InflateOutcome Inflate(std::string_view in, std::size_t cap, std::string* out, InflateFormat format,
                       std::size_t* consumed) {
  z_stream z{};
  if (inflateInit2(&z, format == InflateFormat::kRaw ? -MAX_WBITS : MAX_WBITS) != Z_OK) {
    if (consumed) *consumed = 0;
    return InflateOutcome::kDamaged;
  }
  const std::size_t base = out->size();
  std::size_t in_done = 0;
  InflateOutcome outcome = InflateOutcome::kDamaged;
  char buf[64 * 1024];
  for (;;) {
    if (z.avail_in == 0 && in_done < in.size()) {
      const std::size_t n = std::min<std::size_t>(in.size() - in_done, UINT_MAX / 2);
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data() + in_done));
      z.avail_in = static_cast<uInt>(n);
      in_done += n;
    }
    z.next_out = reinterpret_cast<Bytef*>(buf);
    z.avail_out = sizeof buf;
    const int rc = inflate(&z, Z_NO_FLUSH);
    const std::size_t got = sizeof buf - z.avail_out;
    const std::size_t room = cap - (out->size() - base);
    if (got > room) {
      out->append(buf, room);
      outcome = InflateOutcome::kOverCap;
      break;
    }
    out->append(buf, got);
    if (rc == Z_STREAM_END) {
      outcome = InflateOutcome::kComplete;
      break;
    }
    if (rc != Z_OK && rc != Z_BUF_ERROR) break;                     // bad data
    if (rc == Z_BUF_ERROR && z.avail_in == 0 && in_done == in.size()) break;  // input ran out
    if (got == 0 && z.avail_in == 0 && in_done == in.size()) break;
  }
  if (consumed) *consumed = in_done - z.avail_in;
  inflateEnd(&z);
  return outcome;
}

}  // namespace folian::convert
