// The options dialog ("格式整理选项") without its widgets: what each control
// shows for the options in force, how the indentation radios drive the three
// count fields, and what "确定" and "恢复默认设置" store and say.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "tidy/tidy_options.h"

namespace folian::app {

struct OptionsFormState {
  int num_convert = 2;   // checked radio of each three-way group: 1, 2 or 3
  int char_convert = 2;
  int punc_convert = 3;
  int paragraph = 2;
  int indent = 1;        // 1 none, 2 half-width blanks, 3 full-width blanks, 4 tabs
  // Count fields next to "半角空格", "全角空格", "制表符".
  std::array<std::string, 3> counts;
  std::array<bool, 3> count_enabled{};
  bool has_adver = true;
  bool split_at_fullstop = false;
  bool sort_as_num = false;
  // txt2jar's reader template jar (UTF-8 path; empty for none). Stored with
  // the options on "确定"; not a tidy option, so defaults leave it alone.
  std::string jar_template;
  bool operator==(const OptionsFormState&) const = default;
};

inline constexpr char kOptionsSaved[] = "选项已保存！";
inline constexpr char kOptionsRestored[] = "选项已恢复为默认值！";
// Followed by the reason, which names the settings file.
inline constexpr char kOptionsNotSaved[] = "选项已在本次运行中生效，但未能保存到设置文件：";

class OptionsForm {
 public:
  // `options` are the options in force; the form changes them on "确定" and
  // "恢复默认设置" only. An empty `store` means the user's settings file.
  OptionsForm(tidy::TidyOptions* options, std::filesystem::path store);

  const OptionsFormState& state() const { return state_; }
  OptionsFormState& state() { return state_; }

  // An indentation radio became checked.
  void SelectIndent(int kind);

  // "确定": reads the form into the options and saves them; returns the
  // message to show. "恢复默认设置" likewise, and resets the form. The
  // options are in force either way; a failed save says so, naming the file.
  std::string Confirm();
  std::string RestoreDefaults();
  // Whether the last Confirm or RestoreDefaults stored the options.
  bool saved() const { return saved_; }

  static OptionsFormState StateFor(const tidy::TidyOptions& options);

 private:
  // The message: `done` when stored, else why not.
  std::string Save(const char* done);
  std::filesystem::path StorePath() const;

  tidy::TidyOptions* options_;
  std::filesystem::path store_;
  bool saved_ = true;
  OptionsFormState state_;
};

}  // namespace folian::app
