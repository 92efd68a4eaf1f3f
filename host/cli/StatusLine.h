// The status bar of a long command run at a terminal: one line, rewritten in place, that shows
// what the command is doing. Off when the output is no terminal, so logs and pipes get only the
// command's result lines.
#pragma once
#include <chrono>
#include <ostream>
#include <string>

enum class StatusDisplay { Terminal, Off };

class StatusLine {
 public:
  // Per-item texts replace each other at most once per `interval`: a terminal cannot show
  // a hundred thousand of them, and writing them would cost more than the work they report.
  StatusLine(std::ostream& out, StatusDisplay display,
             std::chrono::milliseconds interval = std::chrono::milliseconds(100));
  ~StatusLine();
  StatusLine(const StatusLine&) = delete;
  StatusLine& operator=(const StatusLine&) = delete;

  // Shows `text` now (a job starts or ends).
  void Show(const std::wstring& text);
  // Shows `text` unless another was shown less than the interval ago.
  void ShowProgress(const std::wstring& text);
  // Leaves the last text on its line and moves below it; the next Show starts a new line.
  void End();

  // The longest text shown, in characters; a longer one is cut, so that it never wraps.
  static constexpr size_t kMaxWidth = 78;

 private:
  std::ostream& out_;
  StatusDisplay display_;
  std::chrono::milliseconds interval_;
  std::chrono::steady_clock::time_point lastShown_{};
  bool lineOpen_ = false;
};
