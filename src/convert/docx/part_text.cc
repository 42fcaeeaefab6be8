#include "convert/docx/part_text.h"

#include <tinyxml2.h>

#include <cstring>
#include <string>
#include <vector>

#include "charset/codepage.h"
#include "convert/docx/docx_format.h"

namespace folian::convert::docx {
namespace {

using tinyxml2::XMLElement;

constexpr const char* kWordNamespaces[] = {
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main",
    "http://purl.oclc.org/ooxml/wordprocessingml/main",  // ISO strict
};
// Elements visited between two looks at the cancel flag.
constexpr unsigned kCancelCheckEvery = 4096;

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// UTF-16 parts (allowed, seldom written) become UTF-8 for the parser.
std::string Utf8Of(std::string_view xml) {
  const bool le = xml.substr(0, 2) == "\xFF\xFE";
  std::u16string wide;
  wide.reserve(xml.size() / 2);
  for (std::size_t i = 2; i + 1 < xml.size(); i += 2) {
    const auto a = static_cast<unsigned char>(xml[i]);
    const auto b = static_cast<unsigned char>(xml[i + 1]);
    wide.push_back(static_cast<char16_t>(le ? a | b << 8 : a << 8 | b));
  }
  return charset::FromWide(charset::kUtf8, wide);
}

class Walker {
 public:
  Walker(GbkOrUtf8Text* out, const CancelFlag* cancel) : out_(out), cancel_(cancel) {}

  void FindPrefix(const XMLElement* root);
  // Every element below `top` in document order. False when cancelled.
  bool Walk(const XMLElement* top);

 private:
  // The local name of a WordprocessingML element, nullptr for others.
  const char* Local(const XMLElement* e) const {
    const char* name = e->Name();
    if (std::strncmp(name, prefix_.c_str(), prefix_.size()) != 0) return nullptr;
    const char* local = name + prefix_.size();
    return std::strchr(local, ':') == nullptr ? local : nullptr;
  }
  bool Enter(const XMLElement* e);
  void Leave(const XMLElement* e);
  bool Suppressed() const { return instructions_ > 0 || overflow_ > 0; }
  void Text(const char* utf8);

  GbkOrUtf8Text* out_;
  const CancelFlag* cancel_;
  std::string prefix_ = "w:";
  std::vector<bool> fields_;  // per open field: still in its instruction
  int instructions_ = 0;
  int overflow_ = 0;
  unsigned visited_ = 0;
  std::u16string scratch_;
};

void Walker::FindPrefix(const XMLElement* root) {
  for (const tinyxml2::XMLAttribute* a = root->FirstAttribute(); a != nullptr; a = a->Next()) {
    const std::string_view name = a->Name();
    for (const char* ns : kWordNamespaces) {
      if (!Is(a->Value(), ns)) continue;
      if (name == "xmlns") {
        prefix_.clear();
        return;
      }
      if (name.substr(0, 6) == "xmlns:") {
        prefix_ = std::string(name.substr(6)) + ":";
        return;
      }
    }
  }
}

void Walker::Text(const char* utf8) {
  if (utf8 == nullptr || *utf8 == '\0') return;
  charset::ToWide(charset::kUtf8, utf8, scratch_);
  out_->Append(scratch_);
}

bool Walker::Enter(const XMLElement* e) {
  const char* local = Local(e);
  if (local == nullptr) {
    // Alternate content gives the same text twice; the first choice is read.
    const char* colon = std::strchr(e->Name(), ':');
    return !Is(colon != nullptr ? colon + 1 : e->Name(), "Fallback");
  }
  if (Is(local, "fldChar")) {
    const char* type = e->Attribute((prefix_ + "fldCharType").c_str());
    if (type == nullptr) return false;
    if (Is(type, "begin")) {
      if (fields_.size() < static_cast<std::size_t>(kMaxFieldDepth) && overflow_ == 0) {
        fields_.push_back(true);
        ++instructions_;
      } else {
        ++overflow_;
      }
    } else if (Is(type, "separate")) {
      if (overflow_ == 0 && !fields_.empty() && fields_.back()) {
        fields_.back() = false;
        --instructions_;
      }
    } else if (Is(type, "end")) {
      if (overflow_ > 0) {
        --overflow_;
      } else if (!fields_.empty()) {
        if (fields_.back()) --instructions_;
        fields_.pop_back();
      }
    }
    return false;
  }
  if (Is(local, "t")) {
    if (!Suppressed()) Text(e->GetText());
    return false;
  }
  if (Is(local, "tab")) {
    if (!Suppressed()) out_->Append(u'\t');
    return false;
  }
  if (Is(local, "br") || Is(local, "cr")) {
    if (!Suppressed()) out_->LineEnd();
    return false;
  }
  if (Is(local, "noBreakHyphen")) {
    if (!Suppressed()) out_->Append(u'-');
    return false;
  }
  if (Is(local, "sym")) {
    const char* code = e->Attribute((prefix_ + "char").c_str());
    if (code != nullptr && !Suppressed()) {
      const unsigned long c = std::strtoul(code, nullptr, 16);
      // Symbol fonts' glyph numbers (F0xx) are no characters.
      if (c >= 0x20 && c <= 0xFFFF && !(c >= 0xF000 && c <= 0xF0FF)) out_->Append(static_cast<char16_t>(c));
    }
    return false;
  }
  if (Is(local, "r")) {
    // Hidden text (w:vanish) is not part of the document's text.
    const XMLElement* props = e->FirstChildElement((prefix_ + "rPr").c_str());
    const XMLElement* vanish = props != nullptr ? props->FirstChildElement((prefix_ + "vanish").c_str()) : nullptr;
    if (vanish != nullptr) {
      const char* val = vanish->Attribute((prefix_ + "val").c_str());
      if (val == nullptr || !(Is(val, "0") || Is(val, "false") || Is(val, "off"))) return false;
    }
    return true;
  }
  // Properties, deleted and moved-away text, and instructions hold no text.
  static constexpr const char* kNoText[] = {"pPr",    "rPr",      "sectPr", "tblPr",     "tblGrid",   "trPr",
                                            "tcPr",   "sdtPr",    "sdtEndPr", "del",     "moveFrom",  "delText",
                                            "instrText", "delInstrText", "fldData", "customXmlPr", "tblPrEx"};
  for (const char* n : kNoText) {
    if (Is(local, n)) return false;
  }
  return true;
}

void Walker::Leave(const XMLElement* e) {
  const char* local = Local(e);
  if (local == nullptr) return;
  if (Is(local, "p")) {
    // A cell's last paragraph ends with the cell, not with a line end.
    const XMLElement* parent = e->Parent() != nullptr ? e->Parent()->ToElement() : nullptr;
    const char* parent_local = parent != nullptr ? Local(parent) : nullptr;
    if (parent_local != nullptr && Is(parent_local, "tc") && e->NextSiblingElement() == nullptr) return;
    out_->LineEnd();
  } else if (Is(local, "tc")) {
    out_->CellEnd();
  } else if (Is(local, "tr")) {
    out_->LineEnd();
  }
}

bool Walker::Walk(const XMLElement* top) {
  const XMLElement* e = top->FirstChildElement();
  while (e != nullptr) {
    if (++visited_ % kCancelCheckEvery == 0 && Cancelled(cancel_)) return false;
    if (Enter(e) && e->FirstChildElement() != nullptr) {
      e = e->FirstChildElement();
      continue;
    }
    // Leave this element and every ancestor that has no next sibling.
    for (;;) {
      Leave(e);
      if (const XMLElement* next = e->NextSiblingElement()) {
        e = next;
        break;
      }
      const tinyxml2::XMLNode* up = e->Parent();
      e = up != nullptr ? up->ToElement() : nullptr;
      if (e == nullptr || e == top) {
        e = nullptr;
        break;
      }
    }
  }
  return true;
}

}  // namespace

PartResult ReadPartText(std::string_view xml, PartKind kind, GbkOrUtf8Text* out, const CancelFlag* cancel) {
  std::string converted;
  if (xml.substr(0, 2) == "\xFF\xFE" || xml.substr(0, 2) == "\xFE\xFF") {
    converted = Utf8Of(xml);
    xml = converted;
  }
  tinyxml2::XMLDocument doc(/*processEntities=*/true, tinyxml2::PRESERVE_WHITESPACE);
  if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS) return PartResult::kBadXml;
  const XMLElement* root = doc.RootElement();
  if (root == nullptr) return PartResult::kBadXml;
  Walker walker(out, cancel);
  walker.FindPrefix(root);
  if (kind == PartKind::kDocument) {
    // w:body, or whatever the root holds when a producer leaves it out.
    const XMLElement* body = root;
    for (const XMLElement* c = root->FirstChildElement(); c != nullptr; c = c->NextSiblingElement()) {
      const char* colon = std::strchr(c->Name(), ':');
      if (Is(colon != nullptr ? colon + 1 : c->Name(), "body")) {
        body = c;
        break;
      }
    }
    return walker.Walk(body) ? PartResult::kOk : PartResult::kCancelled;
  }
  for (const XMLElement* note = root->FirstChildElement(); note != nullptr; note = note->NextSiblingElement()) {
    // Separators and continuation notices are layout, not notes.
    const char* type = nullptr;
    for (const tinyxml2::XMLAttribute* a = note->FirstAttribute(); a != nullptr; a = a->Next()) {
      const char* colon = std::strchr(a->Name(), ':');
      if (Is(colon != nullptr ? colon + 1 : a->Name(), "type")) type = a->Value();
    }
    if (type != nullptr && !Is(type, "normal")) continue;
    if (!walker.Walk(note)) return PartResult::kCancelled;
  }
  return PartResult::kOk;
}

}  // namespace folian::convert::docx
