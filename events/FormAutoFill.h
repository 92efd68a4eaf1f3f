// Form auto-fill: when a document has loaded, the first of its forms that matches an active saved
// form of the page's site, and that the saved login may go into (FillPolicy), gets the saved values
// written into its fields of the captured kinds and into drop-down lists.
#pragma once
#include <string>

#include "platform/browser/HtmlDocument.h"
#include "store/CBookmarkDatabase.h"

// Fills the document of the browser object `browser` (the first argument of DocumentComplete),
// whose address is `address`, from `store`. Ends silently when there is no browser, a page that
// is not http or https or has no site, no HTML
// document, or the document cannot be read (E_POINTER, E_FAIL); raises CCustomException for the
// program's own errors ("Failed to get form element <name>") and ComError for the browser's.
void FillForm(IDispatch* browser, const std::wstring& address, CBookmarkDatabase& store);

// The first element of `tagName` in the browser's document whose name attribute equals `name`
// (and whose type attribute equals `type`, when `type` is not empty), compared with case; null
// when none does.
CComPtr<IHTMLElement> FindDocumentElement(IDispatch* browser, const std::wstring& tagName, const std::wstring& type,
                                          const std::wstring& name);
