#include "host/core/BandCreation.h"

#include <vector>

#include "host/core/HostLines.h"
#include "host/core/UserFolders.h"
#include "platform/registry/RegistryKey.h"
#include "platform/text/WideText.h"

namespace {

// Long enough for any path a registration writes.
constexpr DWORD kMaxPathCharacters = 4096;

std::vector<std::wstring> ListedToolbars() {
  std::vector<std::wstring> names;
  RegistryKey list;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kToolbarListKey, 0, KEY_READ, list.Out()) != ERROR_SUCCESS) return names;
  std::wstring name;
  for (DWORD i = 0; i < kMaxToolbars && RegEnumValueW(list.get(), i, name) == ERROR_SUCCESS; ++i)
    if (!name.empty()) names.push_back(name);
  return names;
}

std::wstring Failed(const wchar_t* what, HRESULT hr) {
  return std::wstring(what) + L" failed (" + ResultCodeText(hr) + L")";
}

InprocServer LoadServer(const std::filesystem::path& file) {
  try {
    return InprocServer(file);
  } catch (const InprocServerError& e) {
    throw BandCreationError(e.Why());
  }
}

CComPtr<IClassFactory> ClassFactory(const InprocServer& library, REFCLSID clsid) {
  void* raw = nullptr;
  if (HRESULT hr = library.GetClassObject(clsid, IID_IClassFactory, &raw); FAILED(hr))
    throw BandCreationError(Failed(L"DllGetClassObject", hr));
  CComPtr<IClassFactory> factory;
  factory.Attach(static_cast<IClassFactory*>(raw));
  return factory;
}

}  // namespace

BandCreationError::BandCreationError(std::wstring why) : std::runtime_error(ToUtf8(why)), why_(std::move(why)) {}

std::optional<std::wstring> InprocServerPath(REFCLSID clsid) {
  RegistryKey server;
  std::wstring path = L"CLSID\\" + GuidToString(clsid) + L"\\InprocServer32";
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_READ, server.Out()) != ERROR_SUCCESS) return std::nullopt;
  std::wstring buffer(kMaxPathCharacters, L'\0');
  DWORD size = kMaxPathCharacters * 2;
  DWORD type = 0;
  if (RegQueryValueExW(server.get(), L"", &type, buffer.data(), &size) != ERROR_SUCCESS || type != REG_SZ)
    return std::nullopt;
  buffer.resize(buffer.find(L'\0'));
  if (buffer.empty()) return std::nullopt;
  return buffer;
}

CreatedBand CreateBandOfClass(REFCLSID clsid) {
  std::optional<std::wstring> path = InprocServerPath(clsid);
  if (!path) {
    if (std::optional<std::string> unreadable = UnreadableHive(HKEY_CLASSES_ROOT))
      throw BandCreationError(FromUtf8(*unreadable));
    throw BandCreationError(L"the class " + GuidToString(clsid) + L" names no library (InprocServer32)");
  }
  InprocServer library = LoadServer(ToUtf8(*path));
  CComPtr<IClassFactory> factory = ClassFactory(library, clsid);
  void* raw = nullptr;
  HRESULT hr = factory->CreateInstance(nullptr, IID_IObjectWithSite, &raw);
  if (hr == E_OUTOFMEMORY) {
    // What a band answers when it cannot read its settings; the installation writes them, unless
    // their hive is unreadable, which it leaves as it is.
    if (std::optional<std::string> unreadable = UnreadableHive(HKEY_CURRENT_USER))
      throw BandCreationError(Failed(L"the band's creation", hr) + L": " + FromUtf8(*unreadable));
    throw BandCreationError(Failed(L"the band's creation", hr) +
                            L": are its settings there? pendrel install writes them");
  }
  if (FAILED(hr)) throw BandCreationError(Failed(L"the band's creation", hr));
  CComPtr<IObjectWithSite> band;
  band.Attach(static_cast<IObjectWithSite*>(raw));
  factory.reset();
  return CreatedBand{std::move(library), std::move(band)};
}

CreatedObject CreateObjectOfLibrary(const std::filesystem::path& file, REFCLSID clsid, REFIID iid) {
  InprocServer library = LoadServer(file);
  CComPtr<IClassFactory> factory = ClassFactory(library, clsid);
  void* raw = nullptr;
  // The object is handed out through `iid` and held as IUnknown, which every interface starts with.
  if (HRESULT hr = factory->CreateInstance(nullptr, iid, &raw); FAILED(hr))
    throw BandCreationError(Failed(L"the object's creation", hr));
  CComPtr<IUnknown> object;
  object.Attach(static_cast<IUnknown*>(raw));
  factory.reset();
  return CreatedObject{std::move(library), std::move(object)};
}

CreatedBand CreateBand() {
  // A registry another account could have written names a library of its choosing: none is
  // loaded from it.
  if (std::optional<std::string> problem = RegistryProblem()) throw BandCreationError(FromUtf8(*problem));
  std::vector<std::wstring> listed = ListedToolbars();
  if (listed.empty()) {
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT})
      if (std::optional<std::string> unreadable = UnreadableHive(hive)) throw BandCreationError(FromUtf8(*unreadable));
    throw BandCreationError(L"no toolbar is registered (pendrel register registers it)");
  }
  std::optional<std::wstring> firstFailure;
  for (const std::wstring& name : listed) {
    try {
      std::optional<GUID> clsid = GuidFromString(name);
      if (!clsid || name.front() != L'{')
        throw BandCreationError(L"the listed toolbar " + name + L" is not a class id");
      return CreateBandOfClass(*clsid);
    } catch (const BandCreationError& e) {
      if (!firstFailure) firstFailure = e.Why();
    }
  }
  throw BandCreationError(*firstFailure);
}
