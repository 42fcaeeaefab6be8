#include "app/options_form.h"

#include <cstdlib>
#include <utility>

#include "app/options_store.h"
#include "app/settings_store.h"

namespace folian::app {
namespace {

int* CountOf(tidy::TidyOptions& o, int kind) {
  switch (kind) {
    case 2: return &o.indent_num1;
    case 3: return &o.indent_num2;
    case 4: return &o.indent_num3;
    default: return nullptr;
  }
}

void ShowIndent(OptionsFormState& s, const tidy::TidyOptions& o, int kind) {
  s.indent = kind;
  const int values[3] = {o.indent_num1, o.indent_num2, o.indent_num3};
  for (int i = 0; i < 3; ++i) {
    const bool own = (kind == i + 2);
    s.count_enabled[static_cast<std::size_t>(i)] = own;
    s.counts[static_cast<std::size_t>(i)] = own ? std::to_string(values[i]) : std::string();
  }
}

// The field read as atoi reads it: leading blanks, a sign, digits; text that
// is not a number gives 0. At most 120 characters are read.
int FieldValue(std::string_view text) {
  const std::string field(text.substr(0, 120));
  return std::atoi(field.c_str());
}

}  // namespace

OptionsForm::OptionsForm(tidy::TidyOptions* options, std::filesystem::path store)
    : options_(options), store_(std::move(store)), state_(StateFor(*options)) {
  std::filesystem::path jar;
  if (LoadJarTemplate(StorePath(), &jar)) state_.jar_template = jar.string();
}

std::filesystem::path OptionsForm::StorePath() const {
  return store_.empty() ? SettingsPath() : store_;
}

OptionsFormState OptionsForm::StateFor(const tidy::TidyOptions& o) {
  OptionsFormState s;
  s.num_convert = o.num_convert;
  s.char_convert = o.char_convert;
  s.punc_convert = o.punc_convert;
  s.paragraph = o.paragraph;
  ShowIndent(s, o, o.indent);
  s.has_adver = o.has_adver != 0;
  s.split_at_fullstop = o.split_at_fullstop;
  s.sort_as_num = o.sort_as_num != 0;
  return s;
}

void OptionsForm::SelectIndent(int kind) {
  if (kind < 1 || kind > 4) return;
  ShowIndent(state_, *options_, kind);
}

std::string OptionsForm::Confirm() {
  tidy::TidyOptions& o = *options_;
  o.num_convert = state_.num_convert;
  o.char_convert = state_.char_convert;
  o.punc_convert = state_.punc_convert;
  o.paragraph = state_.paragraph;
  o.indent = state_.indent;
  if (int* count = CountOf(o, state_.indent)) {
    *count = FieldValue(state_.counts[static_cast<std::size_t>(state_.indent - 2)]);
  }
  o.has_adver = state_.has_adver ? 1 : 0;
  o.split_at_fullstop = state_.split_at_fullstop;
  o.sort_as_num = state_.sort_as_num ? 1 : 0;
  return Save(kOptionsSaved);
}

std::string OptionsForm::RestoreDefaults() {
  *options_ = tidy::TidyOptions::RestoreDefaults();
  std::string jar_template = std::move(state_.jar_template);
  state_ = StateFor(*options_);
  state_.jar_template = std::move(jar_template);
  return Save(kOptionsRestored);
}

std::string OptionsForm::Save(const char* done) {
  std::string error;
  saved_ = SaveOptions(StorePath(), *options_, &error) &&
           SaveJarTemplate(StorePath(), state_.jar_template, &error);
  if (saved_) return done;
  return std::string(kOptionsNotSaved) + (error.empty() ? StorePath().string() : error);
}

}  // namespace folian::app
