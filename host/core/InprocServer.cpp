#include "host/core/InprocServer.h"

#include <dlfcn.h>

#include <utility>

#include "platform/text/WideText.h"

namespace {

template <class Function>
Function Find(void* handle, const char* name) {
  return reinterpret_cast<Function>(::dlsym(handle, name));
}

}  // namespace

InprocServerError::InprocServerError(std::wstring why) : std::runtime_error(ToUtf8(why)), why_(std::move(why)) {}

InprocServer::InprocServer(const std::filesystem::path& file) : file_(file) {
  handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* error = ::dlerror();
    throw InprocServerError(L"cannot load " + FromUtf8(file.string()) + L": " +
                            FromUtf8(error ? error : "unknown error"));
  }
  getClassObject_ = Find<DllGetClassObjectFunction>(handle_, "DllGetClassObject");
  canUnloadNow_ = Find<DllCanUnloadNowFunction>(handle_, "DllCanUnloadNow");
  registerServer_ = Find<DllRegisterServerFunction>(handle_, "DllRegisterServer");
  unregisterServer_ = Find<DllUnregisterServerFunction>(handle_, "DllUnregisterServer");
  if (!getClassObject_ || !canUnloadNow_) {
    // Nothing of it ran, so nothing of it can be in use.
    ::dlclose(std::exchange(handle_, nullptr));
    throw InprocServerError(FromUtf8(file.string()) +
                            L" is not a component library (it has no DllGetClassObject or DllCanUnloadNow)");
  }
}

InprocServer::InprocServer(InprocServer&& other) noexcept
    : file_(std::move(other.file_)),
      handle_(std::exchange(other.handle_, nullptr)),
      getClassObject_(other.getClassObject_),
      canUnloadNow_(other.canUnloadNow_),
      registerServer_(other.registerServer_),
      unregisterServer_(other.unregisterServer_) {}

InprocServer& InprocServer::operator=(InprocServer&& other) noexcept {
  if (this != &other) {
    Close();
    file_ = std::move(other.file_);
    handle_ = std::exchange(other.handle_, nullptr);
    getClassObject_ = other.getClassObject_;
    canUnloadNow_ = other.canUnloadNow_;
    registerServer_ = other.registerServer_;
    unregisterServer_ = other.unregisterServer_;
  }
  return *this;
}

HRESULT InprocServer::GetClassObject(REFCLSID clsid, REFIID iid, void** object) const {
  if (!handle_) return E_UNEXPECTED;
  return getClassObject_(clsid, iid, object);
}

HRESULT InprocServer::CanUnloadNow() const { return handle_ ? canUnloadNow_() : S_OK; }

HRESULT InprocServer::RegisterServer() const {
  if (!handle_) return E_UNEXPECTED;
  return registerServer_ ? registerServer_() : E_NOTIMPL;
}

HRESULT InprocServer::UnregisterServer() const {
  if (!handle_) return E_UNEXPECTED;
  return unregisterServer_ ? unregisterServer_() : E_NOTIMPL;
}

void InprocServer::Close() {
  void* handle = std::exchange(handle_, nullptr);
  if (handle && canUnloadNow_() == S_OK) ::dlclose(handle);
}
