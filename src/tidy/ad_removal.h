// Advertisement removal: the eight stages run on the working text of a tidy
// run when the text is said to contain advertising. Two implementations with
// byte-identical results: the straightforward one (every rule a full pass
// over the text, in order) and AdRemover, which first learns which rules can
// fire at all and then touches only the lines where they can.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "tidy/rule_table.h"

namespace folian::tidy {

// Told of every replacement the full-pass implementation is about to make:
// the stage (1..8), the row's place in it (from 1), the row, and the text as
// it stands. Rows of the custom stage and the title stage come as literal
// replacements too.
class AdRowObserver {
 public:
  virtual ~AdRowObserver() = default;
  virtual void BeforeRow(int stage, std::size_t row, const Rule& rule, std::string_view text) = 0;
};

struct AdRunInput {
  // Chapter titles the line scanner collected, in order (duplicated-title stage).
  const std::vector<std::string>* titles = nullptr;
  // Custom deletions (the lines of "remove.txt" and any explicit list), GBK.
  const std::vector<std::string>* custom = nullptr;
  ProgressSink* progress = nullptr;  // status texts and positions 85/90/95
  const CancelFlag* cancel = nullptr;
  // RemoveAdsReference only (AdRemover ignores it).
  AdRowObserver* observer = nullptr;
};

// Every rule a full pass over the text, in table order. Returns false when
// cancelled (the text is then partly processed). Throws regex::bad_regexpr
// for a pattern that does not compile.
bool RemoveAdsReference(std::string& text, const RuleTable& rules, const AdRunInput& in);

class AdRemover {
 public:
  // Compiles the table once (patterns, needle filters); throws
  // regex::bad_regexpr for a pattern that does not compile.
  explicit AdRemover(const RuleTable& rules);
  ~AdRemover();
  AdRemover(AdRemover&&) noexcept;
  AdRemover& operator=(AdRemover&&) noexcept;

  // Same contract and same result as RemoveAdsReference. Thread-safe.
  bool Run(std::string& text, const AdRunInput& in) const;

 public:
  struct Impl;  // internal

 private:
  std::unique_ptr<const Impl> impl_;
};

// Reads a custom rule file as "remove.txt" is read: line by line, at most
// 99,999 bytes a read, up to two trailing CR/LF bytes stripped, empty lines
// skipped. False when the file cannot be opened.
bool LoadCustomRules(const std::string& path, std::vector<std::string>* lines);

}  // namespace folian::tidy
