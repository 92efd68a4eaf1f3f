// The band a host window docks, made as the browser makes it: each toolbar listed in
// HKEY_LOCAL_MACHINE\Software\Microsoft\Internet Explorer\Toolbar (a value named by the
// toolbar's class id) is looked up in HKEY_CLASSES_ROOT\CLSID\{class id}\InprocServer32, whose
// default value names the library; the library is loaded, its DllGetClassObject gives the class
// factory, and the factory makes the band, asked for IObjectWithSite. The host knows nothing of
// the band beyond its interfaces.
#pragma once
#include <optional>
#include <stdexcept>
#include <string>

#include "host/core/InprocServer.h"
#include "platform/browser/BandHosting.h"
#include "platform/com/ComPtr.h"

// No band could be made, with the reason a person reads after "no toolbar: ".
class BandCreationError : public std::runtime_error {
 public:
  explicit BandCreationError(std::wstring why);
  const std::wstring& Why() const { return why_; }

 private:
  std::wstring why_;
};

struct CreatedBand {
  InprocServer library;  // first, so that it goes last: the band's code lives in it
  CComPtr<IObjectWithSite> band;
};

// The browser's list of toolbars.
inline constexpr wchar_t kToolbarListKey[] = L"Software\\Microsoft\\Internet Explorer\\Toolbar";

// The first listed toolbar that can be made, in the order of the list (at most kMaxToolbars are
// tried). Raises BandCreationError when none is listed, or with the reason the first one failed.
CreatedBand CreateBand();
inline constexpr size_t kMaxToolbars = 64;

// The band of one class.
CreatedBand CreateBandOfClass(REFCLSID clsid);

// Another object the library `file` serves, made as the band is made: the library is loaded, its
// DllGetClassObject gives the class factory of `clsid`, and the factory makes the object, asked
// for `iid`. Raises BandCreationError with the reason.
struct CreatedObject {
  InprocServer library;  // first, so that it goes last: the object's code lives in it
  CComPtr<IUnknown> object;
};
CreatedObject CreateObjectOfLibrary(const std::filesystem::path& file, REFCLSID clsid, REFIID iid);

// The library HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 names; none when it names none.
std::optional<std::wstring> InprocServerPath(REFCLSID clsid);
