// An in-process component server library loaded into the host with dlopen, reached only through
// the entry points it exports. Move-only; the library is closed when its holder goes, if it
// agrees (DllCanUnloadNow).
#pragma once
#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/com/ComRuntime.h"

// A library that cannot be loaded or used, with the reason a person reads.
class InprocServerError : public std::runtime_error {
 public:
  explicit InprocServerError(std::wstring why);
  const std::wstring& Why() const { return why_; }

 private:
  std::wstring why_;
};

class InprocServer {
 public:
  // Loads the library with all its symbols bound now and kept to itself, and finds
  // DllGetClassObject and DllCanUnloadNow. Raises InprocServerError when the file cannot be
  // loaded or lacks either.
  explicit InprocServer(const std::filesystem::path& file);
  ~InprocServer() { Close(); }
  InprocServer(InprocServer&& other) noexcept;
  InprocServer& operator=(InprocServer&& other) noexcept;
  InprocServer(const InprocServer&) = delete;
  InprocServer& operator=(const InprocServer&) = delete;

  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) const;
  HRESULT CanUnloadNow() const;
  // The library's DllRegisterServer and DllUnregisterServer; E_NOTIMPL when it has none.
  HRESULT RegisterServer() const;
  HRESULT UnregisterServer() const;

  // Lets go of the library: closes it when DllCanUnloadNow answers S_OK. A library that still
  // has objects alive stays loaded for the life of the process, since their code may still run.
  void Close();
  const std::filesystem::path& File() const { return file_; }

 private:
  std::filesystem::path file_;
  void* handle_ = nullptr;
  DllGetClassObjectFunction getClassObject_ = nullptr;
  DllCanUnloadNowFunction canUnloadNow_ = nullptr;
  DllRegisterServerFunction registerServer_ = nullptr;
  DllUnregisterServerFunction unregisterServer_ = nullptr;
};
