// .exe books to pages on arbitrary bytes: no crash, no hang, every name
// handed to the page sink stays inside the output folder unchanged by the
// name rules, and success always means something was written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "convert/page_name.h"
#include "convert/pe/pe_reader.h"

using namespace folian::convert;

namespace {

class CheckingSink final : public PageSink {
 public:
  Status AddFile(std::string_view name, std::string_view bytes) override {
    if (SafeEntryName(name) != name) __builtin_trap();
    if (bytes.size() > (std::size_t{256} << 20)) __builtin_trap();
    ++files;
    return Status::Ok();
  }
  std::size_t files = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Larger inputs only slow the search; the caps are tested with small files.
  if (size > (1u << 20)) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckingSink sink;
  const Status s = ReadPe(bytes, sink, ReadContext{});
  if (s.ok() && sink.files == 0) __builtin_trap();
  if (!s.ok() && s.message().empty()) __builtin_trap();
  return 0;
}
