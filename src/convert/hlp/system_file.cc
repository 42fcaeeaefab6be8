#include "convert/hlp/system_file.h"

#include "charset/codepage.h"
#include "convert/byte_reader.h"

namespace folian::convert::hlp {
namespace {

constexpr std::uint16_t kRecordTitle = 1;
constexpr std::uint16_t kRecordLcid = 9;
constexpr std::uint16_t kRecordCharset = 11;
constexpr std::uint16_t kRecordDefaultFont = 12;
// The LCID record holds four words before the language id.
constexpr std::size_t kLcidOffset = 8;

constexpr std::uint16_t kFlagLz77Blocks4k = 0x04;
constexpr std::uint16_t kFlagLz77Blocks2k = 0x08;

// Windows character sets of the fonts: GB2312 and Big5.
constexpr int kCharsetGb2312 = 134;
constexpr int kCharsetBig5 = 136;

int CodePageOfLcid(std::uint16_t lcid) {
  switch (lcid & 0x03FF) {
    case 0x04:  // Chinese: the sublanguage says which script
      switch (lcid >> 10) {
        case 0x01:    // Taiwan
        case 0x03:    // Hong Kong
        case 0x05:    // Macao
          return charset::kBig5;
        default:      // PRC, Singapore
          return charset::kGbk;
      }
    default: return 0;
  }
}

int CodePageOfCharset(int set) {
  if (set == kCharsetGb2312) return charset::kGbk;
  if (set == kCharsetBig5) return charset::kBig5;
  return 0;
}

std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

}  // namespace

bool ReadSystem(std::string_view file, SystemInfo* info) {
  *info = SystemInfo{};
  ByteReader r(file);
  std::uint16_t magic = 0, major = 0;
  std::uint32_t date = 0;
  if (!r.U16Le(&magic) || magic != kSystemMagic || !r.U16Le(&info->minor) || !r.U16Le(&major) ||
      !r.U32Le(&date) || !r.U16Le(&info->flags)) {
    return false;
  }
  if (info->minor <= kLastWin30Minor) {
    // Windows 3.0: the title follows the header; nothing is compressed.
    info->title = UpToNul(file.substr(r.pos()));
    info->topic_block_bytes = 2048;
    return true;
  }
  info->lz77 = (info->flags & (kFlagLz77Blocks4k | kFlagLz77Blocks2k)) != 0;
  info->topic_block_bytes = (info->flags & kFlagLz77Blocks2k) != 0 ? 2048 : 4096;

  int by_lcid = 0, by_charset = 0;
  for (;;) {
    std::uint16_t type = 0, size = 0;
    std::string_view data;
    if (!r.U16Le(&type) || !r.U16Le(&size) || !r.Bytes(size, &data)) break;  // a cut record ends the list
    switch (type) {
      case kRecordTitle: info->title = UpToNul(data); break;
      case kRecordLcid:
        if (data.size() >= kLcidOffset + 2) {
          const auto lcid = static_cast<std::uint16_t>(static_cast<unsigned char>(data[kLcidOffset]) |
                                                       static_cast<unsigned char>(data[kLcidOffset + 1]) << 8);
          by_lcid = CodePageOfLcid(lcid);
        }
        break;
      case kRecordCharset:
        if (!data.empty() && by_charset == 0) by_charset = CodePageOfCharset(static_cast<unsigned char>(data[0]));
        break;
      case kRecordDefaultFont:
        // Height in points, then the character set.
        if (data.size() >= 2 && by_charset == 0) by_charset = CodePageOfCharset(static_cast<unsigned char>(data[1]));
        break;
      default: break;
    }
  }
  // The language decides; a Chinese character set in a file whose language
  // is not Chinese (or not given) still means Chinese text.
  info->codepage = by_lcid != 0 ? by_lcid : by_charset != 0 ? by_charset : 1252;
  return true;
}

}  // namespace folian::convert::hlp
