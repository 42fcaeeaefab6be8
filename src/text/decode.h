// Turning a text file's bytes into the program's GBK text: which encoding the
// content is read in, and the conversion itself. Shared by loading and by the
// file encoding conversions so both read a file the same way.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "text/text_file.h"

namespace folian::text {

// How a file is read: the probed class, upgraded for a mark-less file whose
// content passes the UTF-8 or UTF-16 test (or whose UTF-16 line breaks the
// detector found). `mark` is set only where the file really starts with one.
StoredEncoding ClassifyContent(std::string_view bytes, int probed_class, int detected_codepage,
                               int bom_flag);

// How loading reads a whole file of these bytes: the detector over its first
// kDetectSampleSize bytes with the user's language, then ClassifyContent.
StoredEncoding ClassifyFile(std::string_view bytes);

// The content after the mark, when `encoding.mark` says there is one.
std::string_view SkipMark(std::string_view bytes, StoredEncoding encoding);

// Large texts are converted piece by piece, each piece ending after a line
// feed (a byte inside no character of GBK, UTF-8 or UTF-16's LF unit), so
// the pieces convert exactly as the whole would while the intermediate forms
// (UTF-16, a round trip's check) stay the size of a piece. A text without a
// line feed past this size is one piece.
inline constexpr std::size_t kConvertPieceBytes = std::size_t{4} << 20;
void ForEachLinePiece(std::string_view text, const std::function<void(std::string_view)>& take);

// Whether text of `bom_class` is converted on reading and writing (UTF-8,
// UTF-16); every other class is stored as the program's GBK bytes.
bool IsWideOrUtf8(int bom_class);

// Content (mark already skipped) of `bom_class` -> GBK bytes. Characters GBK
// cannot hold become "?" (or a look-alike) and are counted in `*unmappable`. For the editor,
// zero bytes of the result become blanks.
std::string DecodeToGbk(std::string_view content, int bom_class, std::size_t* unmappable,
                        bool zeros_to_blanks = true);

// A whole file's bytes -> GBK text, as DecodeToGbk(SkipMark(bytes, encoding))
// with zeros to blanks; ANSI bytes, already GBK, are taken over rather than
// copied, so loading a large file does not hold it twice.
std::string DecodeFileToGbk(std::string bytes, StoredEncoding encoding, std::size_t* unmappable);

// GBK bytes -> UTF-16 code units; `*unmappable` counts characters that do not
// survive the trip back (bytes that are not valid GBK).
std::u16string GbkToWideCounted(std::string_view gbk, std::size_t* unmappable);

}  // namespace folian::text
