// The backtracking matcher: runs a Program over a subject with an explicit,
// heap-allocated backtracking stack (never recursion on the subject), so long
// subjects cannot exhaust the call stack.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "regex/program.h"

namespace folian::regex {

class Matcher {
 public:
  explicit Matcher(const Program& prog);
  ~Matcher();
  Matcher(const Matcher&) = delete;
  Matcher& operator=(const Matcher&) = delete;

  // Finds the leftmost match starting at or after `from`. A match that is
  // empty and starts at `not_empty_at` is refused (how ALLMATCHES moves on
  // after an empty match). Group k spans [Start(k), End(k)), -1 when unset.
  bool Search(std::string_view subject, std::size_t from, std::size_t not_empty_at = SIZE_MAX,
              const CancelFlag* cancel = nullptr);

  // Whether a match starts exactly at `pos`.
  bool MatchesAt(std::string_view subject, std::size_t pos, const CancelFlag* cancel = nullptr);

  std::int64_t Start(int group) const { return slots_[2 * static_cast<std::size_t>(group)]; }
  std::int64_t End(int group) const { return slots_[2 * static_cast<std::size_t>(group) + 1]; }
  // Set when the search stopped, by the cancel flag or by the budget.
  bool cancelled() const { return cancelled_; }

  // Bounds the work of every search from now on, together: a pattern that
  // backtracks catastrophically stops there as if cancelled, with
  // over_budget() set. Unbounded unless set.
  void SetBudget(std::uint64_t steps) { budget_ = steps; spent_ = 0; over_budget_ = false; }
  bool over_budget() const { return over_budget_; }

 private:
  struct Frame {
    std::uint32_t kind;
    std::uint32_t a;
    std::int64_t b;
  };
  // A stack in fixed-size chunks: growing never copies what is there.
  class FrameStack {
   public:
    static constexpr std::size_t kShift = 12;
    static constexpr std::size_t kChunk = std::size_t{1} << kShift;
    void Push(std::uint32_t kind, std::uint32_t a, std::int64_t b) {
      if (size_ == capacity_) Grow();
      chunks_[size_ >> kShift][size_ & (kChunk - 1)] = Frame{kind, a, b};
      ++size_;
    }
    Frame& operator[](std::size_t i) { return chunks_[i >> kShift][i & (kChunk - 1)]; }
    Frame& Top() { return (*this)[size_ - 1]; }
    void Pop() { --size_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void Resize(std::size_t n) { size_ = n; }
    void Clear();

   private:
    void Grow();
    std::vector<std::unique_ptr<Frame[]>> chunks_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
  };
  struct Call {
    std::int32_t ret_pc;
    std::int64_t pos;
    std::size_t snapshot;
  };

  bool Run(std::size_t start);
  bool Backtrack(std::size_t* pc, std::size_t* pos);
  void SetSlot(std::size_t slot, std::int64_t value);
  bool CheckAssert(int kind, std::size_t pos) const;
  bool InSet(int set, unsigned char c) const { return prog_.tables[static_cast<std::size_t>(set)][c] != 0; }
  bool TooDeep() const;
  // True when (pc, pos) was tried before in this run (and marks it).
  bool Seen(std::size_t pc, std::size_t pos) {
    const std::int32_t row = prog_.memo_index[pc];
    if (row < 0) return false;
    // A look-up in a bitmap the size of the subject misses the cache: it
    // costs the budget another step.
    ++spent_;
    const std::size_t bit = static_cast<std::size_t>(row) * (s_.size() + 1) + pos;
    std::uint64_t& w = memo_[bit >> 6];
    const std::uint64_t m = std::uint64_t{1} << (bit & 63);
    if (w & m) return true;
    w |= m;
    return false;
  }
  void MaybeStartMemo();
  // Counts work a single step does over a run of bytes (a loop's scan, a
  // fresh memo) against the budget; true, with the run stopped, when spent.
  bool Charge(std::size_t work) {
    spent_ += work;
    if (spent_ <= budget_) return false;
    over_budget_ = cancelled_ = true;
    return true;
  }
  // WHOLECHARS: whether `pos` starts a GBK character of s_. The starts are
  // found lazily, left to right, in a window that follows the search.
  bool IsCharStart(std::size_t pos) {
    if (pos < cs_lo_ || pos >= cs_upto_) FindCharStarts(pos);
    return (cs_bits_[pos >> 6] >> (pos & 63)) & 1;
  }
  void FindCharStarts(std::size_t upto);
  void BindCharStarts(std::size_t from);

  const Program& prog_;
  std::string_view s_;
  std::size_t not_empty_at_ = SIZE_MAX;
  const CancelFlag* cancel_ = nullptr;
  bool cancelled_ = false;
  std::uint32_t steps_ = 0;
  std::vector<std::int64_t> slots_;
  FrameStack stack_;
  std::vector<Call> calls_;
  std::vector<std::int64_t> arena_;
  std::vector<std::uint64_t> memo_;
  bool memo_on_ = false;
  std::uint64_t run_steps_ = 0;
  std::uint64_t spent_ = 0;
  std::uint64_t unwound_ = 0;
  std::uint64_t budget_ = UINT64_MAX;
  bool over_budget_ = false;
  // Where the required literal was last found, for the current subject.
  const char* req_subject_ = nullptr;
  std::size_t req_subject_size_ = 0;
  std::size_t req_from_ = 0;
  std::size_t req_pos_ = 0;
  // Character starts for the subject at cs_subject_ (WHOLECHARS only):
  // known in [cs_lo_, cs_upto_); cs_next_ is the first start at or after
  // cs_upto_. Bits at and above cs_upto_ are clear.
  const bool whole_chars_;
  const char* cs_subject_ = nullptr;
  std::size_t cs_size_ = 0;
  std::size_t cs_from_ = 0;
  std::size_t cs_lo_ = 0;
  std::size_t cs_upto_ = 0;
  std::size_t cs_next_ = 0;
  std::vector<std::uint64_t> cs_bits_;
};

// Steps through every match the way ALLMATCHES does: left to right, each
// search resuming where the last match ended; after an empty match the next
// one may not be empty at the same place.
class MatchIterator {
 public:
  MatchIterator(Matcher& m, std::string_view subject, const CancelFlag* cancel)
      : m_(m), subject_(subject), cancel_(cancel) {}
  bool Next() {
    if (from_ > subject_.size()) return false;
    if (!m_.Search(subject_, from_, not_empty_at_, cancel_)) {
      from_ = subject_.size() + 1;
      return false;
    }
    const auto b = static_cast<std::size_t>(m_.Start(0));
    const auto e = static_cast<std::size_t>(m_.End(0));
    not_empty_at_ = b == e ? e : SIZE_MAX;
    from_ = e;
    return true;
  }

 private:
  Matcher& m_;
  std::string_view subject_;
  const CancelFlag* cancel_;
  std::size_t from_ = 0;
  std::size_t not_empty_at_ = SIZE_MAX;
};

}  // namespace folian::regex
