#include "common/version.h"

namespace folian {
const char* Version() { return "0.1.0"; }
}  // namespace folian
