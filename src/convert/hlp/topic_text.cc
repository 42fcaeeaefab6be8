#include "convert/hlp/topic_text.h"

#include <cstdint>
#include <string>
#include <vector>

#include "convert/byte_reader.h"
#include "convert/hlp/lz77.h"
#include "convert/limits.h"
#include "convert/rtf/code_pages.h"

namespace folian::convert::hlp {
namespace {

constexpr std::size_t kBlockHeaderBytes = 12;
// A topic position addresses 16 KB per block: no block expands further.
constexpr std::uint32_t kBlockSpan = 0x4000;
constexpr std::size_t kLinkHeaderBytes = 21;
// All blocks' expanded data together; a real help file holds a few
// megabytes of text.
constexpr std::size_t kMaxTopicBytes = kMaxInflatedEntry;
// One record's text expanded through the phrase tables: a paragraph or a
// table row, never near this.
constexpr std::uint32_t kMaxRecordText = 16u << 20;
// All records' text expanded through the phrase tables. Records whose text
// is empty on the page (a topic header keeps only its title) could
// otherwise expand without end while nothing reaches the output cap.
constexpr std::uint64_t kMaxExpandedTotal = kMaxInflatedTotal;
// Tab stops of one paragraph: the compilers allow 32.
constexpr int kMaxTabStops = 256;
constexpr std::uint32_t kNoLink = 0xFFFFFFFF;
// Progress and the stop request are looked at once per this many records.
constexpr std::size_t kCheckEvery = 256;

constexpr unsigned char kTopicHeader = 0x02;
constexpr unsigned char kDisplay = 0x20;
constexpr unsigned char kTable = 0x23;

// The compressed numbers of the formatting data: the lowest bit of the
// first byte says whether the number takes one byte or two (or two or
// four); the value is the rest, less a bias for the signed kinds.
bool CompressedWord(ByteReader& r, bool is_signed, std::int32_t* v) {
  std::uint8_t b = 0;
  if (!r.U8(&b)) return false;
  if ((b & 1) == 0) {
    *v = (b >> 1) - (is_signed ? 0x40 : 0);
    return true;
  }
  std::uint8_t hi = 0;
  if (!r.U8(&hi)) return false;
  *v = ((b | hi << 8) >> 1) - (is_signed ? 0x4000 : 0);
  return true;
}

bool CompressedLong(ByteReader& r, bool is_signed, std::int64_t* v) {
  std::uint16_t lo = 0;
  if (!r.U16Le(&lo)) return false;
  if ((lo & 1) == 0) {
    *v = (lo >> 1) - (is_signed ? 0x4000 : 0);
    return true;
  }
  std::uint16_t hi = 0;
  if (!r.U16Le(&hi)) return false;
  *v = static_cast<std::int64_t>((lo | std::uint32_t{hi} << 16) >> 1) - (is_signed ? 0x40000000 : 0);
  return true;
}

// Writes decoded text and keeps track of line starts.
class Writer {
 public:
  Writer(int codepage, GbkOrUtf8Text* text) : codepage_(codepage), text_(text) {}
  void Bytes(std::string_view bytes) {
    if (bytes.empty()) return;
    wide_.clear();
    rtf::DecodeCodePage(codepage_, bytes, &wide_);
    text_->Append(wide_);
    line_start_ = false;
  }
  void Unit(char16_t unit) {
    text_->Append(unit);
    line_start_ = false;
  }
  void LineEnd() {
    text_->LineEnd();
    line_start_ = true;
  }
  void EndLine() {
    if (!line_start_) LineEnd();
  }
  void CellEnd() { text_->CellEnd(); }

 private:
  int codepage_;
  GbkOrUtf8Text* text_;
  std::u16string wide_;
  bool line_start_ = true;
};

// The NUL-separated strings of a record's text, one per command.
class Strings {
 public:
  explicit Strings(std::string_view s) : s_(s) {}
  std::string_view Next() {
    if (pos_ >= s_.size()) return {};
    std::size_t end = s_.find('\0', pos_);
    if (end == std::string_view::npos) end = s_.size();
    const std::string_view piece = s_.substr(pos_, end - pos_);
    pos_ = end + 1;
    return piece;
  }
  bool done() const { return pos_ >= s_.size(); }

 private:
  std::string_view s_;
  std::size_t pos_ = 0;
};

// Paragraph settings before a paragraph's commands; only their sizes matter.
bool SkipParagraphInfo(ByteReader& r) {
  std::uint16_t bits = 0;
  if (!r.Skip(4) || !r.U16Le(&bits)) return false;  // two bytes, then an id
  std::int64_t l = 0;
  std::int32_t w = 0;
  if ((bits & 0x0001) != 0 && !CompressedLong(r, true, &l)) return false;
  for (unsigned bit = 0x0002; bit <= 0x0040; bit <<= 1) {  // spacing and indents
    if ((bits & bit) != 0 && !CompressedWord(r, true, &w)) return false;
  }
  if ((bits & 0x0100) != 0 && !r.Skip(3)) return false;  // border: flags and width
  if ((bits & 0x0200) != 0) {
    std::int32_t stops = 0;
    if (!CompressedWord(r, true, &stops) || stops < 0 || stops > kMaxTabStops) return false;
    for (std::int32_t k = 0; k < stops; ++k) {
      std::int32_t stop = 0, type = 0;
      if (!CompressedWord(r, false, &stop)) return false;
      if ((stop & 0x4000) != 0 && !CompressedWord(r, false, &type)) return false;
    }
  }
  return true;
}

enum class CommandsEnd { kEnd, kBad };

// The strings and commands of one paragraph group, up to its 0xFF.
CommandsEnd WriteCommands(ByteReader& r, Strings& strings, bool in_table, Writer& out) {
  bool cell_break = false;
  for (;;) {
    const std::string_view piece = strings.Next();
    if (!piece.empty()) {
      if (cell_break) out.Unit(u' ');
      cell_break = false;
      out.Bytes(piece);
    }
    std::uint8_t command = 0;
    if (!r.U8(&command)) return CommandsEnd::kBad;
    std::uint16_t length = 0;
    std::uint8_t type = 0;
    std::int64_t size = 0;
    std::int32_t hotspots = 0;
    switch (command) {
      case 0xFF: return CommandsEnd::kEnd;
      case 0x20: if (!r.Skip(4)) return CommandsEnd::kBad; break;
      case 0x21: if (!r.Skip(2)) return CommandsEnd::kBad; break;
      case 0x80: if (!r.Skip(2)) return CommandsEnd::kBad; break;  // font
      case 0x81:                                                      // line break
      case 0x82:                                                      // paragraph end
        if (in_table) {
          cell_break = true;
        } else {
          out.LineEnd();
        }
        break;
      case 0x83: out.Unit(u'\t'); break;
      case 0x86: case 0x87: case 0x88:  // picture: type, size, hotspot count
        if (!r.U8(&type) || !CompressedLong(r, true, &size) || size < 0) return CommandsEnd::kBad;
        if (type == 0x22 && !CompressedWord(r, false, &hotspots)) return CommandsEnd::kBad;
        if (!r.Skip(static_cast<std::uint64_t>(size))) return CommandsEnd::kBad;
        break;
      case 0x89: break;  // hotspot end
      case 0x8B: out.Unit(u' '); break;
      case 0x8C: out.Unit(u'-'); break;
      case 0xC8: case 0xCC:  // macros
      case 0xEA: case 0xEB: case 0xEE: case 0xEF:  // jumps into other files
        if (!r.U16Le(&length) || !r.Skip(length)) return CommandsEnd::kBad;
        break;
      case 0xE0: case 0xE1: case 0xE2: case 0xE3: case 0xE6: case 0xE7:  // jumps, popups
        if (!r.Skip(4)) return CommandsEnd::kBad;
        break;
      default: return CommandsEnd::kBad;
    }
  }
}

// A display or table record. Commands this reader does not know end the
// formatting; the rest of the text is still written, without breaks.
void WriteDisplay(unsigned char record_type, std::string_view format, std::string_view text, Writer& out) {
  ByteReader r(format);
  Strings strings(text);
  const bool table = record_type == kTable;
  bool ok = true;
  std::int64_t topic_size = 0;
  std::int32_t topic_length = 0;
  ok = CompressedLong(r, false, &topic_size) && CompressedWord(r, false, &topic_length);
  if (ok && table) {
    std::uint8_t columns = 0, table_type = 0;
    ok = r.U8(&columns) && r.U8(&table_type) && (table_type != 0 && table_type != 2 ? true : r.Skip(2)) &&
         r.Skip(std::uint64_t{columns} * 4);
  }
  bool first_cell = true;
  while (ok) {
    if (table) {
      std::uint16_t column = 0;
      if (!r.U16Le(&column)) {
        ok = false;
        break;
      }
      if (column == 0xFFFF) break;
      if (!r.Skip(3)) {
        ok = false;
        break;
      }
      if (!first_cell) out.CellEnd();
      first_cell = false;
    }
    if (!SkipParagraphInfo(r) || WriteCommands(r, strings, table, out) != CommandsEnd::kEnd) {
      ok = false;
      break;
    }
    if (!table) break;
  }
  while (!strings.done()) out.Bytes(strings.Next());
  if (table || !ok) out.EndLine();
}

class TopicData {
 public:
  TopicError Load(std::string_view file, const SystemInfo& system, const ReadContext& ctx) {
    const std::size_t block_bytes = system.topic_block_bytes;
    const std::size_t blocks = (file.size() + block_bytes - 1) / block_bytes;
    if (blocks > 16) ctx.progress->SetRange(0, static_cast<std::int64_t>(blocks));
    for (std::size_t k = 0; k < blocks; ++k) {
      if (k % 16 == 15) {
        if (Cancelled(ctx.cancel)) return TopicError::kCancelled;
        ctx.progress->SetPosition(static_cast<std::int64_t>(k));
      }
      const std::string_view block = file.substr(k * block_bytes, block_bytes);
      if (block.size() < kBlockHeaderBytes) break;  // padding after the last block
      if (k == 0) {
        ByteReader header(block);
        header.Skip(4);
        header.U32Le(&first_link_);
      }
      const std::string_view payload = block.substr(kBlockHeaderBytes);
      starts_.push_back(data_.size());
      if (system.lz77) {
        // Data past a block's 16 KB cannot be addressed; it is dropped.
        if (ExpandLz77(payload, kBlockSpan - kBlockHeaderBytes, &data_) == Lz77Result::kDamaged) {
          return TopicError::kDamaged;
        }
      } else {
        data_.append(payload);
      }
      if (data_.size() > kMaxTopicBytes) return TopicError::kTooLarge;
      ends_.push_back(data_.size());
    }
    if (starts_.empty()) return TopicError::kDamaged;
    return TopicError::kNone;
  }

  // Where a topic position lies in the joined data; false when it lies in
  // no block (or in a header).
  bool Locate(std::uint32_t position, std::size_t* at) const {
    const std::size_t block = position / kBlockSpan;
    const std::size_t offset = position % kBlockSpan;
    if (block >= starts_.size() || offset < kBlockHeaderBytes) return false;
    const std::size_t pos = starts_[block] + offset - kBlockHeaderBytes;
    if (pos >= ends_[block]) return false;
    *at = pos;
    return true;
  }
  // True when a position lies at or past the end of all data: how the last
  // record names its successor.
  bool PastEnd(std::uint32_t position) const {
    const std::size_t block = position / kBlockSpan;
    if (block >= starts_.size()) return true;
    const std::size_t offset = position % kBlockSpan;
    return block + 1 == starts_.size() && offset >= kBlockHeaderBytes &&
           starts_[block] + offset - kBlockHeaderBytes >= ends_[block];
  }

  std::string_view data() const { return data_; }
  std::uint32_t first_link() const { return first_link_; }

 private:
  std::string data_;
  std::vector<std::size_t> starts_, ends_;
  std::uint32_t first_link_ = kNoLink;
};

}  // namespace

TopicError ReadTopics(std::string_view topic_file, const SystemInfo& system, const PhraseTable& phrases,
                      const ReadContext& ctx, GbkOrUtf8Text* text) {
  if (Cancelled(ctx.cancel)) return TopicError::kCancelled;
  TopicData topics;
  if (const TopicError e = topics.Load(topic_file, system, ctx); e != TopicError::kNone) return e;
  const std::string_view data = topics.data();
  Writer out(system.codepage, text);
  out.Bytes(system.title);
  out.LineEnd();
  std::string expanded;

  std::uint32_t position = topics.first_link();
  std::size_t at = 0;
  std::size_t previous_end = 0;  // where the last record ended
  std::uint64_t expanded_total = 0;
  for (std::size_t count = 0;; ++count) {
    if (position == kNoLink || topics.PastEnd(position)) break;
    if (!topics.Locate(position, &at)) return TopicError::kDamaged;
    // Records follow one another without overlapping: a link back, to
    // itself or into the record before is damage (and would loop).
    if (count > 0 && at < previous_end) return TopicError::kDamaged;
    if (count % kCheckEvery == kCheckEvery - 1 && Cancelled(ctx.cancel)) return TopicError::kCancelled;

    ByteReader r(data);
    std::uint32_t block_size = 0, text_size = 0, prev_link = 0, next_link = 0, format_size = 0;
    std::uint8_t type = 0;
    if (!r.Seek(at) || !r.U32Le(&block_size) || !r.U32Le(&text_size) || !r.U32Le(&prev_link) ||
        !r.U32Le(&next_link) || !r.U32Le(&format_size) || !r.U8(&type)) {
      return TopicError::kDamaged;
    }
    if (format_size < kLinkHeaderBytes || block_size < format_size) return TopicError::kDamaged;
    std::string_view record;
    if (!ByteReader::Slice(data, at, block_size, &record)) return TopicError::kDamaged;
    previous_end = at + block_size;
    const std::string_view format = record.substr(kLinkHeaderBytes, format_size - kLinkHeaderBytes);
    std::string_view stored = record.substr(format_size);
    if (text_size > kMaxRecordText) return TopicError::kTooLarge;
    std::string_view words;
    if (text_size > stored.size() && phrases.kind() != PhraseTable::Kind::kNone) {
      expanded.clear();
      if (!phrases.Expand(stored, text_size, &expanded)) return TopicError::kPhrases;
      expanded_total += expanded.size();
      if (expanded_total > kMaxExpandedTotal) return TopicError::kTooLarge;
      words = expanded;
    } else {
      words = stored.substr(0, text_size);
    }

    if (type == kTopicHeader) {
      out.EndLine();
      out.LineEnd();
      const std::string_view title = words.substr(0, words.find('\0'));
      if (!title.empty()) {
        out.Bytes(title);
        out.LineEnd();
      }
    } else if (type == kDisplay || type == kTable) {
      WriteDisplay(type, format, words, out);
    }
    if (text->overflowed()) return TopicError::kTooLarge;
    position = next_link;
  }
  out.EndLine();
  return TopicError::kNone;
}

}  // namespace folian::convert::hlp
