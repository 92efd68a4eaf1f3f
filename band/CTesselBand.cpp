// Placeholder bodies: the band is being built.
#include "band/CTesselBand.h"

CTesselBand::CTesselBand() = default;
CTesselBand::~CTesselBand() = default;
HRESULT CTesselBand::QueryInterface(REFIID, void** object) {
  if (object) *object = nullptr;
  return E_NOINTERFACE;
}
HRESULT CTesselBand::SetSite(IUnknown*) { return E_FAIL; }
HRESULT CTesselBand::GetSite(REFIID, void**) { return E_FAIL; }
HRESULT CTesselBand::UIActivateIO(BOOL, MSG*) { return S_OK; }
HRESULT CTesselBand::HasFocusIO() { return S_FALSE; }
HRESULT CTesselBand::TranslateAcceleratorIO(MSG*) { return S_FALSE; }
HRESULT CTesselBand::GetWindow(HWND* window) {
  if (window) *window = nullptr;
  return S_OK;
}
HRESULT CTesselBand::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
HRESULT CTesselBand::ShowDW(BOOL) { return S_OK; }
HRESULT CTesselBand::CloseDW(DWORD) { return S_OK; }
HRESULT CTesselBand::ResizeBorderDW(const RECT*, IUnknown*, BOOL) { return E_NOTIMPL; }
HRESULT CTesselBand::GetBandInfo(DWORD, DWORD, DESKBANDINFO*) { return E_INVALIDARG; }
bool CTesselBand::CreateToolWindow() { return false; }
void CTesselBand::FocusChange(bool) {}
