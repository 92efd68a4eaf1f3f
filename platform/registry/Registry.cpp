#include "platform/registry/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/registry/Hive.h"
#include "platform/shell/PrivatePath.h"
#include "platform/shell/SpecialFolder.h"
#include "platform/text/WideText.h"

namespace {

enum class HiveId : std::uintptr_t { ClassesRoot = 0x80000000, CurrentUser = 0x80000001, LocalMachine = 0x80000002 };

HKEY PredefinedKey(HiveId id) { return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(id)); }

struct OpenKey {
  HiveId hive;
  std::wstring path;
};

// Open keys by handle value. Handles are numbers that never repeat, so a stale handle is
// recognised instead of reaching another key.
std::mutex gHandlesMutex;
std::map<std::uintptr_t, OpenKey> gHandles;
std::uintptr_t gNextHandle = 0x1000;
std::atomic<RegistryCommitHook> gCommitHook{nullptr};

std::optional<HiveId> AsHive(HKEY key) {
  auto value = reinterpret_cast<std::uintptr_t>(key);
  if (value >= 0x80000000 && value <= 0x80000002) return static_cast<HiveId>(value);
  return std::nullopt;
}

const wchar_t* HiveName(HiveId id) {
  switch (id) {
    case HiveId::ClassesRoot: return L"HKEY_CLASSES_ROOT";
    case HiveId::CurrentUser: return L"HKEY_CURRENT_USER";
    case HiveId::LocalMachine: return L"HKEY_LOCAL_MACHINE";
  }
  return L"";
}

// Resolves a root handle and a path below it to a hive and a full key path.
std::optional<OpenKey> Resolve(HKEY root, std::wstring_view subKey) {
  if (auto hive = AsHive(root)) return OpenKey{*hive, Hive::CleanPath(subKey)};
  std::lock_guard lock(gHandlesMutex);
  auto it = gHandles.find(reinterpret_cast<std::uintptr_t>(root));
  if (it == gHandles.end()) return std::nullopt;
  std::wstring path = it->second.path;
  std::wstring sub = Hive::CleanPath(subKey);
  if (!sub.empty()) path = path.empty() ? sub : path + L"\\" + sub;
  return OpenKey{it->second.hive, path};
}

HKEY NewHandle(const OpenKey& key) {
  std::lock_guard lock(gHandlesMutex);
  std::uintptr_t value = gNextHandle;
  gNextHandle += 4;
  gHandles.emplace(value, key);
  return reinterpret_cast<HKEY>(value);
}

std::filesystem::path FileOf(HiveId id) { return RegistryFolder() / (ToUtf8(HiveName(id)) + ".reg"); }

// An advisory lock on "<hive>.reg.lock", held for the length of one call. The hive file itself
// is replaced by rename, so the lock lives on a file that is never replaced.
class HiveLock {
 public:
  HiveLock(HiveId id, bool exclusive) {
    const std::filesystem::path folder = RegistryFolder();
    if (folder.empty()) return;  // no home folder: no registry
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    // A folder another account can write is never used: it could plant a hive or swap one.
    if (WhyNotPrivate(folder, PrivateKind::Folder)) return;
    ::chmod(folder.c_str(), 0700);
    std::string path = FileOf(id).string() + ".lock";
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (::flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0) {
      if (errno != EINTR) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
    }
  }
  ~HiveLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  HiveLock(const HiveLock&) = delete;
  HiveLock& operator=(const HiveLock&) = delete;
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Reads a hive; a missing file is an empty hive. ERROR_BADDB when the file cannot be read,
// ERROR_ACCESS_DENIED when it is not the user's own (a hive names the libraries a browser loads).
LONG LoadHive(HiveId id, Hive& hive) {
  if (WhyNotPrivate(FileOf(id), PrivateKind::File)) return ERROR_ACCESS_DENIED;
  std::ifstream in(FileOf(id), std::ios::binary);
  if (!in) {
    if (!std::filesystem::exists(FileOf(id))) {
      hive = Hive();
      return ERROR_SUCCESS;
    }
    return ERROR_BADDB;
  }
  std::stringstream buffer;
  buffer << in.rdbuf();
  auto parsed = Hive::Parse(buffer.str());
  if (!parsed) return ERROR_BADDB;
  hive = std::move(*parsed);
  return ERROR_SUCCESS;
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes the hive to a temporary file, flushes it, and renames it over the hive file.
LONG StoreHive(HiveId id, const Hive& hive) {
  std::filesystem::path target = FileOf(id);
  std::string temp = target.string() + ".tmp." + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return ERROR_CANTWRITE;
  bool ok = WriteAll(fd, hive.Serialize()) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok) {
    ::unlink(temp.c_str());
    return ERROR_CANTWRITE;
  }
  if (RegistryCommitHook hook = gCommitHook.load()) hook();
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return ERROR_CANTWRITE;
  }
  int dir = ::open(RegistryFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return ERROR_SUCCESS;
}

// Runs `change` on the hive under the exclusive lock and stores the result when it succeeds.
template <class Change>
LONG ModifyHive(HiveId id, Change change) {
  HiveLock lock(id, true);
  if (!lock.ok()) return ERROR_ACCESS_DENIED;
  Hive hive;
  if (LONG rc = LoadHive(id, hive); rc != ERROR_SUCCESS) return rc;
  bool changed = false;
  LONG rc = change(hive, changed);
  if (rc != ERROR_SUCCESS || !changed) return rc;
  return StoreHive(id, hive);
}

template <class Read>
LONG ReadHive(HiveId id, Read read) {
  HiveLock lock(id, false);
  if (!lock.ok()) return ERROR_ACCESS_DENIED;
  Hive hive;
  if (LONG rc = LoadHive(id, hive); rc != ERROR_SUCCESS) return rc;
  return read(hive);
}

}  // namespace

const HKEY HKEY_CLASSES_ROOT = PredefinedKey(HiveId::ClassesRoot);
const HKEY HKEY_CURRENT_USER = PredefinedKey(HiveId::CurrentUser);
const HKEY HKEY_LOCAL_MACHINE = PredefinedKey(HiveId::LocalMachine);

std::filesystem::path RegistryFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path base;
  if (config && *config) {
    base = config;
  } else {
    std::filesystem::path home = HomeFolder();
    if (home.empty()) return {};
    base = home / ".config";
  }
  return base / "pendrel" / "registry";
}

std::optional<std::string> RegistryProblem() {
  const std::filesystem::path folder = RegistryFolder();
  if (folder.empty()) return "there is no registry folder: " + NoHomeFolderReason();
  if (auto why = WhyNotPrivate(folder, PrivateKind::Folder))
    return "the registry folder " + folder.string() + " is not yours alone: " + *why;
  for (HiveId id : {HiveId::ClassesRoot, HiveId::CurrentUser, HiveId::LocalMachine}) {
    if (auto why = WhyNotPrivate(FileOf(id), PrivateKind::File))
      return "the registry hive " + FileOf(id).string() + " is not yours alone: " + *why;
  }
  return std::nullopt;
}

std::filesystem::path HiveFile(HKEY hive) {
  auto id = AsHive(hive);
  return id && !RegistryFolder().empty() ? FileOf(*id) : std::filesystem::path();
}

void SetRegistryCommitHook(RegistryCommitHook hook) { gCommitHook.store(hook); }

LONG RegOpenKeyExW(HKEY root, std::wstring_view subKey, DWORD, DWORD, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  auto key = Resolve(root, subKey);
  if (!key) return ERROR_INVALID_HANDLE;
  LONG rc = ReadHive(key->hive, [&](Hive& hive) { return hive.Find(key->path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND; });
  if (rc == ERROR_SUCCESS) *result = NewHandle(*key);
  return rc;
}

LONG RegCreateKeyExW(HKEY root, std::wstring_view subKey, DWORD, DWORD, HKEY* result, DWORD* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  // A key's path is a line of the hive file: a line end in it would make the file unreadable.
  if (subKey.find_first_of(L"\r\n") != std::wstring_view::npos) return ERROR_INVALID_PARAMETER;
  auto key = Resolve(root, subKey);
  if (!key) return ERROR_INVALID_HANDLE;
  // Nor may a key directly below a hive bear a hive's name: the file would lose it on reading.
  if (Hive::StartsWithHiveName(key->path)) return ERROR_INVALID_PARAMETER;
  // Nor one deeper than a hive may hold: the file would become unreadable.
  if (Hive::Depth(key->path) > Hive::kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
  bool created = false;
  LONG rc = ModifyHive(key->hive, [&](Hive& hive, bool& changed) {
    created = hive.Create(key->path);
    changed = created;
    return ERROR_SUCCESS;
  });
  if (rc != ERROR_SUCCESS) return rc;
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewHandle(*key);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (AsHive(key)) return ERROR_SUCCESS;
  std::lock_guard lock(gHandlesMutex);
  return gHandles.erase(reinterpret_cast<std::uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExW(HKEY key, std::wstring_view valueName, DWORD* type, wchar_t* buffer, DWORD* byteCount) {
  auto open = Resolve(key, L"");
  if (!open) return ERROR_INVALID_HANDLE;
  return ReadHive(open->hive, [&](Hive& hive) -> LONG {
    HiveKey* k = hive.Find(open->path);
    if (!k) return ERROR_KEY_DELETED;
    HiveValue* v = k->FindValue(valueName);
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (type) *type = v->type;
    if (v->type != REG_SZ) return ERROR_SUCCESS;
    DWORD needed = static_cast<DWORD>((v->data.size() + 1) * 2);
    if (!byteCount) return buffer ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    DWORD available = *byteCount;
    *byteCount = needed;
    if (!buffer) return ERROR_SUCCESS;
    if (needed > available) return ERROR_MORE_DATA;
    std::copy(v->data.begin(), v->data.end(), buffer);
    buffer[v->data.size()] = 0;
    return ERROR_SUCCESS;
  });
}

LONG RegSetValueExW(HKEY key, std::wstring_view valueName, DWORD type, const wchar_t* data, DWORD byteCount) {
  auto open = Resolve(key, L"");
  if (!open) return ERROR_INVALID_HANDLE;
  if (type != REG_SZ) return ERROR_INVALID_PARAMETER;
  std::wstring text;
  if (data) text.assign(data, byteCount / 2);
  // The stored text ends at its first NUL, as a string value does.
  if (auto nul = text.find(L'\0'); nul != std::wstring::npos) text.resize(nul);
  return ModifyHive(open->hive, [&](Hive& hive, bool& changed) -> LONG {
    HiveKey* k = hive.Find(open->path);
    if (!k) return ERROR_KEY_DELETED;
    HiveValue value{std::wstring(valueName), type, text};
    if (HiveValue* existing = k->FindValue(valueName)) {
      // The same value written again leaves the file alone (registration rewrites every value).
      if (existing->type == type && existing->data == text) return ERROR_SUCCESS;
      value.name = existing->name;
      *existing = value;
    } else {
      k->values.push_back(value);
    }
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValueW(HKEY key, std::wstring_view valueName) {
  auto open = Resolve(key, L"");
  if (!open) return ERROR_INVALID_HANDLE;
  return ModifyHive(open->hive, [&](Hive& hive, bool& changed) -> LONG {
    HiveKey* k = hive.Find(open->path);
    if (!k) return ERROR_KEY_DELETED;
    for (auto it = k->values.begin(); it != k->values.end(); ++it) {
      if (EqualsNoCase(it->name, valueName)) {
        k->values.erase(it);
        changed = true;
        return ERROR_SUCCESS;
      }
    }
    return ERROR_FILE_NOT_FOUND;
  });
}

namespace {

enum class Subkeys { MustHaveNone, GoWithTheKey };

LONG DeleteKey(HKEY root, std::wstring_view subKey, Subkeys subkeys) {
  auto key = Resolve(root, subKey);
  if (!key) return ERROR_INVALID_HANDLE;
  if (key->path.empty()) return ERROR_ACCESS_DENIED;
  return ModifyHive(key->hive, [&](Hive& hive, bool& changed) -> LONG {
    if (!hive.Find(key->path)) return ERROR_FILE_NOT_FOUND;
    if (subkeys == Subkeys::MustHaveNone && hive.HasSubkeys(key->path)) return ERROR_ACCESS_DENIED;
    hive.RemoveTree(key->path);
    changed = true;
    return ERROR_SUCCESS;
  });
}

}  // namespace

LONG RegDeleteKeyW(HKEY root, std::wstring_view subKey) { return DeleteKey(root, subKey, Subkeys::MustHaveNone); }

LONG RegDeleteTreeW(HKEY root, std::wstring_view subKey) { return DeleteKey(root, subKey, Subkeys::GoWithTheKey); }

LONG RegEnumKeyW(HKEY key, DWORD index, std::wstring& name) {
  auto open = Resolve(key, L"");
  if (!open) return ERROR_INVALID_HANDLE;
  return ReadHive(open->hive, [&](Hive& hive) -> LONG {
    if (!hive.Find(open->path)) return ERROR_KEY_DELETED;
    auto names = hive.Subkeys(open->path);
    if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
    name = names[index];
    return ERROR_SUCCESS;
  });
}

LONG RegEnumValueW(HKEY key, DWORD index, std::wstring& name) {
  auto open = Resolve(key, L"");
  if (!open) return ERROR_INVALID_HANDLE;
  return ReadHive(open->hive, [&](Hive& hive) -> LONG {
    HiveKey* k = hive.Find(open->path);
    if (!k) return ERROR_KEY_DELETED;
    if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
    name = k->values[index].name;
    return ERROR_SUCCESS;
  });
}
