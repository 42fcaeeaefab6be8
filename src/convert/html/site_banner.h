// The banners one large novel site stamps into every chapter page it
// serves: a slogan line and a "made by ... visit ..." line. Pages of that
// site write their chapter text through document.write, so when both
// banners are there the script wrapping goes too and the text is left.
// Works on the page's own bytes, GBK or UTF-8.
// Tested by tests/convert/html_reader_test.cc.
#pragma once

#include <string>

namespace folian::convert::html {

// Removes the banners (and, with both present, the script wrapping) from
// `*page`; true when anything was removed.
bool RemoveSiteBanners(std::string* page);

}  // namespace folian::convert::html
