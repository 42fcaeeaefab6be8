#include "convert/pdb/pdb_reader.h"

#include <cstdint>
#include <string>
#include <vector>

#include "charset/cp1252.h"
#include "convert/byte_reader.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/pdb/palmdoc.h"
#include "text/utf_tests.h"

namespace folian::convert {
namespace {

constexpr std::size_t kHeaderBytes = 78;
constexpr std::size_t kTypeOffset = 60;
constexpr std::size_t kRecordEntryBytes = 8;
// A PalmDOC text record holds 4,096 bytes of text and compresses to less;
// 64 KB leaves room for producers that write larger ones, and anything
// longer is not a Palm record (the device's records stop at 64 KB).
constexpr std::size_t kMaxRecordBytes = 65536;
// Progress and the stop request are looked at once per this many records.
constexpr std::size_t kCheckEvery = 64;

constexpr std::uint16_t kStored = 1;

// Whether text without a valid UTF-8 reading is Chinese GBK rather than a
// Western code page: GBK characters pair two high bytes; Western letters
// are single high bytes among ASCII, which either pair with the ASCII byte
// after them or pair with nothing.
bool ReadsAsGbk(std::string_view text) {
  std::size_t high_pairs = 0, ascii_trails = 0, broken = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const auto t = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (b >= 0x81 && b <= 0xFE && t >= 0x40 && t <= 0xFE && t != 0x7F) {
      ++(t >= 0x80 ? high_pairs : ascii_trails);
      i += 2;
    } else {
      ++broken;
      ++i;
    }
  }
  // A few damaged bytes do not make a Chinese book Western.
  return high_pairs > 0 && high_pairs >= ascii_trails && broken * 100 <= high_pairs;
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// LF -> CR LF; a CR LF already there stays as it is.
void AppendCrLf(std::string_view text, std::string* out) {
  out->reserve(out->size() + text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out->push_back('\r');
    out->push_back(text[i]);
  }
}

}  // namespace

bool LooksLikePalmDoc(std::string_view head) {
  return head.size() >= kTypeOffset + 8 && head.substr(kTypeOffset, 8) == "TEXtREAd";
}

Status ReadPdb(std::string_view input, TextSink& sink, const ReadContext& ctx) {
  if (!LooksLikePalmDoc(input)) return Status::Error(msg::kPdbNotPalmDoc);
  ByteReader r(input);
  std::uint16_t count = 0;
  if (!r.Seek(kHeaderBytes - 2) || !r.U16Be(&count) || count == 0 ||
      std::uint64_t{count} * kRecordEntryBytes > r.remaining()) {
    return Status::Error(msg::kPdbTruncated);
  }
  std::vector<std::uint32_t> offsets(count);
  for (std::uint32_t& offset : offsets) {
    r.U32Be(&offset);
    r.Skip(4);  // attributes and unique id
  }
  for (std::size_t k = 0; k < offsets.size(); ++k) {
    if (offsets[k] > input.size() || (k > 0 && offsets[k] < offsets[k - 1])) {
      return Status::Error(msg::kPdbBadOffsets);
    }
  }
  ByteReader header(input);
  std::uint16_t compression = 0, text_records = 0;
  std::uint32_t text_length = 0;
  if (!header.Seek(offsets[0]) || !header.U16Be(&compression)) return Status::Error(msg::kPdbBadOffsets);
  // The rest of record 0 is optional: without it every record is text.
  if (!header.Skip(2) || !header.U32Be(&text_length) || !header.U16Be(&text_records)) {
    text_length = 0;
    text_records = 0;
  }

  std::string text;
  const std::size_t last = offsets.size() - 1;
  if (last >= kCheckEvery) ctx.progress->SetRange(0, static_cast<std::int64_t>(last));
  for (std::size_t k = 1; k <= last; ++k) {
    if (k % kCheckEvery == 0) {
      if (Cancelled(ctx.cancel)) return Status::Error(msg::kCancelled);
      ctx.progress->SetPosition(static_cast<std::int64_t>(k));
    }
    const std::size_t end = k < last ? offsets[k + 1] : input.size();
    if (end - offsets[k] > kMaxRecordBytes) return Status::Error(msg::kPdbRecordTooLong);
    const std::string_view record = input.substr(offsets[k], end - offsets[k]);
    if (compression == kStored) {
      text.append(record);
    } else if (!pdb::ExpandPalmDoc(record, &text)) {
      return Status::Error(msg::kPdbDamaged);
    }
    // Records of copies expand fivefold: a hostile file stops here, not
    // when memory runs out.
    if (text.size() > kMaxOutputBytes) return Status::Error(msg::kOutputTooLarge);
    // The records record 0 counts are the text; what follows them (bookmarks,
    // notes) is left out once the text has the length record 0 gives.
    if (k == text_records && text_length > 0 && text.size() >= text_length) break;
  }

  std::string out;
  if (text::LooksLikeUtf8(text)) {
    sink.SetEncoding(TextEncoding::kUtf8);
    AppendCrLf(text, &out);
  } else if (IsAscii(text) || ReadsAsGbk(text)) {
    sink.SetEncoding(TextEncoding::kGbk);
    AppendCrLf(text, &out);
  } else {
    sink.SetEncoding(TextEncoding::kUtf8Mark);
    std::string utf8;
    charset::Cp1252ToUtf8(text, &utf8);
    AppendCrLf(utf8, &out);
  }
  if (!sink.Append(out)) return Status::Error(msg::kOutputTooLarge);
  return Status::Ok();
}

}  // namespace folian::convert
