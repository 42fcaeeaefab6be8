// Arbitrary bytes as a Palm database, and as one PalmDOC record: nothing may
// read outside the file or the record, and an expansion never exceeds what
// its input can give.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "convert/pdb/palmdoc.h"
#include "convert/pdb/pdb_reader.h"
#include "convert/text_sink.h"

using namespace folian;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  convert::MemorySink sink(std::size_t{64} << 20);
  convert::ReadPdb(bytes, sink, {});

  std::string out;
  convert::pdb::ExpandPalmDoc(bytes, &out);
  // Two bytes give at most ten.
  if (out.size() > bytes.size() * 5) std::abort();
  return 0;
}
