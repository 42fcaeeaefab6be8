#include "convert/pdf/font.h"

#include <algorithm>
#include <cmath>

#include "convert/pdf/document.h"
#include "convert/pdf/encodings.h"
#include "convert/pdf/object.h"
#include "convert/pdf/pdf_limits.h"

namespace folian::convert::pdf {
namespace {

// Flags bit 3: the font uses its own symbol set, not the Latin one.
constexpr int kSymbolicFlag = 1 << 2;

double NumberOr(const Object* o, double fallback) {
  if (o == nullptr || !o->is_number() || !std::isfinite(o->number)) return fallback;
  return o->number;
}

bool LoadCMapStream(Document& doc, const Object* o, CMap* cmap) {
  if (o == nullptr) return false;
  if (o->is_name()) return cmap->LoadPredefined(o->str);
  if (!o->is_stream()) return false;
  std::string program;
  if (!doc.StreamBytes(*o, &program)) return false;
  cmap->Parse(program);
  // An embedded CMap that only names its base ("usecmap") or that says
  // nothing about its code space is read as the map it names.
  if (!cmap->has_code_space()) {
    if (const Object* name = doc.Lookup(o, "CMapName"); name != nullptr && name->is_name()) {
      cmap->LoadPredefined(name->str);
    }
  }
  if (const Object* use = doc.Lookup(o, "UseCMap"); use != nullptr && use->is_name() && !cmap->has_code_space()) {
    cmap->LoadPredefined(use->str);
  }
  return true;
}

}  // namespace

std::unique_ptr<Font> Font::Unknown() {
  auto f = std::make_unique<Font>();
  for (double& w : f->simple_width_) w = 0.5;
  return f;
}

std::unique_ptr<Font> Font::Build(Document& doc, const Object& dict) {
  auto f = std::make_unique<Font>();
  const Object* subtype = doc.Lookup(&dict, "Subtype");
  if (subtype != nullptr && subtype->is_name("Type0")) {
    f->BuildComposite(doc, dict);
  } else {
    f->BuildSimple(doc, dict);
  }
  return f;
}

void Font::BuildSimple(Document& doc, const Object& dict) {
  const Object* subtype = doc.Lookup(&dict, "Subtype");
  const bool type3 = subtype != nullptr && subtype->is_name("Type3");
  const bool truetype = subtype != nullptr && subtype->is_name("TrueType");
  const Object* descriptor = doc.Lookup(&dict, "FontDescriptor");
  const double flag_bits = NumberOr(doc.Lookup(descriptor, "Flags"), 0);
  const bool symbolic = flag_bits >= 0 && flag_bits < 1e9 && (static_cast<int>(flag_bits) & kSymbolicFlag) != 0;
  const Object* base_font = doc.Lookup(&dict, "BaseFont");
  const StandardFont standard =
      base_font != nullptr && base_font->is_name() ? StandardFontByName(base_font->str) : StandardFont::kNone;

  if (type3) {
    const Object* matrix = doc.Lookup(&dict, "FontMatrix");
    if (matrix != nullptr && matrix->is_array() && !matrix->items.empty()) {
      const double a = NumberOr(doc.Resolve(&matrix->items[0]), 0.001);
      if (a != 0 && std::fabs(a) < 1e6) scale_ = std::fabs(a);
    }
  }

  // Base encoding, then /Differences on top.
  BaseEncoding base = BaseEncoding::kNone;
  const Object* encoding = doc.Lookup(&dict, "Encoding");
  std::u16string differences[256];
  bool has_difference[256] = {};
  if (encoding != nullptr && encoding->is_name()) {
    base = BaseEncodingByName(encoding->str);
  } else if (encoding != nullptr && encoding->is_dict()) {
    if (const Object* b = doc.Lookup(encoding, "BaseEncoding"); b != nullptr && b->is_name()) {
      base = BaseEncodingByName(b->str);
    }
    if (const Object* diffs = doc.Lookup(encoding, "Differences"); diffs != nullptr && diffs->is_array()) {
      int code = 0;
      for (const Object& item : diffs->items) {
        const Object* v = doc.Resolve(&item);
        if (v->is_number()) {
          code = static_cast<int>(std::clamp(v->number, -1.0, 256.0));
        } else if (v->is_name()) {
          if (code >= 0 && code < 256) {
            std::u16string text;
            if (GlyphNameToUnicode(v->str, &text)) differences[code] = std::move(text);
            has_difference[code] = true;
          }
          ++code;
        }
      }
    }
  }
  if (base == BaseEncoding::kNone) {
    // The font's own encoding: Symbol and ZapfDingbats have theirs; other
    // Latin fonts are read as Standard (Type 1) or WinAnsi (TrueType).
    if (standard == StandardFont::kSymbol) {
      base = BaseEncoding::kSymbol;
    } else if (standard == StandardFont::kZapfDingbats) {
      base = BaseEncoding::kZapfDingbats;
    } else if (!symbolic) {
      base = truetype ? BaseEncoding::kWinAnsi : BaseEncoding::kStandard;
    }
  }

  if (const Object* tu = doc.Lookup(&dict, "ToUnicode"); tu != nullptr && tu->is_stream()) {
    has_to_unicode_ = LoadCMapStream(doc, tu, &to_unicode_) && to_unicode_.has_mappings();
  }

  for (int c = 0; c < 256; ++c) {
    std::u16string& text = simple_text_[c];
    if (has_to_unicode_ && to_unicode_.Lookup(static_cast<std::uint32_t>(c), 1, &text)) continue;
    if (has_difference[c]) {
      text = differences[c];
      continue;
    }
    if (const char16_t u = BaseEncodingUnicode(base, static_cast<unsigned char>(c)); u != 0) {
      text.assign(1, u);
    } else if (base == BaseEncoding::kNone && c >= 0x20 && c < 0x7F) {
      // A symbolic font without an encoding: its printable ASCII codes are
      // nearly always the letters they look like.
      text.assign(1, static_cast<char16_t>(c));
    }
  }
  decodes_ = true;

  // Advances.
  const double missing = NumberOr(doc.Lookup(descriptor, "MissingWidth"), 0);
  const Object* widths = doc.Lookup(&dict, "Widths");
  const double first = NumberOr(doc.Lookup(&dict, "FirstChar"), 0);
  for (double& w : simple_width_) w = missing * scale_;
  if (widths != nullptr && widths->is_array() && first >= 0 && first < 256) {
    widths_known_ = true;
    const int f = static_cast<int>(first);
    for (std::size_t i = 0; i < widths->items.size() && f + static_cast<int>(i) < 256; ++i) {
      simple_width_[f + static_cast<int>(i)] = NumberOr(doc.Resolve(&widths->items[i]), missing) * scale_;
    }
  } else {
    // No /Widths: a standard font's metrics where it is one, else half an
    // em (an estimate: widths_known() stays false).
    bool all = standard != StandardFont::kNone;
    for (int c = 0; c < 256; ++c) {
      double w = 500;
      const std::u16string& text = simple_text_[c];
      if (!(text.size() == 1 && StandardFontWidth(standard, text[0], &w))) {
        if (!text.empty()) all = all && standard == StandardFont::kCourier;
        w = standard == StandardFont::kCourier ? 600 : 500;
      }
      simple_width_[c] = w * scale_;
    }
    widths_known_ = all;
  }
}

void Font::BuildComposite(Document& doc, const Object& dict) {
  composite_ = true;
  const Object* encoding = doc.Lookup(&dict, "Encoding");
  bool have_encoding = false;
  if (encoding != nullptr && encoding->is_name()) {
    have_encoding = encoding_.LoadPredefined(encoding->str);
    identity_cids_ = encoding->str == "Identity-H" || encoding->str == "Identity-V";
  } else if (encoding != nullptr && encoding->is_stream()) {
    have_encoding = LoadCMapStream(doc, encoding, &encoding_);
    if (const Object* wmode = doc.Lookup(encoding, "WMode"); wmode != nullptr && wmode->is_number() &&
                                                            wmode->number == 1) {
      vertical_ = true;
    }
  }
  if (!have_encoding || !encoding_.has_code_space()) {
    // Unknown or broken: two-byte codes, the common case by far.
    encoding_ = CMap();
    encoding_.AddCodeSpace(2, 0x0000, 0xFFFF);
    identity_cids_ = true;
  }
  vertical_ = vertical_ || encoding_.vertical();

  if (const Object* tu = doc.Lookup(&dict, "ToUnicode"); tu != nullptr) {
    if (tu->is_stream()) {
      has_to_unicode_ = LoadCMapStream(doc, tu, &to_unicode_) && to_unicode_.has_mappings();
    } else if (tu->is_name() && (tu->str == "Identity-H" || tu->str == "Identity-V")) {
      // Codes that are their own UCS-2 values.
      has_to_unicode_ = to_unicode_.LoadPredefined("UniGB-UCS2-H");
    }
  }
  decodes_ = has_to_unicode_ || encoding_.code_text() != CodeText::kNone;

  const Object* descendants = doc.Lookup(&dict, "DescendantFonts");
  const Object* cid_font = nullptr;
  if (descendants != nullptr && descendants->is_array() && !descendants->items.empty()) {
    cid_font = doc.Resolve(&descendants->items[0]);
  } else if (descendants != nullptr && descendants->is_dict()) {
    cid_font = descendants;
  }
  if (cid_font == nullptr || !cid_font->is_dict()) return;
  dw_ = NumberOr(doc.Lookup(cid_font, "DW"), 1000);
  const Object* w = doc.Lookup(cid_font, "W");
  if (w == nullptr || !w->is_array()) {
    widths_known_ = identity_cids_;
    return;
  }
  widths_known_ = identity_cids_;
  std::size_t stored = 0;
  const auto& items = w->items;
  for (std::size_t i = 0; i < items.size();) {
    const Object* first = doc.Resolve(&items[i]);
    if (!first->is_number() || i + 1 >= items.size()) break;
    const Object* second = doc.Resolve(&items[i + 1]);
    const double c0 = first->number;
    if (c0 < 0 || c0 > 0xFFFFFFFF) break;
    if (second->is_array()) {
      auto cid = static_cast<std::uint32_t>(c0);
      for (const Object& x : second->items) {
        if (stored++ >= kMaxCMapMappings) break;
        cid_widths_[cid++] = NumberOr(doc.Resolve(&x), dw_);
      }
      i += 2;
    } else if (second->is_number() && i + 2 < items.size()) {
      const double c1 = second->number;
      const double width = NumberOr(doc.Resolve(&items[i + 2]), dw_);
      if (c1 >= c0 && c1 <= 0xFFFFFFFF && width_ranges_.size() < kMaxCMapMappings) {
        width_ranges_.push_back({static_cast<std::uint32_t>(c0), static_cast<std::uint32_t>(c1), width});
      }
      i += 3;
    } else {
      break;
    }
  }
}

double Font::CidWidth(std::uint32_t cid) const {
  if (auto it = cid_widths_.find(cid); it != cid_widths_.end()) return it->second;
  for (const WidthRange& r : width_ranges_) {
    if (cid >= r.lo && cid <= r.hi) return r.width;
  }
  return dw_;
}

void Font::Decode(std::string_view bytes, std::u16string* text, std::vector<Glyph>* glyphs) const {
  if (!composite_) {
    for (const char ch : bytes) {
      const auto c = static_cast<unsigned char>(ch);
      Glyph g;
      g.text_begin = static_cast<std::uint32_t>(text->size());
      text->append(simple_text_[c]);
      g.text_length = static_cast<std::uint32_t>(text->size()) - g.text_begin;
      g.advance = simple_width_[c];
      g.word_space = c == 32;
      glyphs->push_back(g);
    }
    return;
  }
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    int length = 1;
    const std::uint32_t code = encoding_.NextCode(bytes, &pos, &length);
    Glyph g;
    g.text_begin = static_cast<std::uint32_t>(text->size());
    if (!(has_to_unicode_ && to_unicode_.Lookup(code, length, text))) {
      encoding_.Lookup(code, length, text);
    }
    g.text_length = static_cast<std::uint32_t>(text->size()) - g.text_begin;
    if (vertical_) {
      g.advance = 1.0;  // vertical text moves one em down per glyph
    } else if (identity_cids_) {
      g.advance = CidWidth(code) * 0.001;
    } else {
      // Without the CMap's CIDs the widths cannot be looked up: single
      // bytes are half-width Latin, the rest full-width ideographs.
      g.advance = length == 1 ? 0.5 : dw_ * 0.001;
    }
    g.word_space = length == 1 && code == 32;
    glyphs->push_back(g);
  }
}

}  // namespace folian::convert::pdf
