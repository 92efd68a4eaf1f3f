// The site form capture files a form under: the authority of the page's address, read by a
// regular expression. Any address gives an answer (the pattern matches every text), in time
// linear in its length, and that answer is a piece of the address.
#include <cstring>

#include "events/FormCapture.h"
#include "fuzz/FuzzSupport.h"
#include "platform/text/WideText.h"
#include "store/CCustomException.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring address = FromUtf8(AsBytes(data, size));
  try {
    const std::wstring site = ExtractDomain(address);
    FUZZ_CHECK(address.find(site) != std::wstring::npos, "the site is not a piece of the address");
    if (!site.empty()) FUZZ_CHECK(address.find(L"//") != std::wstring::npos, "a site without \"//\"");
    FUZZ_CHECK(site.find_first_of(L"/?#") == std::wstring::npos, "the site runs into the path, query or fragment");
  } catch (const CCustomException& e) {
    FuzzFailure("ExtractDomain raised: " + ToUtf8(e.GetMessage()));
  }

  // The same bytes taken as wide characters, code points that are no characters included (a
  // page's script can put them in an address).
  std::wstring raw(size / sizeof(wchar_t), L'\0');
  if (!raw.empty()) std::memcpy(raw.data(), data, raw.size() * sizeof(wchar_t));
  try {
    ExtractDomain(raw);
  } catch (const CCustomException& e) {
    FuzzFailure("ExtractDomain raised: " + ToUtf8(e.GetMessage()));
  }
  return 0;
}
