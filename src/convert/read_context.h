// What every reader is given besides its input: where to report progress
// and the flag that asks it to stop. A reader that sees the flag set stops
// and returns an error; nothing it produced is written.
#pragma once

#include "common/progress.h"

namespace folian::convert {

struct ReadContext {
  ProgressSink* progress = &NullProgress();
  const CancelFlag* cancel = nullptr;
};

}  // namespace folian::convert
