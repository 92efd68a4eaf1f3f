// Where a remembered login may be written back. A saved form is found by its site and field names
// alone; this decides whether the page form found that way is one the login may go into, so that
// a password reaches only a page of the scheme it was typed on and goes on submit only where it
// went before.
#pragma once
#include <string>

// A form as auto-fill sees it: the address of the page that holds it and its action attribute
// exactly as written (empty when it has none).
struct FormOrigin {
  std::wstring page;
  std::wstring action;
};

// Whether a page at `pageAddress` may be filled at all: its scheme is http or https and its site
// (ExtractDomain) is not empty. Every other page (file:, about:, data:, ...) is filled by nothing.
bool IsFillablePage(const std::wstring& pageAddress);

// Whether the saved form `saved` (the page address and action stored with it) may be written into
// the form `form`. True only when all of these hold:
// - the page is fillable (IsFillablePage);
// - the saved page address has the same scheme and site as the page;
// - the form's action, resolved against the page's address as a browser resolves it, has the
//   same scheme and site as the page, or is the same address as the saved action resolved
//   against the saved page address (a login that was always sent to another site).
// Anything that cannot be read with certainty counts as another site. Never throws; linear in the
// length of the texts.
bool MayFillForm(const FormOrigin& form, const FormOrigin& saved);
