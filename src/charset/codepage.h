// Code-page services: GBK (936), Big5 (950), UTF-8 (65001) <-> UTF-16.
//
// Our own table-driven replacement for the platform's code-page services.
// The GBK and Big5 tables are generated from ICU's Windows code-page data
// (tools/gen_codepages) and checked against ICU by the tests.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace folian::charset {

inline constexpr int kGbk = 936;
inline constexpr int kBig5 = 950;
inline constexpr int kUtf16LE = 1200;
inline constexpr int kUtf16BE = 1201;
inline constexpr int kUtf7 = 65000;
inline constexpr int kUtf8 = 65001;
// The system's ANSI and OEM code pages on the target systems.
inline constexpr int kAnsiCodePage = kGbk;
inline constexpr int kOemCodePage = kGbk;

// Bytes of `codepage` (936, 950 or 65001) to UTF-16, as the platform's
// multi-byte-to-wide conversion does it without error flags: what is not a
// character of the code page becomes U+FFFD. Other code pages throw
// std::invalid_argument.
std::u16string ToWide(int codepage, std::string_view bytes);

// UTF-16 to `codepage` with the platform's best-fit mappings; every other
// character the code page cannot hold (a surrogate pair counts as one)
// becomes `default_char`, and `*defaulted` (if given) receives how many did.
// For 65001 the result is standard UTF-8 and an unpaired surrogate becomes
// U+FFFD (counted); `default_char` is not used.
std::string FromWide(int codepage, std::u16string_view text, char default_char = '?',
                     std::size_t* defaulted = nullptr);

// How many characters of `text` FromWide(codepage, ...) would not carry over
// exactly: those given the default character and those given a best-fit
// look-alike (e.g. U+00E9 as "e"). Zero means the text round-trips.
std::size_t InexactCount(int codepage, std::u16string_view text);

// Direct paths for the hot conversions (same results as going through UTF-16).
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8, std::size_t* defaulted = nullptr);

// The same conversions into a caller's string, replacing its content and
// reusing its capacity (for loops over many or large texts).
void ToWide(int codepage, std::string_view bytes, std::u16string& out);
void FromWide(int codepage, std::u16string_view text, std::string& out, char default_char = '?',
              std::size_t* defaulted = nullptr);
void GbkToUtf8(std::string_view gbk, std::string& out);
void Utf8ToGbk(std::string_view utf8, std::string& out, std::size_t* defaulted = nullptr);

// The UTF-8 encoder of the program: each UTF-16 unit on its own (a surrogate
// half is three bytes by itself).
std::string EncodeUtf8(std::u16string_view text);
std::size_t EncodedUtf8Size(std::u16string_view text);

bool IsLeadByte(int codepage, unsigned char byte);
int MaxCharSize(int codepage);  // 2 for 936/950, 4 for 65001, 0 when unknown

// The platform's name of a code page, e.g. "936   (ANSI/OEM - Simplified Chinese GBK)";
// nullopt for code pages it does not know.
std::optional<std::string> CodePageName(int codepage);

}  // namespace folian::charset
