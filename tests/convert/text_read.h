// Runs a text reader into a memory sink and keeps what came out. Whatever
// the test, a failed read must have written nothing.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "charset/codepage.h"
#include "convert/limits.h"
#include "convert/registry.h"
#include "convert/text_sink.h"

namespace folian::testing {

struct TextRead {
  convert::Status status;
  convert::TextEncoding encoding = convert::TextEncoding::kGbk;
  std::string text;  // as the sink holds it
  std::string utf8;  // the same text as UTF-8, whatever its encoding
};

inline TextRead ReadText(convert::TextReader read, std::string_view bytes, const convert::ReadContext& ctx = {},
                         std::size_t cap = convert::kMaxOutputBytes) {
  convert::MemorySink sink(cap);
  TextRead r;
  r.status = read(bytes, sink, ctx);
  r.encoding = sink.encoding();
  r.text = sink.text();
  r.utf8 = r.encoding == convert::TextEncoding::kGbk ? charset::GbkToUtf8(r.text) : r.text;
  if (!r.status.ok()) {
    EXPECT_TRUE(r.text.empty()) << "a failed read writes nothing";
  }
  return r;
}

}  // namespace folian::testing
