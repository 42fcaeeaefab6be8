#include "convert/text_sink.h"

namespace folian::convert {

std::string_view MarkOf(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf8Mark: return "\xEF\xBB\xBF";
    case TextEncoding::kUtf16Le: return "\xFF\xFE";
    case TextEncoding::kGbk:
    case TextEncoding::kUtf8: break;
  }
  return {};
}

MemorySink::MemorySink(std::size_t cap) : cap_(cap) {}

bool MemorySink::Append(std::string_view bytes) {
  if (overflowed_ || bytes.size() > cap_ - text_.size()) {
    overflowed_ = true;
    return false;
  }
  text_.append(bytes);
  return true;
}

std::string MemorySink::FileBytes() const {
  const std::string_view mark = MarkOf(encoding_);
  std::string out;
  out.reserve(mark.size() + text_.size());
  out.append(mark);
  out.append(text_);
  return out;
}

}  // namespace folian::convert
