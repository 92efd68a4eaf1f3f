// Modules and their resources. A module (the band library, the host program) registers itself
// and gets a module handle; under that handle it adds its string table, its bitmaps and its
// other resources (bytes of a named type), which the window system's calls then load by id.
// Bitmaps are real images.
//
// Loaded bitmaps are objects of their own (HBITMAP): each load makes a new one, which its loader
// deletes (DeleteObject), best through BitmapHandle.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/com/WinTypes.h"
#include "platform/ui/Image.h"

struct HBITMAP__;
using HBITMAP = HBITMAP__*;

// Registers a module under a name (for example "PendrelBand") and returns its handle, never
// one given out before.
HINSTANCE RegisterModule(std::wstring_view name);
// Forgets the module and its resources; bitmaps already loaded from it stay valid.
void UnregisterModule(HINSTANCE module);
// The name given at registration; empty for an unknown handle.
std::wstring GetModuleName(HINSTANCE module);

// False for an unknown module. A second resource with the same id replaces the first.
bool AddStringResource(HINSTANCE module, UINT id, std::wstring_view text);
bool AddBitmapResource(HINSTANCE module, UINT id, Image image);

// Resources of a named type (for example REGISTRY, a registry script) held as bytes; the type
// compares without regard to case. False for an unknown module; none when there is no such
// resource.
bool AddDataResource(HINSTANCE module, std::wstring_view type, UINT id, std::string_view bytes);
std::optional<std::string> LoadDataResource(HINSTANCE module, std::wstring_view type, UINT id);

// Copies the string resource into the buffer, cut to bufferMax - 1 characters and NUL-terminated;
// returns the characters copied, 0 when there is no such resource.
int LoadStringW(HINSTANCE module, UINT id, wchar_t* buffer, int bufferMax);
std::optional<std::wstring> LoadResourceString(HINSTANCE module, UINT id);
// A new bitmap object holding the image; none when there is no such resource.
HBITMAP LoadBitmapW(HINSTANCE module, UINT id);
// The image behind a live bitmap object.
std::optional<Image> GetBitmapImage(HBITMAP bitmap);
BOOL IsBitmapObject(HBITMAP bitmap);
// Deletes a bitmap object; FALSE for one that is not live. Handles are never reused.
BOOL DeleteObject(HBITMAP bitmap);

// Owns one bitmap object and deletes it at the end.
class BitmapHandle {
 public:
  BitmapHandle() = default;
  explicit BitmapHandle(HBITMAP bitmap) : bitmap_(bitmap) {}
  ~BitmapHandle() { reset(); }
  BitmapHandle(BitmapHandle&& other) noexcept : bitmap_(other.release()) {}
  BitmapHandle& operator=(BitmapHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  BitmapHandle(const BitmapHandle&) = delete;
  BitmapHandle& operator=(const BitmapHandle&) = delete;

  HBITMAP get() const { return bitmap_; }
  explicit operator bool() const { return bitmap_ != nullptr; }
  HBITMAP release() { return std::exchange(bitmap_, nullptr); }
  void reset(HBITMAP bitmap = nullptr) {
    if (bitmap_) DeleteObject(bitmap_);
    bitmap_ = bitmap;
  }

 private:
  HBITMAP bitmap_ = nullptr;
};

// Registers a module for as long as it lives.
class ModuleRegistration {
 public:
  explicit ModuleRegistration(std::wstring_view name) : module_(RegisterModule(name)) {}
  ~ModuleRegistration() {
    if (module_) UnregisterModule(module_);
  }
  ModuleRegistration(ModuleRegistration&& other) noexcept : module_(std::exchange(other.module_, nullptr)) {}
  ModuleRegistration& operator=(ModuleRegistration&&) = delete;
  ModuleRegistration(const ModuleRegistration&) = delete;
  ModuleRegistration& operator=(const ModuleRegistration&) = delete;
  HINSTANCE get() const { return module_; }

 private:
  HINSTANCE module_ = nullptr;
};
