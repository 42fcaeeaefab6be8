#include "regex/parser.h"

#include <climits>
#include <cstring>

#include "regex/regex.h"

namespace folian::regex {

void ByteSet::FoldCase() {
  for (unsigned c = 'a'; c <= 'z'; ++c) {
    const auto lo = static_cast<unsigned char>(c);
    const auto up = static_cast<unsigned char>(c - 32);
    if (Has(lo) || Has(up)) {
      Add(lo);
      Add(up);
    }
  }
}

int ByteSet::Count() const {
  int n = 0;
  for (auto w : bits) n += __builtin_popcountll(w);
  return n;
}

bool IsWordByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsSpaceByte(unsigned char c) { return c == ' ' || (c >= 9 && c <= 13); }

namespace {

struct Flags {
  bool icase = false;
  bool multiline = false;
  bool dotall = false;
  bool extended = false;
};

ByteSet MakeSet(bool (*pred)(unsigned char)) {
  ByteSet s;
  for (unsigned c = 0; c < 256; ++c)
    if (pred(static_cast<unsigned char>(c))) s.Add(static_cast<unsigned char>(c));
  return s;
}

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsUpper(unsigned char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(unsigned char c) { return c >= 'a' && c <= 'z'; }
bool IsAlnum(unsigned char c) { return IsAlpha(c) || IsDigit(c); }
bool IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }
bool IsCntrl(unsigned char c) { return c < 32 || c == 127; }
bool IsGraph(unsigned char c) { return c > 32 && c < 127; }
bool IsPrint(unsigned char c) { return c >= 32 && c < 127; }
bool IsPunct(unsigned char c) { return IsGraph(c) && !IsAlnum(c); }
bool IsXdigit(unsigned char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int HexValue(unsigned char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct PosixClass {
  const char* name;
  bool (*pred)(unsigned char);
};
constexpr PosixClass kPosix[] = {
    {"alnum", IsAlnum}, {"alpha", IsAlpha}, {"blank", IsBlank}, {"cntrl", IsCntrl},
    {"digit", IsDigit}, {"graph", IsGraph}, {"lower", IsLower}, {"print", IsPrint},
    {"punct", IsPunct}, {"space", IsSpaceByte}, {"upper", IsUpper}, {"xdigit", IsXdigit},
};

NodePtr MakeNode(NodeKind k) { return std::make_unique<Node>(k); }

class Parser {
 public:
  Parser(std::string_view p, unsigned options) : p_(p) {
    flags_.icase = options & IGNORECASE;
    flags_.multiline = options & LINEANCHORS;
    flags_.dotall = options & DOTALL;
    flags_.extended = options & FREESPACING;
  }

  Ast Run() {
    Ast ast;
    ast.root = ParseAlternation();
    if (!AtEnd()) Fail(msg::kParen);  // a ')' with no opening partner
    if (max_ref_ > ncap_) Fail(msg::kNoGroup);
    ast.capture_count = ncap_;
    ast.has_recursion = recursion_;
    return ast;
  }

 private:
  [[noreturn]] static void Fail(const char* m) { throw bad_regexpr(m); }
  bool AtEnd() const { return i_ >= p_.size(); }
  unsigned char Peek(std::size_t ahead = 0) const {
    return i_ + ahead < p_.size() ? static_cast<unsigned char>(p_[i_ + ahead]) : 0;
  }
  bool HasAhead(std::size_t ahead) const { return i_ + ahead < p_.size(); }

  void SkipSpace() {
    if (!flags_.extended) return;
    while (!AtEnd()) {
      const unsigned char c = Peek();
      if (IsSpaceByte(c)) {
        ++i_;
      } else if (c == '#') {
        while (!AtEnd() && Peek() != '\n') ++i_;
      } else {
        break;
      }
    }
  }

  std::vector<NodePtr> ParseAlternatives() {
    std::vector<NodePtr> alts;
    alts.push_back(ParseConcat());
    while (!AtEnd() && Peek() == '|') {
      ++i_;
      alts.push_back(ParseConcat());
    }
    return alts;
  }

  NodePtr ParseAlternation() {
    auto alts = ParseAlternatives();
    if (alts.size() == 1) return std::move(alts[0]);
    auto n = MakeNode(NodeKind::kAlternate);
    n->kids = std::move(alts);
    return n;
  }

  NodePtr Byte(unsigned char c) {
    auto n = MakeNode(NodeKind::kByte);
    n->byte = c;
    n->icase = flags_.icase && IsAlpha(c);
    return n;
  }

  NodePtr SetNode(ByteSet s) {
    auto n = MakeNode(NodeKind::kSet);
    n->set = s;
    return n;
  }

  NodePtr Assert(AssertKind k) {
    auto n = MakeNode(NodeKind::kAssert);
    n->assert_kind = k;
    return n;
  }

  // Reads a decimal number; false when there are no digits. Saturates.
  bool ReadNumber(int* out) {
    if (AtEnd() || !IsDigit(Peek())) return false;
    long long v = 0;
    while (!AtEnd() && IsDigit(Peek())) {
      v = v * 10 + (Peek() - '0');
      if (v > INT_MAX / 2) v = INT_MAX / 2;
      ++i_;
    }
    *out = static_cast<int>(v);
    return true;
  }

  // At '{': a counted quantifier, or false (the brace is then a literal).
  bool TryCounted(int* min, int* max) {
    const std::size_t save = i_;
    ++i_;
    int lo = 0, hi = 0;
    if (!ReadNumber(&lo)) {
      i_ = save;
      return false;
    }
    if (Peek() == '}' && !AtEnd()) {
      ++i_;
      *min = *max = lo;
      return true;
    }
    if (AtEnd() || Peek() != ',') {
      i_ = save;
      return false;
    }
    ++i_;
    if (!AtEnd() && Peek() == '}') {
      ++i_;
      *min = lo;
      *max = -1;
      return true;
    }
    if (!ReadNumber(&hi) || AtEnd() || Peek() != '}') {
      i_ = save;
      return false;
    }
    ++i_;
    if (hi < lo) Fail(msg::kRange);
    *min = lo;
    *max = hi;
    return true;
  }

  // At a quantifier character: parses it. False when none is here.
  bool TryQuantifier(int* min, int* max, bool* greedy) {
    if (AtEnd()) return false;
    switch (Peek()) {
      case '*': *min = 0; *max = -1; ++i_; break;
      case '+': *min = 1; *max = -1; ++i_; break;
      case '?': *min = 0; *max = 1; ++i_; break;
      case '{':
        if (!TryCounted(min, max)) return false;
        break;
      default:
        return false;
    }
    *greedy = true;
    if (!AtEnd() && Peek() == '?') {
      *greedy = false;
      ++i_;
    }
    return true;
  }

  bool AtQuantifier() {
    if (AtEnd()) return false;
    const unsigned char c = Peek();
    if (c == '*' || c == '+' || c == '?') return true;
    if (c != '{') return false;
    const std::size_t save = i_;
    int a, b;
    bool ok = false;
    try {
      ok = TryCounted(&a, &b);
    } catch (const bad_regexpr&) {
      ok = true;
    }
    i_ = save;
    return ok;
  }

  NodePtr ParseConcat() {
    auto seq = MakeNode(NodeKind::kConcat);
    for (;;) {
      SkipSpace();
      if (AtEnd() || Peek() == '|' || Peek() == ')') break;
      if (AtQuantifier()) Fail(msg::kQuantifier);
      bracketed_ = false;
      NodePtr atom = ParseAtom(seq.get());
      if (!atom) continue;  // comment, inline option, empty \Q\E
      const bool bracketed = bracketed_;
      SkipSpace();
      int min, max;
      bool greedy;
      if (TryQuantifier(&min, &max, &greedy)) {
        // "(?:(?=a))*" quantifies a group, which is allowed.
        if (!bracketed) CheckQuantifiable(*atom);
        auto rep = MakeNode(NodeKind::kRepeat);
        rep->min = min;
        rep->max = max;
        rep->greedy = greedy;
        rep->kids.push_back(std::move(atom));
        atom = std::move(rep);
        SkipSpace();
        if (AtQuantifier()) Fail(msg::kQuantifier);
      }
      seq->kids.push_back(std::move(atom));
    }
    if (seq->kids.size() == 1) return std::move(seq->kids[0]);
    if (seq->kids.empty()) return MakeNode(NodeKind::kEmpty);
    return seq;
  }

  static void CheckQuantifiable(const Node& n) {
    switch (n.kind) {
      case NodeKind::kLook: Fail(msg::kLookQuant);
      case NodeKind::kRecurse: Fail(msg::kRecursionQuant);
      case NodeKind::kAssert: Fail(msg::kSubexprQuant);
      default: break;
    }
  }

  // Returns the atom to which a following quantifier applies; may append
  // leading literal bytes to `seq` itself (\Q...\E) or return null.
  NodePtr ParseAtom(Node* seq) {
    const unsigned char c = Peek();
    switch (c) {
      case '(':
        return ParseGroup();
      case '[':
        ++i_;
        return SetNode(ParseClass());
      case '.': {
        ++i_;
        ByteSet s;
        s.Negate();
        if (!flags_.dotall) s.bits[0] &= ~(std::uint64_t{1} << '\n');
        return SetNode(s);
      }
      case '^':
        ++i_;
        return Assert(flags_.multiline ? AssertKind::kLineStart : AssertKind::kSubjectStart);
      case '$':
        ++i_;
        return Assert(flags_.multiline ? AssertKind::kLineEnd : AssertKind::kEndOrFinalNl);
      case '\\':
        return ParseEscape(seq);
      default:
        ++i_;
        return Byte(c);
    }
  }

  // After '\Q': literal bytes until \E or the end of the pattern.
  NodePtr ParseQuoted(Node* seq) {
    NodePtr last;
    while (!AtEnd()) {
      if (Peek() == '\\' && HasAhead(1) && Peek(1) == 'E') {
        i_ += 2;
        break;
      }
      if (last) seq->kids.push_back(std::move(last));
      last = Byte(Peek());
      ++i_;
    }
    return last;
  }

  // A character escape shared by patterns and classes; i_ is after the '\'.
  // Returns -1 when the escape is not a plain character escape.
  int CharEscape(unsigned char c) {
    switch (c) {
      case 'a': ++i_; return 7;
      case 'e': ++i_; return 27;
      case 'f': ++i_; return 12;
      case 'n': ++i_; return 10;
      case 'r': ++i_; return 13;
      case 't': ++i_; return 9;
      case 'v': ++i_; return 11;
      case 'x': {
        ++i_;
        int v = 0;
        for (int k = 0; k < 2 && !AtEnd() && HexValue(Peek()) >= 0; ++k, ++i_) v = v * 16 + HexValue(Peek());
        return v;
      }
      case 'c': {
        ++i_;
        if (AtEnd()) Fail(msg::kEscapeC);
        unsigned char x = Peek();
        ++i_;
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        return x ^ 0x40;
      }
      case '0': {
        ++i_;
        int v = 0;
        for (int k = 0; k < 2 && !AtEnd() && Peek() >= '0' && Peek() <= '7'; ++k, ++i_) v = v * 8 + (Peek() - '0');
        return v;
      }
      default:
        return -1;
    }
  }

  NodePtr ParseEscape(Node* seq) {
    ++i_;  // the backslash
    if (AtEnd()) Fail(msg::kIllFormed);
    const unsigned char c = Peek();
    switch (c) {
      case 'd': ++i_; return SetNode(MakeSet(IsDigit));
      case 'w': ++i_; return SetNode(MakeSet(IsWordByte));
      case 's': ++i_; return SetNode(MakeSet(IsSpaceByte));
      case 'D': case 'W': case 'S': {
        ++i_;
        ByteSet s = MakeSet(c == 'D' ? IsDigit : c == 'W' ? IsWordByte : IsSpaceByte);
        s.Negate();
        return SetNode(s);
      }
      case 'b': ++i_; return Assert(AssertKind::kWordBoundary);
      case 'B': ++i_; return Assert(AssertKind::kNotWordBoundary);
      case 'A': ++i_; return Assert(AssertKind::kSubjectStart);
      case 'Z': ++i_; return Assert(AssertKind::kEndOrFinalNl);
      case 'z': ++i_; return Assert(AssertKind::kSubjectEnd);
      case 'Q': ++i_; return ParseQuoted(seq);
      case 'E': Fail(msg::kQuoteEnd);
      default: break;
    }
    if (c >= '1' && c <= '9') {
      int n = 0;
      ReadNumber(&n);
      auto ref = MakeNode(NodeKind::kBackref);
      ref->group = n;
      ref->icase = flags_.icase;
      if (n > max_ref_) max_ref_ = n;
      return ref;
    }
    const int v = CharEscape(c);
    if (v >= 0) return Byte(static_cast<unsigned char>(v));
    ++i_;
    return Byte(c);  // any other escaped byte stands for itself
  }

  // After '[': the class up to its ']'.
  ByteSet ParseClass() {
    ByteSet set;
    bool negate = false;
    if (!AtEnd() && Peek() == '^') {
      negate = true;
      ++i_;
    }
    bool first = true;
    for (;;) {
      if (AtEnd()) Fail(msg::kSetEnd);
      unsigned char c = Peek();
      if (c == ']' && !first) {
        ++i_;
        break;
      }
      first = false;
      if (c == '[' && Peek(1) == ':' && HasAhead(1) && TryPosix(&set)) continue;
      int lo;
      if (!ClassAtom(&set, &lo)) continue;  // a class escape such as \d
      if (!AtEnd() && Peek() == '-' && HasAhead(1) && Peek(1) != ']') {
        const std::size_t save = i_;
        ++i_;
        int hi;
        if (Peek() == '[' && Peek(1) == ':') {
          i_ = save;  // "a-[:digit:]": the dash is literal
          set.Add(static_cast<unsigned char>(lo));
          continue;
        }
        ByteSet scratch;
        if (!ClassAtom(&scratch, &hi)) {
          // "a-\d": the dash is literal
          set.Add(static_cast<unsigned char>(lo));
          set.Add('-');
          set.AddSet(scratch);
          continue;
        }
        if (hi < lo) Fail(msg::kSetRange);
        set.AddRange(static_cast<unsigned>(lo), static_cast<unsigned>(hi));
        continue;
      }
      set.Add(static_cast<unsigned char>(lo));
    }
    if (flags_.icase) set.FoldCase();
    if (negate) set.Negate();
    return set;
  }

  // One class member: a byte (returned in *byte, true) or a class escape
  // added to *set (false).
  bool ClassAtom(ByteSet* set, int* byte) {
    if (AtEnd()) Fail(msg::kSetEnd);
    const unsigned char c = Peek();
    if (c != '\\') {
      ++i_;
      *byte = c;
      return true;
    }
    ++i_;
    if (AtEnd()) Fail(msg::kSetEnd);
    const unsigned char e = Peek();
    switch (e) {
      case 'd': case 'w': case 's': case 'D': case 'W': case 'S': {
        ++i_;
        const char lower = static_cast<char>(e | 0x20);
        ByteSet s = MakeSet(lower == 'd' ? IsDigit : lower == 'w' ? IsWordByte : IsSpaceByte);
        if (e != static_cast<unsigned char>(lower)) s.Negate();
        set->AddSet(s);
        return false;
      }
      case 'b': ++i_; *byte = 8; return true;
      default: break;
    }
    if (e >= '1' && e <= '7') {  // octal inside a class
      int v = 0;
      for (int k = 0; k < 3 && !AtEnd() && Peek() >= '0' && Peek() <= '7'; ++k, ++i_) v = v * 8 + (Peek() - '0');
      *byte = v & 0xFF;
      return true;
    }
    const int v = CharEscape(e);
    if (v >= 0) {
      *byte = v;
      return true;
    }
    ++i_;
    *byte = e;
    return true;
  }

  // At "[:": a POSIX class "[:name:]" or "[:^name:]". False when the text
  // does not have that shape (the '[' is then an ordinary member).
  bool TryPosix(ByteSet* set) {
    std::size_t j = i_ + 2;
    bool neg = false;
    if (j < p_.size() && p_[j] == '^') {
      neg = true;
      ++j;
    }
    const std::size_t name_start = j;
    while (j < p_.size() && IsAlpha(static_cast<unsigned char>(p_[j]))) ++j;
    if (j + 1 >= p_.size() || p_[j] != ':' || p_[j + 1] != ']' || j == name_start) return false;
    const std::string_view name = p_.substr(name_start, j - name_start);
    for (const auto& pc : kPosix) {
      if (name == pc.name) {
        ByteSet s = MakeSet(pc.pred);
        if (neg) s.Negate();
        set->AddSet(s);
        i_ = j + 2;
        return true;
      }
    }
    Fail(msg::kIllFormed);
  }

  NodePtr ParseGroup() {
    ++i_;  // '('
    if (AtEnd()) Fail(msg::kParen);
    if (Peek() != '?') {
      auto g = MakeNode(NodeKind::kGroup);
      g->group = ++ncap_;
      g->kids.push_back(ParseGroupBody());
      return g;
    }
    ++i_;
    if (AtEnd()) Fail(msg::kParen);
    const unsigned char c = Peek();
    switch (c) {
      case '#': {
        const std::size_t close = p_.find(')', i_);
        if (close == std::string_view::npos) Fail(msg::kComment);
        i_ = close + 1;
        return nullptr;
      }
      case ':': {
        ++i_;
        NodePtr body = ParseGroupBody();
        bracketed_ = true;
        return body;
      }
      case '=': case '!': {
        ++i_;
        auto n = MakeNode(NodeKind::kLook);
        n->negate = c == '!';
        n->kids.push_back(ParseGroupBody());
        return n;
      }
      case '<': {
        if (Peek(1) != '=' && Peek(1) != '!') Fail(msg::kExtension);
        auto n = MakeNode(NodeKind::kLook);
        n->behind = true;
        n->negate = Peek(1) == '!';
        i_ += 2;
        n->kids.push_back(ParseGroupBody());
        return n;
      }
      case '>': {
        ++i_;
        auto n = MakeNode(NodeKind::kAtomic);
        n->kids.push_back(ParseGroupBody());
        return n;
      }
      case '(':
        ++i_;
        return ParseCondition();
      case 'R':
        if (Peek(1) != ')' || !HasAhead(1)) Fail(msg::kExtension);
        i_ += 2;
        recursion_ = true;
        return MakeNode(NodeKind::kRecurse);
      default:
        return ParseOptionGroup();
    }
  }

  // The body of a group up to and including its ')'. Inline options set
  // inside do not leak out.
  NodePtr ParseGroupBody() {
    const Flags saved = flags_;
    NodePtr body = ParseAlternation();
    if (AtEnd() || Peek() != ')') Fail(msg::kParen);
    ++i_;
    flags_ = saved;
    return body;
  }

  // After "(?": "imsx-imsx)" or "imsx-imsx:...)".
  NodePtr ParseOptionGroup() {
    Flags f = flags_;
    bool on = true;
    bool seen_dash = false;
    for (;;) {
      if (AtEnd()) Fail(msg::kParen);
      const unsigned char c = Peek();
      ++i_;
      switch (c) {
        case 'i': f.icase = on; break;
        case 'm': f.multiline = on; break;
        case 's': f.dotall = on; break;
        case 'x': f.extended = on; break;
        case '-':
          if (seen_dash) Fail(msg::kExtension);
          seen_dash = true;
          on = false;
          break;
        case ')':
          flags_ = f;  // for the rest of the enclosing group
          return nullptr;
        case ':': {
          const Flags saved = flags_;
          flags_ = f;
          NodePtr body = ParseGroupBody();
          flags_ = saved;
          bracketed_ = true;
          return body;
        }
        default:
          Fail(msg::kExtension);
      }
    }
  }

  // After "(?(": the condition, then at most two alternatives and ')'.
  NodePtr ParseCondition() {
    auto n = MakeNode(NodeKind::kCondition);
    int g = 0;
    if (ReadNumber(&g)) {
      if (AtEnd() || Peek() != ')') Fail(msg::kExtension);
      ++i_;
      n->cond_group = g;
      if (g > max_ref_) max_ref_ = g;
      if (g == 0) Fail(msg::kNoGroup);
    } else if (Peek() == '?' && (Peek(1) == '=' || Peek(1) == '!' ||
                                 (Peek(1) == '<' && (Peek(2) == '=' || Peek(2) == '!')))) {
      --i_;  // back to the '(' of the look-around
      NodePtr look = ParseGroup();
      n->kids.push_back(std::move(look));
    } else {
      Fail(msg::kExtension);
    }
    const Flags saved = flags_;
    auto alts = ParseAlternatives();
    if (AtEnd() || Peek() != ')') Fail(msg::kParen);
    ++i_;
    flags_ = saved;
    if (alts.size() > 2) Fail(msg::kCondAlts);
    if (n->kids.empty()) n->kids.push_back(MakeNode(NodeKind::kEmpty));  // placeholder condition
    for (auto& a : alts) n->kids.push_back(std::move(a));
    if (n->kids.size() == 2) n->kids.push_back(MakeNode(NodeKind::kEmpty));
    return n;
  }

  std::string_view p_;
  std::size_t i_ = 0;
  Flags flags_;
  int ncap_ = 0;
  int max_ref_ = 0;
  bool recursion_ = false;
  bool bracketed_ = false;  // the last atom was a non-capturing group
};

}  // namespace

Ast Parse(std::string_view pattern, unsigned options) { return Parser(pattern, options).Run(); }

}  // namespace folian::regex
