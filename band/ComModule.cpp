#include "band/ComModule.h"

#include <dlfcn.h>

#include <filesystem>

#include "platform/com/TypeLib.h"
#include "platform/text/WideText.h"
#include "platform/ui/Resources.h"

namespace {

// The platform loads a library's type library from its TYPELIB resource 1.
constexpr UINT kTypeLibResource = 1;

}  // namespace

ComModule& TheModule() {
  static ComModule module;
  return module;
}

void ComModule::Init(std::span<const ObjectMapEntry> objectMap, HINSTANCE instance, const GUID* libid) {
  std::lock_guard lock(mutex_);
  objectMap_ = objectMap;
  instance_ = instance;
  libid_ = libid;
}

void ComModule::Term() {
  std::lock_guard lock(mutex_);
  objectMap_ = {};
}

LONG ComModule::Lock() { return ++locks_; }

LONG ComModule::Unlock() { return --locks_; }

HRESULT ComModule::LockServer(bool lock) {
  if (lock) {
    ++serverLocks_;
    Lock();
    return S_OK;
  }
  // A client's unlock without a lock of its own would give away a lock that a live object holds.
  for (LONG held = serverLocks_.load(); held > 0;) {
    if (serverLocks_.compare_exchange_weak(held, held - 1)) {
      Unlock();
      return S_OK;
    }
  }
  return E_UNEXPECTED;
}

HRESULT ComModule::GetClassObject(REFCLSID clsid, REFIID iid, void** object) const {
  if (!object) return E_POINTER;
  *object = nullptr;
  std::lock_guard lock(mutex_);
  for (const ObjectMapEntry& entry : objectMap_)
    if (*entry.clsid == clsid) return entry.getClassObject(iid, object);
  return CLASS_E_CLASSNOTAVAILABLE;
}

std::wstring ComModule::ModuleFileName() {
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<void*>(&ComModule::ModuleFileName), &info) || !info.dli_fname) return {};
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(info.dli_fname, ec);
  return FromUtf8((ec ? std::filesystem::path(info.dli_fname) : path.lexically_normal()).string());
}

HRESULT ComModule::UpdateRegistryFromResource(UINT id, ScriptMode mode) {
  std::optional<std::string> script = LoadDataResource(instance_, L"REGISTRY", id);
  if (!script) return HResultFromWin32(ERROR_FILE_NOT_FOUND);
  try {
    RegistryScript parsed = RegistryScript::Parse(FromUtf8(*script), {{L"MODULE", ModuleFileName()}});
    return HResultFromWin32(parsed.Apply(mode));
  } catch (const RegistryScriptError&) {
    return DISP_E_EXCEPTION;
  }
}

HRESULT ComModule::ApplyTypeLib(ScriptMode mode) {
  if (!libid_) return S_OK;
  std::optional<TypeLibDescription> library = LoadTypeLibResource(instance_, kTypeLibResource);
  if (!library || library->libid != *libid_) return HResultFromWin32(ERROR_FILE_NOT_FOUND);
  if (mode == ScriptMode::Unregister) return UnRegisterTypeLib(*library);
  std::wstring file = ModuleFileName();
  return RegisterTypeLib(*library, file, FromUtf8(std::filesystem::path(ToUtf8(file)).parent_path().string()));
}

HRESULT ComModule::RegisterServer(TypeLib typeLib) { return ApplyRegistration(ScriptMode::Register, typeLib); }

HRESULT ComModule::UnregisterServer(TypeLib typeLib) { return ApplyRegistration(ScriptMode::Unregister, typeLib); }

HRESULT ComModule::ApplyRegistration(ScriptMode mode, TypeLib typeLib) {
  std::span<const ObjectMapEntry> map;
  {
    std::lock_guard lock(mutex_);
    map = objectMap_;
  }
  for (const ObjectMapEntry& entry : map) {
    if (entry.registryScript == kNotRegistered) continue;
    if (HRESULT hr = UpdateRegistryFromResource(entry.registryScript, mode); FAILED(hr)) return hr;
  }
  return typeLib == TypeLib::Register ? ApplyTypeLib(mode) : S_OK;
}
