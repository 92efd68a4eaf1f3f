#include "toolbar/Settings.h"

#include "platform/registry/RegistryKey.h"
#include "platform/text/Format.h"
#include "store/CCustomException.h"

namespace {

constexpr DWORD kReadBufferBytes = 256;

}  // namespace

std::wstring ReadRegistryString(HKEY root, const std::wstring& keyPath, const std::wstring& valueName) {
  RegistryKey key;
  wchar_t buffer[kReadBufferBytes / 2] = {};
  DWORD size = kReadBufferBytes;
  DWORD type = REG_NONE;
  LONG rc = RegOpenKeyExW(root, keyPath, 0, KEY_READ, key.Out());
  if (rc == ERROR_SUCCESS) rc = RegQueryValueExW(key.get(), valueName, &type, buffer, &size);
  if (rc == ERROR_SUCCESS && type != REG_SZ) rc = ERROR_FILE_NOT_FOUND;
  if (rc != ERROR_SUCCESS) throw CCustomException(Format(L"Failed to read registry entry %s", keyPath));
  buffer[kReadBufferBytes / 2 - 1] = 0;
  return std::wstring(buffer);
}

int WriteRegistryString(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                        const std::wstring& text) {
  RegistryKey key;
  if (RegOpenKeyExW(root, keyPath, 0, KEY_WRITE, key.Out()) != ERROR_SUCCESS) {
    DWORD disposition = 0;
    if (RegCreateKeyExW(root, keyPath, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY,
                        key.Out(), &disposition) != ERROR_SUCCESS)
      return 0;
    key.Reset();
    if (RegOpenKeyExW(root, keyPath, 0, KEY_WRITE, key.Out()) != ERROR_SUCCESS) return 0;
  }
  auto bytes = static_cast<DWORD>((text.size() + 1) * 2);
  return RegSetValueExW(key.get(), valueName, REG_SZ, text.c_str(), bytes) == ERROR_SUCCESS ? 1 : 0;
}
