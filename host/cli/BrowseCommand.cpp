#include "host/cli/BrowseCommand.h"

#include "host/engine/BrowserWindow.h"
#include "host/engine/EventLines.h"
#include "host/engine/PageText.h"
#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/text/WideText.h"

int RunBrowse(const std::vector<std::string>& addresses, std::ostream& out, std::ostream& err) {
  if (addresses.empty()) {
    err << "usage: pendrel browse ADDRESS...\n";
    return 2;
  }
  BrowserWindow window;
  CComPtr<IDispatch> sink = MakeEventLineSink([&out](const std::wstring& line) {
    out << "event: " << ToUtf8(EscapeLine(line)) << '\n';
  });
  CComPtr<IConnectionPointContainer> container =
      CComPtr<IWebBrowser2>(window.Browser()).QueryInterface<IConnectionPointContainer>(IID_IConnectionPointContainer);
  CComPtr<IConnectionPoint> point;
  DWORD cookie = 0;
  if (!container || FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)) ||
      FAILED(point->Advise(sink.get(), &cookie))) {
    err << "pendrel browse: cannot listen to the browser's events\n";
    return 1;
  }
  for (const std::string& address : addresses) {
    window.Navigate(FromUtf8(address));
    WritePage(window.Top(), [&out](std::string_view line) { out << line << '\n'; });
    out.flush();
  }
  window.Quit();
  point->Unadvise(cookie);  // already disconnected by the quit; kept for symmetry with a toolbar
  return 0;
}
