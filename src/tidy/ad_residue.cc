#include "tidy/ad_residue.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "tidy/line_substance.h"

namespace folian::tidy {
namespace {

// How far apart, in lines, the next unchanged line may stand in the two
// texts for the lines between to be taken as one changed stretch. A longer
// stretch is judged this many lines at a time.
constexpr std::size_t kSyncReach = 32;

// The lines of a CR LF text from a position on, read as they are needed
// (a whole novel's lines are never held at once). The piece after the last
// line break is the last line; it has no break of its own.
class LineQueue {
 public:
  struct Line {
    std::string_view text;
    bool has_break;
  };

  explicit LineQueue(std::string_view text) : text_(text) {}

  // Whether line `k` (counted from the front) exists; reads up to it.
  bool Has(std::size_t k) {
    while (head_ + k >= buffered_.size()) {
      if (!ReadOne()) return false;
    }
    return true;
  }
  const Line& operator[](std::size_t k) const { return buffered_[head_ + k]; }
  bool Empty() { return !Has(0); }
  void Pop(std::size_t n) {
    head_ += n;
    if (head_ >= 1024 && head_ * 2 >= buffered_.size()) {
      buffered_.erase(buffered_.begin(), buffered_.begin() + static_cast<std::ptrdiff_t>(head_));
      head_ = 0;
    }
  }

 private:
  bool ReadOne() {
    if (finished_) return false;
    const std::size_t at = text_.find("\r\n", from_);
    if (at == std::string_view::npos) {
      buffered_.push_back({text_.substr(from_), false});
      finished_ = true;
    } else {
      buffered_.push_back({text_.substr(from_, at - from_), true});
      from_ = at + 2;
    }
    return true;
  }

  std::string_view text_;
  std::size_t from_ = 0;
  bool finished_ = false;
  std::vector<Line> buffered_;
  std::size_t head_ = 0;
};

bool IsResidue(const LineSubstance& s) {
  return !s.blank() && s.chinese == 0 && s.alnum <= kMaxResidueAlnum;
}

// A changed stretch: `now` is what the removal made of `was`. Blank lines
// beyond those the stretch had were emptied by the removal; leftovers go
// when the removal took Chinese characters, letters or digits from the
// stretch (not when it only rewrote punctuation).
void JudgeStretch(LineQueue& was, std::size_t was_count, LineQueue& now, std::size_t now_count,
                  std::vector<char>* drop) {
  std::size_t was_blank = 0, was_chinese = 0, was_alnum = 0;
  for (std::size_t k = 0; k < was_count; ++k) {
    const LineSubstance s = MeasureLine(was[k].text);
    was_blank += s.blank() ? 1 : 0;
    was_chinese += s.chinese;
    was_alnum += s.alnum;
  }
  std::vector<LineSubstance> measured;
  measured.reserve(now_count);
  std::size_t now_blank = 0, now_chinese = 0, now_alnum = 0;
  for (std::size_t k = 0; k < now_count; ++k) {
    measured.push_back(MeasureLine(now[k].text));
    now_blank += measured.back().blank() ? 1 : 0;
    now_chinese += measured.back().chinese;
    now_alnum += measured.back().alnum;
  }
  std::size_t emptied = now_blank > was_blank ? now_blank - was_blank : 0;
  const bool took = was_chinese > now_chinese || was_alnum > now_alnum;
  drop->assign(now_count, 0);
  for (std::size_t k = 0; k < now_count; ++k) {
    if (measured[k].blank()) {
      if (emptied > 0) {
        (*drop)[k] = 1;
        --emptied;
      }
    } else if (took && IsResidue(measured[k])) {
      (*drop)[k] = 1;
    }
  }
}

}  // namespace

std::string DropAdResidue(std::string_view before, std::string after) {
  if (before == after) return after;
  LineQueue old_lines(before);
  LineQueue lines(after);
  // Kept lines move down over the dropped ones, in place: a line is always
  // written at or before where it stood, and the lines not yet written
  // (the ones the queue holds) lie after the write position.
  char* const base = after.data();
  std::size_t write = 0;
  auto keep = [&](const LineQueue::Line& line) {
    if (!line.text.empty()) std::memmove(base + write, line.text.data(), line.text.size());
    write += line.text.size();
    if (line.has_break) {
      base[write++] = '\r';
      base[write++] = '\n';
    }
  };
  std::vector<char> drop;
  while (!lines.Empty()) {
    if (!old_lines.Empty() && lines[0].text == old_lines[0].text) {
      keep(lines[0]);
      lines.Pop(1);
      old_lines.Pop(1);
      continue;
    }
    // The nearest line both texts still share, blank lines aside (they are
    // everywhere and would pair the wrong stretches), closes the changed
    // stretch: new lines 0..a-1 came from old lines 0..b-1.
    std::size_t a = 0, b = 0;
    bool found = false;
    for (std::size_t d = 1; d <= 2 * kSyncReach && !found; ++d) {
      for (std::size_t k = d > kSyncReach ? d - kSyncReach : 0; k <= d && k <= kSyncReach; ++k) {
        if (!lines.Has(k) || !old_lines.Has(d - k)) continue;
        const std::string_view line = lines[k].text;
        if (line.empty() || line != old_lines[d - k].text) continue;
        a = k;
        b = d - k;
        found = true;
        break;
      }
    }
    if (!found) {
      const bool new_ends = !lines.Has(kSyncReach), old_ends = !old_lines.Has(kSyncReach);
      if ((new_ends && old_ends) || old_lines.Empty()) {
        // Every pair up to both ends was tried: the rest is one stretch.
        while (lines.Has(a)) ++a;
        while (old_lines.Has(b)) ++b;
      } else {
        // A long changed stretch: judged a reach of lines at a time (a
        // deletion before it may shift the pairs, the counts stay right).
        while (a < kSyncReach && lines.Has(a)) ++a;
        while (b < kSyncReach && old_lines.Has(b)) ++b;
      }
    }
    JudgeStretch(old_lines, b, lines, a, &drop);
    for (std::size_t k = 0; k < a; ++k) {
      if (!drop[k]) keep(lines[k]);
    }
    lines.Pop(a);
    old_lines.Pop(b);
  }
  // A dropped last line leaves the break before it as the text's end.
  after.resize(write);
  return after;
}

}  // namespace folian::tidy
