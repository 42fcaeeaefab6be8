// The Tidy options, the editor font and the window layout in the per-user
// settings store.
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "tidy/tidy_options.h"

namespace folian::app {

inline constexpr char kOptionsSection[] = "Software\\Quorvel\\Tekstor\\Options";
inline constexpr char kEditorSection[] = "Software\\Microsoft\\Notepad";
inline constexpr char kWindowSection[] = "Software\\Quorvel\\Tekstor\\Window";

// The stored options, in the order they are read and written.
struct OptionField {
  const char* name;
  int tidy::TidyOptions::*member;
};
const std::array<OptionField, 10>& StoredOptionFields();

// Reads the options; a value that is missing or unreadable keeps its current
// value, and without a store (or an unreadable one) nothing changes. False
// only when the store exists but cannot be read.
bool LoadOptions(tidy::TidyOptions* options, std::string* error = nullptr);
bool LoadOptions(const std::filesystem::path& store, tidy::TidyOptions* options,
                 std::string* error = nullptr);

// Writes the ten values, keeping everything else in the store. True only if
// all were written; a store that exists but cannot be read is not replaced.
bool SaveOptions(const tidy::TidyOptions& options, std::string* error = nullptr);
bool SaveOptions(const std::filesystem::path& store, const tidy::TidyOptions& options,
                 std::string* error = nullptr);

// The editor's font between runs: face name (UTF-8), size in tenths of a
// point, and word wrap.
struct EditorFont {
  std::string face_name;
  int point_size = 0;
  int wrap = 0;
  bool operator==(const EditorFont&) const = default;
};
bool LoadEditorFont(const std::filesystem::path& store, EditorFont* font,
                    std::string* error = nullptr);
bool SaveEditorFont(const std::filesystem::path& store, const EditorFont& font,
                    std::string* error = nullptr);

// How the window's height is shared between the upper panel and the editor
// (pixels at the last close; 0 when never stored).
struct WindowLayout {
  int top = 0;
  int editor = 0;
  bool operator==(const WindowLayout&) const = default;
};
bool LoadWindowLayout(const std::filesystem::path& store, WindowLayout* layout,
                      std::string* error = nullptr);
bool SaveWindowLayout(const std::filesystem::path& store, const WindowLayout& layout,
                      std::string* error = nullptr);

// The reader template jar for txt2jar (a phone reader program of the user's
// own; none ships with Folian), a path stored as UTF-8 under JARTEMPLATE in
// the options section. Empty: no template. Saving what is stored already
// writes nothing.
inline constexpr char kJarTemplateName[] = "JARTEMPLATE";
bool LoadJarTemplate(const std::filesystem::path& store, std::filesystem::path* jar,
                     std::string* error = nullptr);
bool SaveJarTemplate(const std::filesystem::path& store, const std::filesystem::path& jar,
                     std::string* error = nullptr);

}  // namespace folian::app
