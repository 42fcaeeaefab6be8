#include "convert/jar/jar_reader.h"

#include <fmt/core.h>

#include <charconv>
#include <string>
#include <vector>

#include "charset/codepage.h"
#include "charset/script.h"
#include "convert/jar/jar_format.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/wide_text.h"
#include "convert/zip/zip_reader.h"

namespace folian::convert {
namespace {

using namespace jar;

// "HB" read as a UTF-16LE unit: our writer's stand-in for a mark.
constexpr char16_t kAnsiPrefixUnit = 0x4248;

bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(s[i]) != lower(prefix[i])) return false;
  }
  return true;
}

class JarText {
 public:
  JarText(ZipReader& zip, const ReadContext& ctx) : zip_(zip), ctx_(ctx) {}

  Status Read(const ZipEntry& e, std::string* bytes) {
    if (Cancelled(ctx_.cancel)) return Status::Error(msg::kCancelled);
    ctx_.progress->SetPosition(static_cast<std::int64_t>(&e - zip_.entries().data()));
    return zip_.Read(e, bytes, kMaxInflatedEntry);
  }

  // Appends UTF-16LE text without its mark and terminating zeros.
  Status AddWide(std::string_view bytes) {
    std::u16string units = UnitsFromLe(bytes);
    std::u16string_view v = units;
    if (!v.empty() && (v.front() == u'\uFEFF' || v.front() == kAnsiPrefixUnit)) v.remove_prefix(1);
    while (!v.empty() && v.back() == u'\0') v.remove_suffix(1);
    return Append(v);
  }
  Status AddWide(const ZipEntry& e) {
    std::string bytes;
    if (Status s = Read(e, &bytes); !s) return s;
    return AddWide(bytes);
  }

  Status AddUtf8(const ZipEntry& e) {
    std::string bytes;
    if (Status s = Read(e, &bytes); !s) return s;
    std::string_view v = bytes;
    if (v.starts_with("\xEF\xBB\xBF")) v.remove_prefix(3);
    return Append(charset::ToWide(charset::kUtf8, v));
  }

  std::u16string& text() { return text_; }

 private:
  Status Append(std::u16string_view units) {
    if (units.size() > kMaxTextBytes / 2 - text_.size()) {
      return Status::Error(fmt::format("JAR 文件中的正文超过 {} MB，拒绝处理。", kMaxTextBytes >> 20));
    }
    text_.append(units);
    return Status::Ok();
  }

  ZipReader& zip_;
  const ReadContext& ctx_;
  std::u16string text_;
};

// Layout 1: the book in entry "1", or in numbered parts. Sizes are those of
// the inflated entries, never what the directory claims.
Status ReadNumbered(ZipReader& zip, const ZipEntry& info, JarText& out) {
  std::string bytes;
  if (Status s = out.Read(info, &bytes); !s) return s;
  const ZipEntry* whole = zip.Find(kTextEntry);
  if (whole != nullptr && bytes.size() < kSmallInfoEntry) return out.AddWide(*whole);
  // Entries by number, so the walk does not search the list for each one.
  std::vector<const ZipEntry*> numbered(zip.entries().size(), nullptr);
  for (const ZipEntry& e : zip.entries()) {
    std::size_t k = 0;
    const char* end = e.name.data() + e.name.size();
    auto [p, ec] = std::from_chars(e.name.data(), end, k);
    const bool canonical = ec == std::errc() && p == end && (e.name.size() == 1 || e.name[0] != '0');
    if (canonical && k < numbered.size() && numbered[k] == nullptr) numbered[k] = &e;
  }
  for (std::size_t k = 0; k < numbered.size() && numbered[k] != nullptr; ++k) {
    if (k > 0) {
      if (Status s = out.Read(*numbered[k], &bytes); !s) return s;
    }
    if (bytes.size() < kPartMinBytes) continue;
    if (Status s = out.AddWide(bytes); !s) return s;
  }
  return Status::Ok();
}

// Layout 3: UTF-8 files under "data/<folder>/", the folder's "info" left out.
Status ReadDataFolder(ZipReader& zip, JarText& out, bool* found) {
  for (const ZipEntry& e : zip.entries()) {
    if (e.directory || !StartsWithIgnoringCase(e.name, kDataFolder)) continue;
    const std::string_view rest = std::string_view(e.name).substr(sizeof kDataFolder - 1);
    const std::size_t slash = rest.find('/');
    if (slash == 0 || slash == std::string_view::npos) continue;
    const std::string_view file = rest.substr(slash + 1);
    if (file.empty() || file.find('/') != std::string_view::npos ||
        (StartsWithIgnoringCase(file, kDataInfoName) && file.size() == sizeof kDataInfoName - 1)) {
      continue;
    }
    *found = true;
    if (Status s = out.AddUtf8(e); !s) return s;
  }
  return Status::Ok();
}

Status Emit(std::u16string_view text, bool simplify, TextSink& sink) {
  if (simplify && ChooseEncoding(text) == TextEncoding::kGbk &&
      charset::FromWide(charset::kBig5, text).size() < charset::FromWide(charset::kGbk, text).size()) {
    std::string gbk = charset::FromWide(charset::kGbk, text);
    charset::ConvertScript(gbk, charset::ScriptMode::kGbkToGb);
    sink.SetEncoding(TextEncoding::kGbk);
    if (!sink.Append(gbk)) return Status::Error(msg::kOutputTooLarge);
    return Status::Ok();
  }
  return EmitWideText(text, sink);
}

}  // namespace

bool LooksLikeJar(std::string_view head) {
  // Local file header: signature, 22 bytes of fields, name length (2),
  // extra length (2), then the name.
  constexpr std::size_t kNameAt = 30;
  if (!head.starts_with("PK\x03\x04") || head.size() < kNameAt) return false;
  const std::size_t name_length =
      static_cast<unsigned char>(head[26]) | static_cast<std::size_t>(static_cast<unsigned char>(head[27])) << 8;
  const std::string_view name = head.substr(kNameAt, name_length);
  return name == kInfoEntry || name == kTextEntry || StartsWithIgnoringCase(name, "META-INF/") ||
         StartsWithIgnoringCase(name, "ebook/") || StartsWithIgnoringCase(name, kDataFolder);
}

Status ReadJar(std::string_view input, TextSink& sink, const ReadContext& ctx) {
  if (input.size() > kMaxInputBytes) return Status::Error("文件过大，拒绝处理。");
  ZipReader zip;
  if (Status s = zip.Open(input); !s) return Status::Error("不是有效的 JAR 文件：" + s.message());
  ctx.progress->SetRange(0, static_cast<std::int64_t>(zip.entries().size()));
  JarText text(zip, ctx);

  if (const ZipEntry* info = zip.Find(kInfoEntry)) {
    if (Status s = ReadNumbered(zip, *info, text); !s) return s;
    return Emit(text.text(), false, sink);
  }
  if (const ZipEntry* book = zip.Find(kEbookTextEntry)) {
    if (Status s = text.AddWide(*book); !s) return s;
    return Emit(text.text(), true, sink);
  }
  bool found = false;
  if (Status s = ReadDataFolder(zip, text, &found); !s) return s;
  if (!found) {
    return Status::Error("这个 JAR 文件中没有找到电子书正文（不是已知的手机电子书格式），未转换。");
  }
  return Emit(text.text(), false, sink);
}

}  // namespace folian::convert
