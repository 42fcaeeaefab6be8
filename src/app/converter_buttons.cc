#include "app/converter_buttons.h"

#include "app/convert_messages.h"

namespace folian::app {
namespace {

constexpr ConverterButton kButtons[] = {
    {kPdb2Txt, "pdb", ConverterSource::kOpenDialog, false, msg::kPdbTitle, "*.pdb", msg::kPdbDone},
    {kEpub2Txt, "epub", ConverterSource::kOpenDialog, false, msg::kEpubTitle, "*.epub", msg::kEpubDone},
    {kHtm2Txt, "html", ConverterSource::kSelectedRow, true, nullptr, nullptr, msg::kFileConverted},
    {kRtf2Txt, "rtf", ConverterSource::kOpenDialog, false, msg::kRtfTitle, "*.rtf", msg::kRtfDone},
    {kPdf2Txt, "pdf", ConverterSource::kOpenDialog, false, msg::kPdfTitle, "*.pdf", msg::kPdfDone},
    {kDoc2Txt, "doc", ConverterSource::kOpenDialog, false, msg::kDocTitle, "*.doc *.docx", msg::kDocDone},
    {kUmd2Txt, "umd", ConverterSource::kOpenDialog, false, msg::kUmdTitle, "*.umd", msg::kUmdDone},
    {kJar2Txt, "jar", ConverterSource::kOpenDialog, false, msg::kJarTitle, "*.jar", msg::kFileConverted},
    {kChm2Htm, "chm", ConverterSource::kOpenDialog, false, msg::kChmTitle, "*.chm", msg::kChmDone},
    {kExe2Htm, "exe", ConverterSource::kOpenDialog, false, msg::kExeTitle, "*.exe", msg::kExeDone},
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
