#include "app/conversion_notes.h"

#include "app/messages.h"

namespace folian::app {

std::string LeftAloneReason(const text::ConversionReport& report) {
  switch (report.outcome) {
    case text::ConversionOutcome::kNotTxt:
      return msg::kOnlyTxtConverted;
    case text::ConversionOutcome::kLeftAlone:
      switch (report.from.bom_class) {
        case text::kBomUtf8: return msg::kAlreadyUtf8;
        case text::kBomUtf16LE:
        case text::kBomUtf16BE: return msg::kAlreadyUnicode;
        default: return msg::kAlreadyAnsi;
      }
    default:
      return {};
  }
}

}  // namespace folian::app
