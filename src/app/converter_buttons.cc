#include "app/converter_buttons.h"

#include "app/convert_messages.h"

namespace folian::app {
namespace {

constexpr ConverterButton kButtons[] = {
    {kHtm2Txt, "html", ConverterSource::kSelectedRow, true, nullptr, nullptr, msg::kFileConverted},
    {kChm2Htm, "chm", ConverterSource::kOpenDialog, false, msg::kChmTitle, "*.chm", msg::kChmDone},
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
