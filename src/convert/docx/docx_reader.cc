// ReadDocx: package -> main document part -> text, then the notes parts.
#include <string>

#include "charset/codepage.h"
#include "convert/docx/docx_format.h"
#include "convert/docx/package.h"
#include "convert/docx/part_text.h"
#include "convert/gbk_or_utf8_text.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/zip/zip_reader.h"

namespace folian::convert {
namespace {

Status ReadPart(ZipReader& zip, const std::string& name, docx::PartKind kind, GbkOrUtf8Text* out,
                const ReadContext& ctx) {
  const ZipEntry* entry = zip.Find(name);
  if (entry == nullptr) return Status::Error(msg::kDocxNoDocument);
  if (entry->size > docx::kMaxPartBytes) return Status::Error(msg::kDocxPartTooLarge);
  std::string xml;
  if (Status st = zip.Read(*entry, &xml, docx::kMaxPartBytes); !st.ok()) {
    return Status::Error(std::string(msg::kDocxBadPart) + name + "（" + st.message() + "）");
  }
  switch (docx::ReadPartText(xml, kind, out, ctx.cancel)) {
    case docx::PartResult::kOk: return Status::Ok();
    case docx::PartResult::kCancelled: return Status::Error(msg::kCancelled);
    case docx::PartResult::kBadXml: break;
  }
  return Status::Error(std::string(msg::kDocxBadPart) + name);
}

}  // namespace

bool LooksLikeDocx(std::string_view head) {
  if (head.substr(0, 4) != std::string_view("PK\x03\x04", 4)) return false;
  if (head.size() >= 30) {
    const std::size_t name_length =
        static_cast<unsigned char>(head[26]) | static_cast<std::size_t>(static_cast<unsigned char>(head[27])) << 8;
    if (head.substr(30, name_length) == "[Content_Types].xml") return true;
  }
  return head.find("word/") != std::string_view::npos;
}

Status ReadDocx(std::string_view input, TextSink& sink, const ReadContext& ctx) {
  ctx.progress->SetStatus(charset::Utf8ToGbk(msg::kDocReading));
  ZipReader zip;
  if (!zip.Open(input).ok()) return Status::Error(msg::kDocxNotZip);
  const docx::PartNames parts = docx::FindParts(zip);
  if (parts.document.empty()) return Status::Error(msg::kDocxNoDocument);

  GbkOrUtf8Text text(kMaxOutputBytes);
  if (Status st = ReadPart(zip, parts.document, docx::PartKind::kDocument, &text, ctx); !st.ok()) return st;
  // Notes are extras: a damaged notes part leaves the text as it is.
  GbkOrUtf8Text notes(kMaxOutputBytes);
  for (const std::string* name : {&parts.footnotes, &parts.endnotes}) {
    if (name->empty()) continue;
    GbkOrUtf8Text part(kMaxOutputBytes);
    const Status st = ReadPart(zip, *name, docx::PartKind::kNotes, &part, ctx);
    if (st.message() == msg::kCancelled) return st;
    if (st.ok()) notes.Append(part);
  }
  if (!notes.blank()) {
    if (!text.empty() && text.back() != u'\n') text.LineEnd();
    text.LineEnd();
    text.Append(notes);
  }
  if (text.overflowed()) return Status::Error(msg::kOutputTooLarge);
  sink.SetEncoding(text.encoding());
  if (!sink.Append(text.Finish())) return Status::Error(msg::kOutputTooLarge);
  return Status::Ok();
}

}  // namespace folian::convert
