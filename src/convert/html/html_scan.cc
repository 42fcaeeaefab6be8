// The core scan: one forward pass over the page, markup dropped, a few tags
// turned into line breaks, references decoded.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "charset/codepage.h"
#include "convert/html/entities.h"
#include "convert/html/html_reader.h"

namespace folian::convert::html {
namespace {

// Progress and the stop request are looked at once per this many bytes.
constexpr std::size_t kCheckEvery = std::size_t{1} << 20;
// Tag names are compared over at most this many bytes; longer names are
// never ones the scan treats specially.
constexpr std::size_t kMaxTagName = 15;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNameChar(char c) { return IsLetter(c) || (c >= '0' && c <= '9'); }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Elements whose start or end ends the line before them: what a browser
// shows as a block of its own.
bool IsBlock(std::string_view name) {
  static constexpr std::string_view kBlocks[] = {
      "p",     "div",     "h1",     "h2",     "h3",      "h4",     "h5",   "h6",
      "li",    "tr",      "title",  "ul",     "ol",      "dl",     "dt",   "dd",
      "table", "blockquote", "pre", "section", "article", "header", "footer", "aside",
      "nav",   "hr",      "center", "caption", "figure", "figcaption", "address", "body",
      "main",  "tbody",   "thead",  "tfoot",  "head",    "html",   "form", "fieldset",
  };
  for (std::string_view b : kBlocks) {
    if (b == name) return true;
  }
  return false;
}

class Scanner {
 public:
  Scanner(std::string_view page, PageCharset charset, const ScanOptions& options, std::string* out,
          const ReadContext& ctx)
      : page_(page), charset_(charset), options_(options), out_(*out), ctx_(ctx),
        line_start_(out->size()) {}

  ScanResult Run();

 private:
  void Write(std::string_view bytes);
  // A line of nothing but blanks is the page source's indentation between
  // tags, not text: it is emptied.
  void DropBlankLine() {
    if (!line_has_text_) out_.resize(line_start_);
  }
  void Newline() {
    DropBlankLine();
    out_.append("\r\n");
    line_start_ = out_.size();
    line_has_text_ = false;
  }
  // Ends the current line unless it holds nothing but blanks (which go).
  void EndLine() {
    if (line_has_text_) {
      Newline();
    } else {
      DropBlankLine();
    }
  }
  void WriteCodePoint(char32_t cp);
  // Position just past the tag starting at `p` (at its "<"); the end of the
  // page when it is never closed.
  std::size_t SkipTag(std::size_t p) const {
    const void* gt = std::memchr(page_.data() + p, '>', page_.size() - p);
    return gt ? static_cast<std::size_t>(static_cast<const char*>(gt) - page_.data()) + 1
              : page_.size();
  }
  // Position of "</name" (any case) at or after `p`, npos when none.
  std::size_t FindEndTag(std::size_t p, std::string_view name) const;
  // Handles the markup at `p` ("<"); returns the position after it, or npos
  // to stop the scan (a script or style never closed).
  std::size_t Markup(std::size_t p);

  std::string_view page_;
  PageCharset charset_;
  const ScanOptions& options_;
  std::string& out_;
  const ReadContext& ctx_;
  std::size_t line_start_;  // where the current line begins in out_
  std::size_t br_end_ = std::string_view::npos;  // just past the last "<br>" of the page
  bool head_unclosed_ = false;
  bool line_has_text_ = false;
  ScanResult result_;
  std::u16string wide_;
  std::string encoded_;
};

void Scanner::Write(std::string_view bytes) {
  if (bytes.empty()) return;
  if (!line_has_text_) {
    for (char c : bytes) {
      if (!IsBlank(c)) {
        line_has_text_ = true;
        break;
      }
    }
  }
  out_.append(bytes);
}

void Scanner::WriteCodePoint(char32_t cp) {
  if (cp == '\n') {
    Newline();
    return;
  }
  wide_.clear();
  if (cp >= 0x10000) {
    wide_.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
    wide_.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
  } else {
    wide_.push_back(static_cast<char16_t>(cp));
  }
  if (charset_ == PageCharset::kUtf8) {
    charset::FromWide(charset::kUtf8, wide_, encoded_);
  } else {
    std::size_t defaulted = 0;
    charset::FromWide(charset::kGbk, wide_, encoded_, '?', &defaulted);
    if (defaulted > 0 || charset::InexactCount(charset::kGbk, wide_) > 0) {
      ++result_.unencodable;
      encoded_ = "?";
    }
  }
  Write(encoded_);
}

std::size_t Scanner::FindEndTag(std::size_t p, std::string_view name) const {
  while (p < page_.size()) {
    const void* lt = std::memchr(page_.data() + p, '<', page_.size() - p);
    if (!lt) return std::string_view::npos;
    p = static_cast<std::size_t>(static_cast<const char*>(lt) - page_.data());
    if (page_.size() - p >= name.size() + 2 && page_[p + 1] == '/') {
      bool same = true;
      for (std::size_t i = 0; i < name.size() && same; ++i) same = Lower(page_[p + 2 + i]) == name[i];
      if (same) return p;
    }
    ++p;
  }
  return std::string_view::npos;
}

std::size_t Scanner::Markup(std::size_t p) {
  const std::string_view rest = page_.substr(p);
  if (rest.substr(0, 4) == "<!--") {
    const std::size_t end = page_.find("-->", p + 4);
    return end == std::string_view::npos ? page_.size() : end + 3;
  }
  if (rest.size() < 2) {
    Write("<");
    return p + 1;
  }
  const bool closing = rest[1] == '/';
  const std::size_t name_at = closing ? 2 : 1;
  if (rest[1] == '!' || rest[1] == '?') return SkipTag(p);
  if (name_at >= rest.size() || !IsLetter(rest[name_at])) {
    // "a < b", "<3": not markup, as a browser reads it.
    Write("<");
    return p + 1;
  }
  char name_buf[kMaxTagName];
  std::size_t n = 0;
  std::size_t i = name_at;
  while (i < rest.size() && IsNameChar(rest[i])) {
    if (n < kMaxTagName) name_buf[n] = Lower(rest[i]);
    ++n;
    ++i;
  }
  const std::string_view name = n <= kMaxTagName ? std::string_view(name_buf, n) : std::string_view();
  const std::size_t after = SkipTag(p);
  if (!closing && (name == "script" || name == "style")) {
    const std::size_t end = FindEndTag(after, name);
    if (end == std::string_view::npos) return std::string_view::npos;
    return SkipTag(end);
  }
  if (!closing && name == "head" && options_.skip_head && !head_unclosed_) {
    const std::size_t end = FindEndTag(after, name);
    // Without its end tag the head is read as text; later heads are not
    // searched for again, so many of them cost one pass, not one each.
    head_unclosed_ = end == std::string_view::npos;
    return head_unclosed_ ? after : SkipTag(end);
  }
  if (name == "br" && closing && p == br_end_) {
    // "<br></br>" is one break, as XHTML writers mean it.
  } else if (name == "br" || (closing && name == "p")) {
    Newline();
    if (name == "br") br_end_ = after;
  } else if (IsBlock(name)) {
    EndLine();
  } else if (!closing && (name == "td" || name == "th") && line_has_text_) {
    Write("\t");  // cells of a row stay apart
  }
  return after;
}

ScanResult Scanner::Run() {
  const std::size_t size = page_.size();
  const bool report = size >= kCheckEvery;
  if (report) ctx_.progress->SetRange(0, static_cast<std::int64_t>(size));
  std::size_t next_check = kCheckEvery;
  std::size_t p = 0;
  out_.reserve(out_.size() + size / 2);
  while (p < size) {
    if (p >= next_check) {
      if (Cancelled(ctx_.cancel)) {
        result_.cancelled = true;
        return result_;
      }
      ctx_.progress->SetPosition(static_cast<std::int64_t>(p));
      next_check = p + kCheckEvery;
    }
    // A run of plain bytes is copied at once (up to the next check).
    const std::size_t run_end = std::min(size, next_check);
    std::size_t q = p;
    while (q < run_end) {
      const char c = page_[q];
      if (c == '<' || c == '&' || c == '\r' || c == '\n' || c == '\0') break;
      ++q;
    }
    Write(page_.substr(p, q - p));
    p = q;
    if (p >= size) break;
    if (p == run_end) continue;
    switch (page_[p]) {
      case '<':
        p = Markup(p);
        if (p == std::string_view::npos) return result_;  // unclosed script or style: the rest is code
        break;
      case '&': {
        const Reference r = MatchReference(page_.substr(p, 40));
        if (r.length == 0) {
          Write("&");
          p += 1;
        } else {
          if (r.named) {
            if (charset_ == PageCharset::kUtf8 || r.utf8.empty()) {
              Write(r.utf8);
            } else {
              // A named entity's text in GBK, counted when GBK lacks it.
              std::size_t defaulted = 0;
              charset::ToWide(charset::kUtf8, r.utf8, wide_);
              charset::FromWide(charset::kGbk, wide_, encoded_, '?', &defaulted);
              if (defaulted > 0 || charset::InexactCount(charset::kGbk, wide_) > 0) {
                ++result_.unencodable;
                encoded_ = "?";
              }
              Write(encoded_);
            }
          } else {
            WriteCodePoint(r.code_point);
          }
          p += r.length;
        }
        break;
      }
      case '\r':
        if (p + 1 < size && page_[p + 1] == '\n') {
          Newline();
          p += 2;
        } else {
          out_.push_back('\r');
          line_start_ = out_.size();
          line_has_text_ = false;
          p += 1;
        }
        break;
      case '\n':
        Newline();
        p += 1;
        break;
      default:  // a zero byte is never text
        p += 1;
        break;
    }
  }
  if (report) ctx_.progress->SetPosition(static_cast<std::int64_t>(size));
  return result_;
}

}  // namespace

ScanResult HtmlToText(std::string_view page, PageCharset charset, std::string* out,
                      const ReadContext& ctx, const ScanOptions& options) {
  return Scanner(page, charset, options, out, ctx).Run();
}

}  // namespace folian::convert::html
