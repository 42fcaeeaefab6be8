// A reference inside an ePub (an href of the package document) turned into
// the name of an archive entry: relative to the package's folder,
// percent-escapes decoded, "." and ".." segments resolved, the fragment
// dropped. A reference that climbs above the archive's root or names
// something outside the archive (a web address) resolves to nothing.
// Tested by tests/convert/epub_reader_test.cc.
#pragma once

#include <string>
#include <string_view>

namespace folian::convert::epub {

// `base_dir` is "" or ends in "/". Returns "" when `href` does not name an
// entry of the archive.
std::string ResolveHref(std::string_view base_dir, std::string_view href);

}  // namespace folian::convert::epub
