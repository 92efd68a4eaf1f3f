// The pendrel program: installation and registration, and the browser window with the toolbar.
#include <unistd.h>

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
         "commands, one a line (# comments; \\n, \\t and \\\\ in arguments):\n"
         "  navigate ADDRESS   type BOX TEXT   key BOX KEY   pick BOX N   click BUTTON   menu ENTRY\n"
         "  answer yes|no   fill NAME VALUE   submit [N]   follow TEXT   wait repair   show   page   quit\n"
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

struct Command {
  const char* name;
  int (*run)(const std::vector<std::string>& args);
};

const Command kCommands[] = {
    {"install", Install},
    {"register", Register},
    {"unregister", Unregister},
    {"uninstall", Uninstall},
    {"browse", Browse},
    {"run", Run},
    {"import", ImportBookmarkFileCommand},
    {"export", ExportBookmarkFileCommand},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Window({});
  std::vector<std::string> args(argv + 2, argv + argc);
  for (const auto& command : kCommands)
    if (std::strcmp(argv[1], command.name) == 0) return command.run(args);
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) return Usage(std::cout, 0);
  // An address or a path has a ':', '/' or '.' in it, or names a file; any other word is taken
  // for a mistyped command rather than opened as a page.
  std::string_view first(argv[1]);
  bool address = first.find_first_of(":/.") != std::string_view::npos || std::filesystem::exists(first);
  if (first.starts_with('-') || !address) {
    std::cerr << "pendrel: unknown command '" << argv[1] << "'\n";
    return Usage(std::cerr, 2);
  }
  return Window(std::vector<std::string>(argv + 1, argv + argc));
}
