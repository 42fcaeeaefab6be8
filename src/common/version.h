#pragma once
namespace folian {
// The program's version, from the build.
const char* Version();
}  // namespace folian
