// Runs a text reader into a memory sink and keeps what came out (whatever
// the test, a failed read must have written nothing), and records what a
// page reader hands its sink.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

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

// Keeps every page a page reader writes, in order, and the reading order it
// gives; after `fail_after` pages it fails as a full disk would.
class RecordingSink final : public convert::PageSink {
 public:
  convert::Status AddFile(std::string_view name, std::string_view bytes) override {
    if (fail_after >= 0 && static_cast<int>(order.size()) >= fail_after) return convert::Status::Error("disk full");
    order.emplace_back(name);
    files[std::string(name)] = std::string(bytes);
    return convert::Status::Ok();
  }
  void SetReadingOrder(std::vector<std::string> names) override { reading_order = std::move(names); }
  std::map<std::string, std::string> files;
  std::vector<std::string> order;
  std::vector<std::string> reading_order;
  int fail_after = -1;
};

}  // namespace folian::testing
