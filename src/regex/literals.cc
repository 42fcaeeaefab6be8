#include "regex/literals.h"

#include <cstring>
#include <string>

#include "regex/compiler.h"

namespace folian::regex {

namespace {

bool Anchored(const Node& n, bool line) {
  switch (n.kind) {
    case NodeKind::kAssert:
      return n.assert_kind == AssertKind::kSubjectStart || (line && n.assert_kind == AssertKind::kLineStart);
    case NodeKind::kConcat:
      return !n.kids.empty() && Anchored(*n.kids[0], line);
    case NodeKind::kGroup:
    case NodeKind::kAtomic:
      return Anchored(*n.kids[0], line);
    case NodeKind::kAlternate:
      for (auto& k : n.kids)
        if (!Anchored(*k, line)) return false;
      return !n.kids.empty();
    case NodeKind::kRepeat:
      return n.min >= 1 && Anchored(*n.kids[0], line);
    default:
      return false;
  }
}

// Bytes a match of `n` can begin with; returns whether `n` can match empty
// (then what follows may supply the first byte too).
bool FirstBytes(const Node& n, ByteSet* out) {
  switch (n.kind) {
    case NodeKind::kEmpty:
    case NodeKind::kAssert:
    case NodeKind::kLook:
      return true;
    case NodeKind::kByte: {
      out->Add(n.byte);
      if (n.icase) {
        ByteSet s;
        s.Add(n.byte);
        s.FoldCase();
        out->AddSet(s);
      }
      return false;
    }
    case NodeKind::kSet:
      out->AddSet(n.set);
      return false;
    case NodeKind::kGroup:
    case NodeKind::kAtomic:
      return FirstBytes(*n.kids[0], out);
    case NodeKind::kConcat:
      for (auto& k : n.kids)
        if (!FirstBytes(*k, out)) return false;
      return true;
    case NodeKind::kAlternate: {
      bool nullable = false;
      for (auto& k : n.kids) nullable |= FirstBytes(*k, out);
      return nullable;
    }
    case NodeKind::kCondition: {
      bool nullable = FirstBytes(*n.kids[1], out);
      nullable |= FirstBytes(*n.kids[2], out);
      return nullable;
    }
    case NodeKind::kRepeat: {
      const bool nullable = FirstBytes(*n.kids[0], out);
      return nullable || n.min == 0;
    }
    case NodeKind::kBackref:
    case NodeKind::kRecurse:
      for (auto& w : out->bits) w = ~std::uint64_t{0};
      return true;
  }
  return true;
}

struct Required {
  std::string bytes;
  bool icase = false;
  long long offset_max = -1;  // -1: unbounded
};

// The longest run of literal bytes in the top-level sequence.
void FindRequired(const Node& root, Required* best) {
  const Node* n = &root;
  while (n->kind == NodeKind::kGroup || n->kind == NodeKind::kAtomic) n = n->kids[0].get();
  std::vector<const Node*> items;
  if (n->kind == NodeKind::kConcat) {
    for (auto& k : n->kids) items.push_back(k.get());
  } else {
    items.push_back(n);
  }
  long long offset_max = 0;  // bounded distance so far, -1 once unbounded
  std::string run;
  bool run_icase = false;
  long long run_offset = 0;
  auto flush = [&] {
    // Prefer longer runs; exact runs over folded ones of equal length.
    if (!run.empty() && (run.size() > best->bytes.size() ||
                         (run.size() == best->bytes.size() && best->icase && !run_icase))) {
      best->bytes = run;
      best->icase = run_icase;
      best->offset_max = run_offset;
    }
    run.clear();
  };
  for (const Node* k : items) {
    if (k->kind == NodeKind::kByte) {
      const bool letter = (k->byte | 0x20) >= 'a' && (k->byte | 0x20) <= 'z';
      const bool icase = k->icase && letter;
      if (!run.empty() && icase && !run_icase) {
        // Folding the whole run keeps it usable.
        for (auto& ch : run)
          if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
        run_icase = true;
      }
      if (run.empty()) {
        run_icase = icase;
        run_offset = offset_max;
      }
      unsigned char c = k->byte;
      if (run_icase && c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
      run.push_back(static_cast<char>(c));
      if (offset_max >= 0) ++offset_max;
      continue;
    }
    flush();
    std::size_t mn;
    long long mx;
    NodeLength(*k, &mn, &mx);
    if (k->kind == NodeKind::kRecurse || k->kind == NodeKind::kBackref) mx = -1;
    offset_max = (offset_max < 0 || mx < 0) ? -1 : offset_max + mx;
  }
  flush();
}

unsigned char FoldByte(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// What every match must contain, from the parts of the pattern no match can
// skip: pairs of adjacent literal bytes, and single bytes or byte sets.
void CollectNeeds(const Node& n, Program* prog) {
  auto add_set = [prog](ByteSet s) {
    s.FoldCase();
    if (s.Count() < 256) prog->need_bytes.push_back(s);
  };
  switch (n.kind) {
    case NodeKind::kByte: {
      ByteSet s;
      s.Add(n.byte);
      add_set(s);
      return;
    }
    case NodeKind::kSet:
      add_set(n.set);
      return;
    case NodeKind::kGroup:
    case NodeKind::kAtomic:
      CollectNeeds(*n.kids[0], prog);
      return;
    case NodeKind::kRepeat:
      if (n.min >= 1) CollectNeeds(*n.kids[0], prog);
      return;
    case NodeKind::kConcat:
      for (std::size_t i = 0; i < n.kids.size(); ++i) {
        const Node& k = *n.kids[i];
        if (k.kind == NodeKind::kByte && i + 1 < n.kids.size() && n.kids[i + 1]->kind == NodeKind::kByte) {
          prog->need_pairs.push_back(static_cast<std::uint16_t>(FoldByte(k.byte) << 8 | FoldByte(n.kids[i + 1]->byte)));
        } else if (k.kind != NodeKind::kByte || i == 0 || n.kids[i - 1]->kind != NodeKind::kByte) {
          CollectNeeds(k, prog);
        }
      }
      return;
    default:
      return;
  }
}

}  // namespace

void AnalyzeLiterals(const Node& root, Program* prog) {
  prog->anchored_start = Anchored(root, false);
  prog->anchored_line = !prog->anchored_start && Anchored(root, true);
  ByteSet first;
  prog->nullable = FirstBytes(root, &first);
  if (!prog->nullable) {
    prog->first_bytes = first;
    prog->first_count = first.Count();
  }
  std::size_t mn;
  long long mx;
  NodeLength(root, &mn, &mx);
  prog->min_length = prog->has_recursion ? 0 : mn;
  Required req;
  if (!prog->has_recursion) {
    FindRequired(root, &req);
    CollectNeeds(root, prog);
  }
  prog->required = req.bytes;
  prog->required_icase = req.icase;
  prog->required_offset_max = static_cast<int>(req.offset_max > (1 << 30) ? -1 : req.offset_max);
}

std::size_t FindLiteral(std::string_view hay, std::string_view needle, bool icase, std::size_t from) {
  if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
  if (from >= hay.size() || hay.size() - from < needle.size()) return std::string_view::npos;
  if (!icase) {
    const void* p = memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
    return p ? static_cast<std::size_t>(static_cast<const char*>(p) - hay.data()) : std::string_view::npos;
  }
  const auto* h = reinterpret_cast<const unsigned char*>(hay.data());
  const auto* nd = reinterpret_cast<const unsigned char*>(needle.data());
  const std::size_t last = hay.size() - needle.size();
  const unsigned char f = nd[0];
  const bool letter = f >= 'a' && f <= 'z';
  std::size_t i = from;
  while (i <= last) {
    if (!letter) {
      const void* p = std::memchr(h + i, f, last - i + 1);
      if (!p) return std::string_view::npos;
      i = static_cast<std::size_t>(static_cast<const unsigned char*>(p) - h);
    } else if ((h[i] | 0x20) != f) {
      ++i;
      continue;
    }
    std::size_t k = 1;
    for (; k < needle.size(); ++k) {
      unsigned char c = h[i + k];
      if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
      if (c != nd[k]) break;
    }
    if (k == needle.size()) return i;
    ++i;
  }
  return std::string_view::npos;
}

}  // namespace folian::regex
