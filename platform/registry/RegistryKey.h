// An open registry key, closed when the holder goes. Move-only.
#pragma once
#include <utility>

#include "platform/registry/Registry.h"

class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() { Reset(); }
  RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  RegistryKey& operator=(RegistryKey&& other) noexcept {
    std::swap(key_, other.key_);
    return *this;
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Closes what is held and gives the slot for an open or create call to fill.
  HKEY* Out() {
    Reset();
    return &key_;
  }
  void Reset() {
    if (key_) RegCloseKey(std::exchange(key_, nullptr));
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};
