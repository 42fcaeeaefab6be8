// PDF objects as the reader needs them: null, booleans, numbers, names,
// strings, arrays, dictionaries, references and streams (a dictionary plus
// its still-encoded bytes). The parser reads one object from a Lexer,
// recursing at most kMaxObjectDepth levels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/pdf/lexer.h"

namespace folian::convert::pdf {

enum class ObjType { kNull, kBool, kNumber, kName, kString, kArray, kDict, kRef, kStream };

struct ObjRef {
  std::uint32_t num = 0;
  std::uint32_t gen = 0;
};

class Object {
 public:
  ObjType type = ObjType::kNull;
  bool boolean = false;
  double number = 0;
  bool integer = false;
  std::int64_t int_value = 0;
  std::string str;                 // name (without '/') or string bytes
  std::vector<Object> items;       // array items, or dictionary values
  std::vector<std::string> keys;   // dictionary keys, parallel to items
  ObjRef ref;                      // kRef: the target; kStream: the stream's own number
  std::string_view stream_data;    // kStream: the encoded bytes, as stored

  bool is_null() const { return type == ObjType::kNull; }
  bool is_number() const { return type == ObjType::kNumber; }
  bool is_name() const { return type == ObjType::kName; }
  bool is_name(std::string_view n) const { return type == ObjType::kName && str == n; }
  bool is_string() const { return type == ObjType::kString; }
  bool is_array() const { return type == ObjType::kArray; }
  bool is_dict() const { return type == ObjType::kDict || type == ObjType::kStream; }
  bool is_stream() const { return type == ObjType::kStream; }
  bool is_ref() const { return type == ObjType::kRef; }

  // The value of `key` in a dictionary or stream dictionary, unresolved;
  // nullptr when absent or when this is no dictionary.
  const Object* Find(std::string_view key) const;
  void Set(std::string key, Object value);
};

// Reads objects from a lexer. Numbers followed by "G R" become references.
class ObjectParser {
 public:
  explicit ObjectParser(Lexer* lexer) : lexer_(lexer) {}

  // One object at the lexer's position. False at the end of input or on a
  // token that starts no object (e.g. "endobj"); `*out` is then null and
  // the lexer has moved past the token.
  bool Parse(Object* out) { return ParseAt(out, 0); }

  // The token that made the last Parse stop (the keyword after a
  // dictionary is how "stream" is found).
  const Token& last() const { return tok_; }

 private:
  bool ParseAt(Object* out, int depth);
  void ReadNumberOrRef(Object* out);

  Lexer* lexer_;
  Token tok_;
  Token peek_;
};

}  // namespace folian::convert::pdf
