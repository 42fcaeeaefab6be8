// The editor's lossless view of GBK bytes: text for display (UTF-16) and back,
// byte for byte. Valid GBK characters show as themselves; every byte that is
// not part of one shows as a marker character (U+F700 + byte) and turns back
// into that byte. Line breaks: a document with CR LF pairs shows each pair as
// one line break (a lone CR or LF then shows as a marker); a document without
// any shows each LF as a line break. Display text uses '\n' for line breaks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace folian::app {

enum class LineBreaks { kCrLf, kLf };

inline constexpr char16_t kByteMarkerBase = 0xF700;

// CR LF unless the text has LF without any CR LF pair.
LineBreaks LineBreaksOf(std::string_view gbk);

std::u16string GbkToDisplay(std::string_view gbk, LineBreaks breaks);
// Characters GBK cannot hold become "?"; `*unmappable` counts them.
std::string DisplayToGbk(std::u16string_view display, LineBreaks breaks,
                         std::size_t* unmappable = nullptr);

// How many GBK bytes one display character stands for.
std::size_t GbkLength(char16_t c, LineBreaks breaks);
// Byte offset of display position `pos`, and the display position of a byte
// offset (rounded up to the next character boundary).
std::size_t ByteOffsetOf(std::u16string_view display, std::size_t pos, LineBreaks breaks);
std::size_t DisplayOffsetOf(std::u16string_view display, std::size_t byte, LineBreaks breaks);

}  // namespace folian::app
