// folian-cli's subcommands register themselves here, one file per command,
// so adding a command touches no other file.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <vector>

namespace folian::cli {

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // some file failed (each named on stderr)
inline constexpr int kExitUsage = 2;

// Adds the subcommand to `app`; its callback stores the exit code in `*exit_code`.
using CommandSetup = std::function<void(CLI::App& app, int* exit_code)>;

std::vector<CommandSetup>& Registry();

struct RegisterCommand {
  explicit RegisterCommand(CommandSetup setup) { Registry().push_back(std::move(setup)); }
};

}  // namespace folian::cli
