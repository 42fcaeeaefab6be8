#include "convert/registry.h"

#include <string>

#include "convert/chm/chm_reader.h"
#include "convert/doc/doc_format.h"
#include "convert/docx/docx_format.h"
#include "convert/epub/epub_reader.h"
#include "convert/html/html_reader.h"
#include "convert/jar/jar_reader.h"
#include "convert/pdb/pdb_reader.h"
#include "convert/pdf/pdf_format.h"
#include "convert/pe/pe_reader.h"
#include "convert/rtf/rtf_format.h"
#include "convert/umd/umd_reader.h"

namespace folian::convert {
namespace {

constexpr std::string_view kChmExtensions[] = {".chm"};
constexpr std::string_view kHtmlExtensions[] = {".htm", ".html", ".xhtml", ".shtml"};
constexpr std::string_view kPdfExtensions[] = {".pdf"};
constexpr std::string_view kRtfExtensions[] = {".rtf"};
constexpr std::string_view kDocExtensions[] = {".doc", ".dot"};
constexpr std::string_view kDocxExtensions[] = {".docx", ".docm", ".dotx", ".dotm"};
constexpr std::string_view kPdbExtensions[] = {".pdb"};
constexpr std::string_view kEpubExtensions[] = {".epub"};
constexpr std::string_view kUmdExtensions[] = {".umd"};
constexpr std::string_view kJarExtensions[] = {".jar"};
constexpr std::string_view kExeExtensions[] = {".exe"};

// Formats with a strong magic come before those whose test is a guess
// (HTML), so a renamed archive is never taken for a page.
constexpr Format kFormats[] = {
    {"chm", kChmExtensions, LooksLikeChm, nullptr, ReadChm, false},
    {"pdf", kPdfExtensions, LooksLikePdf, ReadPdf, nullptr, false},
    {"rtf", kRtfExtensions, LooksLikeRtf, ReadRtf, nullptr, false},
    {"doc", kDocExtensions, LooksLikeDoc, ReadDoc, nullptr, false},
    {"docx", kDocxExtensions, LooksLikeDocx, ReadDocx, nullptr, false},
    {"epub", kEpubExtensions, LooksLikeEpub, ReadEpub, nullptr, false},
    {"pdb", kPdbExtensions, LooksLikePalmDoc, ReadPdb, nullptr, false},
    {"umd", kUmdExtensions, LooksLikeUmd, ReadUmd},
    {"jar", kJarExtensions, LooksLikeJar, ReadJar},
    {"html", kHtmlExtensions, LooksLikeHtml, ReadHtml, nullptr, true},
    {"exe", kExeExtensions, LooksLikePe, nullptr, ReadPe, false, true, true},
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithIgnoringCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  const std::string_view tail = s.substr(s.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    if (Lower(tail[i]) != suffix[i]) return false;
  }
  return true;
}

}  // namespace

std::span<const Format> Formats() { return kFormats; }

const Format* FormatByName(std::string_view name) {
  for (const Format& f : kFormats) {
    if (f.name.size() == name.size() && EndsWithIgnoringCase(name, f.name)) return &f;
  }
  return nullptr;
}

const Format* FormatByExtension(std::string_view file_name) {
  for (const Format& f : kFormats) {
    for (std::string_view ext : f.extensions) {
      if (EndsWithIgnoringCase(file_name, ext)) return &f;
    }
  }
  return nullptr;
}

const Format* DetectFormat(std::string_view file_name, std::string_view head) {
  head = head.substr(0, kSniffBytes);
  const Format* by_name = FormatByExtension(file_name);
  if (by_name != nullptr && (by_name->sniff == nullptr || by_name->sniff(head))) return by_name;
  for (const Format& f : kFormats) {
    if (&f != by_name && f.sniff != nullptr && !f.magic_needs_extension && f.sniff(head)) return &f;
  }
  return by_name;
}

}  // namespace folian::convert
