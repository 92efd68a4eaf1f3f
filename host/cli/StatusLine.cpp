#include "host/cli/StatusLine.h"

#include "platform/text/WideText.h"

StatusLine::StatusLine(std::ostream& out, StatusDisplay display, std::chrono::milliseconds interval)
    : out_(out), display_(display), interval_(interval) {}

StatusLine::~StatusLine() { End(); }

void StatusLine::Show(const std::wstring& text) {
  if (display_ == StatusDisplay::Off) return;
  // Cut in place: a copy made of substr() + "..." trips g++ 12's fortified wmemcpy check falsely.
  std::wstring shown = text;
  if (shown.size() > kMaxWidth) {
    shown.resize(kMaxWidth - 3);
    shown += L"...";
  }
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
