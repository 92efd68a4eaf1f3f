#include "platform/shell/InternetShortcut.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string_view>

#include "platform/com/ComPtr.h"
#include "platform/com/CountedObject.h"
#include "platform/shell/PosixFile.h"
#include "platform/text/WideText.h"

const CLSID CLSID_InternetShortcut = MakeGuid(L"FBF23B40-E3F0-101B-8488-00AA003E56F8");
const IID IID_IUniformResourceLocator = MakeGuid(L"CABB0DA0-DA57-11CF-9974-0020AFD79762");
const IID IID_IPersistFile = MakeGuid(L"0000010B-0000-0000-C000-000000000046");

namespace {

constexpr size_t kMaxShortcutBytes = size_t{64} << 10;
constexpr size_t kMaxShortcutLines = 4096;
constexpr std::string_view kSection = "InternetShortcut";

HRESULT FromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return MakeHResult(0x80070002);  // the file was not found
    case EACCES:
    case EPERM:
      return E_ACCESSDENIED;
    case ENAMETOOLONG:
      return MakeHResult(0x800700CE);  // the name is too long
    default:
      return E_FAIL;
  }
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Reads the whole file, at most `limit` bytes of it; E_FAIL for a larger one and for anything but
// a regular file. A link is not followed, and a FIFO or device is not waited on: the open does not
// block and the type is checked before a byte is read.
HRESULT ReadBounded(const std::string& path, size_t limit, std::string& bytes) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY));
  if (!fd) return errno == ELOOP ? E_FAIL : FromErrno(errno);
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return FromErrno(errno);
  if (!S_ISREG(info.st_mode)) return E_FAIL;
  bytes.clear();
  char buffer[8192];
  for (;;) {
    ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FromErrno(errno);
    }
    if (n == 0) return S_OK;
    if (bytes.size() + static_cast<size_t>(n) > limit) return E_FAIL;  // a file that grows as it is read too
    bytes.append(buffer, static_cast<size_t>(n));
  }
}

// A new file of a random name ".shortcut-XXXXXX" in the folder `folderFd`, readable by the user
// alone; its name in `name`. None (errno set) when no name could be taken.
UniqueFd CreateTemporary(int folderFd, std::string& name) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = ".shortcut-";
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    UniqueFd fd(::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd || errno != EEXIST) return fd;
  }
  return UniqueFd();
}

class InternetShortcut final : public IUniformResourceLocator, public IPersistFile, public CountedObject {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IUniformResourceLocator)
      *object = CComPtr<IUniformResourceLocator>(this).Detach();
    else if (iid == IID_IPersistFile)
      *object = CComPtr<IPersistFile>(this).Detach();
    else
      return E_NOINTERFACE;
    return S_OK;
  }
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }

  HRESULT SetURL(const std::wstring& url) override {
    if (url.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring::npos) return E_INVALIDARG;
    url_ = url;
    return S_OK;
  }

  HRESULT GetURL(std::wstring* url) override {
    if (!url) return E_POINTER;
    *url = url_;
    return url_.empty() ? S_FALSE : S_OK;
  }

  HRESULT Load(const std::wstring& path) override {
    auto systemPath = SystemPath(path);
    if (!systemPath) return E_INVALIDARG;
    std::string bytes;
    if (HRESULT hr = ReadBounded(*systemPath, kMaxShortcutBytes, bytes); FAILED(hr)) return hr;
    std::string_view text(bytes);
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);

    bool sectionFound = false, inSection = false;
    std::string_view url;
    size_t lines = 0;
    while (!text.empty()) {
      if (++lines > kMaxShortcutLines) return E_FAIL;
      size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      line = TrimBlanks(line);
      if (line.starts_with('[') && line.ends_with(']')) {
        inSection = SameAsciiNoCase(TrimBlanks(line.substr(1, line.size() - 2)), kSection);
        sectionFound = sectionFound || inSection;
        continue;
      }
      size_t equals = line.find('=');
      if (inSection && url.empty() && equals != std::string_view::npos && SameAsciiNoCase(TrimBlanks(line.substr(0, equals)), "URL"))
        url = TrimBlanks(line.substr(equals + 1));
    }
    if (!sectionFound) return E_FAIL;
    // An address never holds a line end or a NUL (SetURL refuses both): a file whose address does
    // is damaged, and its address could not be written back as one line.
    if (url.find_first_of(std::string_view("\r\0", 2)) != std::string_view::npos) return E_FAIL;
    url_ = FromUtf8(url);
    return S_OK;
  }

  HRESULT Save(const std::wstring& path) override {
    auto systemPath = SystemPath(path);
    if (!systemPath || systemPath->empty() || systemPath->back() == '/') return E_INVALIDARG;
    size_t slash = systemPath->rfind('/');
    // Without a final "/": with one, even O_NOFOLLOW would go through a link.
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : systemPath->substr(0, slash);
    std::string name = slash == std::string::npos ? *systemPath : systemPath->substr(slash + 1);
    // Everything happens relative to the folder opened once, so a link put in place of the folder
    // or of the file is never followed, not even one put there while the file is written.
    UniqueFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folderFd) return errno == ELOOP || errno == ENOTDIR ? E_ACCESSDENIED : FromErrno(errno);
    struct stat existing {};
    if (::fstatat(folderFd.get(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(existing.st_mode))
      return E_ACCESSDENIED;  // a link, a folder or a FIFO of that name stays as it is
    // A short name of its own, without ".url" in it: a file left behind by a crash is never
    // taken for a shortcut, and a long target name cannot make it too long.
    std::string temp;
    UniqueFd fd = CreateTemporary(folderFd.get(), temp);
    if (!fd) return FromErrno(errno);
    std::string content = "[InternetShortcut]\r\n";
    if (!url_.empty()) content += "URL=" + ToUtf8(url_) + "\r\n";
    HRESULT hr = S_OK;
    if (!WriteAll(fd.get(), content)) hr = FromErrno(errno);
    if (!fd.reset() && SUCCEEDED(hr)) hr = FromErrno(errno);
    if (SUCCEEDED(hr) && ::renameat(folderFd.get(), temp.c_str(), folderFd.get(), name.c_str()) != 0) hr = FromErrno(errno);
    if (FAILED(hr)) ::unlinkat(folderFd.get(), temp.c_str(), 0);
    return hr;
  }

 private:
  std::wstring url_;
};

}  // namespace

HRESULT CreateInternetShortcut(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  CComPtr<InternetShortcut> shortcut = MakeCounted<InternetShortcut>();
  return shortcut->QueryInterface(iid, object);
}
