// The RTF reader: walks the lexer's tokens with an explicit stack of group
// states. Each group inherits its parent's state (where its text goes, the
// font, the Unicode skip count, hidden text) and drops its changes when it
// closes, which is all of RTF's scoping the text needs.
//
// Bytes (plain text and \'hh) are gathered in a run and decoded together in
// the code page of the font they were written in, so a double-byte
// character spelt as two \'hh escapes, or as an escape and a letter, comes
// out whole.
#include <unordered_map>
#include <vector>

#include "charset/codepage.h"
#include "convert/gbk_or_utf8_text.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/rtf/code_pages.h"
#include "convert/rtf/control_words.h"
#include "convert/rtf/lexer.h"
#include "convert/rtf/rtf_format.h"

namespace folian::convert {
namespace rtf {
namespace {

// Input read between two looks at the cancel flag and the progress bar.
constexpr std::size_t kProgressStep = std::size_t{1} << 20;

enum class Dest {
  kText,
  kSkip,
  kFontTable,
  kObject,  // skipped until \result
  kUpr,     // skipped until \ud
};

struct Group {
  Dest dest = Dest::kText;
  bool note = false;    // inside a footnote
  bool hidden = false;  // \v
  int font = -1;        // -1: the default font (\deff)
  int uc = 1;           // fallback characters after \uN
};

struct Font {
  int charset = -1;
  int codepage = 0;
};

class Reader {
 public:
  Reader(std::string_view input, const ReadContext& ctx) : lexer_(input), input_size_(input.size()), ctx_(ctx) {}

  Status Run(TextSink& sink);

 private:
  Group& top() { return stack_.back(); }
  bool Emitting() { return top().dest == Dest::kText && !top().hidden; }
  bool IsDestinationPlace() const { return stack_.size() > 1; }

  void Word(const Token& t);
  void Symbol(char c);
  void AddBytes(std::string_view bytes);
  void FlushRun();
  int CodePageOf(int font);
  void SetDestination(Action action);

  // Output, to the body or to the notes.
  void Emit(std::u16string_view units);
  void EmitUnit(char16_t u) { Emit(std::u16string_view(&u, 1)); }
  void LineEnd();
  void EndNote();

  Lexer lexer_;
  std::size_t input_size_;
  const ReadContext& ctx_;
  std::vector<Group> stack_;
  std::size_t groups_ = 0;
  bool star_ = false;       // the last token was \*
  std::size_t skip_ = 0;    // fallback characters still to skip after \uN

  int doc_codepage_ = 1252;
  bool doc_codepage_set_ = false;  // \ansicpg seen
  int default_font_ = -1;
  int font_def_ = -1;  // the font table entry being read
  std::unordered_map<int, Font> fonts_;
  int cached_font_ = -2;
  int cached_codepage_ = 0;

  std::string run_;  // bytes not yet decoded
  int run_codepage_ = 0;
  bool run_note_ = false;
  std::u16string decoded_;  // scratch

  GbkOrUtf8Text body_{kMaxOutputBytes};
  std::u16string notes_;
};

int Reader::CodePageOf(int font) {
  if (font == -1) font = default_font_;
  if (font == cached_font_) return cached_codepage_;
  int cp = 0;
  if (const auto it = fonts_.find(font); it != fonts_.end()) {
    cp = it->second.codepage > 0 ? it->second.codepage
         : it->second.charset >= 0 ? CodePageOfCharset(it->second.charset)
                                   : 0;
  }
  if (cp == 0) cp = doc_codepage_;
  cached_font_ = font;
  cached_codepage_ = cp;
  return cp;
}

void Reader::AddBytes(std::string_view bytes) {
  if (skip_ > 0) {
    const std::size_t n = std::min(skip_, bytes.size());
    skip_ -= n;
    bytes.remove_prefix(n);
  }
  if (bytes.empty() || !Emitting()) return;
  const int cp = CodePageOf(top().font);
  if (!run_.empty() && (cp != run_codepage_ || top().note != run_note_)) FlushRun();
  run_codepage_ = cp;
  run_note_ = top().note;
  run_.append(bytes);
  if (run_.size() >= 4096) {
    // Keep a trailing lead byte for the byte that completes it.
    const auto last = static_cast<unsigned char>(run_.back());
    if (charset::MaxCharSize(cp) == 2 && charset::IsLeadByte(cp, last)) {
      std::size_t lead_run = 0;  // a lead byte can also be a trail byte: count back
      while (lead_run < run_.size() &&
             charset::IsLeadByte(cp, static_cast<unsigned char>(run_[run_.size() - 1 - lead_run])))
        ++lead_run;
      if (lead_run % 2 == 1) {
        const char keep = run_.back();
        run_.pop_back();
        FlushRun();
        run_.push_back(keep);
        return;
      }
    }
    FlushRun();
  }
}

void Reader::FlushRun() {
  if (run_.empty()) return;
  decoded_.clear();
  DecodeCodePage(run_codepage_, run_, &decoded_);
  run_.clear();
  const bool note = run_note_;
  // Control characters in the text are not text; a tab is a tab.
  std::size_t start = 0;
  for (std::size_t i = 0; i <= decoded_.size(); ++i) {
    const bool end = i == decoded_.size();
    const char16_t u = end ? 0 : decoded_[i];
    if (!end && u >= 0x20) continue;
    const std::u16string_view piece(decoded_.data() + start, i - start);
    if (note) {
      if (notes_.size() + piece.size() <= kMaxNoteUnits) notes_.append(piece);
    } else {
      body_.Append(piece);
    }
    if (!end && u == u'\t') {
      if (note) {
        if (notes_.size() < kMaxNoteUnits) notes_.push_back(u'\t');
      } else {
        body_.Append(u'\t');
      }
    }
    start = i + 1;
  }
}

void Reader::Emit(std::u16string_view units) {
  FlushRun();
  if (top().note) {
    if (notes_.size() + units.size() <= kMaxNoteUnits) notes_.append(units);
    return;
  }
  body_.Append(units);
}

void Reader::LineEnd() {
  FlushRun();
  if (top().note) {
    if (notes_.size() + 2 <= kMaxNoteUnits) notes_.append(u"\r\n");
    return;
  }
  body_.LineEnd();
}

void Reader::EndNote() {
  if (!notes_.empty() && notes_.back() != u'\n' && notes_.size() + 2 <= kMaxNoteUnits) notes_.append(u"\r\n");
}

void Reader::SetDestination(Action action) {
  Group& g = top();
  switch (action) {
    case Action::kSkip: g.dest = Dest::kSkip; break;
    case Action::kFontTable:
      if (g.dest == Dest::kText) g.dest = Dest::kFontTable;
      break;
    case Action::kFootnote:
      if (g.dest == Dest::kText) g.note = true;
      break;
    case Action::kObject:
      if (g.dest == Dest::kText) g.dest = Dest::kObject;
      break;
    case Action::kResult:
      if (g.dest == Dest::kObject) g.dest = Dest::kText;
      break;
    case Action::kUpr:
      if (g.dest == Dest::kText) g.dest = Dest::kUpr;
      break;
    case Action::kUd:
      if (g.dest == Dest::kUpr) g.dest = Dest::kText;
      break;
    default: break;
  }
}

void Reader::Word(const Token& t) {
  const WordAction wa = ActionOf(t.word);
  const bool starred = star_;
  star_ = false;
  switch (wa.action) {
    case Action::kSkip:
    case Action::kFontTable:
    case Action::kFootnote:
    case Action::kObject:
    case Action::kResult:
    case Action::kUpr:
    case Action::kUd:
      if (IsDestinationPlace()) {
        FlushRun();
        SetDestination(wa.action);
      }
      return;
    default: break;
  }
  if (starred) {
    // An optional destination this reader does not know: not text.
    if (IsDestinationPlace()) {
      FlushRun();
      top().dest = Dest::kSkip;
    }
    return;
  }
  if (wa.action == Action::kUnicode || wa.action == Action::kLineEnd) {
    // Neither is ever a fallback: a writer that announced one and gave none.
    skip_ = 0;
  } else if (skip_ > 0) {  // a control word in a \uN fallback counts as one character
    --skip_;
    return;
  }
  Group& g = top();
  switch (wa.action) {
    case Action::kFont:
      if (!t.has_param) return;
      if (g.dest == Dest::kFontTable) {
        font_def_ = t.param;
        if (fonts_.size() < kMaxFonts) fonts_.try_emplace(t.param);
        cached_font_ = -2;
      } else {
        g.font = t.param;
      }
      return;
    case Action::kCharset:
    case Action::kFontCodePage:
      if (g.dest == Dest::kFontTable && t.has_param) {
        if (const auto it = fonts_.find(font_def_); it != fonts_.end()) {
          (wa.action == Action::kCharset ? it->second.charset : it->second.codepage) = t.param;
          cached_font_ = -2;
        }
      }
      return;
    case Action::kDefaultFont:
      if (t.has_param) default_font_ = t.param;
      cached_font_ = -2;
      return;
    case Action::kAnsiCodePage:
      if (t.has_param && t.param > 0) {
        doc_codepage_ = t.param;
        doc_codepage_set_ = true;
        cached_font_ = -2;
      }
      return;
    case Action::kAnsi:
    case Action::kMac:
    case Action::kPc:
    case Action::kPca:
      if (!doc_codepage_set_) {
        doc_codepage_ = wa.action == Action::kAnsi ? 1252 : wa.action == Action::kMac ? 10000
                        : wa.action == Action::kPc ? 437 : 850;
        cached_font_ = -2;
      }
      return;
    case Action::kUnicodeSkip:
      if (t.has_param) g.uc = std::max(0, static_cast<int>(t.param));
      return;
    case Action::kHidden:
      FlushRun();
      g.hidden = !t.has_param || t.param != 0;
      return;
    case Action::kPlain:
      FlushRun();
      g.hidden = false;
      g.font = -1;
      return;
    default: break;
  }
  if (!Emitting()) return;
  switch (wa.action) {
    case Action::kUnicode: {
      if (!t.has_param) return;
      // Writers give units above 32767 as negative numbers.
      EmitUnit(static_cast<char16_t>(static_cast<std::uint32_t>(t.param) & 0xFFFF));
      skip_ = static_cast<std::size_t>(g.uc);
      return;
    }
    case Action::kLineEnd: LineEnd(); return;
    case Action::kTab: EmitUnit(u'\t'); return;
    case Action::kCell:
      if (g.note) {
        EmitUnit(u'\t');
      } else {
        FlushRun();
        body_.CellEnd();
      }
      return;
    case Action::kRow: LineEnd(); return;
    case Action::kChar: EmitUnit(wa.unit); return;
    default: return;
  }
}

void Reader::Symbol(char c) {
  if (c == '*') {
    star_ = true;
    return;
  }
  star_ = false;
  if (skip_ > 0) {
    --skip_;
    return;
  }
  if (!Emitting()) return;
  switch (c) {
    case '~': EmitUnit(u' '); return;   // no-break space
    case '_': EmitUnit(u'-'); return;   // no-break hyphen
    default: return;                    // \- optional hyphen, \: index, \| formula
  }
}

Status Reader::Run(TextSink& sink) {
  ctx_.progress->SetStatus(charset::Utf8ToGbk(msg::kRtfReading));
  ctx_.progress->SetRange(0, 100);
  std::size_t next_check = kProgressStep;
  stack_.reserve(64);
  bool started = false;
  for (;;) {
    if (lexer_.pos() >= next_check) {
      next_check = lexer_.pos() + kProgressStep;
      if (Cancelled(ctx_.cancel)) return Status::Error(msg::kCancelled);
      ctx_.progress->SetPosition(static_cast<std::int64_t>(lexer_.pos() * 100 / input_size_));
      if (body_.overflowed()) break;
    }
    const Token t = lexer_.Next();
    if (t.kind == TokenKind::kEnd) break;
    // Braces alone do not end a run of bytes: a character whose two bytes
    // a writer put in neighbouring groups of the same font comes out whole.
    // A change of font, of text kind or of destination ends it (AddBytes).
    if (t.kind == TokenKind::kGroupStart) {
      star_ = false;
      skip_ = 0;
      if (stack_.size() >= kMaxDepth) return Status::Error(msg::kRtfTooDeep);
      if (++groups_ > kMaxGroups) return Status::Error(msg::kRtfTooManyGroups);
      stack_.push_back(stack_.empty() ? Group() : stack_.back());
      started = true;
      continue;
    }
    if (stack_.empty()) {
      if (started) break;  // the document's group has closed: the rest is not the document
      continue;
    }
    switch (t.kind) {
      case TokenKind::kGroupEnd: {
        star_ = false;
        skip_ = 0;
        const bool note_ends = top().note && (stack_.size() < 2 || !stack_[stack_.size() - 2].note);
        if (note_ends) FlushRun();
        stack_.pop_back();
        if (note_ends) EndNote();
        break;
      }
      case TokenKind::kWord: Word(t); break;
      case TokenKind::kSymbol: Symbol(t.symbol); break;
      case TokenKind::kByte:
        star_ = false;
        AddBytes(std::string_view(reinterpret_cast<const char*>(&t.byte), 1));
        break;
      case TokenKind::kText:
        star_ = false;
        AddBytes(t.text);
        break;
      case TokenKind::kBinary:  // picture and object data
        star_ = false;
        if (skip_ > 0) --skip_;
        break;
      default: break;
    }
  }
  FlushRun();
  if (!notes_.empty()) {
    if (!body_.empty() && body_.back() != u'\n') body_.LineEnd();
    body_.LineEnd();
    body_.Append(notes_);
  }
  if (body_.overflowed()) return Status::Error(msg::kOutputTooLarge);
  sink.SetEncoding(body_.encoding());
  if (!sink.Append(body_.Finish())) return Status::Error(msg::kOutputTooLarge);
  return Status::Ok();
}

}  // namespace
}  // namespace rtf

bool LooksLikeRtf(std::string_view head) {
  if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
  while (!head.empty() && (head[0] == ' ' || head[0] == '\t' || head[0] == '\r' || head[0] == '\n')) {
    head.remove_prefix(1);
  }
  return head.substr(0, 5) == "{\\rtf";
}

Status ReadRtf(std::string_view input, TextSink& sink, const ReadContext& ctx) {
  if (!LooksLikeRtf(input.substr(0, 4096))) return Status::Error(msg::kRtfNotRtf);
  rtf::Reader reader(input, ctx);
  return reader.Run(sink);
}

}  // namespace folian::convert
