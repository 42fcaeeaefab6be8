// Ast -> Program.
#pragma once

#include "regex/ast.h"
#include "regex/program.h"

namespace folian::regex {

// Throws bad_regexpr for constructs that parse but cannot be compiled (a
// look-behind without an upper bound on its length).
Program CompileAst(Ast& ast, unsigned options);

// Smallest and largest number of bytes `n` can match; max -1 when unbounded
// or unknown (back-references, recursion).
void NodeLength(const Node& n, std::size_t* min, long long* max);

}  // namespace folian::regex
