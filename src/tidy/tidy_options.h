// The Tidy options: what the tidying engine does with digits, letters,
// punctuation, blank lines, indentation and advertising. The values are the
// stored ones (1/2/3 choices), so the store, the dialog and the engine agree.
#pragma once

namespace folian::tidy {

struct TidyOptions {
  int num_convert = 2;   // NUMCONVERT: 1 full-width, 2 half-width, 3 unchanged
  int char_convert = 2;  // CHARCONVERT: same values
  int punc_convert = 3;  // PUNCCONVERT: same values
  int paragraph = 2;     // PARAGRAPH: 1 one blank line, 2 none, 3 unchanged
  int indent = 1;        // INDENT: 1 none, 2 half-width blanks, 3 full-width blanks, 4 tabs
  int indent_num1 = 4;   // INDENTNUM1: half-width blanks
  int indent_num2 = 2;   // INDENTNUM2: full-width blanks
  int indent_num3 = 1;   // INDENTNUM3: tabs
  int has_adver = 1;     // HASADVER: run advertisement removal
  int sort_as_num = 0;   // SORTASNUM: File list sorts by the numbers in names
  // Not stored: force a paragraph break after every full stop; one run only.
  bool split_at_fullstop = false;

  // The values in force when the store holds nothing.
  static TidyOptions AtStart() { return TidyOptions{}; }
  // The values "恢复默认设置" sets.
  static TidyOptions RestoreDefaults() {
    TidyOptions o;
    o.punc_convert = 1;
    return o;
  }
  bool operator==(const TidyOptions&) const = default;
};

}  // namespace folian::tidy
