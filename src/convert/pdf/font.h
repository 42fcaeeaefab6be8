// A font as text extraction sees it: how string bytes split into codes,
// what text each code stands for and how far it advances. Composite (Type0)
// fonts decode through their ToUnicode map, else through a predefined CJK
// CMap (GBK-EUC-H and friends); simple fonts through ToUnicode, /Differences
// and their base encoding.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "convert/pdf/cmap.h"

namespace folian::convert::pdf {

class Document;
class Object;

struct Glyph {
  std::uint32_t text_begin = 0;  // the glyph's text in the caller's buffer
  std::uint32_t text_length = 0;
  double advance = 0;            // in text space, for a font size of 1
  bool word_space = false;       // a one-byte code 32: word spacing applies
};

class Font {
 public:
  // Builds the font of dictionary `dict` (resolved by the caller).
  static std::unique_ptr<Font> Build(Document& doc, const Object& dict);
  // A font for strings shown with no font or an unknown one: one byte per
  // code and no text (decodes() is false: the caller passes such strings
  // on as bytes).
  static std::unique_ptr<Font> Unknown();

  // Decodes `bytes`: each glyph's text is appended to `*text` and the glyph
  // to `*glyphs`.
  void Decode(std::string_view bytes, std::u16string* text, std::vector<Glyph>* glyphs) const;

  bool vertical() const { return vertical_; }
  bool widths_known() const { return widths_known_; }
  // True when the font says what its codes mean (a ToUnicode map, a CJK
  // CMap or an encoding); false for a font we know nothing about, whose
  // bytes are passed on as they are.
  bool decodes() const { return decodes_; }
  bool composite() const { return composite_; }

 private:
  void BuildSimple(Document& doc, const Object& dict);
  void BuildComposite(Document& doc, const Object& dict);
  double CidWidth(std::uint32_t cid) const;

  bool composite_ = false;
  bool vertical_ = false;
  bool widths_known_ = false;
  bool decodes_ = false;
  bool identity_cids_ = false;  // composite: code == CID
  CMap encoding_;               // composite: code space (and a predefined map's text)
  CMap to_unicode_;
  bool has_to_unicode_ = false;

  // Simple fonts: text and advance per code.
  std::u16string simple_text_[256];
  double simple_width_[256] = {};

  // Composite fonts: advances by CID (in thousandths), default dw_.
  std::unordered_map<std::uint32_t, double> cid_widths_;
  struct WidthRange {
    std::uint32_t lo, hi;
    double width;
  };
  std::vector<WidthRange> width_ranges_;
  double dw_ = 1000;
  double scale_ = 0.001;  // glyph space to text space (Type3: its FontMatrix)
};

}  // namespace folian::convert::pdf
