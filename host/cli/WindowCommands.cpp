#include "host/cli/WindowCommands.h"

#include <fstream>

#include "host/cli/EngineBrowser.h"
#include "host/core/HostLines.h"
#include "host/core/HostWindow.h"
#include "host/core/ScriptCommands.h"
#include "host/core/ScriptReader.h"
#include "host/engine/PageText.h"
#include "platform/text/WideText.h"

namespace {

HostWindow::LineOutput LinesTo(std::ostream& out) {
  return [&out](const std::wstring& line) { out << ToUtf8(line) << '\n' << std::flush; };
}

}  // namespace

int RunWindow(const std::vector<std::string>& args, std::istream& in, std::ostream& out, CommandSource source) {
  if (source == CommandSource::Terminal) {
    StreamLineSource lines(in, out);
    return RunWindowAtTerminal(args, lines, out, TerminalOptions{});
  }
  if (args.size() > 1) {
    out << "usage: pendrel [ADDRESS]\n";
    return 2;
  }
  HostWindow window(LinesTo(out), {}, MakeEngineBrowser);
  if (!args.empty()) window.Navigate(FromUtf8(args[0]));
  ScriptReader reader(in);
  return RunScript(reader, window);
}

int RunWindowAtTerminal(const std::vector<std::string>& args, LineSource& input, std::ostream& out,
                        const TerminalOptions& options) {
  if (args.size() > 1) {
    out << "usage: pendrel [ADDRESS]\n";
    return 2;
  }
  TerminalSession session(input, out, options);
  EngineBrowser* engine = nullptr;
  HostWindow window(session.Output(), session.Asker(), [&engine](HWND frame) {
    auto browser = std::make_unique<EngineBrowser>(frame);
    engine = browser.get();
    return std::unique_ptr<HostBrowser>(std::move(browser));
  });
  session.Attach(window, [engine](const TextLayout& layout) { return engine->LayOut(layout); });
  if (!args.empty()) window.Navigate(FromUtf8(args[0]));
  return session.Run(window);
}

int RunWindowScript(const std::vector<std::string>& args, std::istream& in, std::ostream& out) {
  if (args.size() != 1 || args[0].empty()) {
    out << "usage: pendrel run FILE   (- for standard input)\n";
    return 2;
  }
  std::ifstream file;
  if (args[0] != "-") {
    if (std::optional<std::wstring> why = OpenScript(args[0], file)) {
      out << ToUtf8(ErrorLine(*why)) << '\n';
      return 1;
    }
  }
  HostWindow window(LinesTo(out), {}, MakeEngineBrowser);
  ScriptReader reader(args[0] == "-" ? in : file);
  return RunScript(reader, window);
}
