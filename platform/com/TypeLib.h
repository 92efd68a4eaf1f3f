// Type libraries: the description of a component's classes and interfaces that a library carries
// as its TYPELIB resource, and its registration in HKEY_CLASSES_ROOT.
//
// Registration writes, for version M.m of the library (numbers in hexadecimal):
//   TypeLib\{LIBID}\M.m                 (default) the help string, or the name without one
//   TypeLib\{LIBID}\M.m\0\win32         (default) the full path of the file that holds it
//   TypeLib\{LIBID}\M.m\FLAGS           (default) "0"
//   TypeLib\{LIBID}\M.m\HELPDIR         (default) the help folder
// and for each interface:
//   Interface\{IID}                     (default) its name
//   Interface\{IID}\ProxyStubClsid      (default) the automation marshaler's class id
//   Interface\{IID}\ProxyStubClsid32    (default) the same
//   Interface\{IID}\TypeLib             (default) "{LIBID}", Version "M.m"
// Removal takes these away again; the LIBID key goes when no other version is left in it, and an
// interface key only while it still names this library.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

struct TypeLibInterface {
  IID iid;
  std::wstring name;
  std::wstring helpString;
};

struct TypeLibCoClass {
  CLSID clsid;
  std::wstring name;
  std::wstring helpString;
};

struct TypeLibDescription {
  GUID libid;
  WORD majorVersion = 0;
  WORD minorVersion = 0;
  std::wstring name;
  std::wstring helpString;
  std::vector<TypeLibCoClass> coClasses;
  std::vector<TypeLibInterface> interfaces;  // dual automation interfaces
};

// The automation marshaler, the proxy of every dual interface.
extern const CLSID CLSID_PSOAInterface;

// The module's TYPELIB resource `id`. False for an unknown module.
bool AddTypeLibResource(HINSTANCE module, UINT id, TypeLibDescription description);
std::optional<TypeLibDescription> LoadTypeLibResource(HINSTANCE module, UINT id);

// S_OK, or the registry's error as a result code.
HRESULT RegisterTypeLib(const TypeLibDescription& library, std::wstring_view fullPath, std::wstring_view helpDir);
// S_OK also when nothing was registered.
HRESULT UnRegisterTypeLib(const TypeLibDescription& library);
