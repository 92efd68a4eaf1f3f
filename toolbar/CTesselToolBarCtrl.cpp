// Placeholder bodies: the toolbar is being built.
#include "toolbar/CTesselToolBarCtrl.h"

#include "events/CIEEvents.h"
#include "toolbar/Settings.h"

CTesselToolBarCtrl::CTesselToolBarCtrl() {
  dataFolder_ = ReadRegistryString(HKEY_CURRENT_USER, kSettingsKeyPath, kCurDirValue);
  database_ = MakeCounted<CBookmarkDatabase>(dataFolder_);
  eventSink_ = MakeCounted<CIEEvents>(this);
}
CTesselToolBarCtrl::~CTesselToolBarCtrl() = default;
bool CTesselToolBarCtrl::Create(const RECT&, HWND, CTesselBand* band) {
  band_ = band;
  return false;
}
HRESULT CTesselToolBarCtrl::TranslateAcceleratorIO(MSG*) { return S_FALSE; }
void CTesselToolBarCtrl::OnToolbarButton(UINT) {}
void CTesselToolBarCtrl::RunSearch(const std::wstring&) {}
void CTesselToolBarCtrl::RenameCategoryFromBox() {}
void CTesselToolBarCtrl::UpdateScreen() {}
void CTesselToolBarCtrl::OnMenuCommand(UINT) {}
void CTesselToolBarCtrl::OnIEQuit() {}
void CTesselToolBarCtrl::ShutDownIEEventSink() {}
void CTesselToolBarCtrl::RefreshCategoryList() {}
void CTesselToolBarCtrl::SetPageTitle(const std::wstring& title) { pageTitle_ = title; }
LRESULT CTesselToolBarCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return CToolBarCtrl::WindowProc(message, wParam, lParam);
}
void CTesselToolBarCtrl::PreCreateWindow(CREATESTRUCTW& cs) { cs.style |= TBSTYLE_TOOLTIPS; }
