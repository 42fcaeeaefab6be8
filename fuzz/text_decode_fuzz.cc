// Arbitrary file content through detection, classification and decoding, and
// arbitrary settings text through the store's parser: nothing may read out of
// bounds, and the lossless paths must give back what they were given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/settings_store.h"
#include "text/decode.h"
#include "text/encoding_detector.h"
#include "text/text_file.h"

using namespace folian;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;  // long inputs only repeat what short ones reach
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  for (int lang : {text::kLangChinese, text::kLangEnglish, 0}) {
    int cp = 0, flag = 0;
    text::DetectEncodingOfSample(bytes.substr(0, text::kDetectSampleSize),
                                 text::kDetectZeroUnit | text::kDetectCodePage | text::kDetectBomFlag,
                                 &cp, &flag, lang);
    text::StoredEncoding enc = text::ClassifyContent(bytes, text::BomClassOfBytes(bytes), cp, flag);
    std::size_t lost = 0;
    std::string gbk = text::DecodeToGbk(text::SkipMark(bytes, enc), enc.bom_class, &lost);
    if (gbk.find('\0') != std::string::npos) std::abort();
  }

  // GBK text that survives the trip into an encoding must come back unchanged.
  for (int cls : {text::kBomUtf8, text::kBomUtf16LE, text::kBomUtf16BE}) {
    text::StoredEncoding enc{cls, true};
    std::size_t lost = 0;
    std::string file = text::EncodeForFile(bytes, enc, &lost);
    if (lost != 0) continue;
    std::size_t lost_back = 0;
    std::string back = text::DecodeToGbk(text::SkipMark(file, enc), cls, &lost_back, false);
    if (lost_back != 0 || back != bytes) std::abort();
  }

  app::SettingsStore store;
  store.Parse(bytes);
  std::string once = store.Serialize();
  store.SetInt("Software\\Quorvel\\Tekstor\\Options", "INDENT", 3);
  if (store.GetInt("Software\\Quorvel\\Tekstor\\Options", "INDENT") != 3) std::abort();
  app::SettingsStore again;
  again.Parse(once);
  if (again.Serialize() != once) std::abort();
  return 0;
}
