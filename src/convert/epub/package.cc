#include "convert/epub/package.h"

#include <tinyxml2.h>

#include <vector>

#include "convert/messages.h"

namespace folian::convert::epub {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool EndsWithIgnoringCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && EqualsIgnoringCase(s.substr(s.size() - suffix.size()), suffix);
}

// "opf:item" -> "item".
std::string_view LocalName(const char* name) {
  std::string_view n = name ? name : "";
  const std::size_t colon = n.rfind(':');
  return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

const char* Attribute(const tinyxml2::XMLElement* e, std::string_view wanted) {
  for (const tinyxml2::XMLAttribute* a = e->FirstAttribute(); a != nullptr; a = a->Next()) {
    if (EqualsIgnoringCase(LocalName(a->Name()), wanted)) return a->Value();
  }
  return nullptr;
}

// Every element of the document in document order, without recursion.
template <typename Visit>
void ForEachElement(const tinyxml2::XMLDocument& doc, Visit visit) {
  std::vector<const tinyxml2::XMLElement*> stack;
  for (const tinyxml2::XMLElement* e = doc.LastChildElement(); e; e = e->PreviousSiblingElement()) {
    stack.push_back(e);
  }
  while (!stack.empty()) {
    const tinyxml2::XMLElement* e = stack.back();
    stack.pop_back();
    if (!visit(e)) return;
    for (const tinyxml2::XMLElement* c = e->LastChildElement(); c; c = c->PreviousSiblingElement()) {
      stack.push_back(c);
    }
  }
}

bool Parse(std::string_view xml, tinyxml2::XMLDocument* doc) {
  return doc->Parse(xml.data(), xml.size()) == tinyxml2::XML_SUCCESS;
}

}  // namespace

Status FindPackagePath(std::string_view container_xml, std::string* path) {
  tinyxml2::XMLDocument doc;
  if (!Parse(container_xml, &doc)) return Status::Error(msg::kEpubBadContainer);
  std::string first, typed;
  ForEachElement(doc, [&](const tinyxml2::XMLElement* e) {
    if (LocalName(e->Name()) != "rootfile") return true;
    const char* full_path = Attribute(e, "full-path");
    if (full_path == nullptr || *full_path == '\0') return true;
    if (first.empty()) first = full_path;
    const char* type = Attribute(e, "media-type");
    if (type != nullptr && EqualsIgnoringCase(type, "application/oebps-package+xml")) {
      typed = full_path;
      return false;
    }
    return true;
  });
  *path = typed.empty() ? first : typed;
  if (path->empty()) return Status::Error(msg::kEpubBadContainer);
  if (path->size() > kMaxReferenceBytes) return Status::Error(msg::kEpubReferenceTooLong);
  return Status::Ok();
}

Status ParsePackage(std::string_view opf, Package* package) {
  tinyxml2::XMLDocument doc;
  if (!Parse(opf, &doc)) return Status::Error(msg::kEpubBadPackage);
  Status status;
  ForEachElement(doc, [&](const tinyxml2::XMLElement* e) {
    const std::string_view name = LocalName(e->Name());
    if (name == "itemref") {
      const char* idref = Attribute(e, "idref");
      if (idref == nullptr) return true;
      if (package->spine.size() >= kMaxSpineItems) {
        status = Status::Error(msg::kEpubTooManyItems);
        return false;
      }
      package->spine.emplace_back(idref);
    } else if (name == "item") {
      const char* id = Attribute(e, "id");
      const char* href = Attribute(e, "href");
      if (id == nullptr || href == nullptr) return true;
      if (package->items.size() >= kMaxManifestItems) {
        status = Status::Error(msg::kEpubTooManyItems);
        return false;
      }
      const char* type = Attribute(e, "media-type");
      package->items.push_back({id, href, type ? type : ""});
    } else {
      return true;
    }
    const std::string& last = name == "itemref" ? package->spine.back() : package->items.back().href;
    if (last.size() > kMaxReferenceBytes ||
        (name == "item" && package->items.back().id.size() > kMaxReferenceBytes)) {
      status = Status::Error(msg::kEpubReferenceTooLong);
      return false;
    }
    return true;
  });
  return status;
}

bool IsHtmlItem(const ManifestItem& item) {
  if (EqualsIgnoringCase(item.media_type, "application/xhtml+xml") ||
      EqualsIgnoringCase(item.media_type, "text/html")) {
    return true;
  }
  const std::string_view href = std::string_view(item.href).substr(0, item.href.find_first_of("#?"));
  return EndsWithIgnoringCase(href, ".htm") || EndsWithIgnoringCase(href, ".html") ||
         EndsWithIgnoringCase(href, ".xhtml");
}

}  // namespace folian::convert::epub
