#include "convert/pdf/content.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "convert/limits.h"
#include "convert/pdf/document.h"
#include "convert/pdf/lexer.h"
#include "convert/pdf/object.h"
#include "convert/pdf/pdf_limits.h"

namespace folian::convert::pdf {
namespace {

// A baseline that moves by more than this share of the font size starts a
// new line; superscripts and subscripts move less.
constexpr double kLineShift = 0.5;
// A gap wider than this share of the font size on the same line is a blank
// (when the font's widths are known; otherwise the end of the previous text
// is only estimated and only a wide gap counts).
constexpr double kBlankGap = 0.15;
constexpr double kBlankGapEstimated = 0.8;
// Text that jumps back further than this on its line is out of order: it is
// kept apart from what came before.
constexpr double kBackJump = 1.0;

struct Operand {
  enum Kind { kNumber, kName, kString, kArray, kOther } kind = kOther;
  double number = 0;
  bool hex = false;
  std::string text;
  std::size_t first = 0;  // kArray: its items in the array buffer
  std::size_t count = 0;
};

struct ArrayItem {
  bool is_string = false;
  bool hex = false;
  double number = 0;
  std::string text;
};

double Length(double x, double y) { return std::sqrt(x * x + y * y); }

}  // namespace

struct ContentReader::State {
  Matrix ctm;
  const Font* font = nullptr;
  double size = 0;
  double char_space = 0;
  double word_space = 0;
  double scale = 1;  // Tz / 100
  double leading = 0;
  double rise = 0;
};

class ContentReader::Run {
 public:
  Run(ContentReader* reader, const Object* resources, const State& state, int depth)
      : r_(reader), resources_(resources), st_(state), depth_(depth) {}

  void Execute(std::string_view content);

 private:
  void Operator(std::string_view op);
  void Show(std::string_view bytes, bool decide_gap);
  void ShowArray(const Operand& array);
  void Translate(double tx, double ty) {
    tlm_.e += tx * tlm_.a + ty * tlm_.c;
    tlm_.f += tx * tlm_.b + ty * tlm_.d;
    tm_ = tlm_;
  }
  void NextLine() { Translate(0, -st_.leading); }
  void DrawForm(std::string_view name);
  void SkipInlineImage(Lexer* lx);
  void SkipDict(Lexer* lx);
  double Num(std::size_t i) const {
    return i < operands_.size() && operands_[i].kind == Operand::kNumber ? operands_[i].number : 0;
  }
  // The operand `back` places before the operator (0 = the last).
  const Operand* Back(std::size_t back) const {
    return back < operands_.size() ? &operands_[operands_.size() - 1 - back] : nullptr;
  }

  ContentReader* r_;
  const Object* resources_;
  State st_;
  int depth_;
  std::vector<State> saved_;
  std::size_t unsaved_ = 0;  // q's beyond the stack cap
  Matrix tm_;
  Matrix tlm_;
  std::vector<Operand> operands_;
  std::vector<ArrayItem> array_;
  std::u16string text_;
  std::vector<Glyph> glyphs_;
  std::string raw_;
};

void ContentReader::Run::Execute(std::string_view content) {
  Lexer lx(content);
  Token t;
  std::size_t ops = 0;
  int array_depth = 0;
  std::size_t array_first = 0;
  while (true) {
    lx.Next(&t);
    if (t.kind == TokenKind::kEnd) break;
    switch (t.kind) {
      case TokenKind::kNumber:
        if (array_depth > 0) {
          if (array_.size() < kMaxTjItems) array_.push_back({false, false, t.number, {}});
        } else if (operands_.size() < kMaxOperands) {
          Operand o;
          o.kind = Operand::kNumber;
          o.number = t.number;
          operands_.push_back(std::move(o));
        }
        break;
      case TokenKind::kString:
      case TokenKind::kHexString:
        if (array_depth > 0) {
          if (array_.size() < kMaxTjItems) {
            array_.push_back({true, t.kind == TokenKind::kHexString, 0, t.text});
          }
        } else if (operands_.size() < kMaxOperands) {
          Operand o;
          o.kind = Operand::kString;
          o.hex = t.kind == TokenKind::kHexString;
          o.text = t.text;
          operands_.push_back(std::move(o));
        }
        break;
      case TokenKind::kName:
        if (array_depth == 0 && operands_.size() < kMaxOperands) {
          Operand o;
          o.kind = Operand::kName;
          o.text = t.text;
          operands_.push_back(std::move(o));
        }
        break;
      case TokenKind::kArrayOpen:
        if (array_depth++ == 0) {
          array_.clear();
          array_first = 0;
        }
        break;
      case TokenKind::kArrayClose:
        if (array_depth > 0 && --array_depth == 0 && operands_.size() < kMaxOperands) {
          Operand o;
          o.kind = Operand::kArray;
          o.first = array_first;
          o.count = array_.size() - array_first;
          operands_.push_back(std::move(o));
        }
        break;
      case TokenKind::kDictOpen:
        SkipDict(&lx);
        if (array_depth == 0 && operands_.size() < kMaxOperands) operands_.push_back(Operand());
        break;
      case TokenKind::kKeyword:
        if (array_depth > 0) {
          // An operator inside an array: the array was never closed.
          array_depth = 0;
        }
        if (t.raw == "BI") {
          SkipInlineImage(&lx);
        } else {
          Operator(t.raw);
        }
        operands_.clear();
        if ((++ops & 0xFFF) == 0 && Cancelled(r_->cancel_)) {
          r_->cancelled_ = true;
          return;
        }
        if (r_->out_->overflowed()) return;
        break;
      default:
        break;
    }
  }
}

void ContentReader::Run::SkipDict(Lexer* lx) {
  Token t;
  int depth = 1;
  while (depth > 0) {
    lx->Next(&t);
    if (t.kind == TokenKind::kEnd) return;
    if (t.kind == TokenKind::kDictOpen) ++depth;
    if (t.kind == TokenKind::kDictClose) --depth;
  }
}

void ContentReader::Run::SkipInlineImage(Lexer* lx) {
  Token t;
  for (;;) {
    lx->Next(&t);
    if (t.kind == TokenKind::kEnd) return;
    if (t.kind == TokenKind::kKeyword && t.raw == "ID") break;
  }
  // The image data: binary, up to "EI" standing alone.
  const std::string_view d = lx->data();
  std::size_t i = lx->pos() + 1;
  while (i + 1 < d.size()) {
    const std::size_t hit = d.find("EI", i);
    if (hit == std::string_view::npos) break;
    const bool before = hit > 0 && IsPdfSpace(static_cast<unsigned char>(d[hit - 1]));
    const bool after = hit + 2 >= d.size() || !IsPdfRegular(static_cast<unsigned char>(d[hit + 2]));
    if (before && after) {
      lx->set_pos(hit + 2);
      return;
    }
    i = hit + 1;
  }
  lx->set_pos(d.size());
}

void ContentReader::Run::Operator(std::string_view op) {
  const std::size_t n = operands_.size();
  if (op.size() == 2 && op[0] == 'T') {
    switch (op[1]) {
      case 'j':
        if (const Operand* s = Back(0); s != nullptr && s->kind == Operand::kString) Show(s->text, true);
        return;
      case 'J':
        if (const Operand* a = Back(0); a != nullptr && a->kind == Operand::kArray) ShowArray(*a);
        return;
      case 'f':
        if (n >= 2 && operands_[n - 2].kind == Operand::kName) {
          st_.font = r_->FontFor(resources_, operands_[n - 2].text);
          st_.size = Num(n - 1);
        }
        return;
      case 'd':
        if (n >= 2) Translate(Num(n - 2), Num(n - 1));
        return;
      case 'D':
        if (n >= 2) {
          st_.leading = -Num(n - 1);
          Translate(Num(n - 2), Num(n - 1));
        }
        return;
      case 'm':
        if (n >= 6) {
          tlm_ = {Num(n - 6), Num(n - 5), Num(n - 4), Num(n - 3), Num(n - 2), Num(n - 1)};
          tm_ = tlm_;
        }
        return;
      case '*':
        NextLine();
        return;
      case 'c':
        if (n >= 1) st_.char_space = Num(n - 1);
        return;
      case 'w':
        if (n >= 1) st_.word_space = Num(n - 1);
        return;
      case 'z':
        if (n >= 1) st_.scale = Num(n - 1) / 100;
        return;
      case 'L':
        if (n >= 1) st_.leading = Num(n - 1);
        return;
      case 's':
        if (n >= 1) st_.rise = Num(n - 1);
        return;
      default:
        return;
    }
  }
  if (op == "'") {
    NextLine();
    if (const Operand* s = Back(0); s != nullptr && s->kind == Operand::kString) Show(s->text, true);
  } else if (op == "\"") {
    if (n >= 3) {
      st_.word_space = Num(n - 3);
      st_.char_space = Num(n - 2);
    }
    NextLine();
    if (const Operand* s = Back(0); s != nullptr && s->kind == Operand::kString) Show(s->text, true);
  } else if (op == "BT") {
    tm_ = tlm_ = Matrix();
  } else if (op == "q") {
    if (saved_.size() < kMaxGraphicsStack) {
      saved_.push_back(st_);
    } else {
      ++unsaved_;
    }
  } else if (op == "Q") {
    if (unsaved_ > 0) {
      --unsaved_;
    } else if (!saved_.empty()) {
      st_ = saved_.back();
      saved_.pop_back();
    }
  } else if (op == "cm") {
    if (n >= 6) {
      const Matrix m{Num(n - 6), Num(n - 5), Num(n - 4), Num(n - 3), Num(n - 2), Num(n - 1)};
      st_.ctm = m.Times(st_.ctm);
    }
  } else if (op == "Do") {
    if (const Operand* name = Back(0); name != nullptr && name->kind == Operand::kName) DrawForm(name->text);
  }
}

void ContentReader::Run::Show(std::string_view bytes, bool decide_gap) {
  const Font* font = st_.font != nullptr ? st_.font : r_->unknown_font_.get();
  text_.clear();
  glyphs_.clear();
  font->Decode(bytes, &text_, &glyphs_);

  const bool vertical = font->vertical();
  const Matrix trm = Matrix{st_.size * st_.scale, 0, 0, st_.size, 0, st_.rise}.Times(tm_).Times(st_.ctm);
  // The run's own directions on the page: u along the text, v across it.
  double ux = vertical ? -trm.c : trm.a;
  double uy = vertical ? -trm.d : trm.b;
  const double size = vertical ? Length(trm.a, trm.b) : Length(trm.c, trm.d);
  const double ulen = Length(ux, uy);
  if (ulen > 0) {
    ux /= ulen;
    uy /= ulen;
  } else {
    ux = 1;
    uy = 0;
  }
  if (decide_gap && r_->have_last_) {
    const double dx = trm.e - r_->last_x_;
    const double dy = trm.f - r_->last_y_;
    const double along = dx * ux + dy * uy;
    const double across = -dx * uy + dy * ux;
    const double em = std::max(size, r_->last_size_);
    const double blank = font->widths_known() ? kBlankGap : kBlankGapEstimated;
    Gap gap = Gap::kNone;
    if (std::fabs(across) > kLineShift * em) {
      gap = Gap::kLine;
    } else if (along > blank * em || along < -kBackJump * em) {
      gap = Gap::kSpace;
    }
    if (gap > r_->pending_) r_->pending_ = gap;
  }

  // The text, after whatever separates it from the text before.
  auto flush_gap = [&] {
    TextBuilder* out = r_->out_;
    switch (r_->pending_) {
      case Gap::kLine:
        if (!out->at_line_start()) out->LineEnd();
        break;
      case Gap::kTab:
        if (!out->at_line_start() && !out->ends_with_space()) out->Ascii("\t");
        break;
      case Gap::kSpace:
        if (!out->at_line_start() && !out->ends_with_space()) out->Ascii(" ");
        break;
      case Gap::kNone:
        break;
    }
    r_->pending_ = Gap::kNone;
  };
  if (font->decodes()) {
    if (!text_.empty()) {
      flush_gap();
      r_->out_->Text(text_);
    }
  } else {
    raw_.clear();
    for (const char c : bytes) {
      const auto b = static_cast<unsigned char>(c);
      if (b >= 0x20 && b != 0x7F) raw_.push_back(c);
    }
    if (!raw_.empty()) {
      flush_gap();
      r_->out_->Raw(raw_);
    }
  }

  // Advance past the glyphs. The text ends after the last glyph that gave
  // text: a blank glyph that maps to nothing still opens a gap.
  double advance = 0;
  double text_end = 0;
  bool any_text = false;
  const bool raw = !font->decodes();
  for (const Glyph& g : glyphs_) {
    const double spacing = st_.char_space + (g.word_space ? st_.word_space : 0);
    advance += vertical ? -g.advance * st_.size + spacing : (g.advance * st_.size + spacing) * st_.scale;
    if (raw || g.text_length > 0) {
      text_end = advance;
      any_text = true;
    }
  }
  auto moved = [&](double by) {
    Matrix m = tm_;
    if (vertical) {
      m.e += by * tm_.c;
      m.f += by * tm_.d;
    } else {
      m.e += by * tm_.a;
      m.f += by * tm_.b;
    }
    return m;
  };
  if (any_text) {
    const Matrix end = Matrix{st_.size * st_.scale, 0, 0, st_.size, 0, st_.rise}.Times(moved(text_end)).Times(st_.ctm);
    r_->have_last_ = true;
    r_->last_x_ = end.e;
    r_->last_y_ = end.f;
    r_->last_size_ = size;
  }
  tm_ = moved(advance);
}

void ContentReader::Run::ShowArray(const Operand& array) {
  bool first = true;
  for (std::size_t i = array.first; i < array.first + array.count && i < array_.size(); ++i) {
    const ArrayItem& item = array_[i];
    if (item.is_string) {
      Show(item.text, first);
      first = false;
      continue;
    }
    // A number moves the next glyph back (or on, when negative) by
    // thousandths of the font size.
    const double shift = -item.number / 1000 * st_.size;
    if (st_.font != nullptr && st_.font->vertical()) {
      tm_.e += shift * tm_.c;
      tm_.f += shift * tm_.d;
    } else {
      tm_.e += shift * st_.scale * tm_.a;
      tm_.f += shift * st_.scale * tm_.b;
    }
    const bool string_follows = i + 1 < array.first + array.count && i + 1 < array_.size() &&
                                array_[i + 1].is_string;
    const double magnitude = std::fabs(item.number);
    if (string_follows && !first) {
      const Gap gap = magnitude > 1000 ? Gap::kTab : magnitude > 100 ? Gap::kSpace : Gap::kNone;
      if (gap > r_->pending_) r_->pending_ = gap;
    }
  }
}

void ContentReader::Run::DrawForm(std::string_view name) {
  if (depth_ >= kMaxFormDepth) return;
  Document* doc = r_->doc_;
  const Object* xobjects = doc->Lookup(resources_, "XObject");
  if (xobjects == nullptr || !xobjects->is_dict()) return;
  const Object* form = doc->Lookup(xobjects, name);
  if (form == nullptr || !form->is_stream()) return;
  const Object* subtype = doc->Lookup(form, "Subtype");
  if (subtype == nullptr || !subtype->is_name("Form")) return;
  const std::uint32_t num = form->ref.num;
  if (std::find(r_->form_stack_.begin(), r_->form_stack_.end(), num) != r_->form_stack_.end()) return;
  std::string content;
  bool capped = false;
  if (!doc->StreamBytes(*form, &content, nullptr, &capped)) return;
  r_->capped_ = r_->capped_ || capped;
  State state = st_;
  if (const Object* m = doc->Lookup(form, "Matrix"); m != nullptr && m->is_array() && m->items.size() >= 6) {
    double v[6];
    for (int k = 0; k < 6; ++k) {
      const Object* x = doc->Resolve(&m->items[static_cast<std::size_t>(k)]);
      v[k] = x->is_number() ? x->number : (k == 0 || k == 3 ? 1 : 0);
    }
    state.ctm = Matrix{v[0], v[1], v[2], v[3], v[4], v[5]}.Times(st_.ctm);
  }
  const Object* form_resources = doc->Lookup(form, "Resources");
  if (form_resources == nullptr || !form_resources->is_dict()) form_resources = resources_;
  r_->form_stack_.push_back(num);
  Run inner(r_, form_resources, state, depth_ + 1);
  inner.Execute(content);
  r_->form_stack_.pop_back();
}

ContentReader::ContentReader(Document* doc, TextBuilder* out, const CancelFlag* cancel)
    : doc_(doc), out_(out), cancel_(cancel), unknown_font_(Font::Unknown()) {}

ContentReader::~ContentReader() = default;

const Font* ContentReader::FontFor(const Object* resources, std::string_view name) {
  const Object* fonts = doc_->Lookup(resources, "Font");
  const Object* dict = fonts != nullptr && fonts->is_dict() ? doc_->Lookup(fonts, name) : nullptr;
  if (dict == nullptr || !dict->is_dict()) return nullptr;
  auto it = fonts_.find(dict);
  if (it != fonts_.end()) return it->second.get();
  if (fonts_.size() >= kMaxFonts) return nullptr;
  auto font = Font::Build(*doc_, *dict);
  const Font* result = font.get();
  fonts_.emplace(dict, std::move(font));
  return result;
}

void ContentReader::ReadContent(std::string_view content, const Object* resources) {
  Run run(this, resources, State(), 0);
  run.Execute(content);
}

bool ContentReader::ReadPage(const Object& page, const Object* resources) {
  if (!out_->empty()) pending_ = Gap::kLine;
  have_last_ = false;
  const Object* contents = doc_->Lookup(&page, "Contents");
  if (contents == nullptr) return !cancelled_;
  // An array of streams is one content stream cut in pieces, possibly in
  // the middle of an operator: the pieces are joined before reading.
  std::string content;
  std::string piece;
  bool capped = false;
  if (contents->is_stream()) {
    doc_->StreamBytes(*contents, &content, nullptr, &capped);
    capped_ = capped_ || capped;
  } else if (contents->is_array()) {
    for (const Object& item : contents->items) {
      const Object* s = doc_->Resolve(&item);
      if (s == nullptr || !s->is_stream() || !doc_->StreamBytes(*s, &piece, nullptr, &capped)) continue;
      capped_ = capped_ || capped;
      if (content.size() + piece.size() + 1 > kMaxInflatedEntry) break;
      content.append(piece);
      content.push_back('\n');
      if (Cancelled(cancel_)) return false;
    }
  }
  ReadContent(content, resources);
  return !cancelled_ && !Cancelled(cancel_);
}

}  // namespace folian::convert::pdf
