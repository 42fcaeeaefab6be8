// Generates src/charset/codepage_tables.cc from ICU's Windows code-page data.
//
// Build and run (from the repository root):
//   tools/gen_codepages.sh
//
// For each double-byte code page it records
//   - the single high bytes (0x80..0xFF that are not lead bytes),
//   - every pair lead 0x81..0xFE, trail 0x40..0xFE: the UTF-16 unit, 0xFFFD for
//     a well-formed but undefined pair, 0 where the trail byte is not a trail
//     byte of the code page (the lead byte then stands alone),
//   - the encoder's exceptions: every BMP code point whose encoding (with the
//     Windows best-fit mappings ICU carries as fallbacks) is not simply the
//     first byte sequence that decodes to it.
#include <unicode/ucnv.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kPairs = 126 * 191;

void Die(const char* what, UErrorCode e) {
  std::fprintf(stderr, "gen_codepages: %s: %s\n", what, u_errorName(e));
  std::exit(1);
}

// Decodes `bytes` with ICU's default substitution; returns the units.
std::u16string Decode(UConverter* cnv, const char* bytes, int n) {
  UChar out[8];
  UErrorCode e = U_ZERO_ERROR;
  ucnv_reset(cnv);
  int r = ucnv_toUChars(cnv, out, 8, bytes, n, &e);
  if (U_FAILURE(e)) Die("toUChars", e);
  return std::u16string(reinterpret_cast<char16_t*>(out), r);
}

// Encodes one BMP unit with fallbacks; 0 when it does not map,
// otherwise the byte (< 0x100) or lead << 8 | trail.
unsigned Encode(UConverter* cnv, char16_t u) {
  UChar in = u;
  char out[8];
  UErrorCode e = U_ZERO_ERROR;
  ucnv_reset(cnv);
  int r = ucnv_fromUChars(cnv, out, 8, &in, 1, &e);
  if (e == U_INVALID_CHAR_FOUND || e == U_ILLEGAL_CHAR_FOUND) return 0;
  if (U_FAILURE(e)) Die("fromUChars", e);
  // ICU drops default-ignorable code points it cannot map (U+034F, U+200B, ...);
  // the Windows conversion gives them the default character like any other.
  if (r == 0) return 0;
  if (r == 1) return static_cast<unsigned char>(out[0]);
  if (r == 2) return static_cast<unsigned char>(out[0]) << 8 | static_cast<unsigned char>(out[1]);
  std::fprintf(stderr, "gen_codepages: U+%04X encodes to %d bytes\n", u, r);
  std::exit(1);
}

void EmitTable(FILE* f, const char* icu_name, const char* id) {
  UErrorCode e = U_ZERO_ERROR;
  UConverter* dec = ucnv_open(icu_name, &e);
  if (U_FAILURE(e)) Die(icu_name, e);
  UConverter* enc = ucnv_open(icu_name, &e);
  ucnv_setFallback(enc, true);
  ucnv_setFromUCallBack(enc, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &e);
  if (U_FAILURE(e)) Die("callback", e);

  char16_t single[128];
  for (int b = 0x80; b < 0x100; ++b) {
    char c = static_cast<char>(b);
    std::u16string s = Decode(dec, &c, 1);
    // A lead byte alone decodes to U+FFFD (incomplete); record it as 0.
    single[b - 0x80] = (s.size() == 1 && s[0] != 0xFFFD) ? s[0] : 0;
  }
  std::vector<char16_t> pairs(kPairs);
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      char p[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      std::u16string s = Decode(dec, p, 2);
      char16_t v;
      if (s.size() == 1) {
        v = s[0];  // a mapping, or U+FFFD for an undefined well-formed pair
      } else if (s.size() == 2 && s[0] == 0xFFFD) {
        v = 0;  // not a trail byte: lead stands alone, trail re-read
      } else {
        std::fprintf(stderr, "gen_codepages: %s %02X %02X: unexpected\n", icu_name, lead, trail);
        std::exit(1);
      }
      pairs[(lead - 0x81) * 191 + (trail - 0x40)] = v;
    }
  }

  // The encoder the runtime derives: ASCII identity, then the first byte
  // sequence in byte order that decodes to each unit.
  std::vector<unsigned> derived(0x10000, 0);
  for (int c = 0; c < 0x80; ++c) derived[c] = c;
  for (int b = 0x80; b < 0x100; ++b)
    if (single[b - 0x80] && !derived[single[b - 0x80]]) derived[single[b - 0x80]] = b;
  for (int i = 0; i < kPairs; ++i) {
    char16_t u = pairs[i];
    if (u == 0 || u == 0xFFFD || derived[u]) continue;
    derived[u] = (0x81 + i / 191) << 8 | (0x40 + i % 191);
  }
  std::vector<std::pair<unsigned, unsigned>> overrides;
  for (unsigned u = 1; u < 0x10000; ++u) {
    if (u >= 0xD800 && u < 0xE000) continue;
    unsigned want = Encode(enc, static_cast<char16_t>(u));
    if (want != derived[u]) overrides.emplace_back(u, want);
  }
  if (Encode(enc, 0) != 0) Die("U+0000 does not encode to 00", U_ZERO_ERROR);

  std::fprintf(f, "// %s: ICU converter \"%s\".\n", id, icu_name);
  std::fprintf(f, "const char16_t k%sSingle[128] = {", id);
  for (int i = 0; i < 128; ++i) std::fprintf(f, "%s0x%04X,", i % 12 ? " " : "\n    ", single[i]);
  std::fprintf(f, "\n};\n\nconst char16_t k%sPairs[126 * 191] = {", id);
  for (int i = 0; i < kPairs; ++i) std::fprintf(f, "%s0x%04X,", i % 12 ? " " : "\n    ", pairs[i]);
  std::fprintf(f, "\n};\n\nconst EncodeOverride k%sOverrides[%zu] = {", id, overrides.size());
  for (size_t i = 0; i < overrides.size(); ++i)
    std::fprintf(f, "%s{0x%04X, 0x%04X},", i % 6 ? " " : "\n    ", overrides[i].first, overrides[i].second);
  std::fprintf(f, "\n};\nconst std::size_t k%sOverrideCount = %zu;\n\n", id, overrides.size());
  std::fprintf(stderr, "%s: %zu encoder overrides\n", icu_name, overrides.size());
  ucnv_close(dec);
  ucnv_close(enc);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_codepages OUT.cc\n");
    return 2;
  }
  FILE* f = std::fopen(argv[1], "w");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(f,
               "// Generated by tools/gen_codepages.cc from ICU %s. Do not edit.\n"
               "#include \"charset/codepage_tables.h\"\n\n"
               "namespace folian::charset::detail {\n\n",
               U_ICU_VERSION);
  EmitTable(f, "windows-936-2000", "Gbk");
  EmitTable(f, "windows-950-2000", "Big5");
  std::fprintf(f, "}  // namespace folian::charset::detail\n");
  return std::fclose(f) == 0 ? 0 : 1;
}
