#include "platform/com/ConnectionPoint.h"

#include "platform/com/ComPtr.h"

const IID IID_IConnectionPointContainer = MakeGuid(L"B196B284-BAB4-101A-B69C-00AA00341D07");
const IID IID_IConnectionPoint = MakeGuid(L"B196B286-BAB4-101A-B69C-00AA00341D07");

namespace {

CComPtr<IConnectionPoint> FindPoint(IUnknown* source, REFIID iid) {
  CComPtr<IConnectionPoint> point;
  if (!source) return point;
  auto container = CComPtr<IUnknown>(source).QueryInterface<IConnectionPointContainer>(IID_IConnectionPointContainer);
  if (container) container->FindConnectionPoint(iid, &point);
  return point;
}

}  // namespace

bool AfxConnectionAdvise(IUnknown* source, REFIID iid, IUnknown* sink, BOOL, DWORD* cookie) {
  if (!sink || !cookie) return false;
  auto point = FindPoint(source, iid);
  return point && SUCCEEDED(point->Advise(sink, cookie));
}

bool AfxConnectionUnadvise(IUnknown* source, REFIID iid, IUnknown*, BOOL, DWORD cookie) {
  auto point = FindPoint(source, iid);
  return point && SUCCEEDED(point->Unadvise(cookie));
}
