// The host's own engine (host/engine) as the browser of a host window: every page loads from the
// window's message queue, so the engine is never busy outside it.
#pragma once
#include <memory>

#include "host/core/HostBrowser.h"
#include "host/engine/BrowserWindow.h"
#include "host/cli/PageTextLayout.h"

class EngineBrowser final : public HostBrowser {
 public:
  // Makes the engine's window on the calling thread, inside `frame`.
  explicit EngineBrowser(HWND frame) : window_(frame) {}

  IWebBrowser2* Browser() const override { return window_.Browser(); }
  ActionResult Navigate(std::wstring_view address) override { return window_.Navigate(address); }
  ActionResult TypeText(std::wstring_view fieldName, std::wstring_view text) override {
    return window_.TypeText(fieldName, text);
  }
  ActionResult SubmitFormNumber(size_t number) override { return window_.SubmitFormNumber(number); }
  std::vector<std::wstring> LinkTexts() override;
  ActionResult FollowLink(size_t number) override { return window_.FollowLink(number); }
  std::vector<std::wstring> PageLines() override;
  void Quit() override { window_.Quit(); }
  bool HasQuit() const override { return window_.HasQuit(); }
  bool Busy() const override { return false; }
  void WaitForWork(std::chrono::milliseconds) override {}

  // The page laid out for a person to read at a terminal.
  LaidOutPage LayOut(const TextLayout& layout) { return LayOutPage(window_.Top(), layout); }

 private:
  BrowserWindow window_;
};

// The terminal host's browser for a HostWindow: makes an EngineBrowser inside `frame`.
inline std::unique_ptr<HostBrowser> MakeEngineBrowser(HWND frame) { return std::make_unique<EngineBrowser>(frame); }
