// The registry: hives of keys holding named values, kept as text files (one per hive) in the
// registry folder, $XDG_CONFIG_HOME/pendrel/registry (default ~/.config/pendrel/registry).
// With no home folder there is no registry: every call fails. A registry folder or hive file that
// is not the user's own (see PrivatePath.h) is never read or written: ERROR_ACCESS_DENIED.
//
// The calls mirror the platform's registry calls and answer with its error codes
// (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA, ...). Every change rewrites the hive
// file atomically under an advisory lock, so concurrent writers never lose each other's
// changes and a crash leaves either the old or the new hive. A hive file that cannot be read
// answers ERROR_BADDB to every call and is never overwritten.
#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/HResult.h"
#include "platform/com/WinTypes.h"

struct HKEY__;
using HKEY = HKEY__*;

extern const HKEY HKEY_CLASSES_ROOT;
extern const HKEY HKEY_CURRENT_USER;
extern const HKEY HKEY_LOCAL_MACHINE;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_SET_VALUE = 0x0002;
constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Opens an existing key below `root` (a hive or an open key). `subKey` uses "\" between names;
// an empty `subKey` opens `root` itself again. The handle must be closed with RegCloseKey.
LONG RegOpenKeyExW(HKEY root, std::wstring_view subKey, DWORD options, DWORD access, HKEY* result);
// Opens the key, creating it and every missing key on its path. ERROR_INVALID_PARAMETER for a
// path that no hive file could keep: one holding a line end, or one whose first key below the
// hive is named after a hive (HKEY_CURRENT_USER, ...), or one of more than Hive::kMaxKeyDepth
// names.
LONG RegCreateKeyExW(HKEY root, std::wstring_view subKey, DWORD options, DWORD access, HKEY* result,
                     DWORD* disposition);
LONG RegCloseKey(HKEY key);

// Reads a value; an empty name is the key's default value. For a string value the text and its
// terminating NUL are copied into `buffer`, whose size `*byteCount` counts two bytes per
// character as the platform's registry does. A buffer too small gives ERROR_MORE_DATA and the
// size needed; a null buffer asks for the size only. Other value types give their type and
// ERROR_SUCCESS with no data copied.
LONG RegQueryValueExW(HKEY key, std::wstring_view valueName, DWORD* type, wchar_t* buffer, DWORD* byteCount);
// Sets a string value (REG_SZ, the only type the system writes): `data` holds `byteCount / 2`
// characters, a final NUL included or not.
LONG RegSetValueExW(HKEY key, std::wstring_view valueName, DWORD type, const wchar_t* data, DWORD byteCount);
LONG RegDeleteValueW(HKEY key, std::wstring_view valueName);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has some).
LONG RegDeleteKeyW(HKEY root, std::wstring_view subKey);
// Deletes a key with everything below it.
LONG RegDeleteTreeW(HKEY root, std::wstring_view subKey);
// The names of the direct subkeys of a key, one at a time; ERROR_NO_MORE_ITEMS past the last.
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
LONG RegEnumKeyW(HKEY key, DWORD index, std::wstring& name);
// The names of a key's values, one at a time, in the order they were first written (the default
// value as an empty name); ERROR_NO_MORE_ITEMS past the last.
LONG RegEnumValueW(HKEY key, DWORD index, std::wstring& name);

// Where the hive files live now (reads the environment on every call); empty when there is no
// home folder to put them in.
std::filesystem::path RegistryFolder();
// The file of a hive: "<folder>/<HIVE_NAME>.reg"; empty when there is no registry folder.
std::filesystem::path HiveFile(HKEY hive);
// Why the registry cannot be used, as a sentence for a person: no home folder, or a registry
// folder or hive file that is not the user's alone. None when it can.
std::optional<std::string> RegistryProblem();

// Test hook: called after a change is written to the temporary file and before it replaces the
// hive. A test makes it end the process to show that a crash at that moment loses nothing.
using RegistryCommitHook = void (*)();
void SetRegistryCommitHook(RegistryCommitHook hook);
