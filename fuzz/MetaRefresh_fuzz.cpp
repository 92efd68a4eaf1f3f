// The link checker's look into a page for a refresh tag that names a new address. Whatever the
// page holds, the address found is a piece of the page that starts with "http://" and holds no
// character that ends it.
#include "fuzz/FuzzSupport.h"
#include "links/CLinkChecker.h"
#include "platform/text/WideText.h"

namespace {

void CheckAddress(const std::wstring& page, const std::wstring& address) {
  FUZZ_CHECK(ToLower(address.substr(0, 7)) == L"http://", "the address found does not start with http://");
  FUZZ_CHECK(page.find(address) != std::wstring::npos, "the address found is not in the page");
  for (wchar_t c : address)
    FUZZ_CHECK(c != L'>' && c != L'"' && c > L' ' && c != 0x7f, "the address found runs past its end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring page = FromUtf8(AsBytes(data, size));
  std::wstring address = L"unchanged";
  if (CLinkChecker::FindMetaRefresh(page, address))
    CheckAddress(page, address);
  else
    FUZZ_CHECK(address == L"unchanged", "a failed search changed the address");

  address = L"unchanged";
  if (CLinkChecker::ExtractRefreshUrl(page, address)) CheckAddress(page, address);
  return 0;
}
