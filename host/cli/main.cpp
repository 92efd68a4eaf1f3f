// The pendrel program: installation and registration, and the browser window with the toolbar.
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "host/cli/BookmarkFileCommands.h"
#include "host/cli/BandRegistration.h"
#include "host/cli/BrowseCommand.h"
#include "host/cli/Installer.h"
#include "host/cli/Uninstaller.h"
#include "host/cli/WindowCommands.h"
#include "host/core/UserFolders.h"

namespace {

int Usage(std::ostream& out, int status) {
  out << "usage:\n"
         "  pendrel [ADDRESS]              open a browser window with the toolbar in the terminal; read commands at\n"
         "                                 a prompt (from standard input as a script when it is not a terminal)\n"
         "  pendrel run FILE               run a script of commands in the window (- reads standard input)\n"
         "  pendrel install [--data DIR]   set up the data folder, the database, the help pages and the settings,\n"
         "                                 and register the toolbar\n"
         "  pendrel register               register the toolbar with the browser (its class and toolbar entry)\n"
         "  pendrel unregister             take the toolbar's registration away\n"
         "  pendrel uninstall [--purge]    unregister and remove the settings; --purge also lists and removes the\n"
         "                                 data folder with the bookmarks\n"
         "  pendrel browse ADDRESS...      load each address in a browser window; print its events and pages\n"
         "  pendrel import|export FILE     bring in or write out the bookmarks as another browser's bookmark file\n"
         "  pendrel -h | --help            show this text\n"
         "  pendrel --version              show the version\n"
         "commands, one a line (# comments; \\n, \\t and \\\\ in arguments):\n"
         "  navigate ADDRESS   type BOX TEXT   key BOX KEY   clear BOX   pick BOX N   click BUTTON\n"
         "  menu ENTRY   answer yes|no   fill NAME VALUE   submit [N]   follow TEXT   wait repair   show\n"
         "  page   quit\n"
         "  BOX: search, category   BUTTON: Add, Change, Delete, Options, Show\n"
         "  KEY: Enter, Backspace, Delete, Home, End, Left, Right, Up, Down\n";
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

int Register(const std::vector<std::string>& args) {
  if (!args.empty()) return Usage(std::cerr, 2);
  return ChangeBandRegistration(Registration::Register, std::cout, std::cerr) ? 0 : 1;
}

int Unregister(const std::vector<std::string>& args) {
  if (!args.empty()) return Usage(std::cerr, 2);
  return ChangeBandRegistration(Registration::Unregister, std::cout, std::cerr) ? 0 : 1;
}

int Uninstall(const std::vector<std::string>& args) {
  if (args.size() > 1 || (args.size() == 1 && args[0] != "--purge")) {
    std::cerr << "pendrel uninstall: unexpected argument '" << args.back() << "'\n";
    return Usage(std::cerr, 2);
  }
  return RunUninstall(args.empty() ? DataFolder::Keep : DataFolder::Purge, std::cout, std::cerr);
}

int Browse(const std::vector<std::string>& args) { return RunBrowse(args, std::cout, std::cerr); }

int Run(const std::vector<std::string>& args) { return RunWindowScript(args, std::cin, std::cout); }

int Window(const std::vector<std::string>& args) {
  if (!::isatty(STDIN_FILENO)) return RunWindow(args, std::cin, std::cout, CommandSource::Script);
  // Line editing reads the terminal's characters as the locale says (UTF-8 as a rule).
  std::setlocale(LC_CTYPE, "");
  LineEditor editor("pendrel");
  return RunWindowAtTerminal(args, editor, std::cout, TerminalOptionsFor(STDOUT_FILENO));
}

// Whether a command reads or writes the person's folders (the registry, the data folder).
enum class Folders { Used, NotUsed };

struct Command {
  const char* name;
  int (*run)(const std::vector<std::string>& args);
  Folders folders;
};

const Command kCommands[] = {
    {"install", Install, Folders::Used},
    {"register", Register, Folders::Used},
    {"unregister", Unregister, Folders::Used},
    {"uninstall", Uninstall, Folders::Used},
    {"browse", Browse, Folders::NotUsed},
    {"run", Run, Folders::Used},
    {"import", ImportBookmarkFileCommand, Folders::Used},
    {"export", ExportBookmarkFileCommand, Folders::Used},
};

// Before a command uses the person's folders: they must be there to find (a home folder) and be
// theirs alone, or nothing is done. `pendrel install --data DIR` checks the folder it is given
// itself, so the one the settings named before does not stand in its way.
bool FoldersUsable(bool installElsewhere) {
  std::optional<std::string> problem = installElsewhere ? RegistryProblem() : UserFoldersProblem();
  if (!problem) return true;
  std::cerr << "pendrel: " << *problem << "\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
  if (argc < 2) return FoldersUsable(false) ? Window({}) : 1;
  for (const auto& command : kCommands) {
    if (std::strcmp(argv[1], command.name) != 0) continue;
    bool installElsewhere = std::strcmp(argv[1], "install") == 0 && !args.empty();
    if (command.folders == Folders::Used && !FoldersUsable(installElsewhere)) return 1;
    return command.run(args);
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "help") == 0)
    return Usage(std::cout, 0);
  if (std::strcmp(argv[1], "--version") == 0) {
    std::cout << "pendrel " << PENDREL_VERSION << "\n";
    return 0;
  }
  // An address or a path has a ':', '/' or '.' in it, or names a file; any other word is taken
  // for a mistyped command rather than opened as a page.
  std::string_view first(argv[1]);
  bool address = first.find_first_of(":/.") != std::string_view::npos || std::filesystem::exists(first);
  if (first.starts_with('-') || !address) {
    std::cerr << "pendrel: unknown command '" << argv[1] << "'\n";
    return Usage(std::cerr, 2);
  }
  if (!FoldersUsable(false)) return 1;
  return Window(std::vector<std::string>(argv + 1, argv + argc));
}
