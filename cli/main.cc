#include <cstdio>
#include <exception>

#include "command.h"

namespace folian::cli {
std::vector<CommandSetup>& Registry() {
  static std::vector<CommandSetup> commands;
  return commands;
}
}  // namespace folian::cli

int main(int argc, char** argv) {
  using namespace folian::cli;
  CLI::App app{"folian-cli: tidy, convert and search Chinese novel text files"};
  app.require_subcommand(1);
  int exit_code = kExitOk;
  for (auto& setup : Registry()) setup(app, &exit_code);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "folian-cli: %s\n", e.what());
    return kExitFailed;
  }
  return exit_code;
}
