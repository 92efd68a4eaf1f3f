#include "platform/ui/Resources.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/text/WideText.h"

namespace {

struct Module {
  std::wstring name;
  std::map<UINT, std::wstring> strings;
  std::map<UINT, std::shared_ptr<const Image>> bitmaps;
  std::map<std::pair<std::wstring, UINT>, std::string> data;  // by upper-case type and id
};

// Modules and bitmap objects are used from any thread (a worker may load a string), so one lock
// guards both tables.
struct ResourceTables {
  std::mutex mutex;
  std::map<std::uintptr_t, Module> modules;
  std::map<std::uintptr_t, std::shared_ptr<const Image>> bitmaps;
};

ResourceTables& Tables() {
  static auto* tables = new ResourceTables;  // outlives static teardown; threads may still load
  return *tables;
}

std::atomic<std::uintptr_t> gNextModule{0x4000000};
std::atomic<std::uintptr_t> gNextBitmap{0x8000000};

std::uintptr_t Key(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

HBITMAP NewBitmap(std::shared_ptr<const Image> image) {
  auto handle = reinterpret_cast<HBITMAP>(gNextBitmap.fetch_add(2));
  std::lock_guard lock(Tables().mutex);
  Tables().bitmaps.emplace(Key(handle), std::move(image));
  return handle;
}

}  // namespace

HINSTANCE RegisterModule(std::wstring_view name) {
  auto handle = reinterpret_cast<HINSTANCE>(gNextModule.fetch_add(2));
  std::lock_guard lock(Tables().mutex);
  Tables().modules[Key(handle)].name = name;
  return handle;
}

void UnregisterModule(HINSTANCE module) {
  std::lock_guard lock(Tables().mutex);
  Tables().modules.erase(Key(module));
}

std::wstring GetModuleName(HINSTANCE module) {
  std::lock_guard lock(Tables().mutex);
  auto it = Tables().modules.find(Key(module));
  return it == Tables().modules.end() ? std::wstring() : it->second.name;
}

bool AddDataResource(HINSTANCE module, std::wstring_view type, UINT id, std::string_view bytes) {
  std::lock_guard lock(Tables().mutex);
  auto it = Tables().modules.find(Key(module));
  if (it == Tables().modules.end()) return false;
  it->second.data[{ToLower(type), id}] = bytes;
  return true;
}

std::optional<std::string> LoadDataResource(HINSTANCE module, std::wstring_view type, UINT id) {
  std::lock_guard lock(Tables().mutex);
  auto it = Tables().modules.find(Key(module));
  if (it == Tables().modules.end()) return std::nullopt;
  auto found = it->second.data.find({ToLower(type), id});
  if (found == it->second.data.end()) return std::nullopt;
  return found->second;
}

bool AddStringResource(HINSTANCE module, UINT id, std::wstring_view text) {
  std::lock_guard lock(Tables().mutex);
  auto it = Tables().modules.find(Key(module));
  if (it == Tables().modules.end()) return false;
  it->second.strings[id] = text;
  return true;
}

bool AddBitmapResource(HINSTANCE module, UINT id, Image image) {
  auto shared = std::make_shared<const Image>(std::move(image));
  std::lock_guard lock(Tables().mutex);
  auto it = Tables().modules.find(Key(module));
  if (it == Tables().modules.end()) return false;
  it->second.bitmaps[id] = std::move(shared);
  return true;
}

std::optional<std::wstring> LoadResourceString(HINSTANCE module, UINT id) {
  std::lock_guard lock(Tables().mutex);
  auto it = Tables().modules.find(Key(module));
  if (it == Tables().modules.end()) return std::nullopt;
  auto found = it->second.strings.find(id);
  if (found == it->second.strings.end()) return std::nullopt;
  return found->second;
}

int LoadStringW(HINSTANCE module, UINT id, wchar_t* buffer, int bufferMax) {
  if (!buffer || bufferMax < 1) return 0;
  buffer[0] = L'\0';
  auto text = LoadResourceString(module, id);
  if (!text) return 0;
  size_t count = std::min(text->size(), static_cast<size_t>(bufferMax - 1));
  text->copy(buffer, count);
  buffer[count] = L'\0';
  return static_cast<int>(count);
}

HBITMAP LoadBitmapW(HINSTANCE module, UINT id) {
  std::shared_ptr<const Image> image;
  {
    std::lock_guard lock(Tables().mutex);
    auto it = Tables().modules.find(Key(module));
    if (it == Tables().modules.end()) return nullptr;
    auto found = it->second.bitmaps.find(id);
    if (found == it->second.bitmaps.end()) return nullptr;
    image = found->second;
  }
  return NewBitmap(std::move(image));
}

std::optional<Image> GetBitmapImage(HBITMAP bitmap) {
  std::lock_guard lock(Tables().mutex);
  auto it = Tables().bitmaps.find(Key(bitmap));
  if (it == Tables().bitmaps.end()) return std::nullopt;
  return *it->second;
}

BOOL IsBitmapObject(HBITMAP bitmap) {
  std::lock_guard lock(Tables().mutex);
  return Tables().bitmaps.count(Key(bitmap)) ? TRUE : FALSE;
}

BOOL DeleteObject(HBITMAP bitmap) {
  std::lock_guard lock(Tables().mutex);
  return Tables().bitmaps.erase(Key(bitmap)) ? TRUE : FALSE;
}
