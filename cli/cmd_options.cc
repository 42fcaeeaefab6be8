// folian-cli options [show | set NAME=VALUE... | reset]: the Tidy options in
// the per-user settings store.
#include <fmt/core.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "app/options_store.h"
#include "app/settings_store.h"
#include "command.h"

namespace folian::cli {
namespace {

struct Range {
  int lo, hi;
};

// The values each option may take; the counts are kept to what a line start can sensibly hold.
Range RangeOf(std::string_view name) {
  if (name == "INDENT") return {1, 4};
  if (name.starts_with("INDENTNUM")) return {0, 1000};
  if (name == "HASADVER" || name == "SORTASNUM") return {0, 1};
  return {1, 3};
}

void Show(const tidy::TidyOptions& o) {
  for (const auto& f : app::StoredOptionFields()) fmt::print("{}={}\n", f.name, o.*f.member);
  std::filesystem::path jar;
  if (app::LoadJarTemplate(app::SettingsPath(), &jar)) {
    fmt::print("{}={}\n", app::kJarTemplateName, jar.string());
  }
  std::fflush(stdout);
}

bool LoadCurrent(tidy::TidyOptions* o) {
  std::string error;
  if (!app::LoadOptions(o, &error)) {
    fmt::print(stderr, "folian-cli options: {}\n", error);
    return false;
  }
  return true;
}

bool Save(const tidy::TidyOptions& o) {
  std::string error;
  if (!app::SaveOptions(o, &error)) {
    fmt::print(stderr, "folian-cli options: cannot save: {}\n", error);
    return false;
  }
  return true;
}

int Set(const std::vector<std::string>& assignments) {
  tidy::TidyOptions o = tidy::TidyOptions::AtStart();
  if (!LoadCurrent(&o)) return kExitFailed;
  std::optional<std::string> jar_template;
  for (const auto& a : assignments) {
    auto eq = a.find('=');
    std::string name = a.substr(0, eq);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (name == app::kJarTemplateName && eq != std::string::npos) {
      jar_template = a.substr(eq + 1);  // a path; empty for none
      continue;
    }
    const auto& fields = app::StoredOptionFields();
    auto field = std::find_if(fields.begin(), fields.end(),
                              [&](const app::OptionField& f) { return name == f.name; });
    if (eq == std::string::npos || field == fields.end()) {
      fmt::print(stderr, "folian-cli options: \"{}\" is not NAME=VALUE with a known NAME\n", a);
      return kExitUsage;
    }
    std::string_view v = std::string_view(a).substr(eq + 1);
    int value = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
    Range r = RangeOf(field->name);
    if (v.empty() || ec != std::errc() || end != v.data() + v.size() || value < r.lo ||
        value > r.hi) {
      fmt::print(stderr, "folian-cli options: {} must be a number from {} to {}\n", field->name,
                 r.lo, r.hi);
      return kExitUsage;
    }
    o.*field->member = value;
  }
  if (!Save(o)) return kExitFailed;
  if (jar_template) {
    std::string error;
    if (!app::SaveJarTemplate(app::SettingsPath(), *jar_template, &error)) {
      fmt::print(stderr, "folian-cli options: cannot save: {}\n", error);
      return kExitFailed;
    }
  }
  Show(o);
  return kExitOk;
}

RegisterCommand reg{[](CLI::App& app, int* exit_code) {
  auto* cmd = app.add_subcommand(
      "options", "Show or change the Tidy options in the settings store (" +
                     app::SettingsPath().string() + ")");
  cmd->require_subcommand(0, 1);
  auto* show = cmd->add_subcommand("show", "Print the options in force (the default)");
  auto* set = cmd->add_subcommand(
      "set", "Change options, e.g. set PUNCCONVERT=1 INDENT=3, or JARTEMPLATE=PATH (txt2jar's "
             "reader template jar; empty for none)");
  auto* reset = cmd->add_subcommand("reset", "Restore the default options and save them");
  auto assignments = std::make_shared<std::vector<std::string>>();
  set->add_option("NAME=VALUE", *assignments, "Options to change")->required();

  auto do_show = [exit_code] {
    tidy::TidyOptions o = tidy::TidyOptions::AtStart();
    if (!LoadCurrent(&o)) {
      *exit_code = kExitFailed;
      return;
    }
    Show(o);
    *exit_code = kExitOk;
  };
  show->callback(do_show);
  set->callback([assignments, exit_code] { *exit_code = Set(*assignments); });
  reset->callback([exit_code] {
    tidy::TidyOptions o = tidy::TidyOptions::RestoreDefaults();
    *exit_code = Save(o) ? (Show(o), kExitOk) : kExitFailed;
  });
  cmd->callback([cmd, do_show] {
    if (cmd->get_subcommands().empty()) do_show();
  });
}};

}  // namespace
}  // namespace folian::cli
