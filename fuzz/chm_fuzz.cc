// CHM to pages on arbitrary bytes: no crash, no hang, and every name handed
// to the page sink is one the page filter accepts unchanged (inside the
// output folder, UTF-8, a page), with no more pages than the file lists.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "convert/chm/chm_reader.h"

using namespace folian::convert;

namespace {

class CheckingSink final : public PageSink {
 public:
  Status AddFile(std::string_view name, std::string_view bytes) override {
    if (ChmPageName("/" + std::string(name)) != name) __builtin_trap();
    if (bytes.size() > total_cap) __builtin_trap();
    ++pages;
    return Status::Ok();
  }
  std::size_t pages = 0;
  std::size_t total_cap = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Larger inputs only slow the search; the caps are tested with small files.
  if (size > (1u << 20)) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckingSink sink;
  sink.total_cap = std::size_t{256} << 20;
  const Status s = ReadChm(bytes, sink, ReadContext{});
  if (s.ok() && sink.pages == 0) __builtin_trap();  // success means pages were written
  if (!s.ok() && s.message().empty()) __builtin_trap();
  return 0;
}
