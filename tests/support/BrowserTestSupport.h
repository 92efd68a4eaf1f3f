// Helpers for tests of the browser: a sink that records the events a toolbar would hear, with
// their arguments, and page files written in a temporary folder.
#pragma once
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/browser/WebBrowser.h"
#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/CountedObject.h"
#include "platform/com/Variant.h"

// One delivered event: its DISPID and its arguments in declared order (references followed).
struct RecordedEvent {
  DISPID dispId;
  std::vector<Variant> arguments;
  // What the browser object named by the first argument reported while the event was delivered.
  std::wstring browserUrl;
  bool browserHadHtmlDocument = false;
};

class RecordingSink final : public IDispatch, public CountedObject {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
  HRESULT Invoke(DISPID dispId, REFIID, LCID, WORD, DISPPARAMS* params, Variant*) override;

  // Connects to `browser`'s event point; returns the cookie.
  DWORD Connect(IWebBrowser2* browser);
  void Disconnect();

  // The events as lines ("BeforeNavigate2 file:///…", "DownloadComplete", …).
  std::vector<std::wstring> lines;
  std::vector<RecordedEvent> events;
  // Set to cancel every BeforeNavigate2 whose address contains this text.
  std::wstring cancelWhenAddressHas;
  // Called for every event, after it is recorded.
  std::function<void(DISPID, DISPPARAMS*)> onEvent;

 private:
  CComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
