// Reading and arranging registry values directly, beside the code under test.
#pragma once
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/registry/RegistryKey.h"

struct RegistryProbe {
  static bool KeyExists(HKEY root, const std::wstring& path) {
    RegistryKey key;
    return RegOpenKeyExW(root, path, 0, KEY_READ, key.Out()) == ERROR_SUCCESS;
  }
  // A string value's text (up to 1,023 characters), or none when the key or value is missing.
  static std::optional<std::wstring> Value(HKEY root, const std::wstring& path, const std::wstring& name = L"") {
    RegistryKey key;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, key.Out()) != ERROR_SUCCESS) return std::nullopt;
    wchar_t buffer[1024] = {};
    DWORD size = sizeof(buffer) / sizeof(buffer[0]) * 2;
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), name, &type, buffer, &size) != ERROR_SUCCESS) return std::nullopt;
    return std::wstring(buffer);
  }
  static void Write(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& data) {
    RegistryKey key;
    ASSERT_EQ(RegCreateKeyExW(root, path, 0, KEY_ALL_ACCESS, key.Out(), nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name, REG_SZ, data.c_str(), static_cast<DWORD>((data.size() + 1) * 2)),
              ERROR_SUCCESS);
  }
};
