#include "platform/ui/Wnd.h"

#include <utility>

#include "platform/ui/WindowRecord.h"

CWnd::~CWnd() {
  // Detached first: the derived object is gone, so its WindowProc must not run any more.
  if (HWND hwnd = Detach()) ::DestroyWindow(hwnd);
}

bool CWnd::CreateEx(DWORD exStyle, std::wstring_view className, std::wstring_view windowName, DWORD style,
                    const RECT& rect, HWND parent, UINT controlId, HINSTANCE instance) {
  if (hwnd_) return false;
  CREATESTRUCTW cs;
  cs.hInstance = instance;
  cs.hwndParent = parent;
  cs.id = controlId;
  cs.x = rect.left;
  cs.y = rect.top;
  cs.cx = rect.Width();
  cs.cy = rect.Height();
  cs.style = style;
  cs.name = windowName;
  cs.className = className;
  cs.exStyle = exStyle;
  PreCreateWindow(cs);
  return ui_internal::CreateWindowFor(std::move(cs), this) != nullptr;
}

bool CWnd::Attach(HWND hwnd) {
  auto record = ui_internal::OwnRecord(hwnd);
  if (hwnd_ || !record || record->object) return false;
  record->object = this;
  hwnd_ = hwnd;
  return true;
}

HWND CWnd::Detach() {
  HWND hwnd = std::exchange(hwnd_, nullptr);
  if (auto record = ui_internal::FindRecord(hwnd); record && record->object == this) record->object = nullptr;
  return hwnd;
}

bool CWnd::DestroyWindow() { return hwnd_ && ::DestroyWindow(hwnd_); }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) { return DefaultProc(message, wParam, lParam); }

void CWnd::PreCreateWindow(CREATESTRUCTW&) {}

LRESULT CWnd::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}
