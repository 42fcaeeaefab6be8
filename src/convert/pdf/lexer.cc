#include "convert/pdf/lexer.h"

#include <algorithm>
#include <limits>

namespace folian::convert::pdf {
namespace {

int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParsePdfNumber(std::string_view s, double* value, bool* integer, std::int64_t* int_value) {
  std::size_t i = 0;
  bool negative = false;
  while (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') negative = !negative;
    ++i;
  }
  // Producers write "--4" and "-+4" by mistake; a single sign is meant.
  if (i >= 2 && s[i - 1] == '-' && s[i - 2] == '-') negative = true;
  double whole = 0;
  std::int64_t iv = 0;
  bool int_ok = true;
  bool any = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    const int d = s[i] - '0';
    whole = whole * 10 + d;
    if (iv > (std::numeric_limits<std::int64_t>::max() - d) / 10) int_ok = false;
    else iv = iv * 10 + d;
    any = true;
  }
  bool is_int = true;
  if (i < s.size() && s[i] == '.') {
    is_int = false;
    ++i;
    double scale = 0.1;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      whole += (s[i] - '0') * scale;
      scale *= 0.1;
      any = true;
    }
  }
  if (!any) return false;
  // Hundreds of digits would overflow to infinity; nothing real is that large.
  if (whole > 1e30) whole = 1e30;
  *value = negative ? -whole : whole;
  *integer = is_int && int_ok;
  // A real number's integer part, where it fits (1e30 does not).
  *int_value = *integer ? (negative ? -iv : iv)
                        : static_cast<std::int64_t>(std::clamp(*value, -9.2e18, 9.2e18));
  return true;
}

bool Lexer::SkipSpace() {
  const std::size_t n = data_.size();
  while (pos_ < n) {
    const auto c = static_cast<unsigned char>(data_[pos_]);
    if (IsPdfSpace(c)) {
      ++pos_;
    } else if (c == '%') {
      while (pos_ < n && data_[pos_] != '\n' && data_[pos_] != '\r') ++pos_;
    } else {
      return true;
    }
  }
  return false;
}

void Lexer::Next(Token* t) {
  t->text.clear();
  if (!SkipSpace()) {
    t->kind = TokenKind::kEnd;
    t->raw = {};
    return;
  }
  const std::size_t start = pos_;
  const auto c = static_cast<unsigned char>(data_[pos_]);
  switch (c) {
    case '(':
      ReadLiteral(t);
      break;
    case '<':
      if (pos_ + 1 < data_.size() && data_[pos_ + 1] == '<') {
        pos_ += 2;
        t->kind = TokenKind::kDictOpen;
      } else {
        ReadHex(t);
      }
      break;
    case '>':
      if (pos_ + 1 < data_.size() && data_[pos_ + 1] == '>') {
        pos_ += 2;
        t->kind = TokenKind::kDictClose;
      } else {
        // A stray '>' is read as an empty keyword-like token and skipped.
        ++pos_;
        t->kind = TokenKind::kKeyword;
      }
      break;
    case '[':
      ++pos_;
      t->kind = TokenKind::kArrayOpen;
      break;
    case ']':
      ++pos_;
      t->kind = TokenKind::kArrayClose;
      break;
    case '{':
      ++pos_;
      t->kind = TokenKind::kBraceOpen;
      break;
    case '}':
      ++pos_;
      t->kind = TokenKind::kBraceClose;
      break;
    case ')':
      // Unbalanced: skipped as a one-byte keyword nobody knows.
      ++pos_;
      t->kind = TokenKind::kKeyword;
      break;
    case '/':
      ReadName(t);
      break;
    default:
      ReadNumberOrKeyword(t);
      break;
  }
  t->raw = data_.substr(start, pos_ - start);
}

void Lexer::ReadLiteral(Token* t) {
  t->kind = TokenKind::kString;
  const std::size_t n = data_.size();
  ++pos_;  // '('
  int depth = 1;
  std::string& out = t->text;
  while (pos_ < n) {
    const auto c = static_cast<unsigned char>(data_[pos_++]);
    if (c == '\\') {
      if (pos_ >= n) break;
      const auto e = static_cast<unsigned char>(data_[pos_++]);
      switch (e) {
        case 'n': out.push_back('\n'); break;
        case 'r': out.push_back('\r'); break;
        case 't': out.push_back('\t'); break;
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case '\r':  // a line continuation
          if (pos_ < n && data_[pos_] == '\n') ++pos_;
          break;
        case '\n':
          break;
        default:
          if (e >= '0' && e <= '7') {
            int v = e - '0';
            for (int k = 0; k < 2 && pos_ < n && data_[pos_] >= '0' && data_[pos_] <= '7'; ++k) {
              v = v * 8 + (data_[pos_++] - '0');
            }
            out.push_back(static_cast<char>(v & 0xFF));
          } else {
            out.push_back(static_cast<char>(e));
          }
          break;
      }
    } else if (c == '(') {
      ++depth;
      out.push_back('(');
    } else if (c == ')') {
      if (--depth == 0) return;
      out.push_back(')');
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
}

void Lexer::ReadHex(Token* t) {
  t->kind = TokenKind::kHexString;
  const std::size_t n = data_.size();
  ++pos_;  // '<'
  int high = -1;
  while (pos_ < n) {
    const auto c = static_cast<unsigned char>(data_[pos_++]);
    if (c == '>') break;
    const int v = HexValue(c);
    if (v < 0) continue;  // white space and junk are skipped
    if (high < 0) {
      high = v;
    } else {
      t->text.push_back(static_cast<char>(high << 4 | v));
      high = -1;
    }
  }
  if (high >= 0) t->text.push_back(static_cast<char>(high << 4));
}

void Lexer::ReadName(Token* t) {
  t->kind = TokenKind::kName;
  const std::size_t n = data_.size();
  ++pos_;  // '/'
  while (pos_ < n && IsPdfRegular(static_cast<unsigned char>(data_[pos_]))) {
    const auto c = static_cast<unsigned char>(data_[pos_]);
    if (c == '#' && pos_ + 2 < n) {
      const int h = HexValue(static_cast<unsigned char>(data_[pos_ + 1]));
      const int l = HexValue(static_cast<unsigned char>(data_[pos_ + 2]));
      if (h >= 0 && l >= 0) {
        t->text.push_back(static_cast<char>(h << 4 | l));
        pos_ += 3;
        continue;
      }
    }
    t->text.push_back(static_cast<char>(c));
    ++pos_;
  }
}

void Lexer::ReadNumberOrKeyword(Token* t) {
  const std::size_t n = data_.size();
  const std::size_t start = pos_;
  while (pos_ < n && IsPdfRegular(static_cast<unsigned char>(data_[pos_]))) ++pos_;
  const std::string_view word = data_.substr(start, pos_ - start);
  const auto c = static_cast<unsigned char>(word[0]);
  if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.') {
    // A number token is all signs, digits and points.
    bool numeric = true;
    for (const char ch : word) {
      if (!((ch >= '0' && ch <= '9') || ch == '+' || ch == '-' || ch == '.')) {
        numeric = false;
        break;
      }
    }
    if (numeric && ParsePdfNumber(word, &t->number, &t->integer, &t->int_value)) {
      t->kind = TokenKind::kNumber;
      return;
    }
  }
  t->kind = TokenKind::kKeyword;
}

}  // namespace folian::convert::pdf
