#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/engine/PageDocument.h"
#include "host/engine/PageText.h"

namespace {

TEST(PageDocumentTest, TheTreeOutlivesThePageTextItWasParsedFrom) {
  std::string html =
      "<title> A \t page </title><My-Widget Data-X=1>in<b>side</b></My-Widget><!-- note -->"
      "<p>caf\xc3\xa9 &amp; more</p>";
  CComPtr<PageDocument> document = PageDocument::Parse(html, L"http://x/");
  ASSERT_TRUE(document);
  // Nothing of the document may point into the page text once the parse is done.
  html.assign(html.size(), '#');
  html.shrink_to_fit();

  std::vector<std::string> tags;
  for (PageNode element : document->Elements()) tags.emplace_back(element.Tag());
  EXPECT_EQ(tags, (std::vector<std::string>{"html", "head", "title", "body", "my-widget", "b", "p"}));
  PageNode widget = document->Elements()[4];
  EXPECT_EQ(widget.AttributeOr("data-x"), L"1");
  EXPECT_EQ(widget.Parent().Tag(), "body");
  EXPECT_EQ(document->Root().Tag(), "#document");
  EXPECT_FALSE(document->Root().Parent());
  // Comments are not children; texts are, with entities decoded.
  std::vector<std::string> bodyChildren;
  for (PageNode child : widget.Parent().ChildNodes()) bodyChildren.emplace_back(child.Tag());
  EXPECT_EQ(bodyChildren, (std::vector<std::string>{"my-widget", "p"}));
  EXPECT_EQ(document->Title(), L"A page");
  EXPECT_EQ(PageDocument::VisibleText(document->Root()), L"inside\ncaf\u00e9 & more");
}

TEST(PageDocumentTest, FormStateIsKeptPerControlAndRadioGroupsStayExclusive) {
  CComPtr<PageDocument> document = PageDocument::Parse(
      "<form id=f><input type=radio name=r value=a checked><input type=radio name=r value=b>"
      "<select name=s><option>one<option selected>two<optgroup><option value=3>three</optgroup></select>"
      "<textarea name=t>typed</textarea></form><input form=f name=outside value=o>"
      "<form><input type=radio name=r value=c checked></form>",
      L"http://x/");
  ASSERT_TRUE(document);
  ASSERT_EQ(document->Forms().size(), 2u);
  const std::vector<PageNode>& controls = document->ControlsOf(document->Forms()[0]);
  ASSERT_EQ(controls.size(), 5u);
  PageNode a = controls[0], b = controls[1], select = controls[2], outside = controls[4];
  EXPECT_EQ(document->FormOf(outside), document->Forms()[0]);
  PageNode otherFormRadio = document->ControlsOf(document->Forms()[1])[0];

  EXPECT_TRUE(document->IsChecked(a));
  document->SetChecked(b, true);
  EXPECT_FALSE(document->IsChecked(a));
  EXPECT_TRUE(document->IsChecked(b));
  EXPECT_TRUE(document->IsChecked(otherFormRadio)) << "another form's group is its own";

  EXPECT_EQ(document->ControlValue(select), L"two");
  EXPECT_TRUE(document->SelectValue(select, L"3"));
  EXPECT_EQ(document->ControlValue(select), L"3");
  EXPECT_FALSE(document->SelectValue(select, L"none"));
  EXPECT_EQ(document->ControlValue(select), L"");

  EXPECT_EQ(document->ControlValue(controls[3]), L"typed");
  document->SetControlValue(controls[3], L"new");
  EXPECT_EQ(document->ControlValue(controls[3]), L"new");
  // The same page parsed again starts from its markup.
  CComPtr<PageDocument> again = PageDocument::Parse("<textarea name=t>typed</textarea>", L"http://x/");
  EXPECT_EQ(again->ControlValue(again->Elements().back()), L"typed");
}

TEST(PageTextTest, LinesEscapeControlsInWideAndUtf8TextAlike) {
  const std::wstring wide = L"a\\b\nc\rd\te\x1b[1m\x7f\x85\x9f\u00a0\u00e9\U0001F600";
  EXPECT_EQ(EscapeLine(wide), L"a\\\\b\\nc\\rd\\te\\x1b[1m\\x7f\\x85\\x9f\u00a0\u00e9\U0001F600");
  std::string utf8 = "text: ";
  AppendEscapedLine(utf8, "a\\b\nc\rd\te\x1b[1m\x7f\xc2\x85\xc2\x9f\xc2\xa0\xc3\xa9\xf0\x9f\x98\x80");
  EXPECT_EQ(utf8, "text: a\\\\b\\nc\\rd\\te\\x1b[1m\\x7f\\x85\\x9f\xc2\xa0\xc3\xa9\xf0\x9f\x98\x80");
}

}  // namespace
