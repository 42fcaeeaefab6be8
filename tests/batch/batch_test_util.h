// A Working folder of novels opened in a shell with the batch runner, for
// the batch and command tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>

#include "app/batch_runner.h"
#include "app/shell.h"
#include "app/tool_commands.h"
#include "charset/codepage.h"
#include "fakes.h"
#include "support/bytes.h"
#include "support/temp_dir.h"
#include "text/file_conversion.h"
#include "text/text_file.h"

namespace folian::app {

using folian::testing::ReadBytes;
using folian::testing::WriteBytes;

inline std::string Gbk(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }
inline std::string Utf8(std::string_view gbk) { return charset::GbkToUtf8(gbk); }

// The file's identity on disk: an atomic rewrite gives it a new one.
inline ino_t Inode(const std::filesystem::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

class ShellFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_ / "novels";
    std::filesystem::create_directory(folder_);
  }
  void TearDown() override {
    batch_.reset();
    tools_.reset();
    shell_.reset();
    std::error_code ec;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
  }

  std::filesystem::path File(std::string_view name) const { return folder_ / name; }
  void WriteGbkFile(std::string_view name, std::string_view utf8) { WriteBytes(File(name), Gbk(utf8)); }
  void WriteUtf8Bom(std::string_view name, std::string_view utf8) {
    WriteBytes(File(name), "\xEF\xBB\xBF" + std::string(utf8));
  }
  void WriteUtf16LE(std::string_view name, std::string_view utf8) { WriteUtf16(name, utf8, false); }
  void WriteUtf16BE(std::string_view name, std::string_view utf8) { WriteUtf16(name, utf8, true); }
  void WriteUtf16(std::string_view name, std::string_view utf8, bool big_endian) {
    WriteBytes(File(name), (big_endian ? "\xFE\xFF" : "\xFF\xFE") +
                               folian::testing::Utf16(charset::ToWide(charset::kUtf8, utf8), big_endian));
  }
  // The file's text as loading finds it (UTF-8), and how it is stored.
  std::string TextOf(std::string_view name, text::StoredEncoding* encoding = nullptr) {
    text::LoadedText loaded;
    EXPECT_TRUE(text::LoadTextFile(File(name), &loaded));
    if (encoding) *encoding = loaded.encoding;
    return Utf8(loaded.text);
  }

  void Open(TaskRunner* runner = nullptr) {
    runner_ = runner ? runner : &inline_;
    shell_ = std::make_unique<Shell>(view_, *runner_, tidy::TidyOptions::AtStart(),
                                     dir_ / "options.ini");
    batch_ = std::make_unique<BatchRunner>(*shell_, view_);
    tools_ = std::make_unique<ToolCommands>(*shell_, view_);
    shell_->Start(folder_);
    Settle();
  }
  // Lets a threaded runner finish what it started.
  void Settle() {
    if (runner_ == &threaded_) threaded_.Pump();
  }
  int RowOf(std::string_view name) const {
    const FileList& list = shell_->file_list();
    for (int i = 0; i < list.size(); ++i) {
      if (list.row(i).name == name) return i;
    }
    return -1;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const FileRow& r : shell_->file_list().rows()) names.push_back(r.name);
    return names;
  }
  bool CheckedRow(std::string_view name) const {
    return shell_->file_list().row(RowOf(name)).checked;
  }

  folian::testing::TempDir dir_;
  std::filesystem::path folder_;
  FakeWindow view_;
  InlineTaskRunner inline_;
  ThreadTaskRunner threaded_;
  TaskRunner* runner_ = nullptr;
  std::unique_ptr<Shell> shell_;
  std::unique_ptr<BatchRunner> batch_;
  std::unique_ptr<ToolCommands> tools_;
};

}  // namespace folian::app
