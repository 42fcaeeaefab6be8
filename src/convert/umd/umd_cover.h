// The cover every UMD book we write carries: a 176 x 208 8-bit BMP (bottom-up
// rows, 256-colour palette) drawn here, pixel by pixel: a shaded background,
// a gold frame, an open book and an ornament. The same bytes every time.
//
// Tested by tests/convert/umd_writer_test.cc.
#pragma once

#include <string>

namespace folian::convert::umd {

std::string DrawCover();

}  // namespace folian::convert::umd
