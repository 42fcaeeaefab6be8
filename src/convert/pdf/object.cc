#include "convert/pdf/object.h"

#include <utility>

#include "convert/pdf/pdf_limits.h"

namespace folian::convert::pdf {

const Object* Object::Find(std::string_view key) const {
  if (!is_dict()) return nullptr;
  // Later duplicates win, as in viewers that fill a map in order.
  for (std::size_t i = keys.size(); i-- > 0;) {
    if (keys[i] == key) return &items[i];
  }
  return nullptr;
}

void Object::Set(std::string key, Object value) {
  keys.push_back(std::move(key));
  items.push_back(std::move(value));
}

void ObjectParser::ReadNumberOrRef(Object* out) {
  out->type = ObjType::kNumber;
  out->number = tok_.number;
  out->integer = tok_.integer;
  out->int_value = tok_.int_value;
  if (!tok_.integer || tok_.int_value < 0 || tok_.int_value > 0xFFFFFFFFll) return;
  // "N G R": look two tokens ahead, and step back when it is not a reference.
  const std::size_t back = lexer_->pos();
  lexer_->Next(&peek_);
  if (peek_.kind == TokenKind::kNumber && peek_.integer && peek_.int_value >= 0 &&
      peek_.int_value <= 0xFFFF) {
    const std::int64_t gen = peek_.int_value;
    lexer_->Next(&peek_);
    if (peek_.kind == TokenKind::kKeyword && peek_.raw == "R") {
      out->type = ObjType::kRef;
      out->ref.num = static_cast<std::uint32_t>(tok_.int_value);
      out->ref.gen = static_cast<std::uint32_t>(gen);
      return;
    }
  }
  lexer_->set_pos(back);
}

bool ObjectParser::ParseAt(Object* out, int depth) {
  *out = Object();
  lexer_->Next(&tok_);
  switch (tok_.kind) {
    case TokenKind::kEnd:
      return false;
    case TokenKind::kNumber:
      ReadNumberOrRef(out);
      return true;
    case TokenKind::kName:
      out->type = ObjType::kName;
      out->str = tok_.text;
      return true;
    case TokenKind::kString:
    case TokenKind::kHexString:
      out->type = ObjType::kString;
      out->str = tok_.text;
      return true;
    case TokenKind::kKeyword:
      if (tok_.raw == "true" || tok_.raw == "false") {
        out->type = ObjType::kBool;
        out->boolean = tok_.raw == "true";
        return true;
      }
      if (tok_.raw == "null") return true;
      return false;
    case TokenKind::kArrayOpen: {
      out->type = ObjType::kArray;
      if (depth >= kMaxObjectDepth) return true;
      Object item;
      for (;;) {
        const std::size_t before = lexer_->pos();
        if (!ParseAt(&item, depth + 1)) {
          if (tok_.kind == TokenKind::kArrayClose || tok_.kind == TokenKind::kEnd) break;
          // Something that is no object ("endobj", "stream", ">>"): the array
          // was never closed. Leave the token for the caller.
          if (tok_.kind == TokenKind::kKeyword || tok_.kind == TokenKind::kDictClose) {
            lexer_->set_pos(before);
            break;
          }
          continue;
        }
        if (out->items.size() < kMaxContainerItems) out->items.push_back(std::move(item));
      }
      tok_.kind = TokenKind::kArrayClose;
      return true;
    }
    case TokenKind::kDictOpen: {
      out->type = ObjType::kDict;
      if (depth >= kMaxObjectDepth) return true;
      Object value;
      for (;;) {
        const std::size_t before = lexer_->pos();
        lexer_->Next(&tok_);
        if (tok_.kind == TokenKind::kDictClose || tok_.kind == TokenKind::kEnd) break;
        if (tok_.kind != TokenKind::kName) {
          if (tok_.kind == TokenKind::kKeyword) {
            // "stream"/"endobj" inside an unclosed dictionary ends it.
            lexer_->set_pos(before);
            break;
          }
          continue;  // junk where a key belongs
        }
        std::string key = tok_.text;
        const std::size_t value_at = lexer_->pos();
        if (!ParseAt(&value, depth + 1)) {
          if (tok_.kind == TokenKind::kDictClose || tok_.kind == TokenKind::kEnd) break;
          if (tok_.kind == TokenKind::kKeyword) {
            lexer_->set_pos(value_at);
            lexer_->Next(&tok_);
            if (tok_.raw == "stream" || tok_.raw == "endobj") {
              lexer_->set_pos(value_at);
              break;
            }
          }
          continue;
        }
        if (out->keys.size() < kMaxContainerItems) out->Set(std::move(key), std::move(value));
      }
      tok_.kind = TokenKind::kDictClose;
      return true;
    }
    case TokenKind::kArrayClose:
    case TokenKind::kDictClose:
    case TokenKind::kBraceOpen:
    case TokenKind::kBraceClose:
      return false;
  }
  return false;
}

}  // namespace folian::convert::pdf
