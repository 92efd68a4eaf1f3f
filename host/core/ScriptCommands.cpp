#include "host/core/ScriptCommands.h"

#include <utility>

#include "host/core/HostLines.h"
#include "host/core/ToolbarControls.h"

namespace {

// The first word of `text` and the rest after the one space that ends it, as written.
std::pair<std::wstring_view, std::wstring_view> SplitWord(std::wstring_view text) {
  size_t end = text.find(L' ');
  if (end == std::wstring_view::npos) return {text, {}};
  return {text.substr(0, end), text.substr(end + 1)};
}

void RequireNothing(std::wstring_view argument, const wchar_t* command) {
  if (!argument.empty()) throw HostCommandError(std::wstring(command) + L" takes no argument");
}

void RequireSomething(std::wstring_view argument, const wchar_t* what) {
  if (argument.empty()) throw HostCommandError(std::wstring(L"missing ") + what);
}

size_t NumberFrom(std::wstring_view text, const wchar_t* what) {
  if (text.empty() || text.size() > 9) throw HostCommandError(std::wstring(L"not a number for ") + what + L": \"" + std::wstring(text) + L"\"");
  size_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') throw HostCommandError(std::wstring(L"not a number for ") + what + L": \"" + std::wstring(text) + L"\"");
    value = value * 10 + static_cast<size_t>(c - L'0');
  }
  return value;
}

template <size_t N>
UINT Named(const NamedControl (&table)[N], std::wstring_view name, const wchar_t* kind) {
  if (auto id = ControlNamed(table, name)) return *id;
  std::wstring known;
  for (const NamedControl& control : table) known += (known.empty() ? L"" : L", ") + std::wstring(control.name);
  throw HostCommandError(L"unknown " + std::wstring(kind) + L" \"" + std::wstring(name) + L"\" (" + known + L")");
}

void PrintLines(HostWindow& window, const std::vector<std::wstring>& lines) {
  for (const std::wstring& line : lines) window.Print(line);
}

AfterCommand Navigate(HostWindow& window, std::wstring_view argument) {
  RequireSomething(argument, L"address");
  window.Navigate(argument);
  return AfterCommand::Continue;
}

AfterCommand Type(HostWindow& window, std::wstring_view argument) {
  auto [box, text] = SplitWord(argument);
  RequireSomething(box, L"box");
  window.Type(Named(kToolbarBoxes, box, L"box"), text);
  return AfterCommand::Continue;
}

AfterCommand Key(HostWindow& window, std::wstring_view argument) {
  auto [box, key] = SplitWord(argument);
  RequireSomething(box, L"box");
  RequireSomething(key, L"key");
  window.PressKey(Named(kToolbarBoxes, box, L"box"), Named(kEditKeys, key, L"key"));
  return AfterCommand::Continue;
}

AfterCommand Clear(HostWindow& window, std::wstring_view argument) {
  RequireSomething(argument, L"box");
  window.Clear(Named(kToolbarBoxes, argument, L"box"));
  return AfterCommand::Continue;
}

AfterCommand Pick(HostWindow& window, std::wstring_view argument) {
  auto [box, number] = SplitWord(argument);
  RequireSomething(box, L"box");
  UINT boxId = Named(kToolbarBoxes, box, L"box");
  window.Pick(boxId, static_cast<int>(NumberFrom(number, L"the entry")));
  return AfterCommand::Continue;
}

AfterCommand Click(HostWindow& window, std::wstring_view argument) {
  RequireSomething(argument, L"button");
  window.Click(Named(kToolbarButtons, argument, L"button"));
  return AfterCommand::Continue;
}

AfterCommand Menu(HostWindow& window, std::wstring_view argument) {
  RequireSomething(argument, L"menu entry");
  window.ChooseMenuEntry(argument);
  return AfterCommand::Continue;
}

AfterCommand AnswerNext(HostWindow& window, std::wstring_view argument) {
  if (argument == L"yes")
    window.QueueAnswer(Answer::Yes);
  else if (argument == L"no")
    window.QueueAnswer(Answer::No);
  else
    throw HostCommandError(L"answer takes yes or no");
  return AfterCommand::Continue;
}

AfterCommand Fill(HostWindow& window, std::wstring_view argument) {
  auto [name, value] = SplitWord(argument);
  RequireSomething(name, L"field name");
  window.Fill(name, value);
  return AfterCommand::Continue;
}

AfterCommand Submit(HostWindow& window, std::wstring_view argument) {
  window.Submit(argument.empty() ? 0 : NumberFrom(argument, L"the form"));
  return AfterCommand::Continue;
}

AfterCommand Follow(HostWindow& window, std::wstring_view argument) {
  RequireSomething(argument, L"link text");
  window.Follow(argument);
  return AfterCommand::Continue;
}

AfterCommand Wait(HostWindow& window, std::wstring_view argument) {
  if (argument != L"repair") throw HostCommandError(L"wait takes repair");
  window.WaitForRepair();
  return AfterCommand::Continue;
}

AfterCommand Show(HostWindow& window, std::wstring_view argument) {
  RequireNothing(argument, L"show");
  PrintLines(window, window.StateLines());
  return AfterCommand::Continue;
}

AfterCommand Page(HostWindow& window, std::wstring_view argument) {
  RequireNothing(argument, L"page");
  PrintLines(window, window.PageLines());
  return AfterCommand::Continue;
}

AfterCommand Quit(HostWindow& window, std::wstring_view argument) {
  RequireNothing(argument, L"quit");
  window.Quit();
  return AfterCommand::End;
}

struct Command {
  const wchar_t* name;
  AfterCommand (*run)(HostWindow& window, std::wstring_view argument);
};

constexpr Command kCommands[] = {
    {L"navigate", Navigate}, {L"type", Type},     {L"key", Key},           {L"clear", Clear},   {L"pick", Pick},
    {L"click", Click},       {L"menu", Menu},     {L"answer", AnswerNext}, {L"fill", Fill},     {L"submit", Submit},
    {L"follow", Follow},     {L"wait", Wait},     {L"show", Show},         {L"page", Page},     {L"quit", Quit},
};

}  // namespace

AfterCommand RunCommand(HostWindow& window, const ScriptLine& line) {
  for (const Command& command : kCommands)
    if (line.command == command.name) return command.run(window, line.argument);
  throw HostCommandError(L"unknown command \"" + line.command + L"\"");
}

int RunScript(ScriptReader& reader, HostWindow& window) {
  for (;;) {
    ScriptRead read = reader.Next();
    if (read.status == ReadStatus::End) return 0;
    if (read.status == ReadStatus::Error) {
      window.Print(ErrorLine(read.error));
      return 1;
    }
    try {
      if (RunCommand(window, read.line) == AfterCommand::End) return 0;
    } catch (const HostCommandError& e) {
      window.Print(ErrorLine(L"line " + std::to_wstring(read.line.number) + L": " + e.Why()));
      return 1;
    }
  }
}
