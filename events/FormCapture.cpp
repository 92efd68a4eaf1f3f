#include "events/FormCapture.h"

#include <re2/re2.h>

#include "events/DomQuery.h"
#include "platform/browser/WebBrowser.h"
#include "platform/com/ComError.h"
#include "platform/text/WideText.h"
#include "store/CCustomException.h"
#include "store/ErrorDump.h"

namespace {

constexpr UINT kEnableFormsEntry = 32792;

// Scheme, authority, path, query and fragment, read from the start of an address. Matched over
// the address's UTF-8 bytes as Latin-1, so that a byte sequence that is not UTF-8 cannot stop the
// match; the delimiters are all ASCII, so the groups fall on whole characters.
const RE2& AddressPattern() {
  static const RE2 pattern = [] {
    RE2::Options options;
    options.set_encoding(RE2::Options::EncodingLatin1);
    options.set_dot_nl(true);
    options.set_log_errors(false);
    options.set_max_mem(8 << 20);
    return RE2("^(?:([^:/?#]+):)?(?://([^/?#]*))?([^?#]*)(?:\\?([^#]*))?(?:#(.*))?", options);
  }();
  return pattern;
}

CComPtr<IDispatch> FormItem(IHTMLFormElement* form, LONG index) {
  CComPtr<IDispatch> item;
  ThrowIfFailed(form->item(Variant(static_cast<std::int32_t>(index)), Variant(), &item));
  return item;
}

LONG FormLength(IHTMLFormElement* form) {
  LONG length = 0;
  ThrowIfFailed(form->get_length(&length));
  return length;
}

struct InputField {
  std::wstring type, name, value;
};

// The input at `index` of the form, or nothing when that element is no input.
bool ReadInput(IHTMLFormElement* form, LONG index, InputField& field) {
  auto input = Query<IHTMLInputElement>(FormItem(form, index).get(), IID_IHTMLInputElement);
  if (!input) return false;
  field = {};
  ThrowIfFailed(input->get_type(&field.type));
  ThrowIfFailed(input->get_name(&field.name));
  ThrowIfFailed(input->get_value(&field.value));
  return true;
}

bool HoldsTypedPassword(IHTMLFormElement* form) {
  InputField field;
  for (LONG j = 0; j < FormLength(form); ++j)
    if (ReadInput(form, j, field) && field.type == L"password" && !field.value.empty()) return true;
  return false;
}

void ResetEnableFormsEntry(HMENU menu) {
  CheckMenuItem(menu, kEnableFormsEntry, MF_BYCOMMAND | MF_UNCHECKED);
  ModifyMenuW(menu, kEnableFormsEntry, MF_BYCOMMAND | MF_STRING, kEnableFormsEntry, L"Enable saving form data");
}

}  // namespace

std::wstring ExtractDomain(const std::wstring& address) {
  const RE2& pattern = AddressPattern();
  if (!pattern.ok()) throw CCustomException(L"Parsing error");
  const std::string bytes = ToUtf8(address);
  re2::StringPiece authority;
  if (!RE2::PartialMatch(bytes, pattern, nullptr, &authority)) throw CCustomException(L"Match error");
  return authority.data() ? FromUtf8(std::string_view(authority.data(), authority.size())) : std::wstring();
}

bool IsCapturedInputType(const std::wstring& type) {
  return type == L"checkbox" || type == L"password" || type == L"radio" || type == L"text";
}

std::wstring GetActionAttribute(IHTMLFormElement* form, FormFieldMap& matchMap) {
  std::wstring action;
  try {
    auto element = Query<IHTMLElement>(form, IID_IHTMLElement);
    if (!element) return action;
    Variant value;
    ThrowIfFailed(element->getAttribute(L"action", 0, &value));
    if (auto* text = std::get_if<std::wstring>(&value.value)) action = *text;
    InputField field;
    for (LONG j = 0; j < FormLength(form); ++j)
      if (ReadInput(form, j, field) && IsCapturedInputType(field.type))
        matchMap[field.name] = field.value.empty() ? L"dummy" : field.value;
  } catch (const ComError& e) {
    if (e.Error() != E_POINTER) throw CCustomException(DumpComError(e));
  } catch (const CCustomException&) {
    throw;
  } catch (...) {
    throw CCustomException(L"Unknown error");
  }
  return action;
}

void CaptureForm(IDispatch* browserObject, CBookmarkDatabase& store, HMENU setupMenu) {
  CComPtr<IHTMLDocument2> document;
  CComPtr<IWebBrowser2> browser;
  try {
    browser = Query<IWebBrowser2>(browserObject, IID_IWebBrowser2);
    if (!browser) return;
    CComPtr<IDispatch> dispatch;
    ThrowIfFailed(browser->get_Document(&dispatch));
    document = Query<IHTMLDocument2>(dispatch.get(), IID_IHTMLDocument2);
  } catch (const ComError&) {
    return;  // no page to leave, or none that can be read
  }
  std::wstring pageAddress;
  ThrowIfFailed(browser->get_LocationURL(&pageAddress));
  const std::wstring site = ExtractDomain(pageAddress);
  if (!document) return;

  CComPtr<IHTMLElementCollection> forms;
  ThrowIfFailed(document->get_forms(&forms));
  if (!forms) throw ComError(E_POINTER);
  CComPtr<IHTMLFormElement> captureForm;
  for (LONG i = 0;; ++i) {
    LONG count = 0;
    ThrowIfFailed(forms->get_length(&count));
    if (i >= count) break;
    CComPtr<IDispatch> item;
    ThrowIfFailed(forms->item(Variant(static_cast<std::int32_t>(i)), Variant(), &item));
    auto form = Query<IHTMLFormElement>(item.get(), IID_IHTMLFormElement);
    if (!form) return;
    if (HoldsTypedPassword(form.get())) {
      captureForm = form;
      break;
    }
  }
  ResetEnableFormsEntry(setupMenu);
  if (!captureForm) return;

  FormFieldMap captured;
  InputField field;
  for (LONG j = 0; j < FormLength(captureForm.get()); ++j)
    if (ReadInput(captureForm.get(), j, field) && IsCapturedInputType(field.type)) captured[field.name] = field.value;
  if (captured.empty()) return;

  FormFieldMap matchMap;
  const std::wstring action = GetActionAttribute(captureForm.get(), matchMap);
  std::wstring formName;
  ThrowIfFailed(captureForm->get_name(&formName));
  if (formName.empty()) formName = L"NULL";
  const std::int32_t formId = store.SaveForm(pageAddress, formName, site, action, matchMap);
  if (store.FormHasFields(formId)) store.DeleteFormFields(formId);
  for (const auto& [name, value] : captured) store.AddFormField(formId, name, value);
}
