#include "app/converter_buttons.h"

#include "app/convert_messages.h"

namespace folian::app {
namespace {

constexpr ConverterButton kButtons[] = {
    {kHtm2Txt, "html", ConverterSource::kSelectedRow, true, nullptr, nullptr, msg::kFileConverted},
    {kRtf2Txt, "rtf", ConverterSource::kOpenDialog, false, msg::kRtfTitle, "*.rtf", msg::kRtfDone},
    {kPdf2Txt, "pdf", ConverterSource::kOpenDialog, false, msg::kPdfTitle, "*.pdf", msg::kPdfDone},
    {kDoc2Txt, "doc", ConverterSource::kOpenDialog, false, msg::kDocTitle, "*.doc *.docx", msg::kDocDone},
};

}  // namespace

std::span<const ConverterButton> ConverterButtons() { return kButtons; }

const ConverterButton* FindConverterButton(ControlId id) {
  for (const ConverterButton& b : kButtons) {
    if (b.id == id) return &b;
  }
  return nullptr;
}

}  // namespace folian::app
