#include "events/FormAutoFill.h"

#include "events/FillPolicy.h"
#include "events/FormCapture.h"
#include "events/DomQuery.h"
#include "platform/browser/WebBrowser.h"
#include "platform/com/ComError.h"
#include "store/CCustomException.h"

namespace {

CComPtr<IHTMLDocument2> DocumentOf(IDispatch* browserObject) {
  auto browser = Query<IWebBrowser2>(browserObject, IID_IWebBrowser2);
  if (!browser) return nullptr;
  CComPtr<IDispatch> dispatch;
  ThrowIfFailed(browser->get_Document(&dispatch));
  return Query<IHTMLDocument2>(dispatch.get(), IID_IHTMLDocument2);
}

// The attribute's text; false when the element has none.
bool AttributeText(IHTMLElement* element, const wchar_t* name, std::wstring& text) {
  Variant value;
  ThrowIfFailed(element->getAttribute(name, 0, &value));
  auto* found = std::get_if<std::wstring>(&value.value);
  if (found) text = *found;
  return found != nullptr;
}

LONG CollectionLength(IHTMLElementCollection* collection) {
  LONG length = 0;
  ThrowIfFailed(collection->get_length(&length));
  return length;
}

}  // namespace

CComPtr<IHTMLElement> FindDocumentElement(IDispatch* browser, const std::wstring& tagName, const std::wstring& type,
                                          const std::wstring& name) {
  CComPtr<IHTMLElementCollection> all;
  if (auto document = DocumentOf(browser)) ThrowIfFailed(document->get_all(&all));
  if (!all) throw CCustomException(L"Failed to get all element collection");
  CComPtr<IDispatch> tags;
  ThrowIfFailed(all->tags(Variant(tagName), &tags));
  auto elements = Query<IHTMLElementCollection>(tags.get(), IID_IHTMLElementCollection);
  if (!elements) throw CCustomException(L"Failed to get hyper link elements");
  for (LONG l = 0; l < CollectionLength(elements.get()); ++l) {
    CComPtr<IDispatch> item;
    ThrowIfFailed(elements->item(Variant(static_cast<std::int32_t>(l)), Variant(), &item));
    auto element = Query<IHTMLElement>(item.get(), IID_IHTMLElement);
    if (!element) continue;
    std::wstring elementType, elementName;
    const bool hasType = AttributeText(element.get(), L"type", elementType);
    const bool hasName = AttributeText(element.get(), L"name", elementName);
    const bool typeMatches = type.empty() || (hasType && elementType == type);
    if (typeMatches && hasName && elementName == name) return element;
  }
  return nullptr;
}

void FillForm(IDispatch* browserObject, const std::wstring& address, CBookmarkDatabase& store) {
  if (!Query<IWebBrowser2>(browserObject, IID_IWebBrowser2)) return;
  // A page no login may go into is treated as a page with no saved form.
  if (!IsFillablePage(address)) return;
  const std::wstring site = ExtractDomain(address);
  CComPtr<IHTMLElementCollection> forms;
  LONG firstCount = 0;
  try {
    auto document = DocumentOf(browserObject);
    if (!document) return;
    ThrowIfFailed(document->get_forms(&forms));
    if (!forms) return;
    ThrowIfFailed(forms->get_length(&firstCount));
  } catch (const ComError& e) {
    if (e.Error() == E_POINTER || e.Error() == E_FAIL) return;
    throw;
  }

  CComPtr<IHTMLFormElement> target;
  SavedForm saved;
  for (LONG i = 0; i < (i == 0 ? firstCount : CollectionLength(forms.get())); ++i) {
    CComPtr<IDispatch> item;
    ThrowIfFailed(forms->item(Variant(static_cast<std::int32_t>(i)), Variant(), &item));
    auto form = Query<IHTMLFormElement>(item.get(), IID_IHTMLFormElement);
    if (!form) return;
    FormFieldMap matchMap;
    const std::wstring action = GetActionAttribute(form.get(), matchMap);
    // A form that would send the login elsewhere counts as a form that matches nothing.
    if (store.LoadSavedForm(site, matchMap, saved) &&
        MayFillForm({address, action}, {saved.pageAddress, saved.action})) {
      target = form;
      break;
    }
  }
  if (!target || saved.fields.empty()) return;

  for (const auto& [name, value] : saved.fields) {
    CComPtr<IDispatch> item;
    ThrowIfFailed(target->item(Variant(name), Variant(), &item));
    if (auto input = Query<IHTMLInputElement>(item.get(), IID_IHTMLInputElement)) {
      // Only into the kinds of field a login is captured from: never a hidden one, which the
      // person cannot see go out, nor a file field.
      std::wstring type;
      ThrowIfFailed(input->get_type(&type));
      if (IsCapturedInputType(type)) ThrowIfFailed(input->put_value(value));
      continue;
    }
    auto element = FindDocumentElement(browserObject, L"select", L"", name);
    if (!element) continue;
    auto select = Query<IHTMLSelectElement>(element.get(), IID_IHTMLSelectElement);
    if (!select) throw CCustomException(L"Failed to get form element " + name);
    ThrowIfFailed(select->put_value(value));
  }
}
