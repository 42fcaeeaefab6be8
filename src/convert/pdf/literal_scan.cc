#include "convert/pdf/literal_scan.h"

#include <cstring>
#include <string>

#include "convert/inflate.h"
#include "convert/limits.h"
#include "convert/pdf/document.h"

namespace folian::convert::pdf {
namespace {

constexpr int kWindow = 15;
constexpr int kNewest = kWindow - 1;

bool IsOperatorSpace(char c) { return c == ' ' || c == '\r' || c == '\n'; }

// The window holds the two-letter operator `op` when its letters sit at
// positions 12 and 13 with a space, CR or LF on either side (not a tab).
bool Holds(const char* w, char a, char b) {
  return w[12] == a && w[13] == b && IsOperatorSpace(w[11]) && IsOperatorSpace(w[14]);
}

// The number that ends at window position `p`: back over spaces, then over
// digits and points (never to position 0); what follows up to `p` is read
// as a number. -1 when there is none. A minus sign is not part of it.
double NumberEndingAt(const char* w, int p) {
  int i = p;
  while (i >= 1 && w[i] == ' ') --i;
  while (i >= 1 && ((w[i] >= '0' && w[i] <= '9') || w[i] == '.')) --i;
  // Bytes i+1 .. p: digits and points, then spaces.
  double value = 0;
  bool digits = false;
  int k = i + 1;
  for (; k <= p && w[k] >= '0' && w[k] <= '9'; ++k) {
    value = value * 10 + (w[k] - '0');
    digits = true;
  }
  if (k <= p && w[k] == '.') {
    double scale = 0.1;
    for (++k; k <= p && w[k] >= '0' && w[k] <= '9'; ++k) {
      value += (w[k] - '0') * scale;
      scale *= 0.1;
      digits = true;
    }
  }
  return digits ? value : -1;
}

}  // namespace

void ScanLiteralText(std::string_view content, TextBuilder* out) {
  char w[kWindow];
  std::memset(w, ' ', sizeof w);
  bool in_text = false;
  bool in_string = false;
  bool escaped = false;
  int depth = 0;  // parentheses open inside the string
  std::string run;  // string bytes, written in pieces
  auto flush = [&] {
    out->Raw(run);
    run.clear();
  };
  for (const char c : content) {
    if (in_text) {
      if (!in_string && Holds(w, 'T', 'D')) {
        const double n = NumberEndingAt(w, 10);
        if (n > 1) {
          flush();
          out->LineEnd();
        } else if (n < 1) {
          flush();
          out->Ascii("\t");
        }
      }
      if (in_string || !Holds(w, 'E', 'T')) {
        if (c == '(' && !in_string && !escaped) {
          in_string = true;
          depth = 1;
          const double n = NumberEndingAt(w, kNewest);
          if (n > 1000) {
            flush();
            out->Ascii("\t");
          } else if (n > 100) {
            flush();
            out->Ascii(" ");
          }
        } else if (c == ')' && in_string && !escaped && --depth == 0) {
          in_string = false;
        } else if (in_string) {
          if (c == '\\' && !escaped) {
            escaped = true;
          } else {
            // Balanced parentheses belong to the string (they need no
            // backslash); counting them keeps the text after the inner ')'.
            if (c == '(' && !escaped) ++depth;
            escaped = false;
            const auto b = static_cast<unsigned char>(c);
            if (b >= 0x20 && b != 0x7F) run.push_back(c);
          }
        }
      } else {
        in_text = false;
        flush();
        out->LineEnd();
      }
    }
    std::memmove(w, w + 1, kNewest);
    w[kNewest] = c;
    if (!in_text && Holds(w, 'B', 'T')) in_text = true;
  }
  flush();
}

bool ScanAllStreams(std::string_view file, TextBuilder* out, const CancelFlag* cancel) {
  constexpr std::string_view kStream = "stream";
  constexpr std::string_view kEndstream = "endstream";
  std::size_t pos = 0;
  std::uint64_t inflated_total = 0;
  std::string inflated;
  while (pos < file.size()) {
    if (Cancelled(cancel)) return false;
    const std::string_view rest = file.substr(pos);
    std::size_t s = rest.find(kStream);
    std::size_t e = rest.find(kEndstream);
    // A match at the very start of the remaining bytes counts as none.
    if (s == 0) s = std::string_view::npos;
    if (e == 0) e = std::string_view::npos;
    if (s == std::string_view::npos || e == std::string_view::npos || s >= e) break;
    std::size_t body = s + kStream.size();
    if (rest.substr(body, 2) == "\r\n") {
      body += 2;
    } else if (body < rest.size() && rest[body] == '\n') {
      body += 1;
    }
    std::size_t body_end = e;
    if (body_end >= body + 2 && rest.substr(body_end - 2, 2) == "\r\n") {
      body_end -= 2;
    } else if (body_end >= body + 1 && rest[body_end - 1] == '\n') {
      body_end -= 1;
    }
    if (body_end < body) body_end = body;
    const std::string_view data = rest.substr(body, body_end - body);
    inflated.clear();
    const std::size_t cap = static_cast<std::size_t>(
        std::min<std::uint64_t>(Document::StreamCap(data.size()), kMaxInflatedTotal - inflated_total));
    const InflateOutcome r = Inflate(data, cap, &inflated);
    inflated_total += inflated.size();
    // Damaged and non-zlib streams are skipped; one cut at the cap is
    // scanned as far as it goes.
    if (r != InflateOutcome::kDamaged) ScanLiteralText(inflated, out);
    if (inflated_total >= kMaxInflatedTotal || out->overflowed()) break;
    pos += body_end + 7;
  }
  return true;
}

}  // namespace folian::convert::pdf
