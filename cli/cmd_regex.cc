// folian-cli regex: run one pattern over stdin, for tests and scripting.
//
//   folian-cli regex [--flags N] [--subst TEMPLATE] (PATTERN | --pattern-file FILE)
//
// Match mode prints "<index> <matched> <start> <length>" per result entry and
// exits 0, or prints nothing and exits 1 when nothing matched. With --subst
// it prints the replacement count on one line, then the rebuilt bytes. A
// pattern that does not compile prints its message on stderr and exits 2.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "command.h"
#include "regex/regex.h"
#include "text/atomic_write.h"

namespace folian::cli {
namespace {

struct RegexArgs {
  unsigned flags = 0;
  std::string pattern;
  std::string pattern_file;
  std::string subst;
};

bool ReadAll(std::FILE* f, std::string* out) {
  char buf[1 << 16];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->append(buf, n);
  return !std::ferror(f);
}

int RunRegex(const RegexArgs& args, bool has_subst, bool has_pattern, bool has_file) {
  if (has_pattern == has_file) {
    std::fprintf(stderr, "regex: give either PATTERN or --pattern-file\n");
    return kExitUsage;
  }
  std::string pattern = args.pattern;
  if (has_file) {
    std::FILE* f = std::fopen(args.pattern_file.c_str(), "rb");
    pattern.clear();
    if (!f || !ReadAll(f, &pattern)) {
      if (f) std::fclose(f);
      std::fprintf(stderr, "regex: cannot read %s\n", args.pattern_file.c_str());
      return kExitUsage;
    }
    std::fclose(f);
  }
  regex::Pattern re;
  try {
    if (has_subst) {
      re.Compile(pattern, args.subst, args.flags);
    } else {
      re.Compile(pattern, args.flags);
    }
  } catch (const regex::bad_regexpr& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return kExitUsage;
  }
  std::string subject, error;
  if (!text::ReadWholeStream(STDIN_FILENO, "-", &subject, &error)) {
    std::fprintf(stderr, "regex: standard input: %s\n", error.c_str());
    return kExitFailed;
  }
  bool over_budget = false;
  if (has_subst) {
    const std::size_t n = re.Substitute(subject, 0, std::string::npos, nullptr, &over_budget);
    if (over_budget) {
      std::fprintf(stderr, "regex: %s\n", regex::kOverBudgetMessage);
      return kExitFailed;
    }
    std::printf("%zu\n", n);
    std::fwrite(subject.data(), 1, subject.size(), stdout);
    return kExitOk;
  }
  regex::MatchResult result;
  const bool matched = re.Match(subject, &result, nullptr, &over_budget);
  if (over_budget) {
    std::fprintf(stderr, "regex: %s\n", regex::kOverBudgetMessage);
    return kExitFailed;
  }
  if (!matched) return kExitFailed;
  std::string out;
  for (std::size_t i = 0; i < result.size(); ++i) {
    const auto& s = result[i];
    out += std::to_string(i) + (s.matched ? " 1 " : " 0 ") + std::to_string(s.start) + ' ' +
           std::to_string(s.length) + '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kExitOk;
}

RegisterCommand reg{[](CLI::App& app, int* exit_code) {
  auto args = std::make_shared<RegexArgs>();
  auto* cmd = app.add_subcommand("regex", "Match or substitute a pattern over standard input");
  cmd->add_option("--flags", args->flags, "Option bits (IGNORECASE 1, ALLMATCHES 2, ...)");
  auto* subst = cmd->add_option("--subst", args->subst, "Substitution template")->allow_extra_args(false);
  auto* file = cmd->add_option("--pattern-file", args->pattern_file, "Read the pattern's bytes from FILE");
  auto* pat = cmd->add_option("pattern", args->pattern, "The pattern");
  cmd->callback([args, exit_code, subst, file, pat] {
    *exit_code = RunRegex(*args, subst->count() > 0, pat->count() > 0, file->count() > 0);
  });
}};

}  // namespace
}  // namespace folian::cli
