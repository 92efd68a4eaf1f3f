// The document object model of an HTML page, as far as the toolbar reads and writes forms.
// Each element object answers QueryInterface for the interfaces of its kind only: every element
// is an IHTMLElement; a form also an IHTMLFormElement, an input an IHTMLInputElement, a select
// an IHTMLSelectElement. Objects stay valid after the browser has moved on to another page.
#pragma once
#include <string>

#include "platform/com/Unknown.h"
#include "platform/com/Variant.h"

extern const IID IID_IHTMLDocument2;
extern const IID IID_IHTMLElementCollection;
extern const IID IID_IHTMLElement;
extern const IID IID_IHTMLFormElement;
extern const IID IID_IHTMLInputElement;
extern const IID IID_IHTMLSelectElement;

struct IHTMLElementCollection;

struct IHTMLDocument2 : IDispatch {
  // Every element of the document, in document order.
  virtual HRESULT get_all(IHTMLElementCollection** all) = 0;
  // The forms of the document, in document order.
  virtual HRESULT get_forms(IHTMLElementCollection** forms) = 0;
  virtual HRESULT get_title(std::wstring* title) = 0;
  virtual HRESULT get_URL(std::wstring* url) = 0;

 protected:
  ~IHTMLDocument2() = default;
};

struct IHTMLElementCollection : IDispatch {
  virtual HRESULT get_length(LONG* length) = 0;
  // `name` an integer: the element at that index. `name` a text: the elements whose name or id
  // equals it; one gives that element, several give a collection of them, unless `index` (an
  // integer) picks one of them. Nothing found (or an index out of range) gives S_OK and null.
  virtual HRESULT item(Variant name, Variant index, IDispatch** element) = 0;
  // The elements with tag name `tagName` (compared without regard to case), as a collection.
  virtual HRESULT tags(Variant tagName, IDispatch** collection) = 0;

 protected:
  ~IHTMLElementCollection() = default;
};

// Flags of getAttribute.
constexpr LONG ATTRFLAG_CASESENSITIVE = 1;

struct IHTMLElement : IDispatch {
  // The attribute's text, or a null Variant when the element has no such attribute. Names compare
  // without regard to case unless ATTRFLAG_CASESENSITIVE is given.
  virtual HRESULT getAttribute(const std::wstring& name, LONG flags, Variant* value) = 0;
  // The tag name in upper case, as the browser reports it.
  virtual HRESULT get_tagName(std::wstring* tagName) = 0;
  // The text the element shows.
  virtual HRESULT get_innerText(std::wstring* text) = 0;

 protected:
  ~IHTMLElement() = default;
};

struct IHTMLFormElement : IDispatch {
  // The number of the form's controls (input, select, textarea, button, fieldset, object, output).
  virtual HRESULT get_length(LONG* length) = 0;
  // As IHTMLElementCollection::item, over the form's controls.
  virtual HRESULT item(Variant name, Variant index, IDispatch** element) = 0;
  virtual HRESULT get_name(std::wstring* name) = 0;
  virtual HRESULT get_action(std::wstring* action) = 0;
  virtual HRESULT get_method(std::wstring* method) = 0;

 protected:
  ~IHTMLFormElement() = default;
};

struct IHTMLInputElement : IDispatch {
  // The input's type in lower case; "text" when missing or unknown.
  virtual HRESULT get_type(std::wstring* type) = 0;
  virtual HRESULT get_name(std::wstring* name) = 0;
  // The current value; a checkbox or radio button without a value attribute reads "on".
  virtual HRESULT get_value(std::wstring* value) = 0;
  virtual HRESULT put_value(const std::wstring& value) = 0;
  virtual HRESULT get_checked(VARIANT_BOOL* checked) = 0;
  virtual HRESULT put_checked(VARIANT_BOOL checked) = 0;

 protected:
  ~IHTMLInputElement() = default;
};

struct IHTMLSelectElement : IDispatch {
  virtual HRESULT get_name(std::wstring* name) = 0;
  // The value of the first selected option, empty when none is selected.
  virtual HRESULT get_value(std::wstring* value) = 0;
  // Selects the first option with that value; with none, no option stays selected.
  virtual HRESULT put_value(const std::wstring& value) = 0;

 protected:
  ~IHTMLSelectElement() = default;
};
