#include "host/engine/HtmlObjects.h"

#include <cstring>
#include <vector>

#include "platform/browser/HtmlDocument.h"
#include "platform/text/WideText.h"

namespace {

bool IsInteger(const Variant& v) {
  VARTYPE type = v.Deref().vt();
  return type == VT_I4 || type == VT_I8 || type == VT_R8;
}

// Hands `object` out through `out` with the reference the caller now owns.
template <class Interface>
HRESULT HandOut(CComPtr<Interface> object, void** out) {
  *out = object.Detach();
  return S_OK;
}

// A list of elements of one document: all of them, its forms, a form's controls, or a selection.
class CollectionObject final : public IHTMLElementCollection, public CountedObject {
 public:
  // Borrows `items` from `document`, which the collection keeps alive.
  CollectionObject(CComPtr<PageDocument> document, const std::vector<PageNode>* items)
      : document_(std::move(document)), items_(items) {}
  CollectionObject(CComPtr<PageDocument> document, std::vector<PageNode> owned)
      : document_(std::move(document)), owned_(std::move(owned)), items_(&owned_) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLElementCollection)
      return HandOut(CComPtr<IHTMLElementCollection>(this), object);
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, Variant*) override { return DISP_E_MEMBERNOTFOUND; }

  HRESULT get_length(LONG* length) override {
    if (!length) return E_POINTER;
    *length = static_cast<LONG>(items_->size());
    return S_OK;
  }
  HRESULT item(Variant name, Variant index, IDispatch** element) override {
    return ItemOf(document_, *items_, name, index, element);
  }
  HRESULT tags(Variant tagName, IDispatch** collection) override {
    if (!collection) return E_POINTER;
    *collection = nullptr;
    std::wstring tag;
    if (FAILED(VariantToText(tagName, tag))) return E_INVALIDARG;
    std::string name = ToUtf8(ToLower(tag));
    std::vector<PageNode> selected;
    for (PageNode node : *items_)
      if (node.Tag() == name) selected.push_back(node);
    *collection = CComPtr<IDispatch>(MakeCounted<CollectionObject>(document_, std::move(selected)).get()).Detach();
    return S_OK;
  }

  // The item rule shared by collections and forms: an index picks one element; a name picks the
  // elements whose name or id equals it, one as itself, several as a collection.
  static HRESULT ItemOf(const CComPtr<PageDocument>& document, const std::vector<PageNode>& items,
                        const Variant& name, const Variant& index, IDispatch** element) {
    if (!element) return E_POINTER;
    *element = nullptr;
    if (name.Deref().IsEmpty() || name.Deref().IsNull()) return S_OK;
    if (IsInteger(name)) {
      std::int32_t at = 0;
      if (FAILED(VariantToInt32(name, at))) return E_INVALIDARG;
      if (at >= 0 && static_cast<size_t>(at) < items.size()) *element = MakeElementObject(document, items[at]).Detach();
      return S_OK;
    }
    std::wstring key;
    if (FAILED(VariantToText(name, key))) return E_INVALIDARG;
    std::string wanted = ToUtf8(key);
    std::vector<PageNode> matches;
    for (PageNode node : items)
      if (node.Attribute("name") == wanted || node.Attribute("id") == wanted) matches.push_back(node);
    if (IsInteger(index)) {
      std::int32_t at = 0;
      if (FAILED(VariantToInt32(index, at))) return E_INVALIDARG;
      if (at >= 0 && static_cast<size_t>(at) < matches.size())
        *element = MakeElementObject(document, matches[at]).Detach();
      return S_OK;
    }
    if (matches.size() == 1) {
      *element = MakeElementObject(document, matches.front()).Detach();
    } else if (matches.size() > 1) {
      CComPtr<IDispatch> collection(MakeCounted<CollectionObject>(document, std::move(matches)).get());
      *element = collection.Detach();
    }
    return S_OK;
  }

 private:
  CComPtr<PageDocument> document_;
  std::vector<PageNode> owned_;
  const std::vector<PageNode>* items_;
};

// One element; it answers the form, input and select interfaces only when it is one.
class ElementObject final : public IHTMLElement,
                            public IHTMLFormElement,
                            public IHTMLInputElement,
                            public IHTMLSelectElement,
                            public CountedObject {
 public:
  ElementObject(CComPtr<PageDocument> document, PageNode node) : document_(std::move(document)), node_(node) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLElement)
      return HandOut(CComPtr<IHTMLElement>(this), object);
    if (iid == IID_IHTMLFormElement && node_.IsElement("form")) return HandOut(CComPtr<IHTMLFormElement>(this), object);
    if (iid == IID_IHTMLInputElement && node_.IsElement("input"))
      return HandOut(CComPtr<IHTMLInputElement>(this), object);
    if (iid == IID_IHTMLSelectElement && node_.IsElement("select"))
      return HandOut(CComPtr<IHTMLSelectElement>(this), object);
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, Variant*) override { return DISP_E_MEMBERNOTFOUND; }

  // IHTMLElement
  HRESULT getAttribute(const std::wstring& name, LONG flags, Variant* value) override {
    if (!value) return E_POINTER;
    *value = Variant(VariantNull{});
    for (const auto& [key, text] : node_.Attributes()) {
      std::wstring wideKey = FromUtf8(key);
      bool same = (flags & ATTRFLAG_CASESENSITIVE) ? wideKey == name : EqualsNoCase(wideKey, name);
      if (same) {
        *value = Variant(FromUtf8(text));
        break;
      }
    }
    return S_OK;
  }
  HRESULT get_tagName(std::wstring* tagName) override {
    if (!tagName) return E_POINTER;
    std::wstring upper;
    for (wchar_t c : FromUtf8(node_.Tag())) upper += (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
    *tagName = upper;
    return S_OK;
  }
  HRESULT get_innerText(std::wstring* text) override {
    if (!text) return E_POINTER;
    *text = PageDocument::VisibleText(node_);
    return S_OK;
  }

  // IHTMLFormElement
  HRESULT get_length(LONG* length) override {
    if (!length) return E_POINTER;
    *length = static_cast<LONG>(document_->ControlsOf(node_).size());
    return S_OK;
  }
  HRESULT item(Variant name, Variant index, IDispatch** element) override {
    return CollectionObject::ItemOf(document_, document_->ControlsOf(node_), name, index, element);
  }
  HRESULT get_action(std::wstring* action) override { return Text(node_.AttributeOr("action"), action); }
  HRESULT get_method(std::wstring* method) override {
    return Text(ToLower(node_.AttributeOr("method")) == L"post" ? L"post" : L"get", method);
  }

  // Shared by forms, inputs and selects.
  HRESULT get_name(std::wstring* name) override { return Text(node_.AttributeOr("name"), name); }
  HRESULT get_value(std::wstring* value) override { return Text(document_->ControlValue(node_), value); }
  HRESULT put_value(const std::wstring& value) override {
    // Only the person picks the file a form sends: a page (or a toolbar) that writes a path into
    // a file field is refused, as browsers refuse it, so that nothing uploads a file unasked.
    if (!value.empty() && node_.IsElement("input") && PageDocument::InputType(node_) == L"file")
      return E_ACCESSDENIED;
    document_->SetControlValue(node_, value);
    return S_OK;
  }

  // IHTMLInputElement
  HRESULT get_type(std::wstring* type) override { return Text(PageDocument::InputType(node_), type); }
  HRESULT get_checked(VARIANT_BOOL* checked) override {
    if (!checked) return E_POINTER;
    *checked = document_->IsChecked(node_) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT put_checked(VARIANT_BOOL checked) override {
    document_->SetChecked(node_, checked != VARIANT_FALSE);
    return S_OK;
  }

 private:
  static HRESULT Text(std::wstring value, std::wstring* out) {
    if (!out) return E_POINTER;
    *out = std::move(value);
    return S_OK;
  }

  CComPtr<PageDocument> document_;
  PageNode node_;
};

class DocumentObject final : public IHTMLDocument2, public CountedObject {
 public:
  explicit DocumentObject(CComPtr<PageDocument> document) : document_(std::move(document)) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLDocument2)
      return HandOut(CComPtr<IHTMLDocument2>(this), object);
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, Variant*) override { return DISP_E_MEMBERNOTFOUND; }

  HRESULT get_all(IHTMLElementCollection** all) override { return Collection(&document_->Elements(), all); }
  HRESULT get_forms(IHTMLElementCollection** forms) override { return Collection(&document_->Forms(), forms); }
  HRESULT get_title(std::wstring* title) override {
    if (!title) return E_POINTER;
    *title = document_->Title();
    return S_OK;
  }
  HRESULT get_URL(std::wstring* url) override {
    if (!url) return E_POINTER;
    *url = document_->Url();
    return S_OK;
  }

 private:
  HRESULT Collection(const std::vector<PageNode>* items, IHTMLElementCollection** out) {
    if (!out) return E_POINTER;
    CComPtr<IHTMLElementCollection> collection(MakeCounted<CollectionObject>(document_, items).get());
    *out = collection.Detach();
    return S_OK;
  }

  CComPtr<PageDocument> document_;
};

class OtherDocumentObject final : public IDispatch, public CountedObject {
 public:
  OtherDocumentObject(std::wstring url, std::wstring contentType)
      : url_(std::move(url)), contentType_(std::move(contentType)) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch) return HandOut(CComPtr<IDispatch>(this), object);
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, Variant*) override { return DISP_E_MEMBERNOTFOUND; }

 private:
  std::wstring url_;
  std::wstring contentType_;
};

}  // namespace

CComPtr<IDispatch> MakeHtmlDocumentObject(const CComPtr<PageDocument>& document) {
  return CComPtr<IDispatch>(MakeCounted<DocumentObject>(document).get());
}

CComPtr<IDispatch> MakeOtherDocumentObject(std::wstring url, std::wstring contentType) {
  return CComPtr<IDispatch>(MakeCounted<OtherDocumentObject>(std::move(url), std::move(contentType)).get());
}

CComPtr<IDispatch> MakeElementObject(const CComPtr<PageDocument>& document, PageNode node) {
  CComPtr<ElementObject> element = MakeCounted<ElementObject>(document, node);
  return CComPtr<IDispatch>(static_cast<IHTMLElement*>(element.get()));
}
