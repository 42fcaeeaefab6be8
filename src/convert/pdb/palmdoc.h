// PalmDOC compression: the LZ77 variant of Palm e-books. Each text record is
// compressed on its own, so a copy never reaches into an earlier record.
// Tested by tests/convert/pdb_reader_test.cc.
#pragma once

#include <string>
#include <string_view>

namespace folian::convert::pdb {

// Appends the expansion of one record to `*out`. False when the record is
// damaged: a copy reaching back before the record's own output, or a pair
// cut off at its end (`*out` then holds what came out before that).
bool ExpandPalmDoc(std::string_view record, std::string* out);

}  // namespace folian::convert::pdb
