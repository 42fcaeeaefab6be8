#include "convert/umd/umd_writer.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <unordered_set>
#include <vector>

#include "convert/umd/umd_cover.h"
#include "convert/umd/umd_format.h"

namespace folian::convert {
namespace {

using namespace umd;

class Out {
 public:
  explicit Out(std::string* s) : s_(*s) {}
  void Byte(unsigned v) { s_ += static_cast<char>(v & 0xFF); }
  void U16(unsigned v) {
    Byte(v);
    Byte(v >> 8);
  }
  void U32(std::uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void Raw(std::string_view b) { s_.append(b); }
  void Units(std::u16string_view text) {
    for (char16_t u : text) U16(u);
  }
  void SectionHead(std::uint16_t type, std::uint8_t flag, std::size_t length) {
    Byte(kSectionMark);
    U16(type);
    Byte(flag);
    Byte(static_cast<unsigned>(length));
  }
  void TextSection(std::uint16_t type, std::u16string_view text) {
    SectionHead(type, 0, kSectionHeader + 2 * text.size());
    Units(text);
  }
  void BlockHead(std::uint32_t id, std::size_t payload) {
    Byte(kBlockMark);
    U32(id);
    U32(static_cast<std::uint32_t>(kBlockHeader + payload));
  }
  std::size_t size() const { return s_.size(); }

 private:
  std::string& s_;
};

// Deflate at level 9 with the zlib wrapper, as every UMD reader expects.
bool Compress(std::string_view in, std::string* out) {
  uLongf size = compressBound(static_cast<uLong>(in.size()));
  out->resize(size);
  if (compress2(reinterpret_cast<Bytef*>(out->data()), &size,
                reinterpret_cast<const Bytef*>(in.data()), static_cast<uLong>(in.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    return false;
  }
  out->resize(size);
  return true;
}

std::string LeBytes(std::u16string_view text) {
  std::string b;
  b.reserve(text.size() * 2);
  for (char16_t u : text) {
    b += static_cast<char>(u & 0xFF);
    b += static_cast<char>(u >> 8);
  }
  return b;
}

UmdRandom DefaultRandom() {
  auto engine = std::make_shared<std::mt19937>(std::random_device{}());
  return [engine] { return static_cast<std::uint32_t>((*engine)()); };
}

}  // namespace

std::u16string FitSectionText(std::u16string_view text) {
  if (text.size() <= kMaxSectionTextUnits) return std::u16string(text);
  std::size_t n = kMaxSectionTextUnits;
  // Keep a surrogate pair whole or leave both halves out.
  if (text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  return std::u16string(text.substr(0, n));
}

Status WriteUmd(const UmdBook& book, std::string* archive, const UmdRandom& random_in,
                ProgressSink* progress_in) {
  ProgressSink& progress = progress_in != nullptr ? *progress_in : NullProgress();
  const UmdRandom random = random_in ? random_in : DefaultRandom();
  const std::string text = LeBytes(book.text);
  // Drawn once: every book carries the same picture.
  static const std::string cover = DrawCover();
  // Every length the format stores has four bytes; leave room for the rest.
  if (text.size() > std::numeric_limits<std::uint32_t>::max() / 2) {
    return Status::Error("文本过大，无法生成 umd 文件。");
  }

  archive->clear();
  Out o(archive);
  o.Raw(std::string_view(reinterpret_cast<const char*>(kMagic), sizeof kMagic));
  o.SectionHead(kFileKind, 0, 8);
  o.Byte(kKindText);
  o.U16(1);
  o.TextSection(kTitle, FitSectionText(book.title));
  o.TextSection(kAuthor, FitSectionText(book.author));
  o.TextSection(kYear, u"2010");
  o.TextSection(kMonth, u"1");
  o.TextSection(kDay, u"1");
  o.TextSection(kBookKind, u"现代文学");
  o.TextSection(kPublisher, u"（无）");
  o.SectionHead(kContentLength, 0, 9);
  o.U32(static_cast<std::uint32_t>(text.size()));

  const std::uint32_t id = random();
  o.SectionHead(kChapterOffsets, 1, 9);
  o.U32(id);
  o.BlockHead(id, 4);
  o.U32(0);
  o.SectionHead(kChapterTitles, 1, 9);
  o.U32(id);
  o.BlockHead(id, 3);
  o.Byte(2);
  o.Units(u"1");

  const std::size_t chunks = (text.size() + kChunkBytes - 1) / kChunkBytes;
  const std::size_t padding_after = 1 + random() % 10;
  const std::size_t seed_after = 1 + random() % 10;
  std::vector<std::uint32_t> chunk_ids;
  std::unordered_set<std::uint32_t> used{id};
  std::string chunk, packed;
  progress.SetRange(0, static_cast<std::int64_t>(chunks));
  for (std::size_t i = 0; i < chunks; ++i) {
    chunk.assign(text, i * kChunkBytes, kChunkBytes);
    if (chunk.size() < kMinLastChunkBytes) {
      // Blanks (U+0020) after the text; the content length marks where it ends.
      while (chunk.size() < kMinLastChunkBytes) chunk.append(" \0", 2);
    }
    if (!Compress(chunk, &packed)) return Status::Error("压缩数据时发生错误。");
    std::uint32_t chunk_id = random();
    while (!used.insert(chunk_id).second) chunk_id = random();
    chunk_ids.push_back(chunk_id);
    o.BlockHead(chunk_id, packed.size());
    o.Raw(packed);
    if (i == padding_after) {
      o.SectionHead(kChunkPadding, 0, 21);
      o.Raw(std::string(16, '\0'));
    }
    if (i == seed_after) {
      o.SectionHead(kPageSeed, 0, 9);
      o.U32(random());
    }
    progress.SetPosition(static_cast<std::int64_t>(i + 1));
  }

  o.SectionHead(kChunkIndex, 1, 9);
  o.U32(id);
  o.BlockHead(id, 4 * chunk_ids.size());
  for (std::uint32_t c : chunk_ids) o.U32(c);

  o.SectionHead(kCover, 1, 10);
  o.Byte(1);
  o.U32(id);
  o.BlockHead(id, cover.size());
  o.Raw(cover);

  o.SectionHead(kEnd, 1, 9);
  o.U32(static_cast<std::uint32_t>(o.size() + 4));
  return Status::Ok();
}

}  // namespace folian::convert
