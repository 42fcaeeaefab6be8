#include "convert/docx/package.h"

#include <tinyxml2.h>

#include <cstdint>
#include <vector>


namespace folian::convert::docx {
namespace {

// Relationship files are small; a larger one is not worth parsing.
constexpr std::uint64_t kMaxRelsBytes = std::uint64_t{4} << 20;

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// The rels file of a part: "word/document.xml" -> "word/_rels/document.xml.rels".
std::string RelsOf(std::string_view part) {
  const std::size_t slash = part.rfind('/');
  if (slash == std::string_view::npos) return "_rels/" + std::string(part) + ".rels";
  return std::string(part.substr(0, slash + 1)) + "_rels/" + std::string(part.substr(slash + 1)) + ".rels";
}

// The target of the first relationship of `rels_name` whose type ends with
// `type_tail`, resolved against `source`; "" when there is none.
std::string FindTarget(ZipReader& zip, const std::string& rels_name, std::string_view source,
                       std::string_view type_tail) {
  const ZipEntry* entry = zip.Find(rels_name);
  if (entry == nullptr) entry = zip.Find(rels_name, /*ignore_case=*/true);
  std::string xml;
  if (entry == nullptr || !zip.Read(*entry, &xml, kMaxRelsBytes).ok()) return {};
  tinyxml2::XMLDocument doc;
  if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS || doc.RootElement() == nullptr) return {};
  for (const tinyxml2::XMLElement* r = doc.RootElement()->FirstChildElement(); r != nullptr;
       r = r->NextSiblingElement()) {
    const char* type = r->Attribute("Type");
    const char* target = r->Attribute("Target");
    const char* mode = r->Attribute("TargetMode");
    if (type == nullptr || target == nullptr || (mode != nullptr && std::string_view(mode) == "External")) continue;
    if (EndsWith(type, type_tail)) return ResolveTarget(source, target);
  }
  return {};
}

bool Exists(ZipReader& zip, std::string* name) {
  if (zip.Find(*name) != nullptr) return true;
  if (const ZipEntry* e = zip.Find(*name, /*ignore_case=*/true)) {
    *name = e->name;
    return true;
  }
  return false;
}

}  // namespace

std::string ResolveTarget(std::string_view source, std::string_view target) {
  std::vector<std::string> parts;
  if (!target.empty() && target.front() == '/') {
    target.remove_prefix(1);
  } else {
    const std::size_t slash = source.rfind('/');
    std::string_view dir = slash == std::string_view::npos ? std::string_view() : source.substr(0, slash);
    while (!dir.empty()) {
      const std::size_t s = dir.find('/');
      parts.emplace_back(dir.substr(0, s));
      dir = s == std::string_view::npos ? std::string_view() : dir.substr(s + 1);
    }
  }
  while (!target.empty()) {
    const std::size_t s = target.find('/');
    const std::string_view seg = target.substr(0, s);
    target = s == std::string_view::npos ? std::string_view() : target.substr(s + 1);
    if (seg.empty() || seg == ".") continue;
    if (seg == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.emplace_back(seg);
  }
  std::string out;
  for (const std::string& p : parts) {
    if (!out.empty()) out.push_back('/');
    out += p;
  }
  return out;
}

PartNames FindParts(ZipReader& zip) {
  PartNames names;
  names.document = FindTarget(zip, "_rels/.rels", "", "/officeDocument");
  if (names.document.empty() || !Exists(zip, &names.document)) names.document = "word/document.xml";
  if (!Exists(zip, &names.document)) {
    names.document.clear();
    return names;
  }
  const std::string rels = RelsOf(names.document);
  names.footnotes = FindTarget(zip, rels, names.document, "/footnotes");
  names.endnotes = FindTarget(zip, rels, names.document, "/endnotes");
  if (!names.footnotes.empty() && !Exists(zip, &names.footnotes)) names.footnotes.clear();
  if (!names.endnotes.empty() && !Exists(zip, &names.endnotes)) names.endnotes.clear();
  return names;
}

}  // namespace folian::convert::docx
