// Reading a WebKit page into the engine's document, without a display: the read script's answer
// decoded under its bounds, the controls' state put into the document and found again when the
// toolbar has written into it, and the texts put into scripts.
#include <gtest/gtest.h>

#include "host/gtk/JsonReader.h"
#include "host/gtk/PageForms.h"
#include "host/gtk/PageScripts.h"

namespace {

const char* kLoginAnswer =
    R"({"html":"<html><head><title>Sign in</title></head><body><form name=\"login\" action=\"/done\">)"
    R"(<input name=\"user\"><input type=\"password\" name=\"pass\"><input type=\"checkbox\" name=\"keep\">)"
    R"(<select name=\"lang\"><option>en</option><option value=\"fr\">French</option></select></form></body></html>",)"
    R"("controls":[{"tag":"input","name":"user","value":"ann","checked":false},)"
    R"({"tag":"input","name":"pass","value":"s\u00e9cr\u00eat \ud83d\ude00","checked":false},)"
    R"({"tag":"input","name":"keep","value":"on","checked":true},)"
    R"({"tag":"select","name":"lang","value":"","checked":false,"selected":[false,true]}]})";

TEST(PageFormsTest, TheAnswerBecomesTheEngineDocumentWithTheLiveState) {
  std::optional<PageForms> forms = ReadPageForms(kLoginAnswer);
  ASSERT_TRUE(forms);
  ASSERT_EQ(forms->controls.size(), 4u);
  EXPECT_EQ(forms->controls[1].value, L"s\u00e9cr\u00eat \U0001F600");
  EXPECT_EQ(forms->controls[3].selected, (std::vector<bool>{false, true}));

  CComPtr<PageDocument> document = DocumentFromPageForms(*forms, L"http://127.0.0.1/login");
  ASSERT_TRUE(document);
  EXPECT_EQ(document->Title(), L"Sign in");
  ASSERT_EQ(document->Forms().size(), 1u);
  std::vector<PageNode> controls = ControlsInOrder(*document);
  ASSERT_EQ(controls.size(), 4u);
  EXPECT_EQ(document->ControlValue(controls[0]), L"ann");
  EXPECT_EQ(document->ControlValue(controls[1]), L"s\u00e9cr\u00eat \U0001F600");
  EXPECT_TRUE(document->IsChecked(controls[2]));
  EXPECT_EQ(document->ControlValue(controls[3]), L"fr");

  // What a sink writes is found again, and only that.
  std::vector<ControlState> before = ControlStates(*document);
  document->SetControlValue(controls[0], L"bob");
  document->SelectValue(controls[3], L"en");
  std::vector<ControlChange> changes = ChangedControls(before, ControlStates(*document));
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].index, 0u);
  EXPECT_EQ(changes[0].state.value, L"bob");
  EXPECT_EQ(changes[1].index, 3u);
  EXPECT_EQ(changes[1].state.selected, (std::vector<bool>{true, false}));
}

TEST(PageFormsTest, AStateIsPutOnlyIntoTheControlOfTheSameTagAndName) {
  // The page changed between reading its markup and its controls: the second control differs.
  PageForms forms{"<form><input name=a><input name=b></form>",
                  {{L"input", L"a", L"1", false, {}}, {L"input", L"other", L"2", false, {}}}};
  CComPtr<PageDocument> document = DocumentFromPageForms(forms, L"http://x/");
  std::vector<PageNode> controls = ControlsInOrder(*document);
  ASSERT_EQ(controls.size(), 2u);
  EXPECT_EQ(document->ControlValue(controls[0]), L"1");
  EXPECT_EQ(document->ControlValue(controls[1]), L"");
  // No markup at all (a page too large to read) is an empty document, not a failure.
  EXPECT_TRUE(DocumentFromPageForms(PageForms{}, L"http://x/"));
}

TEST(PageFormsTest, MalformedOrOversizedAnswersAreRefusedWhole) {
  for (const char* bad : {"", "null", "[]", "{\"html\":1,\"controls\":[]}", "{\"html\":\"\"}",
                          "{\"html\":\"\",\"controls\":[{\"tag\":\"script\",\"name\":\"\",\"value\":\"\"}]}",
                          "{\"html\":\"\",\"controls\":[{\"tag\":\"input\",\"name\":\"a\"}]}",
                          "{\"html\":\"\",\"controls\":[]} trailing", "{\"html\":\"\\x\",\"controls\":[]}",
                          "{\"html\":\"\u0001\",\"controls\":[]}", "{\"html\":\"\",\"controls\":[],}",
                          "{\"html\":\"unterminated,\"controls\":[]}"})
    EXPECT_FALSE(ReadPageForms(bad)) << bad;

  std::string deep = "{\"html\":\"\",\"controls\":[],\"x\":" + std::string(100, '[') + std::string(100, ']') + "}";
  EXPECT_FALSE(ReadPageForms(deep));
  std::string many = "{\"html\":\"\",\"controls\":[";
  for (size_t i = 0; i <= kMaxPageControls; ++i)
    many += std::string(i ? "," : "") + "{\"tag\":\"input\",\"name\":\"n\",\"value\":\"\"}";
  EXPECT_FALSE(ReadPageForms(many + "]}"));
  EXPECT_TRUE(ReadPageForms("{\"html\":\"\",\"controls\":[],\"unknown\":{\"a\":[1,-2.5e3,true,null]}}"));

  // Lone surrogates read as U+FFFD; a generic reader bound on the number of values holds.
  std::optional<JsonValue> lone = ReadJson(R"("\ud800x\udc00")");
  ASSERT_TRUE(lone);
  EXPECT_EQ(lone->text, L"\uFFFDx\uFFFD");
  EXPECT_FALSE(ReadJson("[1,2,3,4]", JsonLimits{1024, 4, 3}));
}

TEST(PageScriptsTest, TextsGoIntoScriptsOnlyAsInertStringLiterals) {
  EXPECT_EQ(JavaScriptString(L"plain text"), "\"plain text\"");
  std::string hostile = JavaScriptString(L"\");alert(1);//</script>\\\n'\u2028\U0001F600");
  EXPECT_EQ(hostile,
            "\"\\u0022);alert(1);//\\u003c/script\\u003e\\u005c\\u000a\\u0027\\u2028\\ud83d\\ude00\"");
  // Everything between the quotes is printable ASCII without quotes or backslashes other than
  // those that begin escapes.
  for (size_t i = 1; i + 1 < hostile.size(); ++i) {
    EXPECT_NE(hostile[i], '"');
    EXPECT_TRUE(hostile[i] >= 0x20 && hostile[i] < 0x7F);
  }
  EXPECT_EQ(JavaScriptString(std::wstring(1, static_cast<wchar_t>(0xD800))), "\"\\ufffd\"");

  std::string typed = TypeTextScript(L"user", L"x\"y");
  EXPECT_NE(typed.find("\"user\",\"x\\u0022y\""), std::string::npos) << typed;
  std::string write = WriteControlsScript({{2, {L"select", L"lang", L"fr", false, {false, true}}}});
  EXPECT_NE(write.find("[[2,\"lang\",\"fr\",false,[false,true]]]"), std::string::npos) << write;
}

}  // namespace
