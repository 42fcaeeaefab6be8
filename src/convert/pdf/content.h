// Runs a page's content streams the way a viewer would place its text,
// without drawing anything: graphics and text state (cm, q/Q, Tf, Tc, Tw,
// Tz, TL, Ts, Td, TD, Tm, T*), the text operators (Tj, TJ, ' and ") and
// form XObjects. Each string is decoded through the font Tf selected; the
// text goes out in content order, with a line end wherever the baseline
// moves to another line and a blank wherever a gap opens on the same line.
// Inside TJ arrays a number before a string still gives a blank (over 100)
// or a tab (over 1000), as the literal scan has it.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/progress.h"
#include "convert/pdf/font.h"
#include "convert/pdf/text_builder.h"

namespace folian::convert::pdf {

class Document;
class Object;

struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  // this x m (apply this first, then m).
  Matrix Times(const Matrix& m) const {
    return {a * m.a + b * m.c, a * m.b + b * m.d, c * m.a + d * m.c,
            c * m.b + d * m.d, e * m.a + f * m.c + m.e, e * m.b + f * m.d + m.f};
  }
};

class ContentReader {
 public:
  ContentReader(Document* doc, TextBuilder* out, const CancelFlag* cancel);
  ~ContentReader();

  // Reads one page (a /Type /Page dictionary with its inherited resources).
  // False when stopped by the cancel flag.
  bool ReadPage(const Object& page, const Object* resources);
  // Whether a content stream read so far was cut at its decoding cap: the
  // page's text is incomplete, and a stream that inflates past the cap is a
  // bomb or damage rather than a book.
  bool capped() const { return capped_; }

  // Reads a content stream on its own, with `resources` (tests, and pages
  // whose contents are given directly).
  void ReadContent(std::string_view content, const Object* resources);

 private:
  struct State;
  class Run;

  const Font* FontFor(const Object* resources, std::string_view name);

  Document* doc_;
  TextBuilder* out_;
  const CancelFlag* cancel_;
  std::unordered_map<const Object*, std::unique_ptr<Font>> fonts_;
  std::unique_ptr<Font> unknown_font_;
  std::vector<std::uint32_t> form_stack_;  // forms being drawn (loops are skipped)
  bool cancelled_ = false;
  bool capped_ = false;

  // Where the last text ended, to decide what separates the next.
  bool have_last_ = false;
  double last_x_ = 0, last_y_ = 0;
  double last_size_ = 0;
  enum class Gap { kNone, kSpace, kTab, kLine };
  Gap pending_ = Gap::kNone;
};

}  // namespace folian::convert::pdf
