// The browser engine's document building: a page's bytes as any server may send them, built into
// the document the browser shows, read as the browser reads it (title, visible text, links,
// frames, and laid out for a terminal), then left and loaded as the toolbar's form memory sees it: form capture files its login
// form in a store of its own and auto-fill writes the saved values back into the same page.
#include "events/FormAutoFill.h"
#include "events/FormCapture.h"
#include "fuzz/FuzzSupport.h"
#include "host/engine/BrowserObject.h"
#include "host/engine/HtmlObjects.h"
#include "host/engine/PageDocument.h"
#include "host/engine/PageText.h"
#include "host/cli/PageTextLayout.h"
#include "platform/text/WideText.h"
#include "platform/com/ComError.h"
#include "store/CBookmarkDatabase.h"
#include "store/CCustomException.h"

namespace {

constexpr wchar_t kPageAddress[] = L"http://login.example.com/account/signin?next=%2F";

// The browser object of a window showing one page: what capture and auto-fill ask of it.
class PageBrowser final : public BrowserObject {
 public:
  explicit PageBrowser(CComPtr<IDispatch> document) {
    url_ = kPageAddress;
    document_ = std::move(document);
  }

  HRESULT Navigate2(Variant*, Variant*, Variant*, Variant*, Variant*) override { return E_FAIL; }
  HRESULT GoBack() override { return E_FAIL; }
  HRESULT put_StatusText(const std::wstring&) override { return S_OK; }
  HRESULT Quit() override { return S_OK; }
  HRESULT FindConnectionPoint(REFIID, IConnectionPoint** point) override {
    if (point) *point = nullptr;
    return CONNECT_E_NOCONNECTION;
  }
};

// The whole document read as the browser shows it.
void ReadPage(PageDocument& page) {
  page.Title();
  page.BaseUrl();
  PageDocument::VisibleText(page.Root());
  page.Frames();
  for (PageNode element : page.Elements())
    if (element.HasAttribute("href")) page.ResolveReference(element.AttributeOr("href"));
  for (PageNode form : page.Forms())
    for (PageNode control : page.ControlsOf(form)) {
      PageDocument::InputType(control);
      page.ControlValue(control);
      if (PageDocument::InputType(control) == L"password")
        FUZZ_CHECK(ShownControlValue(page, control).find_first_not_of(L'*') == std::wstring::npos,
                   "a password field's value is shown as it is");
    }
  // Laid out for a person at a terminal: no line wider than asked, none holding a character the
  // terminal would act on, and no more lines than asked.
  constexpr size_t kWidth = 40, kLines = 200;
  LaidOutPage laidOut = LayOutDocument(page.Title(), &page, {kWidth, kLines});
  FUZZ_CHECK(laidOut.lines.size() <= kLines, "more lines than asked");
  for (const std::string& line : laidOut.lines) {
    std::wstring wide = FromUtf8(line);
    FUZZ_CHECK(wide.size() <= kWidth, "a line wider than asked");
    for (wchar_t c : wide) FUZZ_CHECK(!IsTerminalUnsafe(c), "a control character reaches the terminal");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzEnvironment& environment = FuzzEnvironment::Get();
  static CComPtr<CBookmarkDatabase> store = MakeCounted<CBookmarkDatabase>(environment.DataFolder());
  static MenuHandle menu = [] {
    MenuHandle m(CreatePopupMenu());
    AppendMenuW(m.get(), MF_STRING | MF_CHECKED, 32792, L"Disable saving form data");
    return m;
  }();

  CComPtr<PageDocument> page = PageDocument::Parse(AsBytes(data, size), kPageAddress);
  if (!page) return 0;
  ReadPage(*page);

  auto browser = MakeCounted<PageBrowser>(MakeHtmlDocumentObject(page));
  try {
    CaptureForm(browser.get(), *store, menu.get());
    FillForm(browser.get(), kPageAddress, *store);
  } catch (const CCustomException&) {
    // The program's own errors, which the toolbar reports.
  } catch (const ComError&) {
    // The browser's, likewise.
  }
  ReadPage(*page);
  // Each page starts from an empty form store.
  environment.ExecuteSql("DELETE FROM FormURLData; DELETE FROM FormURL;");
  return 0;
}
