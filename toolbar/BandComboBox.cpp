// Placeholder bodies: the boxes are being built.
#include "toolbar/BandComboBox.h"

LRESULT CBandComboBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return CComboBoxEx::WindowProc(message, wParam, lParam);
}
HRESULT CBandComboBox::PassOn(const MSG&) { return S_OK; }
HRESULT CSearchBox::HandleKey(const MSG&) { return S_FALSE; }
LRESULT CSearchBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return CBandComboBox::WindowProc(message, wParam, lParam);
}
void CSearchBox::OnComboNotification(WORD) {}
HRESULT CCategoryBox::HandleKey(const MSG&) { return S_FALSE; }
