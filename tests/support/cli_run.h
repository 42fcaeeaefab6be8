// Runs folian-cli through the shell with exact argument bytes, capturing its
// exit code, stdout and stderr (through files in a scratch folder, so binary
// output and large outputs arrive whole); and a fixture that runs it in a
// scratch folder with settings of its own.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace folian::testing {

struct CliResult {
  int code = -1;  // -1 when the tool did not exit normally
  std::string out, err;
};

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// `input`, when given, is the tool's standard input.
inline CliResult RunCli(const std::vector<std::string>& args, const std::filesystem::path& scratch,
                        const std::filesystem::path& input = {}) {
  std::string cmd = ShellQuote(FOLIAN_CLI_PATH);
  for (const auto& a : args) cmd += " " + ShellQuote(a);
  if (!input.empty()) cmd += " <" + ShellQuote(input.string());
  const auto out = scratch / ".cli-out", err = scratch / ".cli-err";
  cmd += " >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string());
  const int status = std::system(cmd.c_str());
  CliResult r;
  if (WIFEXITED(status)) r.code = WEXITSTATUS(status);
  r.out = ReadBytes(out);
  r.err = ReadBytes(err);
  std::error_code ec;
  std::filesystem::remove(out, ec);
  std::filesystem::remove(err, ec);
  return r;
}

class CliFixture : public ::testing::Test {
 protected:
  CliResult Run(const std::vector<std::string>& args, const std::filesystem::path& input = {}) {
    return RunCli(args, dir_.path(), input);
  }
  // Writes a file into the scratch folder and gives its path.
  std::string Put(const std::string& name, const std::string& bytes) {
    WriteBytes(dir_ / name, bytes);
    return (dir_ / name).string();
  }

  TempDir dir_;
  EnvVar config_{"FOLIAN_CONFIG_HOME", (dir_.path() / "config").c_str()};
};

}  // namespace folian::testing
