// OpenCC's own converter as the reference for the script conversion of GBK
// text: each run of GBK characters goes GBK -> UTF-8 -> OpenCC -> GBK
// through our code-page tables; bytes that are not a GBK character, and NUL
// (where OpenCC's C strings end), are copied and split the runs. This is
// what "OpenCC's result for GBK text" means in the tests.
#pragma once

#include <opencc/Lexicon.hpp>
#include <opencc/MarisaDict.hpp>
#include <opencc/SimpleConverter.hpp>
#include <opencc/TextDict.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "charset/codepage.h"

namespace folian::charset::testing {

class OpenccOracle {
 public:
  // `config`: a configuration file (e.g. .../s2t.json).
  explicit OpenccOracle(const std::filesystem::path& config) : converter_(config.string()) {}

  std::string ConvertGbk(std::string_view text) const {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
      const std::size_t run = CharacterRun(text, i);
      if (run == 0) {
        out += text[i++];
        continue;
      }
      const std::string utf8 = GbkToUtf8(text.substr(i, run));
      out += Utf8ToGbk(converter_.Convert(utf8.data(), utf8.size()));
      i += run;
    }
    return out;
  }

  std::string ConvertUtf8(std::string_view utf8) const { return converter_.Convert(utf8.data(), utf8.size()); }

 private:
  // Length of the run of GBK characters (no NUL) at text[i].
  static std::size_t CharacterRun(std::string_view text, std::size_t i) {
    const std::size_t start = i;
    while (i < text.size()) {
      const auto b = static_cast<unsigned char>(text[i]);
      if (b == 0) break;
      if (b <= 0x80 || b == 0xFF) {
        ++i;
        continue;
      }
      if (i + 1 >= text.size()) break;
      const auto t = static_cast<unsigned char>(text[i + 1]);
      if (t < 0x40 || t == 0x7F || t == 0xFF) break;
      i += 2;
    }
    return i - start;
  }

  opencc::SimpleConverter converter_;
};

inline std::filesystem::path OpenccConfig(const char* name) {
  return std::filesystem::path(FOLIAN_OPENCC_DATA_DIR) / name;
}

// A dictionary as OpenCC's text format holds it: key, then values
// separated by blanks (UTF-8).
using TextEntries = std::vector<std::pair<std::string, std::string>>;

inline void WriteTextDictionary(const std::filesystem::path& path, const TextEntries& entries) {
  std::ofstream out(path, std::ios::binary);
  for (const auto& [key, values] : entries) out << key << '\t' << values << '\n';
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// OpenCC's own .ocd2 of a text dictionary.
inline void WriteOcd2(const std::filesystem::path& text, const std::filesystem::path& ocd2) {
  std::FILE* in = std::fopen(text.c_str(), "rb");
  if (!in) throw std::runtime_error("cannot read " + text.string());
  const opencc::TextDictPtr dict = opencc::TextDict::NewFromFile(in);
  std::fclose(in);
  std::FILE* out = std::fopen(ocd2.c_str(), "wb");
  if (!out) throw std::runtime_error("cannot write " + ocd2.string());
  opencc::MarisaDict::NewFromDict(*dict)->SerializeToFile(out);
  std::fclose(out);
}

// The key and default value of every entry, in OpenCC's order for the file.
inline TextEntries ReadOcd2WithOpencc(const std::filesystem::path& ocd2) {
  std::FILE* in = std::fopen(ocd2.c_str(), "rb");
  if (!in) throw std::runtime_error("cannot read " + ocd2.string());
  const opencc::MarisaDictPtr dict = opencc::MarisaDict::NewFromFile(in);
  std::fclose(in);
  TextEntries entries;
  for (const auto& entry : *dict->GetLexicon()) entries.emplace_back(entry->Key(), entry->GetDefault());
  return entries;
}

// A configuration shaped like s2t.json: `phrases` segments, then phrases
// and characters convert. `type` is "ocd2" or "text".
inline void WriteConfig(const std::filesystem::path& path, const std::filesystem::path& phrases,
                        const std::filesystem::path& characters, const char* type) {
  auto dict = [type](const std::filesystem::path& file) {
    return std::string("{\"type\":\"") + type + "\",\"file\":\"" + file.string() + "\"}";
  };
  std::ofstream out(path, std::ios::binary);
  out << "{\"name\":\"test\",\"segmentation\":{\"type\":\"mmseg\",\"dict\":" << dict(phrases)
      << "},\"conversion_chain\":[{\"dict\":{\"type\":\"group\",\"dicts\":[" << dict(phrases) << ","
      << dict(characters) << "]}}]}";
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace folian::charset::testing
