#include "app/book_export.h"

#include <cstdarg>
#include <cstdio>
#include <system_error>

#include "app/export_messages.h"
#include "charset/codepage.h"
#include "convert/jar/jar_writer.h"
#include "convert/limits.h"
#include "convert/source_text.h"
#include "convert/umd/umd_format.h"
#include "convert/umd/umd_writer.h"
#include "text/atomic_write.h"

namespace folian::app {
namespace {

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  std::vsnprintf(out.data(), out.size() + 1, format, again);
  va_end(again);
  return out;
}

ExportResult Failure(std::string message) {
  ExportResult r;
  r.message = std::move(message);
  return r;
}

// Reads the source under the input cap; false with the message set.
bool ReadSource(const std::filesystem::path& source, const char* open_failed, std::string* bytes,
                ExportResult* failure) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(source, ec);
  if (!ec && size > convert::kMaxInputBytes) {
    *failure = Failure(msg::kSourceTooLarge);
    return false;
  }
  std::string error;
  if (ec || !text::ReadWholeFile(source, bytes, &error)) {
    *failure = Failure(std::string(open_failed) + (error.empty() ? "" : "\n" + error));
    return false;
  }
  return true;
}

// The output beside the source, unless it would be the source itself.
bool OutputFor(const std::filesystem::path& source, const char* extension,
               std::filesystem::path* output, ExportResult* failure) {
  *output = source;
  output->replace_extension(extension);
  std::error_code ec;
  if (*output == source || std::filesystem::equivalent(*output, source, ec)) {
    *failure = Failure(msg::kSameAsSource);
    return false;
  }
  return true;
}

std::size_t CodePoints(std::u16string_view s) {
  std::size_t n = 0;
  for (char16_t u : s) n += u < 0xDC00 || u > 0xDFFF;
  return n;
}

}  // namespace

std::string ExportResult::Text() const {
  std::string text = message;
  for (const std::string& note : notes) text.append("\n").append(note);
  return text;
}

ExportResult ExportUmd(const std::filesystem::path& source, std::string title, std::string author,
                       ProgressSink* progress) {
  ExportResult failure;
  std::string bytes;
  std::filesystem::path output;
  if (!OutputFor(source, ".umd", &output, &failure) ||
      !ReadSource(source, msg::kTxtOpenFailed, &bytes, &failure)) {
    return failure;
  }
  const convert::SourceText src = convert::DecodeSource(bytes);
  bytes = std::string();

  if (title.empty()) title = source.stem().string();
  convert::UmdBook book;
  book.title = charset::ToWide(charset::kUtf8, title);
  book.author = charset::ToWide(charset::kUtf8, author);
  // The mark of a Unicode file stays the text's first character.
  if (src.encoding.mark) book.text = u"\uFEFF";
  book.text += src.units;

  std::string archive;
  if (convert::Status s = convert::WriteUmd(book, &archive, {}, progress); !s) return Failure(s.message());
  std::string error;
  if (!text::WriteFileAtomic(output, archive, &error)) {
    return Failure(std::string(msg::kUmdCreateFailed) + "\n" + error);
  }
  ExportResult r;
  r.ok = true;
  r.output = output;
  r.message = Format(msg::kUmdMade, output.string().c_str());
  for (auto [text, note] : {std::pair{&book.title, msg::kTitleCut}, {&book.author, msg::kAuthorCut}}) {
    const std::u16string kept = convert::FitSectionText(*text);
    if (kept.size() < text->size()) {
      r.notes.push_back(Format(note, static_cast<int>(CodePoints(kept))));
    }
  }
  return r;
}

ExportResult ExportJar(const std::filesystem::path& source, const std::filesystem::path& template_jar,
                       ProgressSink* progress) {
  ExportResult failure;
  std::string bytes;
  std::filesystem::path output;
  if (!OutputFor(source, ".jar", &output, &failure) ||
      !ReadSource(source, msg::kJarOpenFailed, &bytes, &failure)) {
    return failure;
  }
  std::string template_bytes;
  if (!template_jar.empty()) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(template_jar, ec);
    std::string error;
    if (!ec && size > convert::jar::kMaxTemplateBytes) {
      return Failure(std::string(msg::kTemplateOpenFailed) + template_jar.string() + "\n" +
                     "文件过大，不像是手机阅读程序。");
    }
    if (ec || !text::ReadWholeFile(template_jar, &template_bytes, &error)) {
      return Failure(std::string(msg::kTemplateOpenFailed) + template_jar.string() +
                     (error.empty() ? "" : "\n" + error));
    }
  }
  const convert::SourceText src = convert::DecodeSource(bytes);
  const std::string entry = convert::JarTextEntry(src, bytes);
  bytes = std::string();

  std::string archive;
  convert::JarWriteInfo info;
  if (convert::Status s = convert::WriteJar(entry, source.stem().string(), template_bytes, &archive, &info,
                                              progress);
      !s) {
    return Failure(s.message());
  }
  std::string error;
  if (!text::WriteFileAtomic(output, archive, &error)) {
    return Failure(std::string(msg::kJarFailed) + "\n" + error);
  }
  ExportResult r;
  r.ok = true;
  r.output = output;
  r.message = Format(msg::kJarMade, output.string().c_str());
  if (info.name_cut) r.notes.push_back(msg::kJarNameCut);
  if (template_jar.empty()) {
    r.notes.push_back(msg::kJarNoTemplate);
  } else {
    r.notes.push_back(Format(msg::kJarTemplateUsed, template_jar.string().c_str(),
                             static_cast<int>(info.template_entries)));
  }
  return r;
}

}  // namespace folian::app
