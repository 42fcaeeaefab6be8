// A PDF file's objects, found by a light scan instead of the cross-reference
// table: every "N G obj" in the file (stream bodies are stepped over, so
// bytes inside them are never taken for objects) and every object held in
// an object stream. Where a number is defined twice the later definition
// wins, which is how incremental updates replace objects. Damaged or
// missing cross-reference tables therefore cost nothing.
//
// Objects are parsed when first asked for and kept; stream bytes are decoded
// on request through their filters (and decryption when the file is
// encrypted), under a per-stream and a per-document cap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/progress.h"
#include "convert/pdf/object.h"

namespace folian::convert::pdf {

class Decryptor;

class Document {
 public:
  // `data` is the whole file; it must outlive the document.
  explicit Document(std::string_view data);
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // Indexes the objects and reads the trailer. False when stopped by
  // `cancel`. An encrypted file's object streams can only be read once its
  // decryptor is installed: such callers call FinishIndex() after that.
  bool Index(const CancelFlag* cancel = nullptr);
  void FinishIndex();

  std::size_t object_count() const { return entries_.size(); }
  const Object& trailer() const { return trailer_; }
  // The catalog's number (from the trailer, else the last /Type /Catalog
  // object found), 0 when there is none.
  std::uint32_t catalog() const { return catalog_; }
  // Every /Type /Page object, in file order (for files whose page tree is broken).
  const std::vector<std::uint32_t>& loose_pages() const { return loose_pages_; }

  // The object numbered `num`, or nullptr.
  const Object* Get(std::uint32_t num);
  // Follows references (at most kMaxRefHops); a dangling reference gives a
  // null object. `o` may be nullptr.
  const Object* Resolve(const Object* o);
  // `dict`'s value for `key`, resolved; nullptr when absent.
  const Object* Lookup(const Object* dict, std::string_view key);

  // The decoded bytes of a stream. False when its filters cannot be undone
  // (an image codec, garbage) or the document's decode budget is spent.
  // `*partial` (if given) is set when the data was damaged or cut at the cap;
  // `*capped` when it was cut at the stream's own cap (StreamCap).
  bool StreamBytes(const Object& stream, std::string* out, bool* partial = nullptr, bool* capped = nullptr);

  // The cap for one stream of `stored` bytes: ten times its size, never
  // below the floor, never above the shared per-entry cap.
  static std::size_t StreamCap(std::size_t stored);

  // Decryption (standard security handler) once the trailer names one.
  bool encrypted() const { return encrypted_; }
  void set_decryptor(std::unique_ptr<Decryptor> d);
  bool has_decryptor() const { return decryptor_ != nullptr; }

  // Bytes decoded so far and whether the document's budget ran out.
  std::uint64_t decoded_total() const { return decoded_total_; }
  bool budget_spent() const { return budget_spent_; }

 private:
  struct Entry {
    std::uint64_t position = 0;  // where the defining "obj" (or its object stream) is
    std::uint32_t body = 0;      // top level: offset after "obj"; in a stream: index
    std::uint32_t stream = 0;    // the object stream holding it
    std::uint16_t gen = 0;
    bool in_stream = false;
  };
  struct ObjStm {
    bool loaded = false;
    bool ok = false;
    std::string data;
    std::uint32_t first = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> offsets;  // (number, offset)
  };

  void ScanTopLevel(const CancelFlag* cancel);
  void ScanObjectStreams();
  void ReadTrailer();
  void FindCatalog();
  // Parses the object whose body starts at `body`; a stream gets its data.
  // `*end` receives the offset after the object (after the stream data).
  bool ParseTopLevel(std::size_t body, std::uint32_t num, std::uint32_t gen, Object* out,
                     std::size_t* end);
  ObjStm* LoadObjStm(std::uint32_t num);
  void Define(std::uint32_t num, const Entry& e);

  std::string_view data_;
  std::unordered_map<std::uint32_t, Entry> entries_;
  std::unordered_map<std::uint32_t, std::unique_ptr<Object>> cache_;
  std::unordered_map<std::uint32_t, ObjStm> objstms_;
  std::vector<std::uint32_t> objstm_numbers_;
  std::vector<std::pair<std::uint64_t, Object>> trailer_dicts_;  // (position, dict)
  std::vector<std::uint32_t> loose_pages_;
  Object trailer_;
  Object null_;
  std::uint32_t catalog_ = 0;
  std::uint32_t last_catalog_ = 0;
  bool encrypted_ = false;
  std::unique_ptr<Decryptor> decryptor_;
  std::uint64_t decoded_total_ = 0;
  bool budget_spent_ = false;
  int resolving_ = 0;     // nesting of Get (through lengths and object streams)
  bool indexed_ = false;  // the top-level scan is complete
};

}  // namespace folian::convert::pdf
