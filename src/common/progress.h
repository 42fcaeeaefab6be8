// Progress reporting and cancellation for long operations.
//
// Every long operation (tidy, batch runs, converters) reports through a
// ProgressSink and polls a CancelFlag; the window and the CLI implement the
// sink, so the engines never know who is watching.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

namespace folian {

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // A status text in GBK (the program's own wording), e.g. "正在读入文件内容".
  virtual void SetStatus(std::string_view /*gbk_text*/) {}
  // The range of the progress bar; positions are reported within it.
  virtual void SetRange(std::int64_t /*lo*/, std::int64_t /*hi*/) {}
  virtual void SetPosition(std::int64_t /*pos*/) {}
};

// A sink that drops everything, for callers that do not watch.
inline ProgressSink& NullProgress() {
  static ProgressSink sink;
  return sink;
}

// Set from any thread to ask a running operation to stop at its next check.
using CancelFlag = std::atomic<bool>;

inline bool Cancelled(const CancelFlag* flag) {
  return flag != nullptr && flag->load(std::memory_order_relaxed);
}

}  // namespace folian
