// The module object of the band library: its object map (the classes it serves, each with its
// registry script and class factory), its lock count, and its registration.
//
// One module object per library (TheModule), initialised when the library starts and shut down
// when it ends. The lock count says whether code of the library is still in use: every live
// band object holds a lock, as does every class factory handed out and every LockServer(TRUE).
#pragma once
#include <atomic>
#include <mutex>
#include <span>
#include <string>

#include "platform/com/Guid.h"
#include "platform/com/HResult.h"
#include "platform/registry/RegistryScript.h"

// A class reached only through the library of a registered class: registration leaves it out.
inline constexpr UINT kNotRegistered = 0;

struct ObjectMapEntry {
  const CLSID* clsid;
  UINT registryScript;  // the REGISTRY resource applied to register the class, or kNotRegistered
  // Makes the class factory and hands it out through `iid`.
  HRESULT (*getClassObject)(REFIID iid, void** object);
};

class ComModule {
 public:
  void Init(std::span<const ObjectMapEntry> objectMap, HINSTANCE instance, const GUID* libid);
  // Forgets the object map: no class factory is handed out after it.
  void Term();

  LONG Lock();
  LONG Unlock();
  LONG GetLockCount() const { return locks_.load(); }
  // LockServer: locks taken by clients, which never give back more than they took.
  HRESULT LockServer(bool lock);

  // The class factory of `clsid`, through `iid`; CLASS_E_CLASSNOTAVAILABLE for a class the
  // map does not hold.
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) const;

  // Applies each class's registry script (with MODULE set to the library's full path) and, with
  // TypeLib::Register, the library's type library. The first failure's result code; a script
  // that cannot be read is DISP_E_EXCEPTION.
  enum class TypeLib { Register, Leave };
  HRESULT RegisterServer(TypeLib typeLib);
  HRESULT UnregisterServer(TypeLib typeLib);
  HRESULT UpdateRegistryFromResource(UINT id, ScriptMode mode);

  // The full path of the library file this module lives in.
  static std::wstring ModuleFileName();

 private:
  // Every class's registry script in `mode`, then the type library when asked for.
  HRESULT ApplyRegistration(ScriptMode mode, TypeLib typeLib);
  HRESULT ApplyTypeLib(ScriptMode mode);

  mutable std::mutex mutex_;
  std::span<const ObjectMapEntry> objectMap_;
  HINSTANCE instance_ = nullptr;
  const GUID* libid_ = nullptr;
  std::atomic<LONG> locks_{0};
  std::atomic<LONG> serverLocks_{0};
};

ComModule& TheModule();

// A lock on the module for as long as it lives.
class ModuleLock {
 public:
  ModuleLock() { TheModule().Lock(); }
  ~ModuleLock() { TheModule().Unlock(); }
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;
};
