// The stream filters text can hide behind: Flate (zlib, with the PNG and
// TIFF predictors), LZW, ASCIIHex, ASCII85 and RunLength. Image codecs
// (DCT, JPX, CCITT, JBIG2) carry no text and are refused. Every decoder
// stops at the caller's cap.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace folian::convert::pdf {

struct FilterParams {
  std::string name;      // full or abbreviated (Fl, LZW, AHx, A85, RL)
  int predictor = 1;
  int colors = 1;
  int bits_per_component = 8;
  int columns = 1;
  int early_change = 1;  // LZW only
};

enum class DecodeResult {
  kOk,
  kPartial,      // damaged or over the cap: `*out` holds what decoded before that
  kUnsupported,  // an image codec or an unknown filter
  kFailed,       // nothing could be decoded
};

// Runs `data` through `chain` in order, each stage capped at `cap` bytes.
DecodeResult DecodeFilters(std::string_view data, const std::vector<FilterParams>& chain,
                           std::size_t cap, std::string* out);

// The single stages, exposed for tests. Each appends to `*out` and returns
// kOk, kPartial (damaged input or cap reached) or kFailed.
DecodeResult DecodeAsciiHex(std::string_view in, std::size_t cap, std::string* out);
DecodeResult DecodeAscii85(std::string_view in, std::size_t cap, std::string* out);
DecodeResult DecodeLzw(std::string_view in, int early_change, std::size_t cap, std::string* out);
DecodeResult DecodeRunLength(std::string_view in, std::size_t cap, std::string* out);
DecodeResult DecodeFlate(std::string_view in, std::size_t cap, std::string* out);
// Undoes a predictor in place; false when the parameters make no sense.
bool ApplyPredictor(const FilterParams& params, std::string* data);

}  // namespace folian::convert::pdf
