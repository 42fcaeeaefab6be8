#include "app/settings_store.h"

#include <fmt/core.h>
#include <pwd.h>
#include <unistd.h>

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <system_error>

#include "text/atomic_write.h"

namespace folian::app {
namespace {

std::string_view Trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// "[name]" -> name; nullopt for any other line.
std::optional<std::string_view> SectionOf(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return std::nullopt;
  return Trim(t.substr(1, t.size() - 2));
}

bool IsComment(std::string_view t) { return !t.empty() && (t.front() == ';' || t.front() == '#'); }

// NAME=VALUE -> (NAME, VALUE); nullopt for any other line.
std::optional<std::pair<std::string_view, std::string_view>> EntryOf(std::string_view line) {
  std::string_view t = Trim(line);
  if (IsComment(t)) return std::nullopt;
  std::size_t eq = t.find('=');
  if (eq == std::string_view::npos || eq == 0) return std::nullopt;
  return std::make_pair(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
}

}  // namespace

std::filesystem::path SettingsPath() {
  namespace fs = std::filesystem;
  if (const char* own = std::getenv("FOLIAN_CONFIG_HOME"); own != nullptr && *own != '\0')
    return fs::path(own) / "folian.ini";
  // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/')
    return fs::path(xdg) / "folian" / "folian.ini";
  fs::path home;
  if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    home = pw->pw_dir;
  } else {
    home = ".";
  }
  return home / ".config" / "folian" / "folian.ini";
}

bool SettingsStore::Load(const std::filesystem::path& path, std::string* error) {
  lines_.clear();
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) return true;
  std::string text;
  if (!text::ReadWholeFile(path, &text, error)) return false;
  Parse(text);
  return true;
}

void SettingsStore::Parse(std::string_view text) {
  lines_.clear();
  crlf_ = false;
  while (!text.empty()) {
    std::size_t nl = text.find('\n');
    // Lines are kept as they are, CR included, so a save changes only what was set.
    std::string_view line = text.substr(0, nl);
    if (lines_.empty()) crlf_ = !line.empty() && line.back() == '\r';
    lines_.emplace_back(line);
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
}

std::string SettingsStore::Serialize() const {
  std::string out;
  for (const auto& line : lines_) {
    out += line;
    out += '\n';
  }
  return out;
}

bool SettingsStore::Save(const std::filesystem::path& path, std::string* error) const {
  std::error_code ec;
  if (path.has_parent_path()) {
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) {
      if (error != nullptr)
        *error = fmt::format("\"{}\": cannot create folder: {}", path.parent_path().string(),
                             ec.message());
      return false;
    }
  }
  return text::WriteFileAtomic(path, Serialize(), error);
}

bool SettingsStore::HasSection(std::string_view section) const {
  for (const auto& line : lines_)
    if (auto s = SectionOf(line); s && SameName(*s, section)) return true;
  return false;
}

std::optional<std::string> SettingsStore::Get(std::string_view section,
                                              std::string_view name) const {
  bool inside = false;
  for (const auto& line : lines_) {
    if (auto s = SectionOf(line)) {
      inside = SameName(*s, section);
      continue;
    }
    if (!inside) continue;
    if (auto e = EntryOf(line); e && SameName(e->first, name)) return std::string(e->second);
  }
  return std::nullopt;
}

std::optional<int> SettingsStore::GetInt(std::string_view section, std::string_view name) const {
  auto value = Get(section, name);
  if (!value || value->empty()) return std::nullopt;
  std::string_view v = *value;
  bool negative = false;
  if (v.front() == '+' || v.front() == '-') {
    negative = v.front() == '-';
    v.remove_prefix(1);
  }
  std::uint64_t n = 0;
  auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n, 10);
  if (ec != std::errc() || end != v.data() + v.size() || v.empty()) return std::nullopt;
  // A 32-bit value: negatives down to INT_MIN, positives up to the unsigned maximum.
  if (negative) {
    if (n > static_cast<std::uint64_t>(std::numeric_limits<int>::max()) + 1) return std::nullopt;
    return static_cast<int>(-static_cast<std::int64_t>(n));
  }
  if (n > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  return static_cast<int>(static_cast<std::uint32_t>(n));
}

void SettingsStore::Set(std::string_view section, std::string_view name, std::string_view value) {
  std::string entry = std::string(name).append("=").append(value);
  // A line break inside a value would split it into lines of its own.
  for (char& c : entry)
    if (c == '\n' || c == '\r') c = ' ';
  const std::string eol = crlf_ ? "\r" : "";
  bool inside = false;
  std::optional<std::size_t> insert_at;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (auto s = SectionOf(lines_[i])) {
      inside = SameName(*s, section);
      if (inside && !insert_at) insert_at = i + 1;
      continue;
    }
    if (!inside) continue;
    if (auto e = EntryOf(lines_[i]); e && SameName(e->first, name)) {
      bool had_cr = !lines_[i].empty() && lines_[i].back() == '\r';
      lines_[i] = entry + (had_cr ? "\r" : "");
      return;
    }
    // New entries go after the section's last non-blank line of its first occurrence.
    if (!Trim(lines_[i]).empty() && insert_at && *insert_at == i) insert_at = i + 1;
  }
  if (insert_at) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*insert_at), entry + eol);
    return;
  }
  if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.push_back(eol);
  lines_.push_back(std::string("[").append(section).append("]").append(eol));
  lines_.push_back(entry + eol);
}

void SettingsStore::SetInt(std::string_view section, std::string_view name, int value) {
  Set(section, name, std::to_string(value));
}

}  // namespace folian::app
