// ReadPdf: index the objects, decrypt if needed, read the pages in order
// (or scan every stream when no page tree can be found), then hand the
// text to the sink in the encoding it needs.
#include <memory>
#include <string>

#include "charset/codepage.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/pdf/content.h"
#include "convert/pdf/crypt.h"
#include "convert/pdf/document.h"
#include "convert/pdf/literal_scan.h"
#include "convert/pdf/page_tree.h"
#include "convert/pdf/pdf_format.h"
#include "convert/pdf/pdf_limits.h"
#include "convert/pdf/text_builder.h"

namespace folian::convert {

using pdf::Decryptor;
using pdf::Document;
using pdf::Object;

namespace {

// The first string of the trailer's /ID array (the key derivation needs it).
std::string FileId(Document& doc) {
  const Object* id = doc.Resolve(doc.trailer().Find("ID"));
  if (id == nullptr || !id->is_array() || id->items.empty()) return {};
  const Object* first = doc.Resolve(&id->items[0]);
  return first != nullptr && first->is_string() ? first->str : std::string();
}

}  // namespace

bool LooksLikePdf(std::string_view head) {
  return head.substr(0, pdf::kHeaderWindow + 8).find("%PDF-") != std::string_view::npos;
}

Status ReadPdf(std::string_view input, TextSink& sink, const ReadContext& ctx) {
  if (!LooksLikePdf(input)) return Status::Error(msg::kPdfNotPdf);
  ctx.progress->SetStatus(charset::Utf8ToGbk(msg::kPdfReading));

  Document doc(input);
  if (!doc.Index(ctx.cancel)) return Status::Error(msg::kCancelled);
  if (doc.encrypted()) {
    const Object* encrypt = doc.Resolve(doc.trailer().Find("Encrypt"));
    std::unique_ptr<Decryptor> decryptor;
    const Decryptor::Setup setup =
        encrypt != nullptr && encrypt->is_dict()
            ? Decryptor::Create(doc, *encrypt, FileId(doc), &decryptor)
            : Decryptor::Setup::kUnsupported;
    if (setup == Decryptor::Setup::kNeedsPassword) return Status::Error(msg::kPdfNeedsPassword);
    if (setup != Decryptor::Setup::kOk) return Status::Error(msg::kPdfUnknownEncryption);
    doc.set_decryptor(std::move(decryptor));
    doc.FinishIndex();
  }

  pdf::TextBuilder text(kMaxOutputBytes);
  const std::vector<pdf::PageRef> pages = pdf::CollectPages(doc);
  if (!pages.empty()) {
    pdf::ContentReader reader(&doc, &text, ctx.cancel);
    ctx.progress->SetRange(0, static_cast<std::int64_t>(pages.size()));
    for (std::size_t i = 0; i < pages.size(); ++i) {
      if (!reader.ReadPage(*pages[i].page, pages[i].resources)) return Status::Error(msg::kCancelled);
      if (reader.capped()) return Status::Error(msg::kPdfStreamTooLarge);
      if (text.overflowed() || doc.budget_spent()) break;
      ctx.progress->SetPosition(static_cast<std::int64_t>(i + 1));
    }
  } else if (!doc.encrypted()) {
    // No page tree: the literal-string scan of every stream.
    if (!pdf::ScanAllStreams(input, &text, ctx.cancel)) return Status::Error(msg::kCancelled);
  }
  if (text.overflowed()) return Status::Error(msg::kOutputTooLarge);
  if (doc.budget_spent()) return Status::Error(msg::kPdfInflatedTooMuch);

  sink.SetEncoding(text.encoding());
  if (!sink.Append(text.Finish())) return Status::Error(msg::kOutputTooLarge);
  return Status::Ok();
}

}  // namespace folian::convert
