#include "platform/com/TypeLib.h"

#include <cwchar>
#include <iterator>
#include <map>
#include <mutex>

#include "platform/registry/RegistryKey.h"
#include "platform/text/WideText.h"

const CLSID CLSID_PSOAInterface = MakeGuid(L"00020424-0000-0000-C000-000000000046");

namespace {

struct TypeLibResources {
  std::mutex mutex;
  std::map<std::pair<HINSTANCE, UINT>, TypeLibDescription> libraries;
};

TypeLibResources& Resources() {
  static auto* resources = new TypeLibResources;  // outlives static teardown, as module resources do
  return *resources;
}

std::wstring Version(const TypeLibDescription& library) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%x.%x", unsigned{library.majorVersion}, unsigned{library.minorVersion});
  return text;
}

std::wstring LibraryKey(const TypeLibDescription& library) { return L"TypeLib\\" + GuidToString(library.libid); }

std::wstring InterfaceKey(const TypeLibInterface& entry) { return L"Interface\\" + GuidToString(entry.iid); }

// Creates HKEY_CLASSES_ROOT\path and sets a value in it.
LONG Write(const std::wstring& path, std::wstring_view name, std::wstring_view data) {
  RegistryKey key;
  if (LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, path, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, key.Out(), nullptr);
      rc != ERROR_SUCCESS)
    return rc;
  std::wstring text(data);
  return RegSetValueExW(key.get(), name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2));
}

std::optional<std::wstring> Read(const std::wstring& path, std::wstring_view name) {
  RegistryKey key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_READ, key.Out()) != ERROR_SUCCESS) return std::nullopt;
  wchar_t buffer[64];
  DWORD size = static_cast<DWORD>(std::size(buffer) * 2);  // the registry counts two bytes a character
  DWORD type = 0;
  if (RegQueryValueExW(key.get(), name, &type, buffer, &size) != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return std::wstring(buffer);
}

LONG DeleteTree(const std::wstring& path) {
  LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, path);
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

}  // namespace

bool AddTypeLibResource(HINSTANCE module, UINT id, TypeLibDescription description) {
  if (!module) return false;
  std::lock_guard lock(Resources().mutex);
  Resources().libraries[{module, id}] = std::move(description);
  return true;
}

std::optional<TypeLibDescription> LoadTypeLibResource(HINSTANCE module, UINT id) {
  std::lock_guard lock(Resources().mutex);
  auto it = Resources().libraries.find({module, id});
  if (it == Resources().libraries.end()) return std::nullopt;
  return it->second;
}

HRESULT RegisterTypeLib(const TypeLibDescription& library, std::wstring_view fullPath, std::wstring_view helpDir) {
  std::wstring versionKey = LibraryKey(library) + L"\\" + Version(library);
  const std::wstring& title = library.helpString.empty() ? library.name : library.helpString;
  std::wstring stub = GuidToString(CLSID_PSOAInterface);
  struct Entry {
    std::wstring path;
    std::wstring name;
    std::wstring data;
  };
  std::vector<Entry> entries = {
      {versionKey, L"", title},
      {versionKey + L"\\0\\win32", L"", std::wstring(fullPath)},
      {versionKey + L"\\FLAGS", L"", L"0"},
      {versionKey + L"\\HELPDIR", L"", std::wstring(helpDir)},
  };
  for (const TypeLibInterface& entry : library.interfaces) {
    std::wstring key = InterfaceKey(entry);
    entries.push_back({key, L"", entry.name});
    entries.push_back({key + L"\\ProxyStubClsid", L"", stub});
    entries.push_back({key + L"\\ProxyStubClsid32", L"", stub});
    entries.push_back({key + L"\\TypeLib", L"", GuidToString(library.libid)});
    entries.push_back({key + L"\\TypeLib", L"Version", Version(library)});
  }
  for (const Entry& entry : entries)
    if (LONG rc = Write(entry.path, entry.name, entry.data); rc != ERROR_SUCCESS) return HResultFromWin32(rc);
  return S_OK;
}

HRESULT UnRegisterTypeLib(const TypeLibDescription& library) {
  for (const TypeLibInterface& entry : library.interfaces) {
    // An interface key that another library has taken over since is that library's.
    std::optional<std::wstring> owner = Read(InterfaceKey(entry) + L"\\TypeLib", L"");
    if (owner && !EqualsNoCase(*owner, GuidToString(library.libid))) continue;
    if (LONG rc = DeleteTree(InterfaceKey(entry)); rc != ERROR_SUCCESS) return HResultFromWin32(rc);
  }
  if (LONG rc = DeleteTree(LibraryKey(library) + L"\\" + Version(library)); rc != ERROR_SUCCESS)
    return HResultFromWin32(rc);
  RegistryKey key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, LibraryKey(library), 0, KEY_READ, key.Out()) == ERROR_SUCCESS) {
    std::wstring other;
    bool otherVersions = RegEnumKeyW(key.get(), 0, other) == ERROR_SUCCESS;
    key.Reset();
    if (!otherVersions)
      if (LONG rc = DeleteTree(LibraryKey(library)); rc != ERROR_SUCCESS) return HResultFromWin32(rc);
  }
  return S_OK;
}
