#include "regex/compiler.h"

#include <algorithm>

#include "regex/literals.h"
#include "regex/parser.h"
#include "regex/regex.h"

namespace folian::regex {

namespace {

constexpr long long kUnbounded = -1;

bool IsOneByte(const Node& n) { return n.kind == NodeKind::kByte || n.kind == NodeKind::kSet; }

ByteSet OneByteSet(const Node& n) {
  if (n.kind == NodeKind::kSet) return n.set;
  ByteSet s;
  s.Add(n.byte);
  if (n.icase) s.FoldCase();
  return s;
}

// Rewrites that keep the meaning but give the matcher less to do:
// flattened concatenations, and alternations of single bytes as one set.
void Simplify(NodePtr& n) {
  for (auto& k : n->kids) Simplify(k);
  if (n->kind == NodeKind::kConcat) {
    std::vector<NodePtr> flat;
    for (auto& k : n->kids) {
      if (k->kind == NodeKind::kConcat) {
        for (auto& kk : k->kids) flat.push_back(std::move(kk));
      } else if (k->kind != NodeKind::kEmpty) {
        flat.push_back(std::move(k));
      }
    }
    n->kids = std::move(flat);
    if (n->kids.empty()) {
      n = std::make_unique<Node>(NodeKind::kEmpty);
    } else if (n->kids.size() == 1) {
      NodePtr only = std::move(n->kids[0]);
      n = std::move(only);
    }
    return;
  }
  if (n->kind == NodeKind::kAlternate &&
      std::all_of(n->kids.begin(), n->kids.end(), [](const NodePtr& k) { return IsOneByte(*k); })) {
    ByteSet s;
    for (auto& k : n->kids) s.AddSet(OneByteSet(*k));
    auto set = std::make_unique<Node>(NodeKind::kSet);
    set->set = s;
    n = std::move(set);
  }
}

bool Nullable(const Node& n) {
  std::size_t mn;
  long long mx;
  NodeLength(n, &mn, &mx);
  return mn == 0;
}

class Compiler {
 public:
  Compiler(Program* prog, int capture_count) : p_(prog), regs_(2 * capture_count) {}

  void Emit(const Node& n) {
    switch (n.kind) {
      case NodeKind::kEmpty:
        return;
      case NodeKind::kByte:
        if (n.icase) {
          EmitSet(OneByteSet(n));
        } else {
          Add(Op::kByte).a = n.byte;
        }
        return;
      case NodeKind::kSet:
        EmitSet(n.set);
        return;
      case NodeKind::kAssert:
        Add(Op::kAssert).a = static_cast<int>(n.assert_kind);
        return;
      case NodeKind::kGroup: {
        // The group's value changes only when it closes, so a back-reference
        // inside it still sees the previous iteration's text.
        const int reg = NewRegs(1);
        Add(Op::kOpen).a = reg;
        Emit(*n.kids[0]);
        Inst& close = Add(Op::kClose);
        close.a = n.group;
        close.b = reg;
        return;
      }
      case NodeKind::kConcat:
        EmitConcat(n);
        return;
      case NodeKind::kAlternate:
        EmitAlternation(n.kids, 0);
        return;
      case NodeKind::kRepeat:
        EmitRepeat(n);
        return;
      case NodeKind::kBackref: {
        Inst& in = Add(Op::kBackref);
        in.a = n.group;
        in.b = n.icase;
        return;
      }
      case NodeKind::kLook:
        EmitLook(n, 0);
        return;
      case NodeKind::kAtomic: {
        const int begin = Pc();
        Inst& in = Add(Op::kLookBegin);
        in.flags = kLookAtomic;
        in.a = NewRegs(1);
        Emit(*n.kids[0]);
        Add(Op::kLookEnd).a = begin;
        p_->code[begin].b = Pc() - 1;
        p_->code[begin].c = -1;
        return;
      }
      case NodeKind::kCondition:
        EmitCondition(n);
        return;
      case NodeKind::kRecurse:
        Add(Op::kRecurse);
        return;
    }
  }

  int regs() const { return regs_; }

 private:
  int Pc() const { return static_cast<int>(p_->code.size()); }
  Inst& Add(Op op) {
    p_->code.push_back(Inst{});
    p_->code.back().op = op;
    return p_->code.back();
  }
  int NewRegs(int n) {
    const int r = regs_;
    regs_ += n;
    return r;
  }

  int SetIndex(const ByteSet& s) {
    for (std::size_t i = 0; i < p_->sets.size(); ++i)
      if (p_->sets[i] == s) return static_cast<int>(i);
    p_->sets.push_back(s);
    return static_cast<int>(p_->sets.size() - 1);
  }

  void EmitSet(const ByteSet& s) {
    const int count = s.Count();
    if (count == 256) {
      Add(Op::kAny);
    } else if (count == 1) {
      for (unsigned c = 0; c < 256; ++c)
        if (s.Has(static_cast<unsigned char>(c))) Add(Op::kByte).a = static_cast<int>(c);
    } else {
      Add(Op::kSet).a = SetIndex(s);
    }
  }

  // Runs of literal bytes become one string compare.
  void EmitConcat(const Node& n) {
    std::size_t i = 0;
    while (i < n.kids.size()) {
      const Node& k = *n.kids[i];
      if (k.kind == NodeKind::kByte) {
        const bool icase = k.icase;
        std::string run;
        std::size_t j = i;
        while (j < n.kids.size() && n.kids[j]->kind == NodeKind::kByte &&
               (n.kids[j]->icase == icase || !IsAsciiLetter(n.kids[j]->byte))) {
          unsigned char c = n.kids[j]->byte;
          if (icase && c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
          run.push_back(static_cast<char>(c));
          ++j;
        }
        if (run.size() >= 2) {
          Inst& in = Add(icase ? Op::kStringI : Op::kString);
          in.a = static_cast<int>(p_->strings.size());
          in.b = static_cast<int>(run.size());
          p_->strings += run;
          i = j;
          continue;
        }
      }
      Emit(k);
      ++i;
    }
  }

  static bool IsAsciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

  void EmitAlternation(const std::vector<NodePtr>& alts, std::size_t from) {
    std::vector<int> jumps;
    for (std::size_t i = from; i < alts.size(); ++i) {
      if (i + 1 < alts.size()) {
        const int split = Pc();
        Add(Op::kSplit).a = split + 1;
        Emit(*alts[i]);
        jumps.push_back(Pc());
        Add(Op::kJmp);
        p_->code[split].b = Pc();
      } else {
        Emit(*alts[i]);
      }
    }
    for (int j : jumps) p_->code[j].a = Pc();
  }

  // Instruction count of `n` when emitted (by emitting and discarding it).
  int SizeOf(const Node& n) {
    const std::size_t mark = p_->code.size();
    const int saved_regs = regs_;
    Emit(n);
    const int size = Pc() - static_cast<int>(mark);
    p_->code.resize(mark);
    regs_ = saved_regs;
    return size;
  }

  void EmitRepeat(const Node& n) {
    const Node& body = *n.kids[0];
    const bool greedy = n.greedy;
    if (n.max == 0) return;
    const Node* inner = &body;
    int group = -1;
    if (body.kind == NodeKind::kGroup && IsOneByte(*body.kids[0])) {
      inner = body.kids[0].get();
      group = body.group;
    }
    if (IsOneByte(*inner)) {
      const ByteSet s = OneByteSet(*inner);
      if (n.min == 1 && n.max == 1) {
        Emit(body);
        return;
      }
      Inst& in = Add(Op::kStar);
      in.a = SetIndex(s);
      in.b = n.min;
      in.c = n.max;
      in.flags = greedy;
      in.group = group;
      return;
    }
    const bool nullable = Nullable(body);
    const int size = SizeOf(body);
    const long long copies = n.max < 0 ? n.min : n.max;
    if (copies * size <= 256 && n.min <= 16) {
      for (int k = 0; k < n.min; ++k) Emit(body);
      if (n.max < 0) {
        EmitStar(body, greedy, nullable);
      } else {
        // Optional copies, nested: (?:x(?:x)?)?
        std::vector<int> splits;
        for (int k = n.min; k < n.max; ++k) {
          splits.push_back(Pc());
          Inst& sp = Add(Op::kSplit);
          (void)sp;
          const int body_pc = Pc();
          if (greedy) {
            p_->code[splits.back()].a = body_pc;
          } else {
            p_->code[splits.back()].b = body_pc;
          }
          Emit(body);
        }
        for (int sp : splits) {
          if (greedy) {
            p_->code[sp].b = Pc();
          } else {
            p_->code[sp].a = Pc();
          }
        }
      }
      return;
    }
    EmitCounted(n, nullable);
  }

  void EmitStar(const Node& body, bool greedy, bool nullable) {
    const int loop = Pc();
    Add(Op::kSplit);
    const int body_pc = Pc();
    int reg = -1;
    if (nullable) {
      reg = NewRegs(1);
      Add(Op::kLoopMark).a = reg;
    }
    Emit(body);
    int stop = -1;
    if (nullable) {
      stop = Pc();
      Add(Op::kEmptyStop).a = reg;
    }
    Add(Op::kJmp).a = loop;
    const int exit = Pc();
    if (greedy) {
      p_->code[loop].a = body_pc;
      p_->code[loop].b = exit;
    } else {
      p_->code[loop].a = exit;
      p_->code[loop].b = body_pc;
    }
    if (stop >= 0) p_->code[stop].c = exit;
  }

  // A counted loop with a counter register, for bodies too large to copy.
  void EmitCounted(const Node& n, bool nullable) {
    const int reg = NewRegs(2);
    Add(Op::kLoopInit).a = reg;
    const int jmp = Pc();
    Add(Op::kJmp);
    const int body_pc = Pc();
    Add(Op::kLoopMark).a = reg + 1;
    Emit(*n.kids[0]);
    const int tail = Pc();
    Add(Op::kLoopTail);
    const int check = Pc();
    Add(Op::kLoopCheck);
    const int exit = Pc();
    p_->code[jmp].a = check;
    for (int pc : {tail, check}) {
      Inst& in = p_->code[pc];
      in.a = reg;
      in.b = body_pc;
      in.c = exit;
      in.count_min = n.min;
      in.count_max = n.max;
      in.flags = n.greedy;
      in.d = nullable;
    }
  }

  void EmitLook(const Node& n, std::uint8_t extra_flags) {
    const int begin = Pc();
    Inst& in = Add(Op::kLookBegin);
    const int reg = NewRegs(1);
    in.a = reg;
    in.flags = static_cast<std::uint8_t>((n.negate ? kLookNegate : 0) | (n.behind ? kLookBehind : 0) | extra_flags);
    in.c = -1;
    if (!n.behind) {
      Emit(*n.kids[0]);
    } else {
      const Node& body = *n.kids[0];
      std::vector<const Node*> alts;
      if (body.kind == NodeKind::kAlternate) {
        for (auto& k : body.kids) alts.push_back(k.get());
      } else {
        alts.push_back(&body);
      }
      std::vector<int> jumps;
      for (std::size_t i = 0; i < alts.size(); ++i) {
        int split = -1;
        if (i + 1 < alts.size()) {
          split = Pc();
          Add(Op::kSplit).a = split + 1;
        }
        std::size_t mn;
        long long mx;
        NodeLength(*alts[i], &mn, &mx);
        if (mx == kUnbounded) throw bad_regexpr(msg::kIllFormed);
        Inst& b = Add(Op::kBehind);
        b.a = reg;
        b.b = static_cast<int>(mn);
        b.c = static_cast<int>(mx);
        Emit(*alts[i]);
        Add(Op::kAtPos).a = reg;
        if (split >= 0) {
          jumps.push_back(Pc());
          Add(Op::kJmp);
          p_->code[split].b = Pc();
        }
      }
      for (int j : jumps) p_->code[j].a = Pc();
    }
    Add(Op::kLookEnd).a = begin;
    p_->code[begin].b = Pc() - 1;
  }

  void EmitCondition(const Node& n) {
    int test = -1;
    if (n.cond_group > 0) {
      test = Pc();
      Add(Op::kCondGroup).a = n.cond_group;
    } else {
      test = Pc();
      EmitLook(*n.kids[0], kLookCondition);
    }
    Emit(*n.kids[1]);
    const int jmp = Pc();
    Add(Op::kJmp);
    const int no = Pc();
    Emit(*n.kids[2]);
    p_->code[jmp].a = Pc();
    if (n.cond_group > 0) {
      p_->code[test].b = no;
    } else {
      p_->code[test].c = no;
    }
  }

  Program* p_;
  int regs_;
};

// Fills in kStar's "next byte" hint: the literal byte that must follow the
// loop, so backtracking can jump between its occurrences.
void AddStarHints(Program* p) {
  for (std::size_t i = 0; i + 1 < p->code.size(); ++i) {
    Inst& in = p->code[i];
    if (in.op != Op::kStar) continue;
    const Inst& next = p->code[i + 1];
    if (next.op == Op::kByte) {
      in.d = next.a;
    } else if (next.op == Op::kString) {
      in.d = static_cast<unsigned char>(p->strings[static_cast<std::size_t>(next.a)]);
    }
  }
}

// Remembering failed (pc, position) states is sound only when the rest of
// the match depends on nothing else: no back-references, group conditions,
// recursion, counters or look-arounds that come back to a saved position.
void PlanMemo(Program* p) {
  p->memo_ok = true;
  for (const Inst& in : p->code) {
    switch (in.op) {
      case Op::kBackref: case Op::kCondGroup: case Op::kRecurse: case Op::kLoopInit:
      case Op::kLoopMark: case Op::kLoopTail: case Op::kLoopCheck: case Op::kEmptyStop:
      case Op::kBehind: case Op::kAtPos:
        p->memo_ok = false;
        break;
      case Op::kLookBegin:
        if (!(in.flags & kLookAtomic)) p->memo_ok = false;
        break;
      default:
        break;
    }
  }
  if (!p->memo_ok) return;
  p->memo_index.assign(p->code.size(), -1);
  auto mark = [p](std::size_t pc) {
    if (pc < p->memo_index.size() && p->memo_index[pc] < 0) p->memo_index[pc] = p->memo_rows++;
  };
  for (std::size_t pc = 0; pc < p->code.size(); ++pc) {
    const Inst& in = p->code[pc];
    if (in.op == Op::kSplit) {
      mark(static_cast<std::size_t>(in.a));
      mark(static_cast<std::size_t>(in.b));
    } else if (in.op == Op::kStar) {
      mark(pc + 1);
    }
  }
}

}  // namespace

void NodeLength(const Node& n, std::size_t* min, long long* max) {
  switch (n.kind) {
    case NodeKind::kEmpty:
    case NodeKind::kAssert:
    case NodeKind::kLook:
      *min = 0;
      *max = 0;
      return;
    case NodeKind::kByte:
    case NodeKind::kSet:
      *min = 1;
      *max = 1;
      return;
    case NodeKind::kGroup:
    case NodeKind::kAtomic:
      NodeLength(*n.kids[0], min, max);
      return;
    case NodeKind::kConcat: {
      std::size_t mn = 0;
      long long mx = 0;
      for (auto& k : n.kids) {
        std::size_t a;
        long long b;
        NodeLength(*k, &a, &b);
        mn += a;
        mx = (mx == kUnbounded || b == kUnbounded) ? kUnbounded : mx + b;
      }
      *min = mn;
      *max = mx;
      return;
    }
    case NodeKind::kAlternate:
    case NodeKind::kCondition: {
      std::size_t mn = SIZE_MAX;
      long long mx = 0;
      const std::size_t first = n.kind == NodeKind::kCondition ? 1 : 0;
      for (std::size_t i = first; i < n.kids.size(); ++i) {
        std::size_t a;
        long long b;
        NodeLength(*n.kids[i], &a, &b);
        mn = std::min(mn, a);
        mx = (mx == kUnbounded || b == kUnbounded) ? kUnbounded : std::max(mx, b);
      }
      *min = mn == SIZE_MAX ? 0 : mn;
      *max = mx;
      return;
    }
    case NodeKind::kRepeat: {
      std::size_t a;
      long long b;
      NodeLength(*n.kids[0], &a, &b);
      *min = a * static_cast<std::size_t>(n.min);
      if (n.max < 0) {
        *max = b == 0 ? 0 : kUnbounded;
      } else {
        *max = b == kUnbounded ? kUnbounded : b * n.max;
      }
      return;
    }
    case NodeKind::kBackref:
    case NodeKind::kRecurse:
      *min = 0;
      *max = kUnbounded;
      return;
  }
  *min = 0;
  *max = kUnbounded;
}

Program CompileAst(Ast& ast, unsigned options) {
  Program prog;
  prog.options = options;
  prog.capture_count = ast.capture_count + 1;
  prog.has_recursion = ast.has_recursion;
  Simplify(ast.root);
  Compiler c(&prog, prog.capture_count);
  c.Emit(*ast.root);
  prog.code.push_back(Inst{});  // kMatch
  prog.slot_count = c.regs();
  AddStarHints(&prog);
  PlanMemo(&prog);
  AnalyzeLiterals(*ast.root, &prog);
  prog.tables.resize(prog.sets.size());
  for (std::size_t i = 0; i < prog.sets.size(); ++i)
    for (unsigned c = 0; c < 256; ++c) prog.tables[i][c] = prog.sets[i].Has(static_cast<unsigned char>(c));
  for (unsigned c = 0; c < 256; ++c) prog.first_table[c] = prog.first_bytes.Has(static_cast<unsigned char>(c));
  return prog;
}

}  // namespace folian::regex
