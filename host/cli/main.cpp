// The pendrel program: installation, and the browser window with the toolbar.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "host/cli/BrowseCommand.h"
#include "host/cli/Installer.h"

namespace {

int Usage(std::ostream& out, int status) {
  out << "usage:\n"
         "  pendrel install [--data DIR]   set up the data folder, the database, the help pages and the settings\n"
         "  pendrel browse ADDRESS...      load each address in a browser window; print its events and pages\n";
  return status;
}

int Install(const std::vector<std::string>& args) {
  InstallOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--data" && i + 1 < args.size() && !args[i + 1].empty()) {
      options.dataFolder = args[++i];
    } else {
      std::cerr << "pendrel install: unexpected argument '" << args[i] << "'\n";
      return Usage(std::cerr, 2);
    }
  }
  return RunInstall(options, std::cout, std::cerr);
}

int Browse(const std::vector<std::string>& args) { return RunBrowse(args, std::cout, std::cerr); }

struct Command {
  const char* name;
  int (*run)(const std::vector<std::string>& args);
};

const Command kCommands[] = {
    {"install", Install},
    {"browse", Browse},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(std::cerr, 2);
  std::vector<std::string> args(argv + 2, argv + argc);
  for (const auto& command : kCommands)
    if (std::strcmp(argv[1], command.name) == 0) return command.run(args);
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) return Usage(std::cout, 0);
  std::cerr << "pendrel: unknown command '" << argv[1] << "'\n";
  return Usage(std::cerr, 2);
}
