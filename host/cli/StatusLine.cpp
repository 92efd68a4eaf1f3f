#include "host/cli/StatusLine.h"

#include "platform/text/WideText.h"

StatusLine::StatusLine(std::ostream& out, StatusDisplay display, std::chrono::milliseconds interval)
    : out_(out), display_(display), interval_(interval) {}

StatusLine::~StatusLine() { End(); }

void StatusLine::Show(const std::wstring& text) {
  if (display_ == StatusDisplay::Off) return;
  std::wstring shown = text.size() > kMaxWidth ? text.substr(0, kMaxWidth - 3) + L"..." : text;
  // Back to the start of the line and clear it, so a shorter text leaves nothing of a longer one.
  out_ << "\r\033[K" << ToUtf8(shown) << std::flush;
  lastShown_ = std::chrono::steady_clock::now();
  lineOpen_ = true;
}

void StatusLine::ShowProgress(const std::wstring& text) {
  if (display_ == StatusDisplay::Off) return;
  if (lineOpen_ && std::chrono::steady_clock::now() - lastShown_ < interval_) return;
  Show(text);
}

void StatusLine::End() {
  if (!lineOpen_) return;
  out_ << "\n" << std::flush;
  lineOpen_ = false;
}
