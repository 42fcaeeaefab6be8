// Runs folian-cli through the shell with exact argument bytes, capturing its
// exit code, stdout and stderr (through files in a scratch folder, so binary
// output and large outputs arrive whole).
#pragma once

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

inline CliResult RunCli(const std::vector<std::string>& args, const std::filesystem::path& scratch) {
  std::string cmd = ShellQuote(FOLIAN_CLI_PATH);
  for (const auto& a : args) cmd += " " + ShellQuote(a);
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

}  // namespace folian::testing
