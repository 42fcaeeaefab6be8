#include "regex/matcher.h"

#include <algorithm>
#include <cstring>

#include "regex/literals.h"
#include "regex/parser.h"
#include "regex/regex.h"

namespace folian::regex {

namespace {

enum FrameKind : std::uint32_t {
  kChoice,      // a: pc, b: pos
  kRestore,     // a: slot, b: old value
  kData,        // b: value for the frame above it
  kStarGreedy,  // a: pc of the kStar, b: current end; kData below: lowest end
  kStarLazy,    // a: pc of the kStar, b: current end; kData below: highest end
  kBarrier,     // a: pc of the kLookBegin, b: position at its start
  kBehindIter,  // a: pc of the kBehind, b: current start
  kUncall,      // undoes a recursion call
  kRecall,      // a: return pc, b: call position; kData below: snapshot
};

constexpr std::size_t kMaxCallDepth = 100000;
constexpr std::uint32_t kCancelPollMask = 0xFFF;
// A run that takes this many steps (plus a few per subject byte) starts
// remembering failed states; below it the bookkeeping would cost more than
// it saves.
constexpr std::uint64_t kMemoAfterSteps = 100000;
constexpr std::size_t kMemoMaxBits = std::size_t{1} << 28;  // 32 MB

inline unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

}  // namespace

void Matcher::FrameStack::Grow() {
  // Frames are written before they are read: no need to zero 64 KB per chunk.
  chunks_.push_back(std::make_unique_for_overwrite<Frame[]>(kChunk));
  capacity_ += kChunk;
}

void Matcher::FrameStack::Clear() {
  size_ = 0;
  // Keep a little for the next run; give back what a huge run took.
  if (chunks_.size() > 64) {
    chunks_.resize(64);
    capacity_ = 64 * kChunk;
  }
}

Matcher::Matcher(const Program& prog)
    : prog_(prog),
      slots_(static_cast<std::size_t>(prog.slot_count), -1),
      whole_chars_((prog.options & WHOLECHARS) != 0) {}

void Matcher::BindCharStarts(std::size_t from) {
  if (!whole_chars_) return;
  // A caller going back to an earlier place may have changed the text in the
  // same buffer: find the starts afresh then.
  const bool same = s_.data() == cs_subject_ && s_.size() == cs_size_ && from >= cs_from_;
  cs_from_ = from;
  if (same) return;
  cs_subject_ = s_.data();
  cs_size_ = s_.size();
  cs_lo_ = 0;
  cs_upto_ = 0;
  cs_next_ = 0;
  cs_bits_.assign(s_.size() / 64 + 1, 0);
}

void Matcher::FindCharStarts(std::size_t upto) {
  const auto* d = reinterpret_cast<const unsigned char*>(s_.data());
  const std::size_t len = s_.size();
  if (upto < cs_lo_) {
    // Behind the window (callers rarely go back): start again from nothing.
    std::fill(cs_bits_.begin(), cs_bits_.end(), 0);
    cs_lo_ = cs_upto_ = cs_next_ = 0;
  }
  // A byte that cannot lead a pair ends a character (alone or as a trail),
  // so the byte after it starts one. Going back from `upto` over the bytes
  // that can lead finds such a place: the window moves up to it, and the
  // text between is never read. A search that jumps ahead to a rare first
  // byte then pays for the line it lands in, not for the whole text.
  std::size_t r = upto < len ? upto : len;
  while (r > cs_next_ && d[r - 1] >= 0x81 && d[r - 1] != 0xFF) --r;
  if (r > cs_next_) cs_lo_ = cs_next_ = r;
  std::size_t i = cs_next_;
  while (i <= upto && i <= len) {
    cs_bits_[i >> 6] |= std::uint64_t{1} << (i & 63);
    // The same rule as the code page: a lead byte without a valid trail
    // is a character of its own, so a line break always starts one.
    const bool pair = i + 1 < len && d[i] >= 0x81 && d[i] != 0xFF && d[i + 1] >= 0x40 &&
                      d[i + 1] != 0x7F && d[i + 1] != 0xFF;
    i += pair ? 2 : 1;
  }
  cs_next_ = i;
  cs_upto_ = upto + 1;
}

Matcher::~Matcher() = default;

bool Matcher::Search(std::string_view subject, std::size_t from, std::size_t not_empty_at,
                     const CancelFlag* cancel) {
  s_ = subject;
  not_empty_at_ = not_empty_at;
  cancel_ = cancel;
  cancelled_ = false;
  const std::size_t len = subject.size();
  const auto* data = reinterpret_cast<const unsigned char*>(subject.data());
  if (subject.data() != req_subject_ || len != req_subject_size_ || from < req_from_) {
    req_subject_ = subject.data();
    req_subject_size_ = len;
    req_from_ = from;
    req_pos_ = SIZE_MAX - 1;  // not looked up yet
  }
  BindCharStarts(from);
  req_from_ = from;
  // A state that failed from one start position fails from every later one
  // too (nothing but the position decides), so memory lasts the search.
  memo_on_ = false;
  run_steps_ = 0;
  const bool use_first = !prog_.nullable && prog_.first_count < 256;
  const unsigned char* few = prog_.first_few.data();
  const int few_count = use_first && prog_.first_count <= 3 ? prog_.first_count : 0;
  // With a rare first byte to scan for, hunting a literal that may be far
  // ahead only costs a second pass.
  const bool skip_required = few_count > 0 && !prog_.star_then_required &&
                             (prog_.required_offset_max < 0 || (prog_.required_offset_max == 0 && prog_.required.size() == 1));
  std::size_t st = from;
  while (st <= len) {
    if (prog_.anchored_start && st > 0) return false;
    if (prog_.anchored_line && st > 0 && data[st - 1] != '\n') {
      const void* nl = std::memchr(data + st, '\n', len - st);
      if (!nl) return false;
      st = static_cast<std::size_t>(static_cast<const unsigned char*>(nl) - data) + 1;
      continue;
    }
    if (len - st < prog_.min_length) return false;
    if (!prog_.required.empty() && !skip_required) {
      // After a leading loop the literal needs at least the loop's minimum
      // of bytes before it.
      const std::size_t need_from = st + (prog_.star_then_required ? static_cast<std::size_t>(prog_.code[0].b) : 0);
      if (req_pos_ == SIZE_MAX - 1 || req_pos_ < need_from) {
        req_pos_ = FindLiteral(subject, prog_.required, prog_.required_icase, need_from);
        if (req_pos_ == std::string_view::npos) req_pos_ = SIZE_MAX;
      }
      if (req_pos_ == SIZE_MAX) return false;
      if (prog_.required_offset_max >= 0 && req_pos_ > st + static_cast<std::size_t>(prog_.required_offset_max)) {
        st = req_pos_ - static_cast<std::size_t>(prog_.required_offset_max);
        continue;
      }
      if (prog_.star_then_required) {
        // No match starts before the run of the loop's bytes that reaches
        // the first possible literal: begin at that run's first byte.
        const auto& table = prog_.tables[static_cast<std::size_t>(prog_.code[0].a)];
        std::size_t r = req_pos_;
        while (r > st && table[data[r - 1]]) --r;
        st = r;
      }
    }
    if (use_first) {
      if (st >= len) return false;
      if (few_count > 0) {
        const std::size_t next = FindByteOf(subject, few, few_count, st);
        if (next == std::string_view::npos) return false;
        if (next != st) {
          st = next;
          continue;
        }
      } else if (!prog_.first_table[data[st]]) {
        ++st;
        while (st < len && !prog_.first_table[data[st]]) ++st;
        if (st >= len) return false;
        continue;
      }
    }
    if (prog_.use_second && (st + 1 >= len || !prog_.second_table[data[st + 1]])) {
      ++st;
      continue;
    }
    if (prog_.probe_hi >= 0) {
      const std::size_t a = st + static_cast<std::size_t>(prog_.probe_lo);
      const std::size_t b = std::min(len, st + static_cast<std::size_t>(prog_.probe_hi) + 1);
      bool seen = false;
      for (std::size_t k = a; k < b && !seen; ++k) seen = prog_.probe_table[data[k]] != 0;
      if (!seen) {
        ++st;
        continue;
      }
    }
    if (whole_chars_ && !IsCharStart(st)) {
      ++st;
      continue;
    }
    if (Run(st)) return true;
    if (cancelled_) return false;
    if (prog_.leading_star) {
      const auto& table = prog_.tables[static_cast<std::size_t>(prog_.code[0].a)];
      std::size_t next = st + 1;
      if (st < len && table[data[st]]) {
        while (next < len && table[data[next]]) ++next;
      }
      st = next;
      continue;
    }
    ++st;
  }
  return false;
}

bool Matcher::MatchesAt(std::string_view subject, std::size_t pos, const CancelFlag* cancel) {
  s_ = subject;
  not_empty_at_ = SIZE_MAX;
  cancel_ = cancel;
  cancelled_ = false;
  memo_on_ = false;
  run_steps_ = 0;
  if (pos > subject.size() || subject.size() - pos < prog_.min_length) return false;
  BindCharStarts(pos);
  if (whole_chars_ && !IsCharStart(pos)) return false;
  if (prog_.probe_hi >= 0) {
    const auto* data = reinterpret_cast<const unsigned char*>(subject.data());
    const std::size_t a = pos + static_cast<std::size_t>(prog_.probe_lo);
    const std::size_t b = std::min(subject.size(), pos + static_cast<std::size_t>(prog_.probe_hi) + 1);
    bool seen = false;
    for (std::size_t k = a; k < b && !seen; ++k) seen = prog_.probe_table[data[k]] != 0;
    if (!seen) return false;
  }
  return Run(pos);
}

void Matcher::SetSlot(std::size_t slot, std::int64_t value) {
  stack_.Push(kRestore, static_cast<std::uint32_t>(slot), slots_[slot]);
  slots_[slot] = value;
}

void Matcher::MaybeStartMemo() {
  if (memo_on_ || !prog_.memo_ok) return;
  if (run_steps_ < kMemoAfterSteps + 8 * static_cast<std::uint64_t>(s_.size())) return;
  const std::size_t bits = static_cast<std::size_t>(prog_.memo_rows) * (s_.size() + 1);
  if (bits == 0 || bits > kMemoMaxBits) return;
  if (Charge((bits + 63) / 64)) return;
  memo_.assign((bits + 63) / 64, 0);
  memo_on_ = true;
}

bool Matcher::TooDeep() const { return calls_.size() >= kMaxCallDepth; }

bool Matcher::CheckAssert(int kind, std::size_t pos) const {
  const std::size_t len = s_.size();
  const auto* d = reinterpret_cast<const unsigned char*>(s_.data());
  switch (static_cast<AssertKind>(kind)) {
    case AssertKind::kSubjectStart:
      return pos == 0;
    case AssertKind::kLineStart:
      return pos == 0 || (d[pos - 1] == '\n' && pos < len);
    case AssertKind::kEndOrFinalNl:
      return pos == len || (pos + 1 == len && d[pos] == '\n');
    case AssertKind::kLineEnd:
      return pos == len || d[pos] == '\n';
    case AssertKind::kSubjectEnd:
      return pos == len;
    case AssertKind::kWordBoundary:
    case AssertKind::kNotWordBoundary: {
      const bool before = pos > 0 && IsWordByte(d[pos - 1]);
      const bool after = pos < len && IsWordByte(d[pos]);
      return (before != after) == (static_cast<AssertKind>(kind) == AssertKind::kWordBoundary);
    }
  }
  return false;
}

bool Matcher::Backtrack(std::size_t* pc, std::size_t* pos) {
  const auto* d = reinterpret_cast<const unsigned char*>(s_.data());
  while (!stack_.empty()) {
    ++unwound_;
    Frame& f = stack_.Top();
    switch (f.kind) {
      case kChoice:
        *pc = f.a;
        *pos = static_cast<std::size_t>(f.b);
        stack_.Pop();
        return true;
      case kRestore:
        slots_[f.a] = f.b;
        stack_.Pop();
        break;
      case kStarGreedy: {
        const Inst& in = prog_.code[f.a];
        const std::int64_t lowest = stack_[stack_.size() - 2].b;
        std::int64_t end = f.b - 1;
        if (in.d >= 0 && end >= lowest) {
          // Only ends followed by the next literal byte can succeed.
          if (Charge(static_cast<std::size_t>(end - lowest + 1) >> 5)) return false;
          const void* p = memrchr(d + lowest, in.d, static_cast<std::size_t>(end - lowest + 1));
          end = p ? static_cast<const unsigned char*>(p) - d : lowest - 1;
        }
        if (end < lowest) {
          stack_.Pop();
          stack_.Pop();
          break;
        }
        f.b = end;
        *pos = static_cast<std::size_t>(end);
        *pc = f.a + 1;
        if (in.group >= 0) {
          const std::size_t g = 2 * static_cast<std::size_t>(in.group);
          const std::int64_t start = stack_[stack_.size() - 2].b - in.b;  // loop start
          if (end > start) {
            slots_[g] = end - 1;
            slots_[g + 1] = end;
          } else {
            // No iteration left: the group keeps what it had before the loop,
            // restored by the frames under the loop's own.
            const std::size_t base = stack_.size() - 2;
            slots_[g] = stack_[base - 2].b;
            slots_[g + 1] = stack_[base - 1].b;
          }
        }
        return true;
      }
      case kStarLazy: {
        const Inst& in = prog_.code[f.a];
        const std::int64_t highest = stack_[stack_.size() - 2].b;
        std::int64_t end = f.b;
        if (end >= highest || !InSet(in.a, d[end])) {
          stack_.Pop();
          stack_.Pop();
          break;
        }
        ++end;
        if (in.dot && in.d >= 0 && in.group < 0) {
          // Only ends before the next literal byte can succeed; the dot stops
          // at a newline.
          const auto from = static_cast<std::size_t>(end);
          const auto limit = static_cast<std::size_t>(highest);
          const void* nl = std::memchr(d + from, '\n', limit - from);
          const std::size_t stop = nl ? static_cast<std::size_t>(static_cast<const unsigned char*>(nl) - d) : limit;
          // The scans read up to the line's end, not to the subject's: a
          // charge for the rest of the subject made ".*?\n" quadratic in the
          // budget's eyes on a text of many lines.
          if (Charge((stop - from) >> 4)) return false;
          const void* hit = std::memchr(d + from, in.d, stop - from);
          end = hit ? static_cast<const unsigned char*>(hit) - d : static_cast<std::int64_t>(stop);
        }
        f.b = end;
        *pos = static_cast<std::size_t>(end);
        *pc = f.a + 1;
        if (in.group >= 0) {
          const std::size_t g = 2 * static_cast<std::size_t>(in.group);
          slots_[g] = end - 1;
          slots_[g + 1] = end;
        }
        return true;
      }
      case kBarrier: {
        const Inst& begin = prog_.code[f.a];
        const std::int64_t at = f.b;
        stack_.Pop();
        if (begin.flags & kLookNegate) {
          *pos = static_cast<std::size_t>(at);
          *pc = static_cast<std::size_t>(begin.b) + 1;
          return true;
        }
        if (begin.flags & kLookCondition) {
          *pos = static_cast<std::size_t>(at);
          *pc = static_cast<std::size_t>(begin.c);
          return true;
        }
        break;
      }
      case kBehindIter: {
        const Inst& in = prog_.code[f.a];
        const std::int64_t anchor = slots_[static_cast<std::size_t>(in.a)];
        const std::int64_t next = f.b + 1;
        if (next > anchor - in.b) {
          stack_.Pop();
          break;
        }
        f.b = next;
        *pos = static_cast<std::size_t>(next);
        *pc = f.a + 1;
        return true;
      }
      case kUncall:
        arena_.resize(calls_.back().snapshot);
        calls_.pop_back();
        stack_.Pop();
        break;
      case kRecall: {
        const Frame rec = f;
        stack_.Pop();
        const Frame data = stack_.Top();
        stack_.Pop();
        calls_.push_back(Call{static_cast<std::int32_t>(rec.a), rec.b, static_cast<std::size_t>(data.b)});
        break;
      }
      default:
        stack_.Pop();
        break;
    }
  }
  return false;
}

bool Matcher::Run(std::size_t start) {
  const Inst* code = prog_.code.data();
  const auto* d = reinterpret_cast<const unsigned char*>(s_.data());
  const std::size_t len = s_.size();
  std::fill(slots_.begin(), slots_.end(), -1);
  stack_.Clear();
  calls_.clear();
  arena_.clear();
  slots_[0] = static_cast<std::int64_t>(start);
  std::size_t pc = 0;
  std::size_t pos = start;
  for (;;) {
    if ((++steps_ & kCancelPollMask) == 0) {
      if (Cancelled(cancel_)) {
        cancelled_ = true;
        return false;
      }
      run_steps_ += kCancelPollMask + 1;
      // Frames popped while backtracking are work the steps do not show.
      spent_ += kCancelPollMask + 1 + (unwound_ >> 2);
      unwound_ = 0;
      if (spent_ > budget_) {
        over_budget_ = cancelled_ = true;
        return false;
      }
      MaybeStartMemo();
      if (cancelled_) return false;
    }
    const Inst& in = code[pc];
    switch (in.op) {
      case Op::kMatch: {
        if (!calls_.empty()) {
          const Call call = calls_.back();
          calls_.pop_back();
          stack_.Push(kData, 0, static_cast<std::int64_t>(call.snapshot));
          stack_.Push(kRecall, static_cast<std::uint32_t>(call.ret_pc), call.pos);
          // Groups set inside the recursion do not outlive it.
          for (std::size_t i = 0; i < slots_.size(); ++i) {
            if (i == 0 || i == 1) continue;
            const std::int64_t outer = arena_[call.snapshot + i];
            if (slots_[i] != outer) SetSlot(i, outer);
          }
          pc = static_cast<std::size_t>(call.ret_pc);
          continue;
        }
        if (pos == start && start == not_empty_at_) goto fail;
        if (whole_chars_ && !IsCharStart(pos)) goto fail;
        slots_[1] = static_cast<std::int64_t>(pos);
        return true;
      }
      case Op::kByte:
        if (pos < len && d[pos] == in.a) {
          ++pos;
          ++pc;
          continue;
        }
        goto fail;
      case Op::kString: {
        const auto n = static_cast<std::size_t>(in.b);
        if (len - pos >= n && std::memcmp(d + pos, prog_.strings.data() + in.a, n) == 0) {
          pos += n;
          ++pc;
          continue;
        }
        goto fail;
      }
      case Op::kStringI: {
        const auto n = static_cast<std::size_t>(in.b);
        if (len - pos < n) goto fail;
        const auto* lit = reinterpret_cast<const unsigned char*>(prog_.strings.data() + in.a);
        for (std::size_t k = 0; k < n; ++k)
          if (Lower(d[pos + k]) != lit[k]) goto fail;
        pos += n;
        ++pc;
        continue;
      }
      case Op::kSet:
        if (pos < len && InSet(in.a, d[pos])) {
          ++pos;
          ++pc;
          continue;
        }
        goto fail;
      case Op::kAny:
        if (pos < len) {
          ++pos;
          ++pc;
          continue;
        }
        goto fail;
      case Op::kStar: {
        const auto& table = prog_.tables[static_cast<std::size_t>(in.a)];
        const std::size_t limit = in.c < 0 ? len : std::min(len, pos + static_cast<std::size_t>(in.c));
        const std::size_t min_end = pos + static_cast<std::size_t>(in.b);
        if (min_end > len) goto fail;
        if (in.flags) {  // greedy
          std::size_t end = pos;
          while (end < limit && table[d[end]]) ++end;
          if (Charge((end - pos) >> 2)) return false;
          if (end < min_end) goto fail;
          if (in.group >= 0) {
            const std::size_t g = 2 * static_cast<std::size_t>(in.group);
            stack_.Push(kRestore, static_cast<std::uint32_t>(g), slots_[g]);
            stack_.Push(kRestore, static_cast<std::uint32_t>(g + 1), slots_[g + 1]);
            if (end > pos) {
              slots_[g] = static_cast<std::int64_t>(end - 1);
              slots_[g + 1] = static_cast<std::int64_t>(end);
            }
          }
          if (end > min_end) {
            stack_.Push(kData, 0, static_cast<std::int64_t>(min_end));
            stack_.Push(kStarGreedy, static_cast<std::uint32_t>(pc), static_cast<std::int64_t>(end));
          }
          pos = end;
          ++pc;
          continue;
        }
        if (Charge((min_end - pos) >> 2)) return false;
        for (std::size_t k = pos; k < min_end; ++k)
          if (!table[d[k]]) goto fail;
        if (in.group >= 0) {
          const std::size_t g = 2 * static_cast<std::size_t>(in.group);
          stack_.Push(kRestore, static_cast<std::uint32_t>(g), slots_[g]);
          stack_.Push(kRestore, static_cast<std::uint32_t>(g + 1), slots_[g + 1]);
          if (min_end > pos) {
            slots_[g] = static_cast<std::int64_t>(min_end - 1);
            slots_[g + 1] = static_cast<std::int64_t>(min_end);
          }
        }
        if (limit > min_end) {
          stack_.Push(kData, 0, static_cast<std::int64_t>(limit));
          stack_.Push(kStarLazy, static_cast<std::uint32_t>(pc), static_cast<std::int64_t>(min_end));
        }
        pos = min_end;
        ++pc;
        continue;
      }
      case Op::kSplit:
        stack_.Push(kChoice, static_cast<std::uint32_t>(in.b), static_cast<std::int64_t>(pos));
        pc = static_cast<std::size_t>(in.a);
        if (memo_on_ && Seen(pc, pos)) goto fail;
        continue;
      case Op::kJmp:
        pc = static_cast<std::size_t>(in.a);
        continue;
      case Op::kOpen:
        SetSlot(static_cast<std::size_t>(in.a), static_cast<std::int64_t>(pos));
        ++pc;
        continue;
      case Op::kClose: {
        const std::size_t g = 2 * static_cast<std::size_t>(in.a);
        SetSlot(g, slots_[static_cast<std::size_t>(in.b)]);
        SetSlot(g + 1, static_cast<std::int64_t>(pos));
        ++pc;
        continue;
      }
      case Op::kAssert:
        if (!CheckAssert(in.a, pos)) goto fail;
        ++pc;
        continue;
      case Op::kBackref: {
        const std::int64_t bs = slots_[2 * static_cast<std::size_t>(in.a)];
        const std::int64_t be = slots_[2 * static_cast<std::size_t>(in.a) + 1];
        if (bs < 0 || be < 0) goto fail;
        const auto n = static_cast<std::size_t>(be - bs);
        if (len - pos < n) goto fail;
        if (Charge(n >> 2)) return false;
        if (in.b) {
          for (std::size_t k = 0; k < n; ++k)
            if (Lower(d[pos + k]) != Lower(d[static_cast<std::size_t>(bs) + k])) goto fail;
        } else if (n != 0 && std::memcmp(d + pos, d + bs, n) != 0) {  // an empty subject has no data pointer
          goto fail;
        }
        pos += n;
        ++pc;
        continue;
      }
      case Op::kLoopInit:
        SetSlot(static_cast<std::size_t>(in.a), 0);
        ++pc;
        continue;
      case Op::kLoopMark:
        SetSlot(static_cast<std::size_t>(in.a), static_cast<std::int64_t>(pos));
        ++pc;
        continue;
      case Op::kEmptyStop:
        pc = slots_[static_cast<std::size_t>(in.a)] == static_cast<std::int64_t>(pos) ? static_cast<std::size_t>(in.c)
                                                                                       : pc + 1;
        continue;
      case Op::kLoopTail: {
        const auto r = static_cast<std::size_t>(in.a);
        const std::int64_t count = slots_[r] + 1;
        SetSlot(r, count);
        if (in.d && slots_[r + 1] == static_cast<std::int64_t>(pos) && count >= in.count_min) {
          pc = static_cast<std::size_t>(in.c);  // an empty iteration ends the loop
          continue;
        }
        ++pc;
        continue;
      }
      case Op::kLoopCheck: {
        const std::int64_t count = slots_[static_cast<std::size_t>(in.a)];
        if (count < in.count_min) {
          pc = static_cast<std::size_t>(in.b);
        } else if (in.count_max >= 0 && count >= in.count_max) {
          pc = static_cast<std::size_t>(in.c);
        } else if (in.flags) {
          stack_.Push(kChoice, static_cast<std::uint32_t>(in.c), static_cast<std::int64_t>(pos));
          pc = static_cast<std::size_t>(in.b);
        } else {
          stack_.Push(kChoice, static_cast<std::uint32_t>(in.b), static_cast<std::int64_t>(pos));
          pc = static_cast<std::size_t>(in.c);
        }
        continue;
      }
      case Op::kLookBegin:
        SetSlot(static_cast<std::size_t>(in.a), static_cast<std::int64_t>(pos));
        stack_.Push(kBarrier, static_cast<std::uint32_t>(pc), static_cast<std::int64_t>(pos));
        ++pc;
        continue;
      case Op::kLookEnd: {
        const Inst& begin = code[in.a];
        std::size_t b = stack_.size();
        while (b > 0 && stack_[b - 1].kind != kBarrier) --b;
        const std::size_t barrier = b - 1;  // the innermost open one is ours
        const std::int64_t at = stack_[barrier].b;
        // The body matched: forget its alternatives, keep what undoes the
        // groups it set (they stay set, as in Perl, until backtracked over).
        std::size_t out = barrier;
        for (std::size_t k = barrier + 1; k < stack_.size(); ++k)
          if (stack_[k].kind == kRestore) stack_[out++] = stack_[k];
        stack_.Resize(out);
        if (begin.flags & kLookNegate) {
          if (begin.flags & kLookCondition) {
            pos = static_cast<std::size_t>(at);
            pc = static_cast<std::size_t>(begin.c);
            continue;
          }
          goto fail;
        }
        if (!(begin.flags & kLookAtomic)) pos = static_cast<std::size_t>(at);
        ++pc;
        continue;
      }
      case Op::kBehind: {
        // Longest look-behind first, as Perl does for variable lengths.
        const std::int64_t anchor = slots_[static_cast<std::size_t>(in.a)];
        if (anchor < in.b) goto fail;
        const std::int64_t first = std::max<std::int64_t>(0, anchor - in.c);
        pos = static_cast<std::size_t>(first);
        if (first < anchor - in.b) stack_.Push(kBehindIter, static_cast<std::uint32_t>(pc), first);
        ++pc;
        continue;
      }
      case Op::kAtPos:
        if (slots_[static_cast<std::size_t>(in.a)] != static_cast<std::int64_t>(pos)) goto fail;
        ++pc;
        continue;
      case Op::kCondGroup:
        pc = slots_[2 * static_cast<std::size_t>(in.a) + 1] >= 0 ? pc + 1 : static_cast<std::size_t>(in.b);
        continue;
      case Op::kRecurse: {
        if (TooDeep() || (!calls_.empty() && calls_.back().pos == static_cast<std::int64_t>(pos))) goto fail;
        const std::size_t snap = arena_.size();
        arena_.insert(arena_.end(), slots_.begin(), slots_.end());
        calls_.push_back(Call{static_cast<std::int32_t>(pc + 1), static_cast<std::int64_t>(pos), snap});
        stack_.Push(kUncall, 0, 0);
        pc = 0;
        continue;
      }
    }
  fail:
    do {
      if (!Backtrack(&pc, &pos)) return false;
    } while (memo_on_ && Seen(pc, pos));
  }
}

}  // namespace folian::regex
