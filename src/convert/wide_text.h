// Books that store their text as UTF-16 (UMD, JAR) become text files here.
// The text is written in GBK, the editor's own encoding, when GBK holds every
// character exactly; otherwise in UTF-8 with a mark, so that no character of
// the book turns into "?" on the way.
#pragma once

#include <string>
#include <string_view>

#include "convert/status.h"
#include "convert/text_sink.h"

namespace folian::convert {

// GBK when it holds `text` exactly, else UTF-8 with a mark.
TextEncoding ChooseEncoding(std::u16string_view text);

// Declares the encoding ChooseEncoding picks and appends `text` in it.
Status EmitWideText(std::u16string_view text, TextSink& sink);

// The units of little-endian bytes; an odd last byte (half a unit) is dropped.
std::u16string UnitsFromLe(std::string_view bytes);

}  // namespace folian::convert
