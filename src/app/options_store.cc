#include "app/options_store.h"

#include "app/settings_store.h"

namespace folian::app {

const std::array<OptionField, 10>& StoredOptionFields() {
  using O = tidy::TidyOptions;
  static const std::array<OptionField, 10> fields{{
      {"NUMCONVERT", &O::num_convert},
      {"CHARCONVERT", &O::char_convert},
      {"PUNCCONVERT", &O::punc_convert},
      {"PARAGRAPH", &O::paragraph},
      {"INDENT", &O::indent},
      {"INDENTNUM1", &O::indent_num1},
      {"INDENTNUM2", &O::indent_num2},
      {"INDENTNUM3", &O::indent_num3},
      {"HASADVER", &O::has_adver},
      {"SORTASNUM", &O::sort_as_num},
  }};
  return fields;
}

bool LoadOptions(const std::filesystem::path& path, tidy::TidyOptions* options,
                 std::string* error) {
  SettingsStore store;
  if (!store.Load(path, error)) return false;
  if (!store.HasSection(kOptionsSection)) return true;
  for (const auto& field : StoredOptionFields()) {
    if (auto v = store.GetInt(kOptionsSection, field.name)) options->*field.member = *v;
  }
  return true;
}

bool LoadOptions(tidy::TidyOptions* options, std::string* error) {
  return LoadOptions(SettingsPath(), options, error);
}

bool SaveOptions(const std::filesystem::path& path, const tidy::TidyOptions& options,
                 std::string* error) {
  SettingsStore store;
  // Replacing a store we could not read would throw away whatever it holds.
  if (!store.Load(path, error)) return false;
  for (const auto& field : StoredOptionFields())
    store.SetInt(kOptionsSection, field.name, options.*field.member);
  return store.Save(path, error);
}

bool SaveOptions(const tidy::TidyOptions& options, std::string* error) {
  return SaveOptions(SettingsPath(), options, error);
}

bool LoadEditorFont(const std::filesystem::path& path, EditorFont* font, std::string* error) {
  SettingsStore store;
  if (!store.Load(path, error)) return false;
  if (auto v = store.Get(kEditorSection, "lfFaceName")) font->face_name = *v;
  if (auto v = store.GetInt(kEditorSection, "iPointSize")) font->point_size = *v;
  if (auto v = store.GetInt(kEditorSection, "fWrap")) font->wrap = *v;
  return true;
}

bool SaveEditorFont(const std::filesystem::path& path, const EditorFont& font,
                    std::string* error) {
  SettingsStore store;
  if (!store.Load(path, error)) return false;
  store.Set(kEditorSection, "lfFaceName", font.face_name);
  store.SetInt(kEditorSection, "iPointSize", font.point_size);
  store.SetInt(kEditorSection, "fWrap", font.wrap);
  return store.Save(path, error);
}

bool LoadWindowLayout(const std::filesystem::path& path, WindowLayout* layout, std::string* error) {
  SettingsStore store;
  if (!store.Load(path, error)) return false;
  if (auto v = store.GetInt(kWindowSection, "SPLITTOP")) layout->top = *v;
  if (auto v = store.GetInt(kWindowSection, "SPLITEDITOR")) layout->editor = *v;
  return true;
}

bool SaveWindowLayout(const std::filesystem::path& path, const WindowLayout& layout,
                      std::string* error) {
  SettingsStore store;
  if (!store.Load(path, error)) return false;
  store.SetInt(kWindowSection, "SPLITTOP", layout.top);
  store.SetInt(kWindowSection, "SPLITEDITOR", layout.editor);
  return store.Save(path, error);
}

bool LoadJarTemplate(const std::filesystem::path& path, std::filesystem::path* jar,
                     std::string* error) {
  SettingsStore store;
  if (!store.Load(path, error)) return false;
  jar->clear();
  if (auto v = store.Get(kOptionsSection, kJarTemplateName)) *jar = std::filesystem::path(*v);
  return true;
}

bool SaveJarTemplate(const std::filesystem::path& path, const std::filesystem::path& jar,
                     std::string* error) {
  SettingsStore store;
  if (!store.Load(path, error)) return false;
  // Nothing to change: the store is not rewritten (nor created for "none").
  if (store.Get(kOptionsSection, kJarTemplateName).value_or("") == jar.string()) return true;
  store.Set(kOptionsSection, kJarTemplateName, jar.string());
  return store.Save(path, error);
}

}  // namespace folian::app
