#include "host/cli/WindowCommands.h"

#include <cwctype>
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

// A question put to the person at the terminal: the answer is the first line that says y or n
// (or yes or no); the end of the input answers no.
HostWindow::QuestionAsker AskAt(std::istream& in, std::ostream& out) {
  return [&in, &out](const MessageBoxRequest& box) {
    ScriptReader answers(in);
    for (;;) {
      out << ToUtf8(EscapeLine(box.caption) + L": " + EscapeLine(box.text)) << " (y/n)? " << std::flush;
      ScriptRead read = answers.Next();
      if (read.status == ReadStatus::End) return Answer::No;
      if (read.status != ReadStatus::Line || !read.line.argument.empty()) continue;
      std::wstring word = ToLower(read.line.command);
      if (word == L"y" || word == L"yes") return Answer::Yes;
      if (word == L"n" || word == L"no") return Answer::No;
    }
  };
}

void ShowScreen(HostWindow& window, std::ostream& out) {
  out << '\n';
  for (const std::wstring& line : window.StateLines()) out << ToUtf8(line) << '\n';
  out << ToUtf8(StatusLine(window.StatusText())) << '\n';
  for (const std::wstring& line : window.PageLines()) out << ToUtf8(line) << '\n';
  out << std::flush;
}

int RunAtTerminal(HostWindow& window, std::istream& in, std::ostream& out) {
  out << "commands: navigate ADDRESS, type BOX TEXT, key BOX KEY, pick BOX N, click BUTTON, menu ENTRY,\n"
         "          answer yes|no, fill NAME VALUE, submit [N], follow TEXT, wait repair, show, page, quit\n";
  ShowScreen(window, out);
  ScriptReader reader(in);
  for (;;) {
    out << "pendrel> " << std::flush;
    ScriptRead read = reader.Next();
    if (read.status == ReadStatus::End) break;
    if (read.status == ReadStatus::Error) {
      window.Print(ErrorLine(read.error));
      continue;
    }
    try {
      if (RunCommand(window, read.line) == AfterCommand::End) break;
    } catch (const HostCommandError& e) {
      window.Print(ErrorLine(e.Why()));
      continue;
    }
    ShowScreen(window, out);
  }
  out << '\n' << std::flush;
  return 0;
}

}  // namespace

int RunWindow(const std::vector<std::string>& args, std::istream& in, std::ostream& out, CommandSource source) {
  if (args.size() > 1) {
    out << "usage: pendrel [ADDRESS]\n";
    return 2;
  }
  HostWindow window(LinesTo(out), source == CommandSource::Terminal ? AskAt(in, out) : HostWindow::QuestionAsker{},
                    MakeEngineBrowser);
  if (!args.empty()) window.Navigate(FromUtf8(args[0]));
  if (source == CommandSource::Terminal) return RunAtTerminal(window, in, out);
  ScriptReader reader(in);
  return RunScript(reader, window);
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
