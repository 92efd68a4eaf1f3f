#include "host/gtk/PageForms.h"

#include "host/gtk/JsonReader.h"
#include "platform/text/WideText.h"

namespace {

// The answer's nesting: object, controls array, control, selected array, flag.
constexpr int kMaxAnswerDepth = 5;

bool IsControlTag(std::string_view tag) { return tag == "input" || tag == "select" || tag == "textarea"; }

bool IsCheckable(PageNode node) {
  if (!node.IsElement("input")) return false;
  std::wstring type = PageDocument::InputType(node);
  return type == L"checkbox" || type == L"radio";
}

const std::wstring* TextMember(const JsonValue& object, std::wstring_view name) {
  const JsonValue* member = object.Member(name);
  return member && member->kind == JsonValue::Kind::String ? &member->text : nullptr;
}

std::optional<ControlState> ReadControl(const JsonValue& value) {
  if (value.kind != JsonValue::Kind::Object) return std::nullopt;
  const std::wstring* tag = TextMember(value, L"tag");
  const std::wstring* name = TextMember(value, L"name");
  const std::wstring* text = TextMember(value, L"value");
  if (!tag || !IsControlTag(ToUtf8(*tag)) || !name || !text) return std::nullopt;
  ControlState state{*tag, *name, *text, false, {}};
  if (const JsonValue* checked = value.Member(L"checked")) {
    if (checked->kind != JsonValue::Kind::Bool) return std::nullopt;
    state.checked = checked->flag;
  }
  if (const JsonValue* selected = value.Member(L"selected")) {
    if (selected->kind != JsonValue::Kind::Array || selected->items.size() > kMaxControlOptions) return std::nullopt;
    for (const JsonValue& flag : selected->items) {
      if (flag.kind != JsonValue::Kind::Bool) return std::nullopt;
      state.selected.push_back(flag.flag);
    }
  }
  return state;
}

}  // namespace

std::optional<PageForms> ReadPageForms(std::string_view json) {
  JsonLimits limits;
  limits.maxBytes = kMaxPageMarkupBytes * 2;  // room for the escapes of a page at its bound
  limits.maxDepth = kMaxAnswerDepth;
  limits.maxValues = kMaxPageControls * 8 + kMaxControlOptions * 4;
  std::optional<JsonValue> answer = ReadJson(json, limits);
  if (!answer || answer->kind != JsonValue::Kind::Object) return std::nullopt;
  const std::wstring* html = TextMember(*answer, L"html");
  const JsonValue* controls = answer->Member(L"controls");
  if (!html || !controls || controls->kind != JsonValue::Kind::Array || controls->items.size() > kMaxPageControls)
    return std::nullopt;
  PageForms forms{ToUtf8(*html), {}};
  if (forms.html.size() > kMaxPageMarkupBytes) return std::nullopt;
  for (const JsonValue& item : controls->items) {
    std::optional<ControlState> state = ReadControl(item);
    if (!state) return std::nullopt;
    forms.controls.push_back(std::move(*state));
  }
  return forms;
}

std::vector<PageNode> ControlsInOrder(const PageDocument& document) {
  std::vector<PageNode> controls;
  for (PageNode element : document.Elements())
    if (IsControlTag(element.Tag())) controls.push_back(element);
  return controls;
}

CComPtr<PageDocument> DocumentFromPageForms(const PageForms& forms, std::wstring url) {
  CComPtr<PageDocument> document = PageDocument::Parse(forms.html, url);
  if (!document) document = PageDocument::Parse("", std::move(url));
  if (!document) return document;
  std::vector<PageNode> nodes = ControlsInOrder(*document);
  for (size_t i = 0; i < nodes.size() && i < forms.controls.size(); ++i) {
    PageNode node = nodes[i];
    const ControlState& state = forms.controls[i];
    if (FromUtf8(node.Tag()) != state.tag || node.AttributeOr("name") != state.name) continue;
    if (IsCheckable(node)) {
      document->SetState(node, state.checked);
    } else if (node.IsElement("select")) {
      std::vector<PageNode> options = PageDocument::OptionsOf(node);
      for (size_t o = 0; o < options.size() && o < state.selected.size(); ++o)
        document->SetState(options[o], state.selected[o]);
    } else if (document->ControlValue(node) != state.value) {
      document->SetControlValue(node, state.value);
    }
  }
  return document;
}

std::vector<ControlState> ControlStates(const PageDocument& document) {
  std::vector<ControlState> states;
  for (PageNode node : ControlsInOrder(document)) {
    ControlState state{FromUtf8(node.Tag()), node.AttributeOr("name"), document.ControlValue(node),
                       document.IsChecked(node), {}};
    if (node.IsElement("select"))
      for (PageNode option : PageDocument::OptionsOf(node)) state.selected.push_back(document.IsSelected(option));
    states.push_back(std::move(state));
  }
  return states;
}

std::vector<ControlChange> ChangedControls(const std::vector<ControlState>& before,
                                           const std::vector<ControlState>& now) {
  std::vector<ControlChange> changes;
  for (size_t i = 0; i < before.size() && i < now.size(); ++i) {
    if (before[i].tag != now[i].tag || before[i].name != now[i].name || before[i] == now[i]) continue;
    changes.push_back({i, now[i]});
  }
  return changes;
}
