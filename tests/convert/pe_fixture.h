// Builds small Windows program files (PE32 or PE32+) for converter tests:
// a code section and a resource section holding the given resources in a
// type/name/language tree, then appended bytes (the overlay) and an
// optional signature block. Offsets of the parts are returned so tests can
// damage them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/bytes.h"

namespace folian::testing {

struct PeResourceItem {
  std::uint32_t type_id = 0;  // used when type_name is empty
  std::u16string type_name;
  std::uint32_t id = 0;       // used when name is empty
  std::u16string name;
  std::uint32_t language = 0x804;
  std::string data;
};

struct PeContents {
  bool pe32_plus = false;
  std::vector<PeResourceItem> resources;
  std::string overlay;
  std::string signature_block;  // after the overlay, named by the certificate directory
};

struct PeFile {
  std::string bytes;
  std::size_t optional_header = 0;  // file offset of the optional header
  std::size_t section_table = 0;
  std::size_t rsrc_offset = 0;      // file offset of the resource tree's root
  std::uint32_t rsrc_rva = 0;
  std::size_t overlay_offset = 0;
};

namespace pe_detail {

inline std::size_t Align(std::size_t v, std::size_t a) { return (v + a - 1) / a * a; }

struct Lang {
  std::uint32_t language;
  std::size_t item;
  std::size_t entry = 0;
};
struct Name {
  bool named;
  std::u16string name;
  std::uint32_t id;
  std::vector<Lang> langs;
  std::size_t dir = 0, str = 0;
};
struct Type {
  bool named;
  std::u16string name;
  std::uint32_t id;
  std::vector<Name> names;
  std::size_t dir = 0, str = 0;
};

template <typename T>
T* FindKey(std::vector<T>& v, bool named, const std::u16string& name, std::uint32_t id) {
  for (T& t : v) {
    if (t.named == named && (named ? t.name == name : t.id == id)) return &t;
  }
  return nullptr;
}

// A directory: header, named entries first, then numbered ones.
template <typename Child, typename Target>
void WriteDirectory(std::string& tree, std::size_t at, std::vector<Child>& children, Target target) {
  std::size_t named = 0;
  for (const Child& c : children) named += c.named ? 1 : 0;
  PutLe(tree, at + 12, named, 2);
  PutLe(tree, at + 14, children.size() - named, 2);
  std::size_t e = at + 16;
  for (int pass = 0; pass < 2; ++pass) {
    for (Child& c : children) {
      if (c.named != (pass == 0)) continue;
      PutLe(tree, e, c.named ? (0x80000000u | c.str) : c.id, 4);
      PutLe(tree, e + 4, target(c), 4);
      e += 8;
    }
  }
}

inline void WriteName(std::string& tree, std::size_t at, const std::u16string& name) {
  PutLe(tree, at, name.size(), 2);
  for (std::size_t i = 0; i < name.size(); ++i) PutLe(tree, at + 2 + 2 * i, name[i], 2);
}

inline std::string ResourceTree(const std::vector<PeResourceItem>& items, std::uint32_t rva) {
  std::vector<Type> types;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const PeResourceItem& it = items[i];
    const bool tn = !it.type_name.empty(), nn = !it.name.empty();
    Type* t = FindKey(types, tn, it.type_name, it.type_id);
    if (t == nullptr) t = &types.emplace_back(Type{tn, it.type_name, it.type_id, {}});
    Name* n = FindKey(t->names, nn, it.name, it.id);
    if (n == nullptr) n = &t->names.emplace_back(Name{nn, it.name, it.id, {}});
    n->langs.push_back(Lang{it.language, i});
  }
  std::size_t off = 16 + 8 * types.size();
  for (Type& t : types) {
    t.dir = off;
    off += 16 + 8 * t.names.size();
  }
  for (Type& t : types) {
    for (Name& n : t.names) {
      n.dir = off;
      off += 16 + 8 * n.langs.size();
    }
  }
  for (Type& t : types) {
    for (Name& n : t.names) {
      for (Lang& l : n.langs) {
        l.entry = off;
        off += 16;
      }
    }
  }
  for (Type& t : types) {
    if (t.named) {
      t.str = off;
      off += 2 + 2 * t.name.size();
    }
    for (Name& n : t.names) {
      if (n.named) {
        n.str = off;
        off += 2 + 2 * n.name.size();
      }
    }
  }
  std::vector<std::size_t> data_at(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    off = Align(off, 8);
    data_at[i] = off;
    off += items[i].data.size();
  }
  std::string tree(off, '\0');
  WriteDirectory(tree, 0, types, [](const Type& t) { return 0x80000000u | t.dir; });
  for (Type& t : types) {
    if (t.named) WriteName(tree, t.str, t.name);
    WriteDirectory(tree, t.dir, t.names, [](const Name& n) { return 0x80000000u | n.dir; });
    for (Name& n : t.names) {
      if (n.named) WriteName(tree, n.str, n.name);
      PutLe(tree, n.dir + 14, n.langs.size(), 2);
      for (std::size_t k = 0; k < n.langs.size(); ++k) {
        const Lang& l = n.langs[k];
        PutLe(tree, n.dir + 16 + 8 * k, l.language, 4);
        PutLe(tree, n.dir + 16 + 8 * k + 4, l.entry, 4);
        PutLe(tree, l.entry, rva + data_at[l.item], 4);
        PutLe(tree, l.entry + 4, items[l.item].data.size(), 4);
        tree.replace(data_at[l.item], items[l.item].data.size(), items[l.item].data);
      }
    }
  }
  return tree;
}

}  // namespace pe_detail

inline PeFile MakePe(const PeContents& contents) {
  using pe_detail::Align;
  constexpr std::size_t kPe = 0x80, kFileAlign = 0x200, kSectionAlign = 0x1000;
  const std::size_t optional_size = contents.pe32_plus ? 240 : 224;
  PeFile f;
  std::string& b = f.bytes;
  b.assign(kFileAlign, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  PutLe(b, 0x3C, kPe, 4);
  b.replace(kPe, 4, std::string("PE\0\0", 4));
  PutLe(b, kPe + 4, contents.pe32_plus ? 0x8664 : 0x14C, 2);
  PutLe(b, kPe + 6, 2, 2);  // sections
  PutLe(b, kPe + 20, optional_size, 2);
  PutLe(b, kPe + 22, 0x0102, 2);  // executable, 32-bit words
  f.optional_header = kPe + 24;
  const std::size_t o = f.optional_header;
  PutLe(b, o, contents.pe32_plus ? 0x20B : 0x10B, 2);
  PutLe(b, o + 32, kSectionAlign, 4);
  PutLe(b, o + 36, kFileAlign, 4);
  PutLe(b, o + 60, kFileAlign, 4);  // size of headers
  const std::size_t dirs = o + (contents.pe32_plus ? 112 : 96);
  PutLe(b, dirs - 4, 16, 4);
  f.section_table = o + optional_size;

  // .text: a few bytes of code at RVA 0x1000.
  const std::string code = "\x55\x89\xE5\x31\xC0\x5D\xC3";
  f.rsrc_rva = 2 * kSectionAlign;
  const std::string tree = pe_detail::ResourceTree(contents.resources, f.rsrc_rva);
  const std::size_t text_at = kFileAlign, rsrc_at = 2 * kFileAlign;
  const std::size_t rsrc_raw = Align(std::max<std::size_t>(tree.size(), 1), kFileAlign);
  auto section = [&](std::size_t i, const char* name, std::size_t vsize, std::size_t rva, std::size_t raw,
                     std::size_t at, std::uint32_t flags) {
    const std::size_t s = f.section_table + 40 * i;
    b.replace(s, 8, std::string(name, 8));
    PutLe(b, s + 8, vsize, 4);
    PutLe(b, s + 12, rva, 4);
    PutLe(b, s + 16, raw, 4);
    PutLe(b, s + 20, at, 4);
    PutLe(b, s + 36, flags, 4);
  };
  section(0, ".text\0\0\0", code.size(), kSectionAlign, kFileAlign, text_at, 0x60000020);
  section(1, ".rsrc\0\0\0", tree.size(), f.rsrc_rva, rsrc_raw, rsrc_at, 0x40000040);
  PutLe(b, o + 56, f.rsrc_rva + Align(tree.size(), kSectionAlign), 4);  // size of image
  PutLe(b, dirs + 8 * 2, f.rsrc_rva, 4);
  PutLe(b, dirs + 8 * 2 + 4, tree.size(), 4);
  b.resize(rsrc_at, '\0');
  b.replace(text_at, code.size(), code);
  b += tree;
  b.resize(rsrc_at + rsrc_raw, '\0');
  f.rsrc_offset = rsrc_at;
  f.overlay_offset = b.size();
  b += contents.overlay;
  if (!contents.signature_block.empty()) {
    PutLe(b, dirs + 8 * 4, b.size(), 4);
    PutLe(b, dirs + 8 * 4 + 4, contents.signature_block.size(), 4);
    b += contents.signature_block;
  }
  return f;
}

}  // namespace folian::testing
