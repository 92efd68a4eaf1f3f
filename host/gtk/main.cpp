// The pendrel-browser program: the desktop browser window with the toolbar docked, shown by GTK
// with WebKit pages, interactive or driven by a script as `pendrel run` drives its window.
#include "host/gtk/GtkHeaders.h"

#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/core/HostLines.h"
#include "host/core/HostWindow.h"
#include "host/core/ScriptCommands.h"
#include "host/core/ScriptReader.h"
#include "host/core/UserFolders.h"
#include "host/gtk/DesktopPrompts.h"
#include "host/gtk/DesktopWindow.h"
#include "host/gtk/GLibLoop.h"
#include "platform/text/WideText.h"

namespace {

// How often the GLib loop looks at the window system's queue.
constexpr std::chrono::milliseconds kPumpEvery{10};

int Usage(std::ostream& out, int status) {
  out << "usage:\n"
         "  pendrel-browser [ADDRESS]                      open the desktop browser window with the toolbar\n"
         "  pendrel-browser --run FILE [--screenshot PNG] run a script of commands in the window (- reads\n"
         "                                                 standard input), printing the lines `pendrel run`\n"
         "                                                 prints; --screenshot writes the window as PNG at the end\n";
  return status;
}

struct Options {
  std::optional<std::string> address;
  std::optional<std::string> script;
  std::optional<std::string> picture;
};

std::optional<Options> ReadOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--run" && i + 1 < argc && !options.script && !options.address) {
      options.script = argv[++i];
    } else if (arg == "--screenshot" && i + 1 < argc && !options.picture) {
      options.picture = argv[++i];
    } else if (!arg.starts_with("-") && !options.address && !options.script) {
      options.address = arg;
    } else {
      return std::nullopt;
    }
  }
  if (options.script && options.script->empty()) return std::nullopt;
  if (options.picture && !options.script) return std::nullopt;
  return options;
}

HostWindow::LineOutput LinesTo(std::ostream& out) {
  return [&out](const std::wstring& line) { out << ToUtf8(line) << '\n' << std::flush; };
}

int RunScriptFile(const Options& options) {
  std::ifstream file;
  if (*options.script != "-") {
    if (std::optional<std::wstring> why = OpenScript(*options.script, file)) {
      std::cout << ToUtf8(ErrorLine(*why)) << '\n';
      return 1;
    }
  }
  DesktopWindow desktop({});
  int status = 0;
  {
    HostWindow window(LinesTo(std::cout), {}, BrowserIn(desktop));
    DesktopToolbar toolbar(desktop, window, Prompts::FromScript);
    ScriptReader reader(*options.script == "-" ? std::cin : file);
    status = RunScript(reader, window);
    if (toolbar.View()) toolbar.View()->Refresh();
    if (options.picture && !desktop.SavePicture(*options.picture)) {
      std::cout << ToUtf8(ErrorLine(L"cannot write the picture " + FromUtf8(*options.picture))) << '\n';
      status = 1;
    }
  }
  return status;
}

int RunInteractive(const Options& options) {
  std::unique_ptr<HostWindow> window;
  DesktopWindow::Actions actions;
  actions.open = [&window](const std::wstring& address) {
    if (window) window->Browser().Navigate(address);
  };
  actions.close = [&window] {
    if (window) window->Browser().Quit();
    gtk_main_quit();
  };
  DesktopWindow desktop(std::move(actions));
  window = std::make_unique<HostWindow>(LinesTo(std::cout), AskWithDialog(desktop.Window()), BrowserIn(desktop));
  auto toolbar = std::make_unique<DesktopToolbar>(desktop, *window, Prompts::FromPerson);
  MessagePump pump(
      [&window] {
        try {
          window->DispatchQueued();
        } catch (const HostCommandError& e) {
          window->Print(ErrorLine(e.Why()));
        }
      },
      kPumpEvery);
  if (options.address) window->Browser().Navigate(FromUtf8(*options.address));
  gtk_main();
  toolbar.reset();
  window.reset();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0))
    return Usage(std::cout, 0);
  std::optional<Options> options = ReadOptions(argc, argv);
  if (!options) return Usage(std::cerr, 2);
  // The toolbar reads its settings and opens the database of the person's own folders: none of
  // them may be another account's to plant.
  if (std::optional<std::string> problem = UserFoldersProblem()) {
    std::cerr << "pendrel-browser: " << *problem << "\n";
    return 1;
  }
  if (!gtk_init_check(&argc, &argv)) {
    std::cerr << "pendrel-browser: cannot open the display (DISPLAY is "
              << (std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "not set")
              << "); pendrel runs the browser window in a terminal\n";
    return 1;
  }
  return options->script ? RunScriptFile(*options) : RunInteractive(*options);
}
