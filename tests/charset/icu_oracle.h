// ICU as the reference for the code-page tests.
#pragma once

#include <unicode/ucnv.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace folian::charset::testing {

class IcuConverter {
 public:
  // `fallback`: use the Windows best-fit mappings ICU carries as fallbacks.
  explicit IcuConverter(const char* name, bool fallback = true) {
    UErrorCode e = U_ZERO_ERROR;
    cnv_ = ucnv_open(name, &e);
    if (U_FAILURE(e)) throw std::runtime_error(std::string("ICU converter ") + name + ": " + u_errorName(e));
    ucnv_setFallback(cnv_, fallback);
  }
  ~IcuConverter() { ucnv_close(cnv_); }
  IcuConverter(const IcuConverter&) = delete;
  IcuConverter& operator=(const IcuConverter&) = delete;

  // Default substitution: U+FFFD (U+001A for some single bytes) on the way in,
  // the code page's substitution character on the way out.
  std::u16string Decode(std::string_view bytes) {
    std::u16string out(bytes.size() * 2 + 2, u'\0');
    UErrorCode e = U_ZERO_ERROR;
    ucnv_resetToUnicode(cnv_);
    int32_t n = ucnv_toUChars(cnv_, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                              bytes.data(), static_cast<int32_t>(bytes.size()), &e);
    if (U_FAILURE(e)) throw std::runtime_error(std::string("ICU toUChars: ") + u_errorName(e));
    out.resize(static_cast<std::size_t>(n));
    return out;
  }

  std::string Encode(std::u16string_view text) {
    std::string out(text.size() * 4 + 4, '\0');
    UErrorCode e = U_ZERO_ERROR;
    ucnv_resetFromUnicode(cnv_);
    int32_t n = ucnv_fromUChars(cnv_, out.data(), static_cast<int32_t>(out.size()),
                                reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), &e);
    if (U_FAILURE(e)) throw std::runtime_error(std::string("ICU fromUChars: ") + u_errorName(e));
    out.resize(static_cast<std::size_t>(n));
    return out;
  }

 private:
  UConverter* cnv_ = nullptr;
};

}  // namespace folian::charset::testing
