#include "text/encoding_text.h"

#include <cctype>
#include <string>

#include "charset/codepage.h"

namespace folian::text {
namespace {

// The leading decimal number of a platform code-page name ("936   (ANSI/OEM ...)").
long LeadingNumber(const std::string& name) {
  long value = 0;
  std::size_t i = 0;
  while (i < name.size() && name[i] == ' ') ++i;
  if (i == name.size() || !std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
  for (; i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])); ++i) {
    value = value * 10 + (name[i] - '0');
    if (value > 1000000) return -1;
  }
  return value;
}

}  // namespace

std::string EncodingText(int codepage, int bom_flag) {
  std::string text;
  switch (codepage) {
    case 0:
      return text;
    case charset::kUtf16LE:
      text = "当前文件编码:UNICODE (LE)";
      break;
    case charset::kUtf16BE:
      text = "当前文件编码:UNICODE (BE)";
      break;
    case charset::kUtf7:
      text = "当前文件编码:UTF-7";
      break;
    case charset::kUtf8:
      text = "当前文件编码:UTF-8";
      break;
    default: {
      auto name = charset::CodePageName(codepage);
      if (name && LeadingNumber(*name) == codepage)
        text = std::string("当前文件编码:").append(*name);
      else
        text = std::string("当前文件编码: ").append(std::to_string(codepage));
    }
  }
  if ((codepage == charset::kUtf16LE || codepage == charset::kUtf16BE ||
       codepage == charset::kUtf8) &&
      bom_flag == 0)
    text += "  *BOM";
  return text;
}

}  // namespace folian::text
