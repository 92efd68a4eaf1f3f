// Form capture: when a browser window or frame leaves a page whose form holds a typed password,
// the form's text, password, radio and checkbox fields are kept in the form store under the
// page's site. Also the two operations auto-fill shares with it.
#pragma once
#include <string>

#include "platform/browser/HtmlDocument.h"
#include "platform/ui/Menu.h"
#include "store/CBookmarkDatabase.h"

// The authority of `address`: what follows "//" up to the next "/", "?" or "#" (user part and
// port included); empty when the address has no "//". Linear in the address's length, whatever
// it holds. Raises CCustomException "Match error" should the address not match.
std::wstring ExtractDomain(const std::wstring& address);

// Exactly "checkbox", "password", "radio" and "text", compared with case.
bool IsCapturedInputType(const std::wstring& type);

// The form's action attribute (empty when it has none), and in `matchMap` one entry per captured
// field of the form (an empty value entered as "dummy"). A missing object on the way (E_POINTER)
// ends it with what was gathered; another component error is raised again as CCustomException
// with its description, anything else as CCustomException "Unknown error".
std::wstring GetActionAttribute(IHTMLFormElement* form, FormFieldMap& matchMap);

// Captures the page being left by the browser object `browser` (the first argument of
// BeforeNavigate2) into `store`, and resets the entry "Enable saving form data" of `setupMenu`.
// Ends silently when `browser` is no browser or its document cannot be read; raises
// CCustomException for the program's own errors and ComError for the browser's.
void CaptureForm(IDispatch* browser, CBookmarkDatabase& store, HMENU setupMenu);
