// The HTML document interfaces as the toolbar's form capture and auto-fill use them, answered by
// the browser engine for real pages: forms and their controls by index and by name, attributes,
// values written back, and QueryInterface answering only for the element's own kind.
#include <gtest/gtest.h>

#include "host/engine/BrowserWindow.h"
#include "host/engine/Url.h"
#include "platform/browser/HtmlDocument.h"
#include "platform/text/WideText.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {

const char kPage[] =
    "<html><head><title>Forms</title></head><body>"
    "<form name=search action='/find'><input name=q value='old words'></form>"
    "<form id=second action='/login?x=1' method=POST>"
    "  <input name=user value=ann><input type=PASSWORD name=pass>"
    "  <input type=checkbox name=keep><input type=radio name=plan value=a>"
    "  <input type=radio name=plan value=b><input type=radio name=plan value=c>"
    "  <input type=weird name=odd><input type=hidden name=token value=t>"
    "  <textarea name=note>n</textarea><button name=go>Go</button>"
    "</form>"
    "<select name=lang><option value=en>English<option value=de selected>German</select>"
    "<select name=lang><option value=fr>French</select>"
    "</body></html>";

class HtmlDocumentTest : public ::testing::Test {
 protected:
  HtmlDocumentTest() {
    WriteFile(temp_.path() / "forms.html", kPage);
    window_.Navigate(FromUtf8((temp_.path() / "forms.html").string()));
    CComPtr<IDispatch> dispatch;
    EXPECT_EQ(window_.Browser()->get_Document(&dispatch), S_OK);
    document_ = dispatch.QueryInterface<IHTMLDocument2>(IID_IHTMLDocument2);
    EXPECT_TRUE(document_);
    EXPECT_EQ(document_->get_forms(&forms_), S_OK);
  }

  template <class T>
  static CComPtr<T> Item(IHTMLElementCollection* collection, Variant name, const IID& iid, Variant index = {}) {
    CComPtr<IDispatch> item;
    EXPECT_EQ(collection->item(name, index, &item), S_OK);
    return item.QueryInterface<T>(iid);
  }
  template <class T>
  static CComPtr<T> Item(IHTMLFormElement* form, Variant name, const IID& iid) {
    CComPtr<IDispatch> item;
    EXPECT_EQ(form->item(name, Variant(), &item), S_OK);
    return item.QueryInterface<T>(iid);
  }
  static LONG Length(IHTMLElementCollection* collection) {
    LONG length = -1;
    collection->get_length(&length);
    return length;
  }
  static std::wstring Text(const Variant& v) {
    std::wstring text;
    VariantToText(v, text);
    return text;
  }

  TempDir temp_;
  BrowserWindow window_;
  CComPtr<IHTMLDocument2> document_;
  CComPtr<IHTMLElementCollection> forms_;
};

TEST_F(HtmlDocumentTest, FormsAndTheirControlsInDocumentOrder) {
  ASSERT_EQ(Length(forms_.get()), 2);
  auto form = Item<IHTMLFormElement>(forms_.get(), Variant(std::int32_t{1}), IID_IHTMLFormElement);
  ASSERT_TRUE(form);
  LONG length = 0;
  form->get_length(&length);
  EXPECT_EQ(length, 10);
  std::wstring name;
  form->get_name(&name);
  EXPECT_EQ(name, L"");
  EXPECT_FALSE(Item<IHTMLFormElement>(forms_.get(), Variant(std::int32_t{2}), IID_IHTMLFormElement));

  // The form's action as written, through IHTMLElement::getAttribute.
  auto element = form.QueryInterface<IHTMLElement>(IID_IHTMLElement);
  ASSERT_TRUE(element);
  Variant action;
  ASSERT_EQ(element->getAttribute(L"action", 0, &action), S_OK);
  EXPECT_EQ(Text(action), L"/login?x=1");
  Variant missing;
  element->getAttribute(L"target", 0, &missing);
  EXPECT_TRUE(missing.IsNull());

  // Each control's type, name and value as the capture reads them.
  std::vector<std::wstring> seen;
  for (LONG j = 0; j < length; ++j) {
    auto input = Item<IHTMLInputElement>(form.get(), Variant(std::int32_t{j}), IID_IHTMLInputElement);
    if (!input) {
      seen.push_back(L"-");
      continue;
    }
    std::wstring type, inputName, value;
    input->get_type(&type);
    input->get_name(&inputName);
    input->get_value(&value);
    seen.push_back(type + L" " + inputName + L"=" + value);
  }
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"text user=ann", L"password pass=", L"checkbox keep=on",
                                             L"radio plan=a", L"radio plan=b", L"radio plan=c", L"text odd=",
                                             L"hidden token=t", L"-", L"-"}));
}

TEST_F(HtmlDocumentTest, ItemsByNameGiveOneElementOrACollection) {
  auto form = Item<IHTMLFormElement>(forms_.get(), Variant(std::int32_t{1}), IID_IHTMLFormElement);
  auto user = Item<IHTMLInputElement>(form.get(), Variant(L"user"), IID_IHTMLInputElement);
  ASSERT_TRUE(user);
  // Three radio buttons share a name: the item is a collection, not an input.
  CComPtr<IDispatch> plan;
  ASSERT_EQ(form->item(Variant(L"plan"), Variant(), &plan), S_OK);
  EXPECT_FALSE(plan.QueryInterface<IHTMLInputElement>(IID_IHTMLInputElement));
  auto plans = plan.QueryInterface<IHTMLElementCollection>(IID_IHTMLElementCollection);
  ASSERT_TRUE(plans);
  EXPECT_EQ(Length(plans.get()), 3);
  // No element of that name: S_OK and nothing.
  CComPtr<IDispatch> none;
  EXPECT_EQ(form->item(Variant(L"nobody"), Variant(), &none), S_OK);
  EXPECT_FALSE(none);
  // A form found by its id in the forms collection; an item that is no form gives no form interface.
  EXPECT_TRUE(Item<IHTMLFormElement>(forms_.get(), Variant(L"second"), IID_IHTMLFormElement));
  CComPtr<IHTMLElementCollection> all;
  ASSERT_EQ(document_->get_all(&all), S_OK);
  EXPECT_FALSE(Item<IHTMLFormElement>(all.get(), Variant(std::int32_t{0}), IID_IHTMLFormElement));
  EXPECT_TRUE(Item<IHTMLElement>(all.get(), Variant(std::int32_t{0}), IID_IHTMLElement));
}

TEST_F(HtmlDocumentTest, WrittenValuesReachThePageAndItsSelects) {
  auto form = Item<IHTMLFormElement>(forms_.get(), Variant(std::int32_t{1}), IID_IHTMLFormElement);
  auto pass = Item<IHTMLInputElement>(form.get(), Variant(L"pass"), IID_IHTMLInputElement);
  ASSERT_EQ(pass->put_value(L"s3cret"), S_OK);
  std::wstring value;
  pass->get_value(&value);
  EXPECT_EQ(value, L"s3cret");

  // Selects found the way auto-fill finds them: all elements, then the tag, then the name attribute.
  CComPtr<IHTMLElementCollection> all;
  ASSERT_EQ(document_->get_all(&all), S_OK);
  CComPtr<IDispatch> selectsDispatch;
  ASSERT_EQ(all->tags(Variant(L"SELECT"), &selectsDispatch), S_OK);
  auto selects = selectsDispatch.QueryInterface<IHTMLElementCollection>(IID_IHTMLElementCollection);
  ASSERT_EQ(Length(selects.get()), 2);
  auto first = Item<IHTMLElement>(selects.get(), Variant(std::int32_t{0}), IID_IHTMLElement);
  Variant name, type;
  first->getAttribute(L"name", 0, &name);
  first->getAttribute(L"type", 0, &type);
  EXPECT_EQ(Text(name), L"lang");
  EXPECT_TRUE(type.IsNull());
  auto select = first.QueryInterface<IHTMLSelectElement>(IID_IHTMLSelectElement);
  ASSERT_TRUE(select);
  EXPECT_FALSE(first.QueryInterface<IHTMLInputElement>(IID_IHTMLInputElement));
  select->get_value(&value);
  EXPECT_EQ(value, L"de");
  ASSERT_EQ(select->put_value(L"en"), S_OK);
  select->get_value(&value);
  EXPECT_EQ(value, L"en");
  select->put_value(L"xx");
  select->get_value(&value);
  EXPECT_EQ(value, L"");

  // The elements outlive the page: the browser moves on, the objects still answer.
  window_.Navigate(L"about:blank");
  pass->get_value(&value);
  EXPECT_EQ(value, L"s3cret");
  std::wstring tag;
  first->get_tagName(&tag);
  EXPECT_EQ(tag, L"SELECT");
}

}  // namespace
