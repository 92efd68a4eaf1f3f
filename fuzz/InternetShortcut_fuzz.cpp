// The Internet-shortcut reader: a ".url" file as any program or person may have written it.
// Whatever it holds, reading gives an address or a failure; an address read is written back and
// read again unchanged.
#include <fstream>

#include "fuzz/FuzzSupport.h"
#include "platform/com/ComPtr.h"
#include "platform/shell/InternetShortcut.h"
#include "platform/text/WideText.h"

namespace {

CComPtr<IPersistFile> NewShortcut() {
  void* raw = nullptr;
  FUZZ_CHECK(CreateInternetShortcut(IID_IPersistFile, &raw) == S_OK, "cannot make a shortcut object");
  CComPtr<IPersistFile> file;
  file.Attach(static_cast<IPersistFile*>(raw));
  return file;
}

HRESULT ReadUrl(const std::wstring& path, std::wstring& url) {
  CComPtr<IPersistFile> file = NewShortcut();
  HRESULT hr = file->Load(path);
  if (FAILED(hr)) return hr;
  return file.QueryInterface<IUniformResourceLocator>(IID_IUniformResourceLocator)->GetURL(&url);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::filesystem::path folder = [] {
    std::filesystem::path shortcuts = FuzzEnvironment::Get().Root() / "shortcuts";
    std::filesystem::create_directories(shortcuts);
    return shortcuts;
  }();
  static const std::wstring input = FromUtf8((folder / "input.url").string());
  static const std::wstring copy = FromUtf8((folder / "copy.url").string());
  {
    std::ofstream out(folder / "input.url", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::wstring url;
  HRESULT hr = ReadUrl(input, url);
  if (FAILED(hr)) return 0;
  FUZZ_CHECK(hr == S_OK || (hr == S_FALSE && url.empty()), "GetURL answered neither an address nor none");
  FUZZ_CHECK(url.find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos, "an address read holds a line end");

  // Written back and read again, the address is the same.
  CComPtr<IPersistFile> writer = NewShortcut();
  if (hr == S_OK) {
    HRESULT set = writer.QueryInterface<IUniformResourceLocator>(IID_IUniformResourceLocator)->SetURL(url);
    FUZZ_CHECK(set == S_OK, "an address read is refused when set again");
  }
  FUZZ_CHECK(writer->Save(copy) == S_OK, "cannot save the shortcut");
  std::wstring again;
  HRESULT reread = ReadUrl(copy, again);
  FUZZ_CHECK(reread == hr, "the saved shortcut reads differently");
  FUZZ_CHECK(again == url, "the address changed on its way through a file");
  return 0;
}
