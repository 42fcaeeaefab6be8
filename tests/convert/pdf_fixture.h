// Builds PDF files for the reader's tests: objects written in the order
// given, streams deflated or stored, a cross-reference table with the real
// offsets and a trailer. OnePage() makes the usual single-page document.
#pragma once

#include <zlib.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace folian::testing {

inline std::string ZlibDeflate(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
            static_cast<uLong>(data.size()), Z_BEST_COMPRESSION);
  out.resize(size);
  return out;
}

class PdfBuilder {
 public:
  // Object `num` with `body` between "num 0 obj" and "endobj".
  PdfBuilder& Object(int num, std::string body) {
    objects_.push_back({num, std::move(body)});
    return *this;
  }
  // A stream object; `dict` holds extra entries ("/Type /XObject ...").
  // Deflated data gets /Filter /FlateDecode.
  PdfBuilder& Stream(int num, std::string_view data, std::string_view dict = "", bool deflate = true) {
    const std::string stored = deflate ? ZlibDeflate(data) : std::string(data);
    std::string body = "<< /Length " + std::to_string(stored.size()) + (deflate ? " /Filter /FlateDecode" : "") +
                       (dict.empty() ? "" : " ") + std::string(dict) + " >>\nstream\n" + stored + "\nendstream";
    return Object(num, std::move(body));
  }
  // Bytes written as they are after the objects (incremental updates, junk).
  PdfBuilder& Raw(std::string bytes) {
    objects_.push_back({-1, std::move(bytes)});
    return *this;
  }

  std::string Build(int root, std::string_view trailer_extra = "") const {
    std::string out = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
    int max = 0;
    std::vector<std::pair<int, std::size_t>> offsets;
    for (const auto& [num, body] : objects_) {
      if (num < 0) {
        out += body;
        continue;
      }
      offsets.emplace_back(num, out.size());
      if (num > max) max = num;
      out += std::to_string(num) + " 0 obj\n" + body + "\nendobj\n";
    }
    const std::size_t xref = out.size();
    out += "xref\n0 " + std::to_string(max + 1) + "\n0000000000 65535 f \n";
    for (int n = 1; n <= max; ++n) {
      std::size_t at = 0;
      for (const auto& [num, off] : offsets) {
        if (num == n) at = off;
      }
      char line[32];
      std::snprintf(line, sizeof line, "%010zu 00000 n \n", at);
      out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(max + 1) + " /Root " + std::to_string(root) + " 0 R" +
           (trailer_extra.empty() ? "" : " ") + std::string(trailer_extra) + " >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return out;
  }

 private:
  std::vector<std::pair<int, std::string>> objects_;
};

// Fonts of a page: resource name and the font dictionary's body, which may
// refer to objects 100 and up added through `extra`.
struct PageFont {
  std::string name;
  std::string dict;
};

// A one-page document: catalog 1, pages 2, page 3, content 4, fonts 10+.
inline std::string OnePage(std::string_view content, const std::vector<PageFont>& fonts = {},
                           bool deflate = true, PdfBuilder extra = PdfBuilder()) {
  PdfBuilder b = std::move(extra);
  std::string font_refs;
  for (std::size_t i = 0; i < fonts.size(); ++i) {
    font_refs += "/" + fonts[i].name + " " + std::to_string(10 + i) + " 0 R ";
    b.Object(static_cast<int>(10 + i), fonts[i].dict);
  }
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>")
      .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << " + font_refs +
                     ">> >> /Contents 4 0 R >>")
      .Stream(4, content, "", deflate);
  return b.Build(1);
}

// A ToUnicode CMap program mapping each (code, text) pair; codes are hex
// digits ("01", "0041"), texts UTF-16BE hex ("4E2D").
inline std::string ToUnicodeCMap(const std::vector<std::pair<std::string, std::string>>& map,
                                 std::string_view space_lo = "00", std::string_view space_hi = "FF") {
  std::string s =
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n/CMapName /Test-UCS def\n"
      "1 begincodespacerange\n<" + std::string(space_lo) + "> <" + std::string(space_hi) +
      ">\nendcodespacerange\n" + std::to_string(map.size()) + " beginbfchar\n";
  for (const auto& [code, text] : map) s += "<" + code + "> <" + text + ">\n";
  s += "endbfchar\nendcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  return s;
}

}  // namespace folian::testing
