// The per-user settings store: an INI file standing in for the registry.
// Sections are key paths ("[Software\Quorvel\Tekstor\Options]"), entries are
// NAME=VALUE with integers in decimal. Whatever the store does not know
// (other sections, keys, comments, even damaged lines) is kept on save.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folian::app {

// $FOLIAN_CONFIG_HOME/folian.ini, else $XDG_CONFIG_HOME/folian/folian.ini,
// else ~/.config/folian/folian.ini.
std::filesystem::path SettingsPath();

class SettingsStore {
 public:
  // A missing file gives an empty store and true; a file that exists but
  // cannot be read gives false (and an empty store).
  bool Load(const std::filesystem::path& path, std::string* error = nullptr);
  void Parse(std::string_view text);
  std::string Serialize() const;
  // Creates the folder if needed and replaces the file atomically.
  bool Save(const std::filesystem::path& path, std::string* error = nullptr) const;

  // Section and value names compare without regard to ASCII letter case, as
  // registry names do.
  bool HasSection(std::string_view section) const;
  std::optional<std::string> Get(std::string_view section, std::string_view name) const;
  // A 32-bit integer in decimal; nullopt when missing or not a number.
  std::optional<int> GetInt(std::string_view section, std::string_view name) const;
  void Set(std::string_view section, std::string_view name, std::string_view value);
  void SetInt(std::string_view section, std::string_view name, int value);

 private:
  std::vector<std::string> lines_;  // without their LF
  bool crlf_ = false;               // new lines follow the file's line ends
};

}  // namespace folian::app
