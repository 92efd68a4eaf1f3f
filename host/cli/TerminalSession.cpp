#include "host/cli/TerminalSession.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "host/cli/Pager.h"
#include "host/core/HostLines.h"
#include "host/core/ScriptCommands.h"
#include "host/core/ScriptReader.h"
#include "host/core/ToolbarControls.h"
#include "host/cli/PageTextLayout.h"
#include "platform/text/WideText.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/Window.h"

namespace {

// The most characters of a box's text the toolbar line shows, and the most entries of a list
// and lines of a message the screen shows: a page's title or a box's text is the page's to choose.
constexpr size_t kGlanceText = 60;
constexpr size_t kListEntries = 50;
constexpr size_t kMessageLines = 40;
constexpr size_t kLongText = 2000;
// The most lines `page` lays out (a few megabytes).
constexpr size_t kWholePageLines = 100'000;
// Lines of the screen kept for what follows the top of a page: the toolbar, the status, the
// note that the page goes on and the prompt.
constexpr size_t kScreenReserve = 4;
constexpr size_t kMinPageLines = 5;
// A terminal larger than this is taken for this size: a screenful stays a few pages of text.
constexpr size_t kMostColumns = 400;
constexpr size_t kMostRows = 200;

const char kHelp[] =
    "commands: navigate ADDRESS, type BOX TEXT, key BOX KEY, clear BOX, pick BOX N, click BUTTON,\n"
    "          menu ENTRY, answer yes|no, fill NAME VALUE, submit [N], follow TEXT, wait repair, show,\n"
    "          page, help, quit\n"
    "          (a greyed button shows in parentheses; Ctrl-D ends)\n";

size_t EnvNumber(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return 0;
  char* end = nullptr;
  unsigned long number = std::strtoul(value, &end, 10);
  return (end && *end == '\0' && number < 10'000) ? number : 0;
}

// `text` made safe and cut to `most` characters, on one line.
std::wstring Short(std::wstring_view text, size_t most) {
  std::wstring shown = TerminalSafe(text.substr(0, std::min(text.size(), most)));
  for (wchar_t& c : shown)
    if (c == L'\uFFFD') c = L' ';
  if (text.size() > most) shown += L"\u2026";
  return shown;
}

std::wstring ListText(HWND box) {
  std::vector<std::wstring> items = ComboListTexts(box);
  std::wstring list;
  for (size_t i = 0; i < items.size() && i < kListEntries; ++i)
    list += (i ? L" | " : L"") + Short(items[i], kGlanceText);
  if (items.size() > kListEntries) list += L" | \u2026 " + std::to_wstring(items.size() - kListEntries) + L" more";
  return list;
}

bool ButtonEnabled(HWND toolbar, UINT id) {
  LRESULT state = SendMessageW(toolbar, TB_GETSTATE, id, 0);
  return state != -1 && (state & TBSTATE_ENABLED);
}

// The size of the terminal on `fd` into `options`; false when it has none.
bool ReadTerminalSize(int fd, TerminalOptions& options) {
  winsize size{};
  if (::ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return false;
  options.columns = std::min<size_t>(size.ws_col, kMostColumns);
  if (size.ws_row > 0) options.rows = std::min<size_t>(size.ws_row, kMostRows);
  return true;
}

}  // namespace

TerminalOptions TerminalOptionsFor(int fd) {
  TerminalOptions options;
  if (ReadTerminalSize(fd, options)) {
    options.terminal = fd;
  } else {
    if (size_t columns = EnvNumber("COLUMNS")) options.columns = columns;
    if (size_t rows = EnvNumber("LINES")) options.rows = rows;
  }
  options.columns = std::min(options.columns, kMostColumns);
  options.rows = std::min(options.rows, kMostRows);
  if (::isatty(fd)) options.pager = PersonsPager();
  return options;
}

std::string ToolbarGlance(HWND toolbar) {
  std::wstring line;
  auto button = [&](const NamedControl& control) {
    bool on = ButtonEnabled(toolbar, control.id);
    line += (on ? L"[" : L"(") + std::wstring(control.name) + (on ? L"]" : L")");
  };
  for (const NamedControl& control : kToolbarButtons) {
    if (control.id == ID_BUTTON_SHOW) continue;
    if (!line.empty()) line += L' ';
    button(control);
  }
  for (const NamedControl& box : kToolbarBoxes) {
    HWND window = GetDlgItem(toolbar, static_cast<int>(box.id));
    line += L" | " + std::wstring(box.name) + L": " + Short(GetWindowString(window), kGlanceText);
    if (box.id == ID_CATEGORY_BOX) line += L" [" + std::to_wstring(SendMessageW(window, CB_GETCOUNT, 0, 0)) + L"]";
  }
  line += L" | ";
  button(kToolbarButtons[std::size(kToolbarButtons) - 1]);
  return ToUtf8(line);
}

TerminalSession::TerminalSession(LineSource& input, std::ostream& out, TerminalOptions options)
    : input_(input), out_(out), options_(std::move(options)) {}

void TerminalSession::Line(std::wstring_view text) { out_ << ToUtf8(TerminalSafe(text)) << '\n'; }

HostWindow::LineOutput TerminalSession::Output() {
  return [this](const std::wstring& line) {
    Line(line);
    out_.flush();
  };
}

HostWindow::QuestionAsker TerminalSession::Asker() {
  return [this](const MessageBoxRequest& box) {
    ShowBox(box);
    asked_ = true;
    for (;;) {
      std::optional<std::string> read = input_.ReadLine("(y/n)? ", LineKind::Answer);
      if (!read) return Answer::No;
      std::wstring word = ToLower(Trim(FromUtf8(*read)));
      if (word == L"y" || word == L"yes") return Answer::Yes;
      if (word == L"n" || word == L"no") return Answer::No;
    }
  };
}

void TerminalSession::Attach(HostWindow& window, PageLayer layOut) {
  layOut_ = std::move(layOut);
  HostWindow::EventView view;
  view.navigate = [this](const std::wstring&) { navigated_ = true; };
  view.status = [](const std::wstring&) {};  // the status is shown as it stands once a command is done
  view.box = [this](const MessageBoxRequest& box, Answer answer) {
    if (box.Buttons() == MB_OK) {
      ShowBox(box);
    } else if (!asked_) {
      // Answered from the queue (`answer yes` before): the question is shown with its answer.
      ShowBox(box);
      out_ << (answer == Answer::Yes ? "-> yes\n" : "-> no\n");
    }
    asked_ = false;
    out_.flush();
  };
  window.SetEventView(std::move(view));
}

// A box as a person reads it: its caption, then its text with its own line breaks, wrapped.
void TerminalSession::ShowBox(const MessageBoxRequest& box) {
  out_ << "\n== " << ToUtf8(Short(box.caption, kGlanceText)) << " ==\n";
  std::wstring text = ReplaceAll(ReplaceAll(box.text, L"\r\n", L"\n"), L"\t", L"    ");
  std::vector<std::wstring> lines = WrapText(text, options_.columns, kMessageLines + 1);
  for (size_t i = 0; i < lines.size() && i < kMessageLines; ++i) Line(lines[i]);
  if (lines.size() > kMessageLines) out_ << "\u2026\n";
  out_.flush();
}

void TerminalSession::ShowPageTop() {
  size_t lines = std::max(kMinPageLines, options_.rows > kScreenReserve ? options_.rows - kScreenReserve : 0);
  LaidOutPage page = layOut_({options_.columns, lines});
  out_ << '\n';
  for (const std::string& line : page.lines) out_ << line << '\n';
  if (page.more) out_ << "-- the page goes on: page shows all of it --\n";
}

void TerminalSession::ShowWholePage() {
  LaidOutPage page = layOut_({options_.columns, kWholePageLines});
  if (page.more)
    page.lines.push_back("-- the page is cut here, after " + std::to_string(kWholePageLines) + " lines --");
  if (!options_.pager.empty()) {
    out_.flush();
    if (ShowThroughPager(options_.pager, page.lines)) return;
  }
  for (const std::string& line : page.lines) out_ << line << '\n';
}

void TerminalSession::ShowState(HostWindow& window) {
  std::wstring location;
  window.Browser().Browser()->get_LocationURL(&location);
  Line(L"location: " + Short(location, kLongText));
  Line(L"title: " + Short(GetWindowString(window.Frame()), kLongText));
  if (HWND toolbar = window.Toolbar()) {
    out_ << ToolbarGlance(toolbar) << '\n';
    for (const NamedControl& box : kToolbarBoxes)
      Line(std::wstring(box.name) + L" list: " + ListText(GetDlgItem(toolbar, static_cast<int>(box.id))));
    out_ << "menu:\n";
    auto setupMenu = reinterpret_cast<HMENU>(SendMessageW(toolbar, TBM_GETSETUPMENU, 0, 0));
    for (const MenuItemView& item : GetMenuItems(setupMenu)) {
      if (item.IsSeparator()) {
        out_ << "  ----\n";
        continue;
      }
      std::wstring entry = L"  " + Short(item.text, kGlanceText);
      if (item.IsChecked()) entry += L" (checked)";
      if (item.flags & (MF_GRAYED | MF_DISABLED)) entry += L" (greyed)";
      Line(entry);
    }
  } else {
    out_ << "no toolbar\n";
  }
  Line(L"status: " + Short(window.StatusText(), kGlanceText * 4));
  shownStatus_ = window.StatusText();
}

// A terminal made larger or smaller between commands gets pages and boxes laid out to its new size.
void TerminalSession::FollowTerminalSize() {
  if (options_.terminal >= 0) ReadTerminalSize(options_.terminal, options_);
}

void TerminalSession::ShowChanges(HostWindow& window) {
  bool navigated = std::exchange(navigated_, false);
  if (navigated) ShowPageTop();
  if (HWND toolbar = window.Toolbar()) {
    std::string glance = ToolbarGlance(toolbar);
    if (navigated || glance != shownToolbar_) out_ << glance << '\n';
    shownToolbar_ = std::move(glance);
  }
  std::wstring status = window.StatusText();
  if ((navigated && !status.empty()) || status != shownStatus_) Line(L"status: " + Short(status, kGlanceText * 4));
  shownStatus_ = std::move(status);
  out_.flush();
}

int TerminalSession::Run(HostWindow& window) {
  out_ << kHelp;
  navigated_ = true;  // the first screen shows the page, whichever it is
  ShowChanges(window);
  for (;;) {
    std::optional<std::string> typed = input_.ReadLine("pendrel> ", LineKind::Command);
    if (!typed) break;
    std::istringstream line(*typed + "\n");
    ScriptReader reader(line);
    ScriptRead read = reader.Next();
    if (read.status == ReadStatus::End) continue;
    FollowTerminalSize();
    try {
      if (read.status == ReadStatus::Error) throw HostCommandError(read.error);
      const ScriptLine& command = read.line;
      if (command.command == L"help" && command.argument.empty()) {
        out_ << kHelp;
      } else if (command.command == L"show" && command.argument.empty()) {
        ShowState(window);
      } else if (command.command == L"page" && command.argument.empty()) {
        ShowWholePage();
      } else if (RunCommand(window, command) == AfterCommand::End) {
        break;
      }
    } catch (const HostCommandError& e) {
      Line(L"error: " + e.Why());
    }
    ShowChanges(window);
  }
  out_ << '\n' << std::flush;
  return 0;
}
