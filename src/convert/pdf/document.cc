#include "convert/pdf/document.h"

#include <algorithm>
#include <utility>

#include "convert/limits.h"
#include "convert/pdf/crypt.h"
#include "convert/pdf/filters.h"
#include "convert/pdf/pdf_limits.h"

namespace folian::convert::pdf {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the unsigned decimal number ending just before `end` (scanning
// back at most `max_digits`), returning its first offset; npos when none.
std::size_t DigitsBefore(std::string_view d, std::size_t end, int max_digits, std::uint64_t* value) {
  std::size_t i = end;
  int n = 0;
  while (i > 0 && IsDigit(d[i - 1]) && n <= max_digits) {
    --i;
    ++n;
  }
  if (n == 0 || n > max_digits) return std::string_view::npos;
  std::uint64_t v = 0;
  for (std::size_t k = i; k < end; ++k) v = v * 10 + static_cast<std::uint64_t>(d[k] - '0');
  *value = v;
  return i;
}

// Offset of the first "endstream" at or after `from`.
std::size_t FindEndstream(std::string_view d, std::size_t from) {
  return d.find("endstream", from);
}

// The stream body's end when "endstream" sits at `e`: one end-of-line before
// it belongs to the keyword, not the data.
std::size_t TrimEol(std::string_view d, std::size_t start, std::size_t e) {
  if (e > start && d[e - 1] == '\n') {
    --e;
    if (e > start && d[e - 1] == '\r') --e;
  } else if (e > start && d[e - 1] == '\r') {
    --e;
  }
  return e;
}

// True when only white space separates `at` from "endstream".
bool EndstreamFollows(std::string_view d, std::size_t at) {
  std::size_t i = at;
  while (i < d.size() && i < at + 64 && IsPdfSpace(static_cast<unsigned char>(d[i]))) ++i;
  return d.substr(i, 9) == "endstream";
}

void ReadFilterChain(Document& doc, const Object& stream, std::vector<FilterParams>* chain) {
  const Object* filter = doc.Lookup(&stream, "Filter");
  const Object* parms = doc.Lookup(&stream, "DecodeParms");
  if (parms == nullptr) parms = doc.Lookup(&stream, "DP");
  auto add = [&](const Object* f, const Object* p) {
    if (f == nullptr || !f->is_name()) return;
    FilterParams params;
    params.name = f->str;
    if (p != nullptr && p->is_dict()) {
      auto num = [&](std::string_view key, int fallback) {
        const Object* v = doc.Lookup(p, key);
        if (v == nullptr || !v->is_number()) return fallback;
        const double x = v->number;
        if (x < -1e9 || x > 1e9) return fallback;
        return static_cast<int>(x);
      };
      params.predictor = num("Predictor", 1);
      params.colors = num("Colors", 1);
      params.bits_per_component = num("BitsPerComponent", 8);
      params.columns = num("Columns", 1);
      params.early_change = num("EarlyChange", 1);
    }
    chain->push_back(std::move(params));
  };
  if (filter == nullptr) return;
  if (filter->is_name()) {
    add(filter, parms && parms->is_array() && !parms->items.empty() ? doc.Resolve(&parms->items[0])
                                                                     : parms);
    return;
  }
  if (!filter->is_array()) return;
  for (std::size_t i = 0; i < filter->items.size() && i < 16; ++i) {
    const Object* p = nullptr;
    if (parms != nullptr && parms->is_array() && i < parms->items.size()) {
      p = doc.Resolve(&parms->items[i]);
    }
    add(doc.Resolve(&filter->items[i]), p);
  }
}

}  // namespace

Document::Document(std::string_view data) : data_(data) {}
Document::~Document() = default;

std::size_t Document::StreamCap(std::size_t stored) {
  std::size_t cap = kStreamCapFloor;
  if (stored <= kMaxInflatedEntry / kStreamCapFactor) {
    cap = std::max(cap, stored * kStreamCapFactor);
  } else {
    cap = kMaxInflatedEntry;
  }
  return std::min<std::size_t>(cap, kMaxInflatedEntry);
}

void Document::set_decryptor(std::unique_ptr<Decryptor> d) { decryptor_ = std::move(d); }

void Document::Define(std::uint32_t num, const Entry& e) {
  auto it = entries_.find(num);
  if (it == entries_.end()) {
    if (entries_.size() >= kMaxObjects) return;
    entries_.emplace(num, e);
  } else if (e.position >= it->second.position) {
    it->second = e;
  }
}

bool Document::ParseTopLevel(std::size_t body, std::uint32_t num, std::uint32_t gen, Object* out,
                             std::size_t* end) {
  Lexer lx(data_, body);
  ObjectParser parser(&lx);
  if (!parser.Parse(out)) {
    *out = Object();
    *end = lx.pos();
    return false;
  }
  *end = lx.pos();
  if (out->type != ObjType::kDict) return true;
  Token t;
  lx.Next(&t);
  if (t.kind != TokenKind::kKeyword || t.raw != "stream") return true;
  std::size_t s = lx.pos();
  if (s < data_.size() && data_[s] == '\r') ++s;
  if (s < data_.size() && data_[s] == '\n') ++s;
  std::size_t e = std::string_view::npos;
  const Object* length = out->Find("Length");
  if (length != nullptr && length->is_ref() && indexed_ && resolving_ < kMaxRefHops) {
    ++resolving_;
    length = Resolve(length);
    --resolving_;
  }
  if (length != nullptr && length->is_number() && length->integer && length->int_value >= 0 &&
      static_cast<std::uint64_t>(length->int_value) <= data_.size() - s &&
      EndstreamFollows(data_, s + static_cast<std::size_t>(length->int_value))) {
    e = s + static_cast<std::size_t>(length->int_value);
    *end = e;
  } else {
    const std::size_t k = FindEndstream(data_, s);
    const std::size_t stop = k == std::string_view::npos ? data_.size() : k;
    e = TrimEol(data_, s, stop);
    *end = stop;
  }
  out->type = ObjType::kStream;
  out->stream_data = data_.substr(s, e - s);
  out->ref = {num, gen};
  return true;
}

void Document::ScanTopLevel(const CancelFlag* cancel) {
  std::size_t pos = 0;
  std::size_t hits = 0;
  const std::string_view d = data_;
  while (pos < d.size()) {
    const std::size_t hit = d.find("obj", pos);
    if (hit == std::string_view::npos) break;
    pos = hit + 3;
    if ((++hits & 0xFFF) == 0 && Cancelled(cancel)) return;
    if (hit + 3 < d.size() && IsPdfRegular(static_cast<unsigned char>(d[hit + 3]))) continue;
    // "num gen obj": white space, digits, white space, digits, a boundary.
    std::size_t i = hit;
    if (i == 0 || !IsPdfSpace(static_cast<unsigned char>(d[i - 1]))) continue;
    while (i > 0 && IsPdfSpace(static_cast<unsigned char>(d[i - 1])) && hit - i < 16) --i;
    std::uint64_t gen = 0;
    const std::size_t gen_at = DigitsBefore(d, i, 5, &gen);
    if (gen_at == std::string_view::npos) continue;
    i = gen_at;
    if (i == 0 || !IsPdfSpace(static_cast<unsigned char>(d[i - 1]))) continue;
    while (i > 0 && IsPdfSpace(static_cast<unsigned char>(d[i - 1])) && gen_at - i < 16) --i;
    std::uint64_t num = 0;
    const std::size_t num_at = DigitsBefore(d, i, 10, &num);
    if (num_at == std::string_view::npos || num > 0xFFFFFFFFull || gen > 0xFFFF) continue;
    if (num_at > 0 && IsPdfRegular(static_cast<unsigned char>(d[num_at - 1]))) continue;

    Object o;
    std::size_t end = 0;
    ParseTopLevel(hit + 3, static_cast<std::uint32_t>(num), static_cast<std::uint32_t>(gen), &o, &end);
    Entry e;
    e.position = num_at;
    e.body = static_cast<std::uint32_t>(hit + 3);
    e.gen = static_cast<std::uint16_t>(gen);
    Define(static_cast<std::uint32_t>(num), e);
    if (o.is_dict()) {
      const Object* type = o.Find("Type");
      if (type != nullptr && type->is_name()) {
        if (o.is_stream() && type->str == "ObjStm") {
          objstm_numbers_.push_back(static_cast<std::uint32_t>(num));
        } else if (o.is_stream() && type->str == "XRef") {
          Object dict = o;
          dict.type = ObjType::kDict;
          dict.stream_data = {};
          trailer_dicts_.emplace_back(num_at, std::move(dict));
        } else if (type->str == "Catalog") {
          last_catalog_ = static_cast<std::uint32_t>(num);
        } else if (type->str == "Page" && loose_pages_.size() < kMaxPages) {
          loose_pages_.push_back(static_cast<std::uint32_t>(num));
        }
      }
    }
    // Step over stream bodies only: a damaged object must not swallow the
    // objects after it.
    if (o.is_stream() && end > pos) pos = end;
  }
}

Document::ObjStm* Document::LoadObjStm(std::uint32_t num) {
  ObjStm& s = objstms_[num];
  if (s.loaded) return s.ok ? &s : nullptr;
  s.loaded = true;
  auto it = entries_.find(num);
  if (it == entries_.end() || it->second.in_stream) return nullptr;  // streams cannot nest
  const Object* o = Get(num);
  if (o == nullptr || !o->is_stream()) return nullptr;
  const Object* n = Lookup(o, "N");
  const Object* first = Lookup(o, "First");
  if (n == nullptr || first == nullptr || !n->is_number() || !first->is_number() || n->number < 0 ||
      first->number < 0) {
    return nullptr;
  }
  if (!StreamBytes(*o, &s.data)) return nullptr;
  if (first->number > static_cast<double>(s.data.size())) return nullptr;
  s.first = static_cast<std::uint32_t>(first->number);
  const std::size_t count = static_cast<std::size_t>(std::min(n->number, 1e7));
  Lexer lx(std::string_view(s.data).substr(0, s.first));
  Token a;
  Token b;
  for (std::size_t k = 0; k < count; ++k) {
    lx.Next(&a);
    lx.Next(&b);
    if (a.kind != TokenKind::kNumber || b.kind != TokenKind::kNumber || !a.integer || !b.integer ||
        a.int_value < 0 || a.int_value > 0xFFFFFFFFll || b.int_value < 0 ||
        static_cast<std::uint64_t>(b.int_value) > s.data.size() - s.first) {
      break;
    }
    s.offsets.emplace_back(static_cast<std::uint32_t>(a.int_value),
                           static_cast<std::uint32_t>(b.int_value));
  }
  s.ok = true;
  return &s;
}

void Document::ScanObjectStreams() {
  std::sort(objstm_numbers_.begin(), objstm_numbers_.end());
  objstm_numbers_.erase(std::unique(objstm_numbers_.begin(), objstm_numbers_.end()),
                        objstm_numbers_.end());
  for (const std::uint32_t num : objstm_numbers_) {
    auto it = entries_.find(num);
    if (it == entries_.end() || it->second.in_stream) continue;
    const std::uint64_t position = it->second.position;
    ObjStm* s = LoadObjStm(num);
    if (s == nullptr) continue;
    for (std::size_t k = 0; k < s->offsets.size(); ++k) {
      const std::uint32_t inner = s->offsets[k].first;
      if (inner == num) continue;
      Entry e;
      e.position = position;
      e.body = static_cast<std::uint32_t>(k);
      e.stream = num;
      e.in_stream = true;
      // Inside one stream a later index is the later definition.
      auto prev = entries_.find(inner);
      if (prev != entries_.end() && prev->second.position == position && prev->second.in_stream &&
          prev->second.stream != num) {
        continue;
      }
      Define(inner, e);
    }
  }
  // Lookups made before the object streams were known may have missed.
  cache_.clear();
}

void Document::ReadTrailer() {
  // Classic trailers: "trailer << ... >>".
  std::size_t pos = 0;
  while (pos < data_.size()) {
    const std::size_t hit = data_.find("trailer", pos);
    if (hit == std::string_view::npos) break;
    pos = hit + 7;
    Lexer lx(data_, pos);
    ObjectParser parser(&lx);
    Object dict;
    if (parser.Parse(&dict) && dict.type == ObjType::kDict) {
      trailer_dicts_.emplace_back(hit, std::move(dict));
    }
  }
  std::stable_sort(trailer_dicts_.begin(), trailer_dicts_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  // Later trailers (incremental updates) override earlier keys.
  for (auto& [position, dict] : trailer_dicts_) {
    for (std::size_t i = 0; i < dict.keys.size(); ++i) {
      const std::string& k = dict.keys[i];
      if (k == "Root" || k == "Encrypt" || k == "ID" || k == "Info") trailer_.Set(k, dict.items[i]);
    }
  }
  trailer_.type = ObjType::kDict;
  const Object* encrypt = trailer_.Find("Encrypt");
  encrypted_ = encrypt != nullptr && !encrypt->is_null();
}

void Document::FindCatalog() {
  const Object* root = trailer_.Find("Root");
  if (root != nullptr && root->is_ref()) {
    const Object* catalog = Get(root->ref.num);
    if (catalog != nullptr && catalog->is_dict()) catalog_ = root->ref.num;
  }
  if (catalog_ == 0) catalog_ = last_catalog_;
}

bool Document::Index(const CancelFlag* cancel) {
  ScanTopLevel(cancel);
  if (Cancelled(cancel)) return false;
  indexed_ = true;
  ReadTrailer();
  if (!encrypted_) FinishIndex();
  return true;
}

void Document::FinishIndex() {
  ScanObjectStreams();
  FindCatalog();
}

const Object* Document::Get(std::uint32_t num) {
  auto cached = cache_.find(num);
  if (cached != cache_.end()) return cached->second.get();
  auto it = entries_.find(num);
  if (it == entries_.end()) return nullptr;
  if (resolving_ >= kMaxRefHops) return nullptr;
  ++resolving_;
  const Entry e = it->second;
  auto obj = std::make_unique<Object>();
  if (!e.in_stream) {
    std::size_t end = 0;
    ParseTopLevel(e.body, num, e.gen, obj.get(), &end);
  } else {
    ObjStm* s = LoadObjStm(e.stream);
    if (s != nullptr && e.body < s->offsets.size()) {
      const std::size_t at = static_cast<std::size_t>(s->first) + s->offsets[e.body].second;
      Lexer lx(s->data, at);
      ObjectParser parser(&lx);
      parser.Parse(obj.get());
      if (obj->is_stream()) *obj = Object();  // streams cannot live in object streams
    }
  }
  --resolving_;
  const Object* result = obj.get();
  cache_[num] = std::move(obj);
  return result;
}

const Object* Document::Resolve(const Object* o) {
  for (int hops = 0; o != nullptr && o->is_ref(); ++hops) {
    if (hops >= kMaxRefHops) return &null_;
    const Object* next = Get(o->ref.num);
    o = next != nullptr ? next : &null_;
  }
  return o;
}

const Object* Document::Lookup(const Object* dict, std::string_view key) {
  if (dict == nullptr) return nullptr;
  return Resolve(dict->Find(key));
}

bool Document::StreamBytes(const Object& stream, std::string* out, bool* partial, bool* capped) {
  if (capped) *capped = false;
  out->clear();
  if (partial) *partial = false;
  if (!stream.is_stream() || budget_spent_) return false;
  std::string_view data = stream.stream_data;
  std::string decrypted;
  if (decryptor_ != nullptr) {
    const Object* type = Lookup(&stream, "Type");
    const bool xref = type != nullptr && type->is_name("XRef");
    bool identity = false;
    if (const Object* f = Lookup(&stream, "Filter"); f != nullptr && f->is_array() && !f->items.empty()) {
      const Object* first = Resolve(&f->items[0]);
      identity = first != nullptr && first->is_name("Crypt");
    }
    if (!xref && !identity) {
      if (!decryptor_->DecryptStream(stream.ref, data, &decrypted)) return false;
      data = decrypted;
    }
  }
  std::vector<FilterParams> chain;
  ReadFilterChain(*this, stream, &chain);
  const std::uint64_t left = kMaxInflatedTotal - decoded_total_;
  const std::size_t cap = static_cast<std::size_t>(std::min<std::uint64_t>(StreamCap(data.size()), left));
  const DecodeResult r = DecodeFilters(data, chain, cap, out);
  decoded_total_ += out->size();
  if (decoded_total_ >= kMaxInflatedTotal) budget_spent_ = true;
  if (r == DecodeResult::kUnsupported || r == DecodeResult::kFailed) {
    out->clear();
    return false;
  }
  if (partial) *partial = r == DecodeResult::kPartial;
  if (capped) *capped = r == DecodeResult::kPartial && out->size() >= cap && cap < left;
  return true;
}

}  // namespace folian::convert::pdf
