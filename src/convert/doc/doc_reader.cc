// ReadDoc: compound file -> WordDocument stream -> FIB -> table stream ->
// piece table -> characters of the main text, then of the notes.
#include <algorithm>
#include <string>
#include <vector>

#include "charset/codepage.h"
#include "charset/cp1252.h"
#include "convert/byte_reader.h"
#include "convert/doc/compound_file.h"
#include "convert/doc/doc_format.h"
#include "convert/doc/fib.h"
#include "convert/doc/piece_table.h"
#include "convert/doc/table_rows.h"
#include "convert/doc/word_characters.h"
#include "convert/docx/docx_format.h"
#include "convert/gbk_or_utf8_text.h"
#include "convert/limits.h"
#include "convert/html/html_reader.h"
#include "convert/messages.h"
#include "convert/rtf/rtf_format.h"

namespace folian::convert {
namespace {

using doc::Piece;

struct Part {
  std::uint64_t start, end;  // CPs
};

// Feeds the characters of CPs [part.start, part.end) to `chars`. False when
// cancelled.
bool ReadPart(const Part& part, const std::vector<Piece>& pieces, std::string_view word, doc::WordCharacters* chars,
              const ReadContext& ctx, bool* damaged) {
  for (const Piece& p : pieces) {
    if (Cancelled(ctx.cancel)) return false;
    const std::uint64_t from = std::max<std::uint64_t>(p.cp_start, part.start);
    const std::uint64_t to = std::min<std::uint64_t>(p.cp_end, part.end);
    if (from >= to) continue;
    const std::uint64_t count = to - from;
    const std::uint64_t width = p.compressed ? 1 : 2;
    const std::uint64_t offset = p.fc + (from - p.cp_start) * width;
    std::string_view bytes;
    if (!ByteReader::Slice(word, offset, count * width, &bytes)) {
      *damaged = true;  // a piece outside the stream: its text is lost, the rest is kept
      continue;
    }
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::uint64_t i = 0; i < count; ++i) {
      const auto fc = static_cast<std::uint32_t>(offset + i * width);
      if (p.compressed) {
        chars->Add(charset::Cp1252ToUnicode(b[i]), fc);
      } else {
        chars->Add(static_cast<char16_t>(b[2 * i] | b[2 * i + 1] << 8), fc);
      }
    }
  }
  return true;
}

}  // namespace

bool LooksLikeDoc(std::string_view head) {
  return head.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
}

Status ReadDoc(std::string_view input, TextSink& sink, const ReadContext& ctx) {
  // What Word saves under a .doc name is not always its binary format.
  const std::string_view head = input.substr(0, 4096);
  if (!LooksLikeDoc(head)) {
    if (LooksLikeDocx(head)) return ReadDocx(input, sink, ctx);
    if (LooksLikeRtf(head)) return ReadRtf(input, sink, ctx);
    if (LooksLikeHtml(head)) return ReadHtml(input, sink, ctx);
    return Status::Error(msg::kDocNotCompound);
  }
  ctx.progress->SetStatus(charset::Utf8ToGbk(msg::kDocReading));
  doc::CompoundFile file;
  if (Status st = file.Open(input); !st.ok()) return st;
  const doc::DirEntry* word_entry = file.FindInRoot(u"WordDocument");
  if (word_entry == nullptr) return Status::Error(msg::kDocNotWord);
  std::string word;
  if (Status st = file.ReadStream(*word_entry, &word); !st.ok()) return st;

  doc::Fib fib;
  switch (doc::ParseFib(word, &fib)) {
    case doc::FibResult::kOk: break;
    case doc::FibResult::kNotWord: return Status::Error(msg::kDocNotWord);
    case doc::FibResult::kOldVersion: return Status::Error(msg::kDocOldVersion);
    case doc::FibResult::kDamaged: return Status::Error(msg::kDocDamaged);
  }
  if (fib.encrypted) return Status::Error(msg::kDocEncrypted);

  const doc::DirEntry* table_entry = file.FindInRoot(fib.table1 ? u"1Table" : u"0Table");
  if (table_entry == nullptr) return Status::Error(msg::kDocDamaged);
  std::string table;
  if (Status st = file.ReadStream(*table_entry, &table); !st.ok()) return st;

  std::string_view clx;
  std::vector<Piece> pieces;
  if (!ByteReader::Slice(table, fib.fc_clx, fib.lcb_clx, &clx) || !doc::ParsePieceTable(clx, &pieces)) {
    return Status::Error(msg::kDocDamaged);
  }
  doc::TableRows rows;
  std::string_view papx;
  if (ByteReader::Slice(table, fib.fc_papx, fib.lcb_papx, &papx)) rows.Read(papx, word);

  // The document's parts follow each other in CP order: the main text,
  // footnotes, headers, macros, annotations, endnotes, ...
  const std::uint64_t main_end = fib.ccp_text;
  const std::uint64_t notes_start = main_end;
  const std::uint64_t notes_end = notes_start + fib.ccp_footnotes;
  const std::uint64_t endnotes_start =
      notes_end + std::uint64_t{fib.ccp_headers} + fib.ccp_macros + fib.ccp_annotations;
  const std::uint64_t endnotes_end = endnotes_start + fib.ccp_endnotes;

  bool damaged = false;
  GbkOrUtf8Text text(kMaxOutputBytes);
  doc::WordCharacters main_chars(&text, &rows);
  ctx.progress->SetRange(0, 2);
  if (!ReadPart({0, main_end}, pieces, word, &main_chars, ctx, &damaged)) return Status::Error(msg::kCancelled);
  ctx.progress->SetPosition(1);

  GbkOrUtf8Text notes(kMaxOutputBytes);
  doc::WordCharacters note_chars(&notes, &rows);
  if (!ReadPart({notes_start, notes_end}, pieces, word, &note_chars, ctx, &damaged) ||
      !ReadPart({endnotes_start, endnotes_end}, pieces, word, &note_chars, ctx, &damaged)) {
    return Status::Error(msg::kCancelled);
  }
  ctx.progress->SetPosition(2);
  if (!notes.blank()) {
    if (!text.empty() && text.back() != u'\n') text.LineEnd();
    text.LineEnd();
    text.Append(notes);
  }
  if (damaged && text.empty()) return Status::Error(msg::kDocDamaged);
  if (text.overflowed()) return Status::Error(msg::kOutputTooLarge);
  sink.SetEncoding(text.encoding());
  if (!sink.Append(text.Finish())) return Status::Error(msg::kOutputTooLarge);
  return Status::Ok();
}

}  // namespace folian::convert
