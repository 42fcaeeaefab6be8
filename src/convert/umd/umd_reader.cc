#include "convert/umd/umd_reader.h"

#include <fmt/core.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "convert/byte_reader.h"
#include "convert/inflate.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/umd/umd_format.h"
#include "convert/wide_text.h"

namespace folian::convert {
namespace {

using namespace umd;

std::uint32_t Le32(std::string_view p) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(p[0])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(p[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(p[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(p[3])) << 24;
}

Status Damaged(std::size_t offset) {
  return Status::Error(
      fmt::format("UMD 文件已损坏：第 {} 字节处的数据不完整或长度不对，未转换。", offset));
}

// What the walk over sections and blocks collects.
struct Walk {
  std::string text;  // UTF-16LE bytes of the content chunks, in file order
  std::size_t chunks = 0;
  std::optional<std::uint32_t> content_length;
  std::uint8_t kind = kKindText;
};

class UmdWalker {
 public:
  UmdWalker(std::string_view input, const ReadContext& ctx) : r_(input), ctx_(ctx) {}

  Status Run(Walk* walk) {
    r_.Skip(sizeof kMagic);
    ctx_.progress->SetRange(0, static_cast<std::int64_t>(r_.size()));
    while (r_.remaining() > 0) {
      const std::size_t at = r_.pos();
      const char mark = r_.data()[at];
      Status s;
      if (mark == kSectionMark) {
        s = Section(walk);
      } else if (mark == kBlockMark) {
        s = Block(walk);
      } else {
        break;  // what follows the last block is not part of the book
      }
      if (!s) return s;
    }
    return Status::Ok();
  }

 private:
  Status Section(Walk* walk) {
    const std::size_t at = r_.pos();
    std::uint16_t type = 0;
    std::uint8_t flag = 0, length = 0;
    std::string_view payload;
    r_.Skip(1);
    if (!r_.U16Le(&type) || !r_.U8(&flag) || !r_.U8(&length) || length < kSectionHeader ||
        !r_.Bytes(length - kSectionHeader, &payload)) {
      return Damaged(at);
    }
    switch (type) {
      case kFileKind:
        if (!payload.empty()) walk->kind = static_cast<std::uint8_t>(payload[0]);
        break;
      case kChunkIndex:
      case kChapterOffsets:
      case kChapterTitles:
        if (payload.size() < 4) return Damaged(at);
        list_id_ = Le32(payload);
        has_list_id_ = true;
        break;
      case kCover:
        if (payload.size() < 5) return Damaged(at);
        list_id_ = Le32(payload.substr(1));
        has_list_id_ = true;
        break;
      case kContentLength:
        if (payload.size() < 4) return Damaged(at);
        walk->content_length = Le32(payload);
        break;
      default:
        break;
    }
    // The filler sections stand between content chunks: the chunks after
    // them are read as after the chapter-titles section.
    state_ = type == kPageSeed || type == kChunkPadding ? std::uint16_t{kChapterTitles} : type;
    return Status::Ok();
  }

  Status Block(Walk* walk) {
    const std::size_t at = r_.pos();
    std::uint32_t id = 0, length = 0;
    std::string_view payload;
    r_.Skip(1);
    if (!r_.U32Le(&id) || !r_.U32Le(&length) || length < kBlockHeader ||
        !r_.Bytes(length - kBlockHeader, &payload)) {
      return Damaged(at);
    }
    const bool content = state_ == kChapterTitles && !(has_list_id_ && id == list_id_) &&
                         !payload.empty() &&
                         static_cast<unsigned char>(payload[0]) == kZlibFirstByte;
    if (!content) return Status::Ok();

    if (Cancelled(ctx_.cancel)) return Status::Error(msg::kCancelled);
    if (walk->chunks == kMaxChunks) {
      return Status::Error(fmt::format("UMD 文件中的正文数据块超过 {} 个，拒绝处理。", kMaxChunks));
    }
    ++walk->chunks;
    switch (Inflate(payload, kMaxChunkInflated, &walk->text)) {
      case InflateOutcome::kComplete:
        break;
      case InflateOutcome::kDamaged:
        return Status::Error(fmt::format(
            "UMD 文件已损坏：第 {} 个正文数据块（第 {} 字节处）无法解压，未转换。", walk->chunks, at));
      case InflateOutcome::kOverCap:
        return Status::Error(fmt::format(
            "UMD 文件第 {} 个正文数据块解压后超过 {} KB，文件已损坏或不是正常的电子书，未转换。",
            walk->chunks, kMaxChunkInflated / 1024));
    }
    if (walk->text.size() > kMaxTextBytes) {
      return Status::Error(
          fmt::format("UMD 文件的正文超过 {} MB，拒绝处理。", kMaxTextBytes >> 20));
    }
    ctx_.progress->SetPosition(static_cast<std::int64_t>(r_.pos()));
    return Status::Ok();
  }

  ByteReader r_;
  const ReadContext& ctx_;
  std::uint16_t state_ = 0;
  // The block the last list section names (title list, index, cover).
  std::uint32_t list_id_ = 0;
  bool has_list_id_ = false;
};

// UTF-16LE bytes to text in one pass: line separators become CR LF, a
// leading mark goes.
std::u16string TextOf(std::string_view le) {
  std::u16string out;
  out.reserve(le.size() / 2 + le.size() / 32);
  const auto* p = reinterpret_cast<const unsigned char*>(le.data());
  const auto* end = p + le.size() / 2 * 2;
  if (end - p >= 2 && p[0] == 0xFF && p[1] == 0xFE) p += 2;
  for (; p < end; p += 2) {
    const auto u = static_cast<char16_t>(p[0] | p[1] << 8);
    if (u == u'\u2029' || u == u'\u2028') {
      out += u"\r\n";
    } else {
      out += u;
    }
  }
  return out;
}

}  // namespace

bool LooksLikeUmd(std::string_view head) {
  return head.starts_with(std::string_view(reinterpret_cast<const char*>(kMagic), sizeof kMagic));
}

Status ReadUmd(std::string_view input, TextSink& sink, const ReadContext& ctx) {
  if (input.size() > kMaxInputBytes) return Status::Error("文件过大，拒绝处理。");
  if (!LooksLikeUmd(input)) return Status::Error(kUmdWrongHeader);
  Walk walk;
  // Room for a typical book at once (text compresses to a third or so); the
  // text grows past it as it must.
  walk.text.reserve(std::min<std::size_t>(input.size() * 4, kMaxTextBytes));
  UmdWalker walker(input, ctx);
  if (Status s = walker.Run(&walk); !s) return s;

  if (walk.chunks == 0) {
    if (walk.kind == kKindPictures) {
      return Status::Error("这是图片（漫画）格式的 UMD 文件，其中没有文字，未转换。");
    }
    if (walk.content_length.value_or(1) != 0) {
      return Status::Error("UMD 文件中没有找到正文，未转换。");
    }
  }
  // Writers pad the last chunk; the declared length says where the text ends.
  // A declared length beyond the chunks is not trusted to mean anything.
  std::size_t length = walk.text.size() & ~std::size_t{1};
  if (walk.content_length && *walk.content_length < length) length = *walk.content_length & ~1u;
  while (length >= 2 && walk.text[length - 1] == '\0' && walk.text[length - 2] == '\0') length -= 2;
  return EmitWideText(TextOf(std::string_view(walk.text).substr(0, length)), sink);
}

}  // namespace folian::convert
