// What every text reader promises on any input, checked by the fuzz targets:
// a failure says why and leaves the sink empty, and the text never passes the
// sink's cap.
#pragma once

#include <cstddef>
#include <string_view>

#include "convert/registry.h"
#include "convert/text_sink.h"

namespace folian::fuzz {

inline void CheckReaderContract(convert::TextReader read, std::string_view bytes, std::size_t cap) {
  convert::MemorySink sink(cap);
  const convert::Status st = read(bytes, sink, convert::ReadContext());
  if (!st.ok() && (st.message().empty() || !sink.text().empty())) __builtin_trap();
  if (sink.text().size() > cap) __builtin_trap();
}

}  // namespace folian::fuzz
