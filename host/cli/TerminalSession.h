// The browser window for a person at a terminal. Where a script gets the fixed lines of the host
// (HostLines), a person gets a screen: after each command only what it changed (a box shown or a
// question asked, the status text, the toolbar when its state changed, the top of a page that
// has loaded), the toolbar at a glance on one line, and a page as text to read, wrapped to the
// terminal; `show` gives the whole state and `page` the whole page, through the pager when there
// is one. Nothing a page or a box holds can drive the terminal (see TerminalSafe), and what one
// command prints is bounded by the terminal's size, whatever the size of the page.
#pragma once
#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

#include "host/cli/LineEditor.h"
#include "host/cli/PageTextLayout.h"
#include "host/core/HostWindow.h"

struct TerminalOptions {
  size_t columns = 80;
  size_t rows = 24;
  std::string pager;  // the command that shows a whole page; empty: it is printed
  int terminal = -1;  // the terminal whose size is read again before each command; -1: none
};

// The size of the terminal on `fd` (TIOCGWINSZ; else $COLUMNS and $LINES; else 80 by 24) and,
// when `fd` is a terminal, the person's pager (see PersonsPager).
TerminalOptions TerminalOptionsFor(int fd);

// The toolbar at a glance: its buttons in the toolbar's order, a greyed one in parentheses, and
// the two boxes with the number of entries of the category list, e.g.
//   [Add] [Change] (Delete) [Options] | search: Valgrind | category: Linux [3] | [Show]
std::string ToolbarGlance(HWND toolbar);

class TerminalSession {
 public:
  // Lines are read from `input` and the screen written to `out`, as UTF-8.
  TerminalSession(LineSource& input, std::ostream& out, TerminalOptions options);
  TerminalSession(const TerminalSession&) = delete;
  TerminalSession& operator=(const TerminalSession&) = delete;

  // For the window: the lines it still prints itself (a missing toolbar, say), and the questions
  // it asks the person, answered with y or n (the end of the input answers no).
  HostWindow::LineOutput Output();
  HostWindow::QuestionAsker Asker();
  // How the window's browser lays its page out for the terminal.
  using PageLayer = std::function<LaidOutPage(const TextLayout& layout)>;
  // Takes the window's events (navigations, status texts, boxes) to show them on the screen, and
  // shows its pages as `layOut` lays them out.
  void Attach(HostWindow& window, PageLayer layOut);

  // Shows the window, then reads commands at the prompt until quit or the end of the input; an
  // error is shown and the session goes on. Returns the exit status, 0.
  int Run(HostWindow& window);

 private:
  void FollowTerminalSize();
  void ShowChanges(HostWindow& window);
  void ShowPageTop();
  void ShowWholePage();
  void ShowState(HostWindow& window);
  void ShowBox(const MessageBoxRequest& box);
  void Line(std::wstring_view text);

  LineSource& input_;
  std::ostream& out_;
  TerminalOptions options_;
  PageLayer layOut_;
  bool navigated_ = false;
  bool asked_ = false;        // the person was asked the question whose box comes next
  std::wstring shownStatus_;  // the status text shown last
  std::string shownToolbar_;  // the toolbar line shown last
};
