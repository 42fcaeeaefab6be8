#include "convert/jar/jar_writer.h"

#include <fmt/core.h>

#include <array>

#include "charset/codepage.h"
#include "convert/jar/jar_format.h"
#include "convert/zip/zip_reader.h"
#include "convert/zip/zip_writer.h"

namespace folian::convert {
namespace {

using namespace jar;

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// `text` cut to at most `limit` bytes without splitting a UTF-8 sequence.
std::string_view CutUtf8(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t n = limit;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

void Counted(std::string& out, std::string_view text) {
  out += static_cast<char>(text.size());
  out.append(text);
}

Status CopyTemplate(std::string_view template_jar, ZipWriter& zip, JarWriteInfo* info,
                    bool* has_meta_folder) {
  if (template_jar.size() > kMaxTemplateBytes) {
    return Status::Error(fmt::format("阅读器模板 jar 文件超过 {} MB，不像是手机阅读程序，未使用。",
                                     kMaxTemplateBytes >> 20));
  }
  ZipReader reader;
  if (Status s = reader.Open(template_jar); !s) {
    return Status::Error("阅读器模板 jar 文件无法读取：" + s.message());
  }
  if (reader.entries().size() > kMaxTemplateEntries) {
    return Status::Error("阅读器模板 jar 文件中的条目过多，不像是手机阅读程序，未使用。");
  }
  std::string data;
  std::size_t total = 0;
  for (const ZipEntry& e : reader.entries()) {
    if (SameIgnoringCase(e.name, kManifestEntry) || e.name == kInfoEntry || e.name == kTextEntry) {
      continue;
    }
    if (e.directory) {
      data.clear();
    } else if (Status s = reader.Read(e, &data, kMaxTemplateBytes - total); !s) {
      return Status::Error("阅读器模板 jar 文件无法读取：" + s.message());
    }
    total += data.size();
    if (Status s = zip.Add(e.name, data); !s) return s;
    if (SameIgnoringCase(e.name, kMetaFolder)) *has_meta_folder = true;
    ++info->template_entries;
  }
  return Status::Ok();
}

}  // namespace

std::string JarTextEntry(const SourceText& source, std::string_view file_bytes) {
  if (source.encoding.bom_class == text::kBomUtf16LE) return std::string(file_bytes);
  std::string entry(kAnsiTextPrefix);
  entry.reserve(2 + 2 * source.units.size() + 2);
  for (char16_t u : source.units) {
    entry += static_cast<char>(u & 0xFF);
    entry += static_cast<char>(u >> 8);
  }
  entry.append(2, '\0');
  return entry;
}

std::string JarManifest() {
  const std::array<std::string, 9> lines{
      "Manifest-Version: 1.0",
      "MicroEdition-Configuration: CLDC-1.0",
      "MIDlet-Version: 1.06",
      "Created-By: 1.4.2 (Sun Microsystems Inc.)",
      "MIDlet-Vendor: V&U",
      "MicroEdition-Profile: MIDP-1.0",
      fmt::format("MIDlet-1: {}, , {}", kMidletName, kMidletClass),
      fmt::format("MIDlet-Name: {}", kMidletName),
      fmt::format("MIDlet-Info-URL: {}", kInfoUrl),
  };
  std::string out;
  for (const std::string& line : lines) {
    if (!out.empty()) out += "\r\n";
    out += line;
  }
  return out;
}

std::string JarInfoEntry(std::size_t text_entry_bytes, std::string_view base_name, bool* name_cut) {
  // A file name need not be valid UTF-8; the entry must be.
  const std::string name =
      charset::FromWide(charset::kUtf8, charset::ToWide(charset::kUtf8, base_name));
  const std::string head = fmt::format("1,{},", text_entry_bytes);
  const std::string_view kept = CutUtf8(name, kMaxInfoText - head.size());
  if (name_cut != nullptr) *name_cut = kept.size() < name.size();

  std::string out;
  out.append("\x00\x01\x30\x00", 4);
  Counted(out, kMidletName);
  out.append("\x00\x01\x31\x00", 4);
  Counted(out, head + std::string(kept));
  out.append(3, '\0');
  Counted(out, "作者：佚名");
  out += '\0';
  Counted(out, "制作：quill_smith");
  out += '\0';
  Counted(out, std::string("联系：") + kContactUrl);
  return out;
}

Status WriteJar(std::string_view text_entry, std::string_view base_name,
                std::string_view template_jar, std::string* archive, JarWriteInfo* info_out,
                ProgressSink* progress) {
  JarWriteInfo info;
  ZipWriter zip;
  bool has_meta_folder = false;
  if (!template_jar.empty()) {
    if (Status s = CopyTemplate(template_jar, zip, &info, &has_meta_folder); !s) return s;
  }
  const std::string info_entry = JarInfoEntry(text_entry.size(), base_name, &info.name_cut);
  Status s;
  if (!has_meta_folder) s = zip.Add(kMetaFolder, {});
  if (s) s = zip.Add(kManifestEntry, JarManifest());
  if (s) s = zip.Add(kTextEntry, text_entry, progress);
  if (s) s = zip.Add(kInfoEntry, info_entry);
  if (s) s = zip.Finish(archive);
  if (!s) return s;
  if (info_out != nullptr) *info_out = info;
  return Status::Ok();
}

}  // namespace folian::convert
