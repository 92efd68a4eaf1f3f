#include "host/engine/HtmlObjects.h"

#include <vector>

#include "platform/browser/HtmlDocument.h"
#include "platform/text/WideText.h"

namespace {

bool IsInteger(const Variant& v) {
  VARTYPE type = v.Deref().vt();
  return type == VT_I4 || type == VT_I8 || type == VT_R8;
}

// Hands `value` out through `out`.
HRESULT Answer(std::wstring value, std::wstring* out) {
  if (!out) return E_POINTER;
  *out = std::move(value);
  return S_OK;
}

// What the model's objects share: counted, and answering no call by name (late binding).
template <class... Interfaces>
class DispatchObject : public Interfaces..., public CountedObject {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = Interface(iid);
    return *object ? S_OK : E_NOINTERFACE;
  }
  // The interface `iid` of the object with a reference the caller owns, or null when it has none.
  virtual void* Interface(REFIID iid) = 0;
  ULONG AddRef() override { return CountedObject::AddRef(); }
  ULONG Release() override { return CountedObject::Release(); }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, Variant*) override { return DISP_E_MEMBERNOTFOUND; }
};

// A list of elements of one document: all of them, its forms, a form's controls, or a selection.
class CollectionObject final : public DispatchObject<IHTMLElementCollection> {
 public:
  // Borrows `items` from `document`, which the collection keeps alive.
  CollectionObject(CComPtr<PageDocument> document, const std::vector<PageNode>* items)
      : document_(std::move(document)), items_(items) {}
  CollectionObject(CComPtr<PageDocument> document, std::vector<PageNode> owned)
      : document_(std::move(document)), owned_(std::move(owned)), items_(&owned_) {}

  void* Interface(REFIID iid) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLElementCollection)
      return CComPtr<IHTMLElementCollection>(this).Detach();
    return nullptr;
  }

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
    auto pick = [&](const Variant& number, const std::vector<PageNode>& from) -> HRESULT {
      std::int32_t at = 0;
      if (FAILED(VariantToInt32(number, at))) return E_INVALIDARG;
      if (at >= 0 && static_cast<size_t>(at) < from.size()) *element = MakeElementObject(document, from[at]).Detach();
      return S_OK;
    };
    if (IsInteger(name)) return pick(name, items);
    std::wstring key;
    if (FAILED(VariantToText(name, key))) return E_INVALIDARG;
    std::string wanted = ToUtf8(key);
    std::vector<PageNode> matches;
    for (PageNode node : items)
      if (node.Attribute("name") == wanted || node.Attribute("id") == wanted) matches.push_back(node);
    if (IsInteger(index)) return pick(index, matches);
    if (matches.size() == 1) *element = MakeElementObject(document, matches.front()).Detach();
    else if (matches.size() > 1)
      *element = CComPtr<IDispatch>(MakeCounted<CollectionObject>(document, std::move(matches)).get()).Detach();
    return S_OK;
  }

 private:
  CComPtr<PageDocument> document_;
  std::vector<PageNode> owned_;
  const std::vector<PageNode>* items_;
};

// One element; it answers the form, input and select interfaces only when it is one.
class ElementObject final
    : public DispatchObject<IHTMLElement, IHTMLFormElement, IHTMLInputElement, IHTMLSelectElement> {
 public:
  ElementObject(CComPtr<PageDocument> document, PageNode node) : document_(std::move(document)), node_(node) {}

  void* Interface(REFIID iid) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLElement)
      return CComPtr<IHTMLElement>(this).Detach();
    if (iid == IID_IHTMLFormElement && node_.IsElement("form")) return CComPtr<IHTMLFormElement>(this).Detach();
    if (iid == IID_IHTMLInputElement && node_.IsElement("input")) return CComPtr<IHTMLInputElement>(this).Detach();
    if (iid == IID_IHTMLSelectElement && node_.IsElement("select")) return CComPtr<IHTMLSelectElement>(this).Detach();
    return nullptr;
  }

  // IHTMLElement
  HRESULT getAttribute(const std::wstring& name, LONG flags, Variant* value) override {
    if (!value) return E_POINTER;
    *value = Variant(VariantNull{});
    for (const auto& [key, text] : node_.Attributes()) {
      std::wstring wideKey = FromUtf8(key);
      if ((flags & ATTRFLAG_CASESENSITIVE) ? wideKey == name : EqualsNoCase(wideKey, name)) {
        *value = Variant(FromUtf8(text));
        break;
      }
    }
    return S_OK;
  }
  HRESULT get_tagName(std::wstring* tagName) override {
    std::wstring upper = FromUtf8(node_.Tag());
    for (wchar_t& c : upper) c = (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
    return Answer(std::move(upper), tagName);
  }
  HRESULT get_innerText(std::wstring* text) override { return Answer(PageDocument::VisibleText(node_), text); }

  // IHTMLFormElement
  HRESULT get_length(LONG* length) override {
    if (!length) return E_POINTER;
    *length = static_cast<LONG>(document_->ControlsOf(node_).size());
    return S_OK;
  }
  HRESULT item(Variant name, Variant index, IDispatch** element) override {
    return CollectionObject::ItemOf(document_, document_->ControlsOf(node_), name, index, element);
  }
  HRESULT get_action(std::wstring* action) override { return Answer(node_.AttributeOr("action"), action); }
  HRESULT get_method(std::wstring* method) override {
    return Answer(ToLower(node_.AttributeOr("method")) == L"post" ? L"post" : L"get", method);
  }

  // Shared by forms, inputs and selects.
  HRESULT get_name(std::wstring* name) override { return Answer(node_.AttributeOr("name"), name); }
  HRESULT get_value(std::wstring* value) override { return Answer(document_->ControlValue(node_), value); }
  HRESULT put_value(const std::wstring& value) override {
    // Only the person picks the file a form sends: a page (or a toolbar) that writes a path into
    // a file field is refused, as browsers refuse it, so that nothing uploads a file unasked.
    if (!value.empty() && node_.IsElement("input") && PageDocument::InputType(node_) == L"file")
      return E_ACCESSDENIED;
    document_->SetControlValue(node_, value);
    return S_OK;
  }

  // IHTMLInputElement
  HRESULT get_type(std::wstring* type) override { return Answer(PageDocument::InputType(node_), type); }
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
  CComPtr<PageDocument> document_;
  PageNode node_;
};

class DocumentObject final : public DispatchObject<IHTMLDocument2> {
 public:
  explicit DocumentObject(CComPtr<PageDocument> document) : document_(std::move(document)) {}

  void* Interface(REFIID iid) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IHTMLDocument2)
      return CComPtr<IHTMLDocument2>(this).Detach();
    return nullptr;
  }

  HRESULT get_all(IHTMLElementCollection** all) override { return Collection(&document_->Elements(), all); }
  HRESULT get_forms(IHTMLElementCollection** forms) override { return Collection(&document_->Forms(), forms); }
  HRESULT get_title(std::wstring* title) override { return Answer(document_->Title(), title); }
  HRESULT get_URL(std::wstring* url) override { return Answer(document_->Url(), url); }

 private:
  HRESULT Collection(const std::vector<PageNode>* items, IHTMLElementCollection** out) {
    if (!out) return E_POINTER;
    *out = CComPtr<IHTMLElementCollection>(MakeCounted<CollectionObject>(document_, items).get()).Detach();
    return S_OK;
  }

  CComPtr<PageDocument> document_;
};

class OtherDocumentObject final : public DispatchObject<IDispatch> {
 public:
  void* Interface(REFIID iid) override {
    return iid == IID_IUnknown || iid == IID_IDispatch ? CComPtr<IDispatch>(this).Detach() : nullptr;
  }
};

}  // namespace

CComPtr<IDispatch> MakeHtmlDocumentObject(const CComPtr<PageDocument>& document) {
  return CComPtr<IDispatch>(MakeCounted<DocumentObject>(document).get());
}

CComPtr<IDispatch> MakeOtherDocumentObject() {
  return CComPtr<IDispatch>(MakeCounted<OtherDocumentObject>().get());
}

CComPtr<IDispatch> MakeElementObject(const CComPtr<PageDocument>& document, PageNode node) {
  CComPtr<ElementObject> element = MakeCounted<ElementObject>(document, node);
  return CComPtr<IDispatch>(static_cast<IHTMLElement*>(element.get()));
}
